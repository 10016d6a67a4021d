// Bank files: what the Banks folder or an imported file may hold.
#include "FuzzSetup.h"
#include "QmBankManager.h"
#include "XMLMarshaller.h"

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    useTemporaryHome();
    return 0;
}

/** Text as it reads back: XML turns every line break into "\n". */
static juce::String asReadBack (const juce::String& text)
{
    return text.replace ("\r\n", "\n").replaceCharacter ('\r', '\n');
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    juce::MemoryInputStream in (data, size, false);
    auto bank = QmBankManager::readBank (in);

    if (bank == nullptr)
        return 0;

    // A bank we read is written as a file that reads back with its presets,
    // named as they were (their line breaks are line feeds already).
    // Nothing read is ever refused for writing.
    XMLMarshaller marshaller;
    juce::MemoryOutputStream out;
    const auto element = marshaller.bankToXml (bank.get());
    marshaller.write (element.get(), out, marshaller.getDTD());
    require (PresetMarshaller::isReadableBank (*element, (juce::int64) out.getDataSize()));

    juce::MemoryInputStream written (out.getData(), out.getDataSize(), false);
    auto again = QmBankManager::readBank (written);
    require (again != nullptr && again->name == asReadBack (bank->name));
    require (again->presets.size() == bank->presets.size());

    for (int i = 0; i < bank->presets.size(); ++i)
        require (again->presets[i]->name == bank->presets[i]->name);

    return 0;
}
