#pragma once

#include "QmBank.h"

/** Called after a preset was loaded, with the context pointer given when it was set. */
using QmPresetLoadedCallback = void (*) (void* context, QmPreset* preset);

/** The bank manager as the preset browser and the editor see it.

    Returned banks and presets are plain pointers that stay valid until the next
    change of the bank list (create, delete, import and every reload). A change
    of a bank that another instance wrote meanwhile reads it again first: its
    presets no longer in the file leave it (listeners get bankReloaded). A
    change that finds its bank's file removed fails, and the bank leaves the
    list (listeners get bankRemoved).
*/
class QmBankCollection
{
public:
    virtual bool createBank (juce::String name) = 0;
    virtual bool deleteBank (QmBank* bank) = 0;
    virtual bool saveBank (QmBank* bank) = 0;
    virtual bool importBank (juce::File file) = 0;
    virtual QmBank* getBank (juce::String name) = 0;
    virtual QmPreset* findPreset (juce::String bankName, juce::String presetName) = 0;
    virtual QmBank* getBankAt (int index) = 0;
    virtual juce::Array<QmBank*> getBanks() = 0;
    virtual void loadPreset (QmPreset* preset) = 0;
    virtual void setPresetLoadedCallback (QmPresetLoadedCallback callback, void* context) = 0;

    /** Why the last change of a bank or preset failed (create, delete, save,
        import, or a change a bank reported), then empty until the next failure.
        A failed change is not kept in memory either. */
    virtual juce::String takeLastFailure() = 0;

    /** The file names of the bank files that could not be read when the banks
        were listed, each given once; they are not listed. */
    virtual juce::StringArray takeSkippedBankFiles() = 0;

    /** Held by every bank operation; whoever reads or writes the client's
        "currentBank" and "currentPreset" holds it too, because the host's
        state calls write them from another thread. */
    virtual const juce::CriticalSection& getLock() const noexcept = 0;

protected:
    ~QmBankCollection() = default;
};
