#pragma once

#include "BankPopover.h"
#include "BrowserRowCell.h"
#include "PresetsList.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "plugin/FakePresetClient.h"

#include <gtest/gtest.h>

#include <thread>

/** Answers the browser's questions without a window: each request waits until
    the test answers it. */
struct FakeDialogs : BrowserDialogs
{
    struct Question { juce::String title, message; juce::Component* associated; std::function<void (bool)> answer; };

    void confirm (const juce::String& title, const juce::String& message, juce::Component* associated,
                  std::function<void (bool)> onResult) override
    {
        questions.push_back ({ title, message, associated, std::move (onResult) });
    }

    void chooseFile (const juce::String& title, const juce::File& folder, const juce::String& patterns,
                     std::function<void (const juce::File&)> onChosen) override
    {
        chooserTitle = title + " " + folder.getFullPathName() + " " + patterns;
        choose = std::move (onChosen);
    }

    /** Answers the oldest open question. */
    void answer (bool ok)
    {
        auto question = std::move (questions.front());
        questions.erase (questions.begin());
        question.answer (ok);
    }

    std::vector<Question> questions;
    juce::String chooserTitle;
    std::function<void (const juce::File&)> choose;
};

/** A bank manager over a Banks folder of known files, a fake plug-in and a
    browser whose dialogs the test answers. */
class BrowserTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        banks().deleteRecursively();
        banks().createDirectory();
        writeBank ("synths.xml", "Synths", { { "Bass", "false", "1,4" }, { "Lead", "true", "" }, { "Pad", "false", "" } });
        writeBank ("keys.xml", "Keys", { { "Organ", "false", "" }, { "Bass", "false", "" } });
        manager = std::make_unique<QmBankManager> (&client);
    }

    void TearDown() override
    {
        popover.reset();
        manager.reset();
        banks().deleteRecursively();    // the next user of this HOME gets the factory bank again
    }

    struct PresetText { const char* name; const char* fav; const char* tags; };

    static juce::File banks()       { return QmDataFolders::getUserDataFolder().getChildFile ("Banks"); }

    static void writeBank (const juce::String& fileName, const juce::String& name, std::vector<PresetText> presets)
    {
        juce::String text ("<bank><name>" + name + "</name><presets>");
        for (auto& p : presets)
            text << "<preset><name>" << p.name << "</name><fav>" << p.fav << "</fav><tags>" << p.tags
                 << "</tags><params>0.25,0.75</params></preset>";
        banks().getChildFile (fileName).replaceWithText (text + "</presets></bank>");
    }

    void setCurrent (const juce::String& bank, const juce::String& preset)
    {
        client.properties.set ("currentBank", bank);
        client.properties.set ("currentPreset", preset);
    }

    BankPopover& open()
    {
        popover = std::make_unique<BankPopover> (manager.get(), &client);
        auto fake = std::make_unique<FakeDialogs>();
        dialogs = fake.get();
        popover->setDialogs (std::move (fake));
        content = popover->createContainer();
        return *popover;
    }

    static void pump()      { juce::MessageManager::getInstance()->runDispatchLoopUntil (20); }

    template <typename Type>
    static Type* find (juce::Component& root, std::function<bool (Type&)> matches)
    {
        for (auto* child : root.getChildren())
        {
            if (auto* typed = dynamic_cast<Type*> (child); typed != nullptr && matches (*typed))
                return typed;

            if (auto* found = find<Type> (*child, matches))
                return found;
        }

        return nullptr;
    }

    static juce::TextButton& button (juce::Component& root, const juce::String& text)
    {
        auto* found = find<juce::TextButton> (root, [&] (auto& b) { return b.getButtonText() == text; });
        if (found == nullptr)
            throw std::runtime_error (("no button " + text).toStdString());
        return *found;
    }

    static void click (juce::Component& root, const juce::String& text)
    {
        auto& b = button (root, text);
        dynamic_cast<juce::Button::Listener*> (&root)->buttonClicked (&b);
    }

    static juce::StringArray rowTexts (juce::ListBox& list)
    {
        juce::StringArray texts;
        for (int row = 0; row < list.getModel()->getNumRows(); ++row)
            if (auto* cell = dynamic_cast<BrowserRowCell*> (list.getComponentForRowNumber (row)))
                texts.add (cell->getNameButton().getButtonText());
        return texts;
    }

    /** The row showing text (the directory listing decides the order of banks). */
    static int rowOf (juce::ListBox& list, const juce::String& text)    { return rowTexts (list).indexOf (text); }

    template <typename Cell>
    static Cell& cellAt (juce::ListBox& list, int row)
    {
        return *dynamic_cast<Cell*> (list.getComponentForRowNumber (row));
    }

    static juce::StringArray bankNames (QmBankManager& m)
    {
        juce::StringArray names;
        for (auto* bank : m.getBanks())
            names.add (bank->name);
        return names;
    }

    juce::ScopedJuceInitialiser_GUI gui;
    FakePresetClient client;
    std::unique_ptr<QmBankManager> manager;
    std::unique_ptr<BankPopover> popover;
    std::unique_ptr<juce::Component> content;
    FakeDialogs* dialogs = nullptr;
};
