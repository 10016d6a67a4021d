#pragma once

#include "QmBankCollection.h"
#include "QmPresetClient.h"

#include <unordered_map>
#include <unordered_set>

/** Owns every bank: the user banks, one per XML file in the Banks folder, and
    the system banks "All" and "Favourites" built in memory from them.

    The current preset is not held here: it is the pair of client properties
    "currentBank" and "currentPreset" that loadPreset writes.

    Every public operation takes the manager's lock, so the host's state calls,
    which arrive on a host thread, never interleave with the message thread's
    bank work. The audio thread never calls in.

    Other instances (in this process or another) may write the same files: a
    change of a bank takes a lock file beside the Banks folder, reads the bank
    again when its file changed since this instance read it, and applies the
    one change to what is there now. A change that cannot be written is not
    kept in memory either. A new preset never takes the place of one of its
    name that another instance saved meanwhile; a bank whose file another
    instance removed leaves the list. Removing a file takes the lock too.
*/
class QmBankManager : public PresetListener,
                      public QmBankCollection
{
public:
    explicit QmBankManager (QmPresetClient* client);
    ~QmBankManager() override;

    //==============================================================================
    bool createBank (juce::String name) override;
    bool deleteBank (QmBank* bank) override;

    /** Writes the bank as it is; when another instance changed its file since,
        the bank takes the file's content instead and that is written. */
    bool saveBank (QmBank* bank) override;

    /** Copies a bank file into the Banks folder under its own file name. A bank
        whose name is taken already (ignoring case) or empty is listed under the
        file's name instead. True when a bank was added; false when the file name
        is taken in the Banks folder (ignoring case), the file is no bank (a
        "bank" element with a "presets" list), both names are taken, or it
        cannot be written. */
    bool importBank (juce::File file) override;

    QmBank* getBank (juce::String name) override;
    QmPreset* findPreset (juce::String bankName, juce::String presetName) override;
    QmBank* getBankAt (int index) override;
    juce::Array<QmBank*> getBanks() override;
    void loadPreset (QmPreset* preset) override;
    void setPresetLoadedCallback (QmPresetLoadedCallback callback, void* context) override;
    juce::String takeLastFailure() override;
    juce::StringArray takeSkippedBankFiles() override;

    //==============================================================================
    /** Loads the preset beside the current one in its own bank (-1 previous, +1
        next); null, loading nothing, when there is none. */
    QmPreset* stepPreset (int delta);

    /** Loads "default" of the bank "Vorlan", or that bank's first preset when it
        has no "default"; null, loading nothing, when the bank is missing or empty. */
    QmPreset* loadStartupPreset();

    /** The host state chunk: the current values as one preset element with the
        current bank's name. */
    void getState (juce::MemoryBlock& block);

    /** Loads a chunk written by getState; anything unreadable changes nothing. */
    void setState (const void* data, int size);

    //==============================================================================
    void presetLoaded (QmPreset* preset) override;
    void presetAdded (QmBank* bank, juce::String presetName) override;
    void presetRemoved (QmBank* bank, juce::String presetName) override;
    void presetChanged (QmPreset* preset) override;
    void presetFavouriteChanged (QmPreset* preset, bool fav) override;

    /** Listeners told of loaded, added and removed presets and banks. */
    void addListener (PresetListener* listener);
    void removeListener (PresetListener* listener);

    //==============================================================================
    void reloadBanks();
    void rebuildSystemBanks();
    std::unique_ptr<QmBank> loadBankFile (const juce::File& file);

    /** A bank read from an untrusted document; null when it is refused or its
        root has no child element. */
    static std::unique_ptr<QmBank> readBank (juce::InputStream& input);
    juce::Result createBankFile (juce::String name);
    juce::Result deleteBankFile (juce::String name);

    /** Gives the named preset of the named user bank the current parameter
        values and tags and rewrites the bank's file. */
    juce::Result savePreset (juce::String bankName, juce::String presetName, juce::Array<int> tags);
    juce::Result saveBankOfPreset (QmPreset* preset);
    juce::Array<float> collectParameterValues();

    /** The text after the last path separator and before the last ".xml". */
    static juce::String bankNameFromFileName (juce::String path);

    /** The one place that decides which file a bank lives in: the file it was
        read from, or for a bank not read from disk its lower-cased name + ".xml".
        An invalid File when that would not be a plain file directly inside the
        Banks folder (an empty name, separators, a leading "~"), or when a new
        bank's file name is taken already (ignoring case). */
    juce::File getBankFile (const QmBank& bank) const;

    juce::File getBanksFolder() const       { return banksFolder; }
    const juce::CriticalSection& getLock() const noexcept override  { return lock; }

    static constexpr const char* systemBankMessage = "Saving system bank";

private:
    bool isListed (const QmBank* bank) const;

    /** Whether the client's "currentBank" names the bank (ignoring case). */
    bool isCurrentBank (const QmBank& bank) const;

    /** After the current preset or bank went: loads the preset at position
        in the named bank, or its last one when position is past the end; with
        that bank gone or empty, the first preset of the first user bank that
        has one. With no preset left, nothing is current: both names are
        cleared and the preset-loaded callback gets null. */
    void replaceCurrent (const juce::String& bankName, int position);

    /** Under the folder lock: brings the bank up to date with its file when
        that changed on disk, applies change to it and writes it; a check,
        when given, may refuse the change first. On failure the bank holds
        what its file holds; a bank whose file is gone leaves the list. */
    juce::Result changeBank (QmBank& bank, const std::function<void (QmBank&)>& change,
                             const std::function<juce::Result (const QmBank&)>& check = {});

    /** Replaces the bank's presets with those of its file; false, changing
        nothing, when the file cannot be read. */
    bool rereadBank (QmBank& bank);

    /** Whether the bank was read from a file that is no longer there. */
    bool isFileGone (const QmBank& bank) const;

    /** Takes the bank out of the list and the system banks, loading another
        preset when it held the current one. The bank itself lives on until
        the manager goes: it may be telling its listeners of the change that
        found its file gone. */
    void unlistBank (QmBank& bank);

    /** Gives the preset the current values, tags and name and writes it into
        the bank as its file holds it now. A new one is refused when the file
        has a preset of its name by then: one another instance saved meanwhile
        is never written over. */
    juce::Result storePreset (QmBank& bank, const QmPreset::Ptr& preset, const juce::String& presetName,
                              const juce::Array<int>& tags, bool isNew);

    juce::Result importBankFile (const juce::File& file);

    /** Keeps the result's message for takeLastFailure; true when it is ok. */
    bool report (const juce::Result& result);

    /** wanted, or wanted followed by " (2)", " (3)"...: the first no bank has. */
    juce::String unusedBankName (const juce::String& wanted);
    juce::File findFileIgnoringCase (const juce::String& fileName) const;
    void callListeners (std::function<void (PresetListener&)> call);

    /** Appends a bank read from its file, under a name of its own when its
        name is listed already. */
    void listBank (std::unique_ptr<QmBank> bank);

    /** getBank's index: every change of the bank list keeps it up to date. */
    void indexBank (QmBank* bank);
    void reindexBanks();

    juce::CriticalSection lock;
    juce::Array<PresetListener*> listeners;
    juce::File banksFolder;
    QmPresetClient* client = nullptr;
    juce::OwnedArray<QmBank> banks;
    juce::OwnedArray<QmBank> unlistedBanks;
    QmBank* allBank = nullptr;
    QmBank* favouritesBank = nullptr;
    juce::String lastFailure;
    std::unordered_map<juce::String, QmBank*> banksByName;    // upper-cased name -> first bank of it
    juce::StringArray skippedFiles;                            // unreadable bank files not named yet, full paths
    std::unordered_set<juce::String> toldSkippedFiles;         // and those named already
    QmPresetLoadedCallback presetLoadedCallback = nullptr;
    void* presetLoadedContext = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QmBankManager)
};
