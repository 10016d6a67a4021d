#include "BankPopover.h"
#include "BrowserRowCell.h"
#include "EditorTestSupport.h"
#include "KorvixAudioProcessor.h"
#include "KorvixAudioProcessorEditor.h"
#include "PresetsList.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmScreen.h"

namespace
{
    /** The editor on the shipped skin and factory bank, as the plug-in finds them. */
    struct EditorBrowser : ::testing::Test
    {
        EditorBrowser()
        {
            const auto installed = QmDataFolders::getResourceFile ({});
            if (! installed.getChildFile ("skin/skin.svg").existsAsFile())
                juce::File (VORLAN_RESOURCES_DIR).copyDirectoryTo (installed);

            // Seeded afresh with the factory bank.
            QmDataFolders::getUserDataFolder().getChildFile ("Banks").deleteRecursively();

            processor = std::make_unique<KorvixAudioProcessor>();
            skin = std::make_unique<SVGProvider> (installed.getChildFile ("skin/skin.svg"));
            editor = std::make_unique<KorvixAudioProcessorEditor> (*processor, skin.get());
        }

        void clickScreen (juce::Component& target)
        {
            const auto centre = target.getLocalBounds().getCentre().toFloat();
            editor->mouseUp (EditorTest::mouseEvent (target, centre, centre));
        }

        std::unique_ptr<KorvixAudioProcessor> processor;
        std::unique_ptr<SVGProvider> skin;
        std::unique_ptr<KorvixAudioProcessorEditor> editor;
    };
}

TEST_F (EditorBrowser, TheScreenOpensTheBrowserOnTheCurrentBankAndShowsWhatItLoads)
{
    auto& screen = *editor->getScreen();
    clickScreen (screen.getRightButton());
    EXPECT_EQ (editor->getBrowserBox(), nullptr);

    clickScreen (screen);
    auto* box = editor->getBrowserBox();
    ASSERT_NE (box, nullptr);
    EXPECT_EQ (box->getParentComponent(), editor.get());

    auto* page = editor->getBankPopover()->getPresetPage();
    ASSERT_NE (page, nullptr);
    EXPECT_EQ (page->getBankName(), "Vorlan");
    EXPECT_EQ (page->getParentComponent()->getBounds().withZeroOrigin(), juce::Rectangle<int> (330, 250));
    EXPECT_TRUE (box->isParentOf (page) && page->isVisible() && ! editor->getBankPopover()->isVisible());

    // A preset chosen in the list: the screen and the host's state show it.
    auto& row = dynamic_cast<BrowserRowCell&> (*page->getList().getComponentForRowNumber (2));
    row.getNameButton().clickCallback (false, 50, 10);
    const auto name = processor->getBankManager()->getBank ("Vorlan")->presets[2]->name;
    EXPECT_EQ (screen.getLines(), juce::StringArray ("Vorlan / " + name));
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    EXPECT_TRUE (state.toString().contains ("<name>" + name + "</name>") && state.toString().contains ("<bankName>Vorlan</bankName>"));
}

TEST_F (EditorBrowser, ClosingTheWindowWithTheBrowserOpenTakesTheBoxAlong)
{
    clickScreen (*editor->getScreen());
    juce::Component::SafePointer<juce::CallOutBox> box (editor->getBrowserBox());
    ASSERT_NE (box, nullptr);

    editor.reset();
    EXPECT_FALSE (juce::ModalComponentManager::getInstance()->isModal (box));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (30);
    EXPECT_EQ (box, nullptr);
}
