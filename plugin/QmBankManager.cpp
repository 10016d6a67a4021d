#include "QmBankManager.h"

#include "QmDataFolders.h"
#include "QmFileWriter.h"
#include "QmFolderLock.h"
#include "QmXmlReader.h"
#include "XMLMarshaller.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    const char* const bankFileExtension = ".xml";

    bool isBankFileName (const juce::String& fileName)
    {
        return fileName.endsWithIgnoreCase (bankFileExtension);
    }

    /** A bank as written to its file; empty when no reader would take it back. */
    juce::MemoryBlock bankDocument (QmBank& bank)
    {
        XMLMarshaller marshaller;
        auto element = marshaller.bankToXml (&bank);

        juce::MemoryOutputStream out;
        marshaller.write (element.get(), out, marshaller.getDTD());

        if (! PresetMarshaller::isReadableBank (*element, (juce::int64) out.getDataSize()))
            return {};

        return out.getMemoryBlock();
    }

    bool hasTooManyPresets (const QmBank& bank)
    {
        return bank.presets.size() > PresetMarshaller::maxBankPresets;
    }

    /** Changes whenever any instance writes the file: a write renames a new
        file into place, so its inode, size and times differ. Empty when missing. */
    juce::String fileStamp (const juce::File& file)
    {
        struct stat s {};

        if (::stat (file.getFullPathName().toRawUTF8(), &s) != 0)
            return {};

        juce::StringArray parts;

        for (auto n : { (juce::int64) s.st_dev, (juce::int64) s.st_ino, (juce::int64) s.st_size,
                        (juce::int64) s.st_mtim.tv_sec, (juce::int64) s.st_mtim.tv_nsec,
                        (juce::int64) s.st_ctim.tv_sec, (juce::int64) s.st_ctim.tv_nsec })
            parts.add (juce::String (n));

        return parts.joinIntoString (":");
    }

    /** Made read-only by the user: no write permission bit left (which root
        would ignore), or none for this user. */
    bool isReadOnly (const juce::File& file)
    {
        struct stat s {};
        const auto path = file.getFullPathName().toRawUTF8();
        return ::stat (path, &s) == 0 && ((s.st_mode & 0222) == 0 || ::access (path, W_OK) != 0);
    }

    /** Puts the preset into the bank, in place of one of its name or last. */
    void putPreset (QmBank& bank, QmPreset* preset)
    {
        if (! bank.presets.contains (preset))
        {
            const auto index = bank.presets.indexOf (bank.findPresetByName (preset->name));

            if (index >= 0)
                bank.presets.set (index, preset);
            else
                bank.presets.add (preset);
        }

        preset->bank = &bank;
    }

    juce::Result fail (const juce::String& message)     { return juce::Result::fail (message); }

    const char* const cannotWrite = "The bank file cannot be written";
    const char* const fileGone = "The bank file no longer exists";
    const char* const tooLarge = "The bank would grow too large to be read again; the change is not saved";
}

//==============================================================================
QmBankManager::QmBankManager (QmPresetClient* presetClient)
    : banksFolder (QmDataFolders::getBanksFolder()),
      client (presetClient)
{
    reloadBanks();
}

QmBankManager::~QmBankManager()
{
    const juce::ScopedLock sl (lock);
    banks.clear (true);
}

//==============================================================================
void QmBankManager::reloadBanks()
{
    const juce::ScopedLock sl (lock);

    banks.clear (true);
    banksByName.clear();
    skippedFiles.clear();

    auto* favourites = new QmBank();
    favourites->name = "Favourites";
    favourites->isSystem = true;
    favourites->addListener (this);

    auto* all = new QmBank();
    all->name = "All";
    all->isSystem = true;
    all->addListener (this);

    banks.add (all);
    banks.add (favourites);
    allBank = all;
    favouritesBank = favourites;
    indexBank (all);
    indexBank (favourites);

    for (const auto& entry : juce::RangedDirectoryIterator (banksFolder, false, "*", juce::File::findFiles))
    {
        const auto file = entry.getFile();

        if (! isBankFileName (file.getFileName()))
            continue;

        auto bank = loadBankFile (file);

        if (bank == nullptr)
        {
            std::printf ("Vorlan: cannot read the bank file %s; it is skipped\n", file.getFullPathName().toRawUTF8());
            std::fflush (stdout);

            // The browser names it once.
            if (toldSkippedFiles.count (file.getFullPathName()) == 0)
                skippedFiles.add (file.getFullPathName());

            continue;
        }

        listBank (std::move (bank));
    }

    rebuildSystemBanks();
}

void QmBankManager::listBank (std::unique_ptr<QmBank> bank)
{
    // Names must stay unique (ignoring case) for lookups by name: a second
    // file holding a listed name is listed under a name of its own.
    if (getBank (bank->name) != nullptr)
        bank->name = unusedBankName (PresetMarshaller::writableName (bankNameFromFileName (bank->file.getFullPathName())));

    indexBank (bank.get());
    banks.add (bank.release());
}

void QmBankManager::indexBank (QmBank* bank)
{
    // The first bank of a name keeps it, as a scan of the list would find it.
    banksByName.emplace (bank->name.toUpperCase(), bank);
}

juce::StringArray QmBankManager::takeSkippedBankFiles()
{
    const juce::ScopedLock sl (lock);

    juce::StringArray names;

    for (auto& path : skippedFiles)
    {
        toldSkippedFiles.insert (path);
        names.add (juce::File (path).getFileName());
    }

    skippedFiles.clear();
    return names;
}

void QmBankManager::rebuildSystemBanks()
{
    const juce::ScopedLock sl (lock);

    if (allBank == nullptr || favouritesBank == nullptr)
        return;

    allBank->presets.clear();
    favouritesBank->presets.clear();

    for (auto* bank : banks)
    {
        if (bank->isSystem)
            continue;

        for (auto* preset : bank->presets)
        {
            allBank->presets.add (preset);

            if (preset->fav)
                favouritesBank->presets.add (preset);
        }
    }
}

std::unique_ptr<QmBank> QmBankManager::readBank (juce::InputStream& in)
{
    XMLMarshaller marshaller;
    auto root = marshaller.parseBank (in);

    if (root == nullptr)
        return {};

    for (auto* child : root->getChildIterator())
    {
        if (! child->isTextElement())
        {
            auto bank = marshaller.bankFromXml (root.get());
            return hasTooManyPresets (*bank) ? nullptr : std::move (bank);
        }
    }

    return {};
}

juce::String QmBankManager::unusedBankName (const juce::String& wanted)
{
    const juce::ScopedLock sl (lock);

    auto name = wanted;

    for (int n = 2; getBank (name) != nullptr; ++n)
        name = wanted + " (" + juce::String (n) + ")";

    return name;
}

std::unique_ptr<QmBank> QmBankManager::loadBankFile (const juce::File& file)
{
    // A FIFO named like a bank would block here for good.
    if (! QmXmlReader::isRegularFile (file))
        return {};

    // Taken first: a write by another instance while this reads shows as a change.
    const auto stamp = fileStamp (file);
    juce::FileInputStream in (file);

    if (! in.openedOk())
        return {};

    auto bank = readBank (in);

    if (bank != nullptr)
    {
        bank->file = file;
        bank->fileStamp = stamp;
        bank->addListener (this);
    }

    return bank;
}

//==============================================================================
juce::File QmBankManager::getBankFile (const QmBank& bank) const
{
    if (bank.file != juce::File())
        return bank.file.getParentDirectory() == banksFolder ? bank.file : juce::File();

    const auto& name = bank.name;

    if (name.trim().isEmpty() || name.containsAnyOf ("/\\") || name.startsWithChar ('~'))
        return {};

    for (auto p = name.getCharPointer(); ! p.isEmpty(); ++p)
        if (*p < 0x20)
            return {};

    const auto fileName = name.toLowerCase() + bankFileExtension;
    const auto file = banksFolder.getChildFile (fileName);

    if (file.getParentDirectory() != banksFolder || file.getFileName() != fileName)
        return {};

    // A bank never takes over a file that is there already, whoever's it is.
    if (findFileIgnoringCase (fileName) != juce::File())
        return {};

    return file;
}

juce::File QmBankManager::findFileIgnoringCase (const juce::String& fileName) const
{
    for (const auto& entry : juce::RangedDirectoryIterator (banksFolder, false, "*",
                                                            juce::File::findFilesAndDirectories))
        if (entry.getFile().getFileName().equalsIgnoreCase (fileName))
            return entry.getFile();

    return {};
}

bool QmBankManager::isListed (const QmBank* bank) const
{
    return bank != nullptr && banks.contains (bank);
}

bool QmBankManager::isCurrentBank (const QmBank& bank) const
{
    return client != nullptr && client->getProperties()["currentBank"].equalsIgnoreCase (bank.name);
}

void QmBankManager::replaceCurrent (const juce::String& bankName, int position)
{
    QmPreset::Ptr next;

    if (auto* bank = getBank (bankName); bank != nullptr && ! bank->isSystem && ! bank->presets.isEmpty())
        next = bank->presets[juce::jmin (position, bank->presets.size() - 1)];

    for (auto* bank : banks)
        if (next == nullptr && ! bank->isSystem && ! bank->presets.isEmpty())
            next = bank->presets.getFirst();

    if (next != nullptr)
    {
        loadPreset (next.get());
        return;
    }

    if (client != nullptr)
    {
        auto& properties = client->getProperties();
        properties.set ("currentBank", juce::String());
        properties.set ("currentPreset", juce::String());
    }

    if (presetLoadedCallback != nullptr)
        presetLoadedCallback (presetLoadedContext, nullptr);
}

//==============================================================================
bool QmBankManager::createBank (juce::String name)
{
    const juce::ScopedLock sl (lock);

    name = PresetMarshaller::writableName (name);

    if (getBank (name) != nullptr)
        return report (fail ("There is a bank of that name already"));

    return report (createBankFile (name));
}

juce::Result QmBankManager::createBankFile (juce::String name)
{
    const juce::ScopedLock sl (lock);

    QmBank bank;
    bank.name = PresetMarshaller::writableName (name);
    const QmFolderLock folderLock (banksFolder.getParentDirectory());
    const auto file = getBankFile (bank);

    if (file == juce::File())
        return juce::Result::fail ("The bank name cannot be used as a file name, or its file exists already");

    const auto document = bankDocument (bank);

    if (! writeFileAtomically (file, document.getData(), document.getSize()))
        return fail (cannotWrite);

    // Only the new bank is read; the others are as they were.
    auto created = loadBankFile (file);

    if (created == nullptr)
        return fail ("The new bank file cannot be read");

    listBank (std::move (created));
    return juce::Result::ok();
}

bool QmBankManager::deleteBank (QmBank* bank)
{
    const juce::ScopedLock sl (lock);

    if (! isListed (bank) || bank->isSystem || getBank (bank->name) != bank)
        return report (fail ("There is no such bank"));

    if (! report (deleteBankFile (bank->name)))
        return false;

    unlistBank (*bank);
    return true;
}

juce::Result QmBankManager::deleteBankFile (juce::String name)
{
    const juce::ScopedLock sl (lock);

    auto* bank = getBank (name);

    if (bank == nullptr || bank->isSystem)
        return juce::Result::fail ("There is no such bank");

    const auto file = getBankFile (*bank);

    if (file == juce::File())
        return juce::Result::fail ("The bank has no file in the Banks folder");

    // Not between another instance's look at the file and its write, which
    // would bring the file back.
    const QmFolderLock folderLock (banksFolder.getParentDirectory());

    if (file.exists() && ! file.deleteFile())
        return juce::Result::fail ("The bank file cannot be deleted");

    return juce::Result::ok();
}

void QmBankManager::unlistBank (QmBank& bank)
{
    const juce::ScopedLock sl (lock);

    if (! isListed (&bank) || bank.isSystem)
        return;

    const auto name = bank.name;
    const auto wasCurrent = isCurrentBank (bank);
    unlistedBanks.add (banks.removeAndReturn (banks.indexOf (&bank)));
    reindexBanks();
    rebuildSystemBanks();

    if (wasCurrent)
        replaceCurrent ({}, 0);

    callListeners ([&name] (PresetListener& l) { l.bankRemoved (name); });
}

bool QmBankManager::isFileGone (const QmBank& bank) const
{
    return bank.file != juce::File() && ! bank.file.existsAsFile();
}

bool QmBankManager::saveBank (QmBank* bank)
{
    const juce::ScopedLock sl (lock);

    if (! isListed (bank))
        return report (fail ("There is no such bank"));

    return report (changeBank (*bank, [] (QmBank&) {}));
}

juce::Result QmBankManager::changeBank (QmBank& bank, const std::function<void (QmBank&)>& change,
                                        const std::function<juce::Result (const QmBank&)>& check)
{
    const juce::ScopedLock sl (lock);

    if (bank.isSystem)
        return fail (systemBankMessage);

    const auto file = getBankFile (bank);

    if (file == juce::File())
        return fail ("The bank name cannot be used as a file name, or its file exists already");

    const QmFolderLock folderLock (banksFolder.getParentDirectory());
    auto result = juce::Result::ok();
    const auto gone = isFileGone (bank);

    if (gone)
        result = fail (fileGone);
    else if (isReadOnly (file))
        result = fail ("The bank file is read-only");
    else if (bank.file != juce::File() && fileStamp (file) != bank.fileStamp && ! rereadBank (bank))
        result = fail ("The bank file cannot be read");

    if (result.wasOk() && check)
        result = check (bank);

    if (result.wasOk())
    {
        change (bank);
        bank.renumberPresets();
        const auto document = bankDocument (bank);

        if (document.isEmpty())
        {
            result = fail (tooLarge);
        }
        else if (writeFileAtomically (file, document.getData(), document.getSize()))
        {
            bank.file = file;
            bank.fileStamp = fileStamp (file);
        }
        else
        {
            result = fail (cannotWrite);
        }
    }

    // The caller may have changed the bank before: what is shown is what is stored.
    if (result.failed())
        rereadBank (bank);

    rebuildSystemBanks();

    // Another instance removed it: gone here too.
    if (gone)
        unlistBank (bank);

    return result;
}

bool QmBankManager::rereadBank (QmBank& bank)
{
    const juce::ScopedLock sl (lock);

    auto fresh = bank.file != juce::File() ? loadBankFile (bank.file) : nullptr;

    if (fresh == nullptr)
        return false;

    // A preset still there keeps its object, with the file's values, so
    // pointers to it stay good; the others go with fresh. Whoever still holds
    // one of those holds a preset of no list, whose bank is still this one.
    std::unordered_map<juce::String, QmPreset*> kept;

    for (auto* preset : bank.presets)
        kept.emplace (preset->name, preset);

    for (int i = 0; i < fresh->presets.size(); ++i)
    {
        auto* read = fresh->presets.getObjectPointerUnchecked (i);

        if (const auto found = kept.find (read->name); found != kept.end())
        {
            auto* preset = found->second;
            preset->tags = read->tags;
            preset->params = read->params;
            preset->uuid = read->uuid;
            preset->fav = read->fav;
            preset->version = read->version;
            preset->pluginVersion = read->pluginVersion;
            fresh->presets.set (i, preset);
        }
    }

    bank.presets.swapWith (fresh->presets);

    for (auto* preset : bank.presets)
        preset->bank = &bank;

    bank.renumberPresets();
    bank.fileStamp = fresh->fileStamp;
    rebuildSystemBanks();

    const auto name = bank.name;
    callListeners ([&name] (PresetListener& l) { l.bankReloaded (name); });
    return true;
}

bool QmBankManager::report (const juce::Result& result)
{
    const juce::ScopedLock sl (lock);
    lastFailure = result.getErrorMessage();
    return result.wasOk();
}

juce::String QmBankManager::takeLastFailure()
{
    const juce::ScopedLock sl (lock);
    return std::exchange (lastFailure, {});
}

bool QmBankManager::importBank (juce::File file)
{
    const juce::ScopedLock sl (lock);

    // Brings back the Banks folder (with the factory bank) if the user removed it.
    QmDataFolders::getBanksFolder();

    return report (importBankFile (file));
}

juce::Result QmBankManager::importBankFile (const juce::File& file)
{
    const juce::ScopedLock sl (lock);

    // Files that would not be listed, or whose name (in any letter case) is taken.
    const auto fileName = PresetMarshaller::writableName (file.getFileName());

    if (! isBankFileName (fileName) || ! QmXmlReader::isRegularFile (file))
        return fail ("Only a bank file ending in .xml can be imported");

    const QmFolderLock folderLock (banksFolder.getParentDirectory());

    if (findFileIgnoringCase (fileName) != juce::File())
        return fail ("The Banks folder holds a file named " + fileName + " already");

    juce::MemoryBlock data;

    {
        juce::FileInputStream in (file);

        if (! in.openedOk() || in.getTotalLength() > PresetMarshaller::maxBankBytes)
            return fail ("The file cannot be read");

        in.readIntoMemoryBlock (data);
    }

    // A bank element with a list of presets, nothing else.
    XMLMarshaller marshaller;
    juce::MemoryInputStream source (data, false);
    const auto root = marshaller.parseBank (source);

    if (root == nullptr || ! root->getTagName().equalsIgnoreCase ("bank") || marshaller.getChildByName (root.get(), "presets") == nullptr)
        return fail ("The file is not a bank");

    auto bank = marshaller.bankFromXml (root.get());

    if (hasTooManyPresets (*bank))
        return fail ("The bank holds more than " + juce::String (PresetMarshaller::maxBankPresets) + " presets");

    const auto target = banksFolder.getChildFile (fileName);
    bool written = false;

    if (bank->name.trim().isEmpty() || getBank (bank->name) != nullptr)
    {
        // Listed under its file's name instead; that name must be free as well.
        bank->name = bankNameFromFileName (target.getFullPathName());

        if (bank->name.trim().isEmpty() || getBank (bank->name) != nullptr)
            return fail ("There is a bank named " + bank->name + " already");

        const auto document = bankDocument (*bank);

        if (document.isEmpty())
            return fail (tooLarge);

        written = writeFileAtomically (target, document.getData(), document.getSize());
    }
    else
    {
        written = writeFileAtomically (target, data.getData(), data.getSize());
    }

    if (! written)
        return fail (cannotWrite);

    reloadBanks();

    const auto addedName = bankNameFromFileName (target.getFullPathName());
    callListeners ([&addedName] (PresetListener& l) { l.bankAdded (addedName); });
    return juce::Result::ok();
}

juce::String QmBankManager::bankNameFromFileName (juce::String path)
{
    const auto separator = juce::jmax (path.lastIndexOfChar ('/'), path.lastIndexOfChar ('\\'));
    const auto fileName = path.substring (separator + 1);
    const auto extension = fileName.lastIndexOfIgnoreCase (bankFileExtension);
    return extension >= 0 ? fileName.substring (0, extension) : fileName;
}

//==============================================================================
QmBank* QmBankManager::getBank (juce::String name)
{
    const juce::ScopedLock sl (lock);

    // Upper-casing each character is how names compare ignoring case.
    const auto found = banksByName.find (name.toUpperCase());

    if (found == banksByName.end())
        return nullptr;

    // A bank renamed since it was indexed: the index is made afresh.
    if (! found->second->name.equalsIgnoreCase (name))
    {
        reindexBanks();
        const auto again = banksByName.find (name.toUpperCase());
        return again != banksByName.end() ? again->second : nullptr;
    }

    return found->second;
}

void QmBankManager::reindexBanks()
{
    banksByName.clear();

    for (auto* bank : banks)
        indexBank (bank);
}

QmPreset* QmBankManager::findPreset (juce::String bankName, juce::String presetName)
{
    const juce::ScopedLock sl (lock);

    if (auto* bank = getBank (bankName))
        return bank->findPresetByName (presetName);

    return nullptr;
}

QmBank* QmBankManager::getBankAt (int index)
{
    const juce::ScopedLock sl (lock);

    if (banks.isEmpty())
        return nullptr;

    return banks.getUnchecked (juce::jlimit (0, banks.size() - 1, index));
}

juce::Array<QmBank*> QmBankManager::getBanks()
{
    const juce::ScopedLock sl (lock);

    juce::Array<QmBank*> result;

    for (auto* bank : banks)
        result.add (bank);

    return result;
}

void QmBankManager::loadPreset (QmPreset* preset)
{
    const juce::ScopedLock sl (lock);

    if (preset == nullptr || client == nullptr)
        return;

    const auto count = juce::jmin (client->getNumParameters(), preset->params.size());

    for (int i = 0; i < count; ++i)
    {
        const auto value = preset->params.getUnchecked (i);

        if (std::isfinite (value))
            client->setParameter (i, value);
    }

    auto& properties = client->getProperties();
    properties.set ("currentPreset", preset->name);

    if (preset->bank != nullptr)
        properties.set ("currentBank", preset->bank->name);

    if (presetLoadedCallback != nullptr)
        presetLoadedCallback (presetLoadedContext, preset);
}

void QmBankManager::setPresetLoadedCallback (QmPresetLoadedCallback callback, void* context)
{
    const juce::ScopedLock sl (lock);
    presetLoadedCallback = callback;
    presetLoadedContext = context;
}

//==============================================================================
QmPreset* QmBankManager::stepPreset (int delta)
{
    const juce::ScopedLock sl (lock);

    if (client == nullptr)
        return nullptr;

    auto& properties = client->getProperties();
    auto* current = findPreset (properties["currentBank"], properties["currentPreset"]);

    if (current == nullptr || ! isListed (current->bank))
        return nullptr;

    auto* next = current->bank->presets[current->index - 1 + delta].get();

    if (next != nullptr)
        loadPreset (next);

    return next;
}

QmPreset* QmBankManager::loadStartupPreset()
{
    const juce::ScopedLock sl (lock);

    auto* bank = getBank ("Vorlan");

    if (bank == nullptr || bank->isSystem || bank->presets.isEmpty())
        return nullptr;

    auto* preset = bank->findPresetByName ("default");

    if (preset == nullptr)
        preset = bank->presets.getFirst().get();

    loadPreset (preset);
    return preset;
}

//==============================================================================
void QmBankManager::getState (juce::MemoryBlock& block)
{
    const juce::ScopedLock sl (lock);

    QmPreset::Ptr preset (new QmPreset());
    preset->params = collectParameterValues();

    juce::String bankName;

    if (client != nullptr)
    {
        auto& properties = client->getProperties();
        preset->name = PresetMarshaller::writableName (properties["currentPreset"]).substring (0, PresetMarshaller::maxStateNameLength);
        bankName = PresetMarshaller::writableName (properties["currentBank"]).substring (0, PresetMarshaller::maxStateNameLength);
    }

    XMLMarshaller marshaller;
    auto element = marshaller.presetToXml (preset.get());
    marshaller.setField (element.get(), "bankName", bankName);

    block.reset();
    juce::MemoryOutputStream out (block, false);
    marshaller.write (element.get(), out, marshaller.getDTD());
}

void QmBankManager::setState (const void* data, int size)
{
    const juce::ScopedLock sl (lock);

    if (data == nullptr || size < 1)
        return;

    juce::MemoryInputStream in (data, (size_t) size, false);
    XMLMarshaller marshaller;
    auto root = marshaller.parse (in, PresetMarshaller::maxStateBytes);

    if (root == nullptr)
        return;

    auto preset = marshaller.presetFromXml (root.get());
    const auto bankName = marshaller.getStringField (root.get(), "bankName", {});

    if (bankName.isNotEmpty())
        preset->bank = getBank (bankName);

    loadPreset (preset.get());

    // A bank missing on this machine keeps its name, so the next save of the
    // host's project writes back what it loaded.
    if (bankName.isNotEmpty() && preset->bank == nullptr && client != nullptr)
        client->getProperties().set ("currentBank", bankName);
}

//==============================================================================
juce::Result QmBankManager::savePreset (juce::String bankName, juce::String presetName, juce::Array<int> tags)
{
    const juce::ScopedLock sl (lock);

    presetName = PresetMarshaller::writableName (presetName);
    auto* bank = getBank (bankName);

    if (bank == nullptr)
        return fail ("There is no such bank");

    if (bank->isSystem)
        return fail (systemBankMessage);

    QmPreset::Ptr preset (bank->findPresetByName (presetName));

    if (preset == nullptr)
        return fail ("There is no such preset");

    return storePreset (*bank, preset, presetName, tags, false);
}

juce::Result QmBankManager::storePreset (QmBank& bank, const QmPreset::Ptr& preset, const juce::String& presetName,
                                         const juce::Array<int>& tags, bool isNew)
{
    const juce::ScopedLock sl (lock);

    const auto values = collectParameterValues();
    const auto version = client != nullptr ? client->getPluginVersion() : juce::String();

    const auto result = changeBank (bank, [&] (QmBank& b)
    {
        preset->name = presetName;
        preset->setTags (tags);
        preset->params = values;
        preset->pluginVersion = version;
        putPreset (b, preset.get());
    },
    [&] (const QmBank& b)
    {
        return isNew && b.findPresetByName (presetName) != nullptr
                   ? fail ("Another instance saved a preset of that name meanwhile")
                   : juce::Result::ok();
    });

    if (result.failed())
        return result;

    auto* changed = &bank;
    callListeners ([changed, &presetName] (PresetListener& l) { l.presetAdded (changed, presetName); });
    callListeners ([&preset] (PresetListener& l) { l.presetLoaded (preset.get()); });
    return juce::Result::ok();
}

juce::Result QmBankManager::saveBankOfPreset (QmPreset* preset)
{
    const juce::ScopedLock sl (lock);

    if (preset == nullptr || ! isListed (preset->bank))
        return fail ("The preset is in no bank");

    // Only the mark travels: another instance may have changed the rest.
    const auto name = preset->name;
    const auto fav = preset->fav;
    const auto version = client != nullptr ? client->getPluginVersion() : juce::String();

    return changeBank (*preset->bank, [&] (QmBank& b)
    {
        if (auto* stored = b.findPresetByName (name))
        {
            stored->fav = fav;
            stored->pluginVersion = version;
        }
    });
}

juce::Array<float> QmBankManager::collectParameterValues()
{
    const juce::ScopedLock sl (lock);

    juce::Array<float> values;

    if (client != nullptr)
        for (int i = 0; i < client->getNumParameters(); ++i)
            values.add (client->getParameter (i));

    return values;
}

//==============================================================================
void QmBankManager::presetLoaded (QmPreset* preset)
{
    const juce::ScopedLock sl (lock);

    if (preset != nullptr)
        callListeners ([preset] (PresetListener& l) { l.presetLoaded (preset); });
}

void QmBankManager::presetAdded (QmBank* bank, juce::String presetName)
{
    const juce::ScopedLock sl (lock);

    if (! isListed (bank))
        return;

    if (bank->isSystem)
    {
        report (fail (systemBankMessage));
    }
    else if (QmPreset::Ptr preset = bank->findPresetByName (presetName))
    {
        // Out until the bank as its file holds it now is known to have room for its name.
        bank->presets.removeObject (preset.get());
        report (storePreset (*bank, preset, presetName, preset->getTags(), true));
    }

    rebuildSystemBanks();
}

void QmBankManager::presetRemoved (QmBank* bank, juce::String presetName)
{
    const juce::ScopedLock sl (lock);

    if (! isListed (bank))
        return;

    const auto wasCurrent = ! bank->isSystem && isCurrentBank (*bank) && client->getProperties()["currentPreset"] == presetName;

    // The bank tells its listeners before it renumbers: the first preset whose
    // index is off by one stands where the removed one stood.
    int position = 0;

    if (wasCurrent)
        while (position < bank->presets.size() && bank->presets.getUnchecked (position)->index == position + 1)
            ++position;

    if (! bank->isSystem)
        report (changeBank (*bank, [&presetName] (QmBank& b) { b.presets.removeObject (b.findPresetByName (presetName)); }));

    rebuildSystemBanks();

    // A removal that failed left the preset in its bank, and current; a bank
    // whose file was gone made another current as it left.
    if (wasCurrent && isListed (bank) && bank->findPresetByName (presetName) == nullptr)
        replaceCurrent (bank->name, position);
}

void QmBankManager::presetChanged (QmPreset* preset)
{
    const juce::ScopedLock sl (lock);

    if (preset == nullptr || ! isListed (preset->bank))
        return;

    const QmPreset::Ptr keep (preset);

    if (report (savePreset (preset->bank->name, preset->name, preset->getTags())))
        loadPreset (preset);

    rebuildSystemBanks();
}

void QmBankManager::presetFavouriteChanged (QmPreset* preset, bool fav)
{
    const juce::ScopedLock sl (lock);

    if (preset == nullptr)
        return;

    const QmPreset::Ptr keep (preset);
    preset->fav = fav;
    report (saveBankOfPreset (preset));
    rebuildSystemBanks();
}

//==============================================================================
void QmBankManager::addListener (PresetListener* listener)
{
    const juce::ScopedLock sl (lock);

    if (listener != nullptr)
        listeners.addIfNotAlreadyThere (listener);
}

void QmBankManager::removeListener (PresetListener* listener)
{
    const juce::ScopedLock sl (lock);
    listeners.removeFirstMatchingValue (listener);
}

void QmBankManager::callListeners (std::function<void (PresetListener&)> call)
{
    for (auto* listener : juce::Array<PresetListener*> (listeners))
        call (*listener);
}
