// The host state chunk: any bytes a project file may hold.
#include "FakePresetClient.h"
#include "FuzzSetup.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "XMLMarshaller.h"

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    useTemporaryHome();

    // One bank to be named by chunks.
    QmDataFolders::getBanksFolder().getChildFile ("vorlan.xml").replaceWithText (
        "<bank><name>Vorlan</name><presets><preset><name>default</name><params>0.5</params></preset></presets></bank>");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static FakePresetClient client;
    static QmBankManager manager (&client);

    juce::MemoryInputStream probe (data, size, false);
    const bool readable = XMLMarshaller().parse (probe, PresetMarshaller::maxStateBytes) != nullptr;

    const auto values = client.values;
    const auto bank = client.properties["currentBank"], preset = client.properties["currentPreset"];

    manager.setState (data, (int) size);

    // A refused chunk changes nothing.
    if (! readable)
        require (client.values == values && client.properties["currentBank"] == bank
                 && client.properties["currentPreset"] == preset);

    // Whatever was loaded is saved as a chunk that reads back.
    juce::MemoryBlock state;
    manager.getState (state);
    juce::MemoryInputStream in (state, false);
    require (XMLMarshaller().parse (in, PresetMarshaller::maxStateBytes) != nullptr);
    return 0;
}
