// Widgets that need a real screen: a knob's shadow window exists only while
// its owner shows; the browser's boxes answer OK, and one whose owner went is
// closed without answering; message boxes wear the skin's colours.
#include <gtest/gtest.h>

#include "BrowserDialogs.h"
#include "editor/ContrastSupport.h"
#include "editor/EditorTestSupport.h"
#include "PanelPalette.h"
#include "QmDropShadower.h"
#include "XDisplay.h"

#include <atomic>

namespace
{
    template <typename Type>
    Type* onDesktop()
    {
        for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
            if (auto* c = dynamic_cast<Type*> (juce::Desktop::getInstance().getComponent (i)))
                return c;
        return nullptr;
    }

    /** Whether each chooser filter went after the browser whose scanning
        thread calls it, and the calls so far. */
    std::vector<bool> outlivedBrowser;
    std::atomic<int> scans { 0 };

    struct WatchedFilter : juce::WildcardFileFilter
    {
        using juce::WildcardFileFilter::WildcardFileFilter;
        ~WatchedFilter() override                                   { outlivedBrowser.push_back (browser == nullptr); }
        bool isFileSuitable (const juce::File& f) const override    { ++scans; return juce::WildcardFileFilter::isFileSuitable (f); }
        juce::Component::SafePointer<juce::Component> browser;
    };

    struct WatchedDialogs : BrowserDialogs
    {
        std::unique_ptr<juce::FileFilter> createChooserFilter (const juce::String& patterns) override
        {
            auto filter = std::make_unique<WatchedFilter> (patterns, juce::String(), juce::String());
            latest = filter.get();
            return filter;
        }

        WatchedFilter* latest = nullptr;
    };

    /** The framework's GUI on the virtual display, with a window standing
        for the plug-in's, away from the screen's centre. */
    struct OnScreen : ::testing::Test
    {
        void SetUp() override
            { ASSERT_NE (display, nullptr); window.setBounds (100, 80, 500, 400); window.addToDesktop (0); window.setVisible (true); }

        Display* const display = WindowTest::display();     // before the framework's first window
        juce::ScopedJuceInitialiser_GUI gui;
        juce::Component window;
    };

    /** Every button, field, path box, label and file list under c reads on the face. */
    void expectReads (juce::Component& c, juce::Colour face)
    {
        using Contrast::ratio;
        const auto on = [face] (juce::Colour fill) { return face.overlaidWith (fill); };
        if (auto* b = dynamic_cast<juce::TextButton*> (&c))
            EXPECT_GE (ratio (b->findColour (juce::TextButton::textColourOffId), on (b->findColour (juce::TextButton::buttonColourId).withMultipliedAlpha (0.9f))), 4.5)
                << b->getButtonText();
        if (auto* field = dynamic_cast<juce::TextEditor*> (&c))
            EXPECT_GE (ratio (field->findColour (juce::TextEditor::textColourId), on (field->findColour (juce::TextEditor::backgroundColourId))), 4.5);
        if (auto* path = dynamic_cast<juce::ComboBox*> (&c))
            EXPECT_GE (ratio (path->findColour (juce::ComboBox::textColourId), on (path->findColour (juce::ComboBox::backgroundColourId))), 4.5);
        // Labels drawn (not the screen readers' transparent one).
        if (auto* label = dynamic_cast<juce::Label*> (&c); label != nullptr && ! label->findColour (juce::Label::textColourId).isTransparent())
            EXPECT_GE (ratio (label->findColour (juce::Label::textColourId), face), 4.5) << label->getText();
        if (auto* list = dynamic_cast<juce::FileListComponent*> (&c))
        {
            const auto back = on (list->findColour (juce::ListBox::backgroundColourId));
            EXPECT_TRUE (Contrast::isCharcoal (back)) << back.toDisplayString (true);
            EXPECT_GE (ratio (list->findColour (juce::DirectoryContentsDisplayComponent::textColourId), back), 4.5);
            EXPECT_GE (ratio (list->findColour (juce::DirectoryContentsDisplayComponent::highlightedTextColourId),
                              list->findColour (juce::DirectoryContentsDisplayComponent::highlightColourId)), 4.5);
        }
        for (auto* child : c.getChildren())
            expectReads (*child, face);
    }
}

TEST_F (OnScreen, ADropShadowFollowsItsOwner)
{
    juce::Component knob;
    QmDropShadower shadower (juce::DropShadow (juce::Colour (0x75000000), 12, { 0, 7 }));
    knob.setBounds (100, 50, 60, 60);
    shadower.setOwner (&knob);
    EXPECT_EQ (shadower.getShadowWindow(), nullptr);

    // Behind the owner, around it, moved with it.
    window.addAndMakeVisible (knob);
    ASSERT_NE (shadower.getShadowWindow(), nullptr);
    EXPECT_EQ (shadower.getShadowWindow()->getBounds(), juce::Rectangle<int> (88, 45, 84, 84));
    EXPECT_EQ (window.getIndexOfChildComponent (shadower.getShadowWindow()), window.getIndexOfChildComponent (&knob) - 1);
    knob.setTopLeftPosition (10, 10);
    EXPECT_EQ (shadower.getShadowWindow()->getPosition(), juce::Point<int> (-2, 5));

    knob.setVisible (false);
    EXPECT_EQ (shadower.getShadowWindow(), nullptr);
    knob.setVisible (true);
    knob.setSize (0, 0);
    EXPECT_EQ (shadower.getShadowWindow(), nullptr);

    shadower.setOwner (nullptr);
}

TEST_F (OnScreen, TheConfirmationBoxIsNotModalReadsOnThePanelsColoursAnswersOkAndClosesWithItsOwner)
{
    const auto pumpUntilNoBox = []
        { for (int i = 0; i < 100 && onDesktop<juce::AlertWindow>() != nullptr; ++i) juce::MessageManager::getInstance()->runDispatchLoopUntil (10); };

    // A row in the plug-in's window.
    juce::Component row;
    row.setBounds (10, 300, 200, 20);
    window.addAndMakeVisible (row);

    auto dialogs = std::make_unique<BrowserDialogs>();
    std::vector<bool> answers;
    dialogs->confirm ("Remove bank Keys", "Do you really want to remove this bank?\nThis cannot be undone.", &row,
                      [&] (bool ok) { answers.push_back (ok); });

    // Not modal, so that a host may close the window under it.
    auto* box = onDesktop<juce::AlertWindow>();
    ASSERT_NE (box, nullptr);
    EXPECT_EQ (std::tuple (box->isOnDesktop(), box->isVisible(), box->getName()), std::tuple (true, true, juce::String ("Remove bank Keys")));

    // Centred on the window, not on the row or the screen.
    EXPECT_LE (box->getScreenBounds().getCentre().getDistanceFrom (window.getScreenBounds().getCentre()), 1);
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
    EXPECT_NE (EditorTest::buttonIn (*box, "Cancel"), nullptr);
    ASSERT_NE (EditorTest::buttonIn (*box, "OK"), nullptr);

    // The skin's charcoal, with its text and buttons reading on it and the
    // warning sign in the accent, whole: none of it on the box's rim.
    const auto image = box->createComponentSnapshot (box->getLocalBounds());
    const auto face = image.getPixelAt (3, image.getHeight() / 2);
    EXPECT_TRUE (Contrast::isCharcoal (face)) << face.toDisplayString (true);
    expectReads (*box, face);
    juce::Rectangle<int> sign;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y).getARGB() == PanelPalette::accent)
                sign = sign.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : sign.getUnion ({ x, y, 1, 1 });
    EXPECT_GT (sign.getWidth(), 20);
    EXPECT_TRUE (image.getBounds().reduced (4).contains (sign)) << sign.toString();

    // The title and message themselves, right of the sign and above the
    // buttons, whose labels the walk must not count.
    EXPECT_GE (Contrast::ratio (box->findColour (juce::AlertWindow::textColourId), face), 4.5);
    auto text = image.getBounds().reduced (2).withLeft (sign.getRight() + 4);
    for (auto* b : { EditorTest::buttonIn (*box, "OK"), EditorTest::buttonIn (*box, "Cancel") })
        if (b != nullptr)
            text = text.withBottom (juce::jmin (text.getBottom(), b->getY()));
    EXPECT_GT (text.getHeight(), 20) << text.toString();
    EXPECT_GE (Contrast::ink (image, text, face), 4.5) << text.toString();
    EditorTest::buttonIn (*box, "OK")->triggerClick();
    pumpUntilNoBox();
    EXPECT_EQ (answers, std::vector<bool> { true });

    // The owner goes with the box open: closed, never answered.
    dialogs->confirm ("Remove preset Pad", "?", nullptr, [&] (bool ok) { answers.push_back (ok); });
    juce::Component::SafePointer<juce::Component> second (onDesktop<juce::AlertWindow>());
    ASSERT_NE (second, nullptr);
    dialogs.reset();
    EXPECT_EQ (second, nullptr);
    pumpUntilNoBox();
    EXPECT_EQ (answers.size(), 1u);
}

TEST_F (OnScreen, TheFrameworksChooserBoxIsNotModalReadsOnThePanelsColoursAnswersOpenAndClosesWithItsOwnerAfterItsBrowser)
{
    // The chooser box: not modal, on the panel's colours, closed after its browser.
    // Its owner, a row in the plug-in's window.
    juce::Component row;
    row.setBounds (10, 300, 200, 20);
    window.addAndMakeVisible (row);

    // Many files, so that the browser's thread is still scanning when the
    // next chooser replaces it.
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("vorlan-chooser");
    folder.createDirectory();
    for (int i = 0; i < 3000; ++i)
        folder.getChildFile ("preset" + juce::String (i) + ".txt").create();
    const auto bank = folder.getChildFile ("keys.xml");
    bank.replaceWithText ("<bank/>");

    auto watched = std::make_unique<WatchedDialogs>();
    juce::Array<juce::File> chosen;
    const auto findBox = onDesktop<juce::FileChooserDialogBox>;
    const auto findBrowser = [&]
        { auto* box = findBox(); return box != nullptr ? dynamic_cast<juce::FileBrowserComponent*> (box->getContentComponent()->getChildComponent (0)) : nullptr; };
    const auto button = [&] (const juce::String& text)      { return EditorTest::buttonIn (*findBox(), text); };
    const auto choose = [&]
    {
        const auto before = scans.load();
        watched->chooseFile ("Please select the bank you want to load...", folder, "*.xml", &row,
                             [&] (const juce::File& f) { chosen.add (f); });
        watched->latest->browser = findBrowser();

        // The new browser's thread is at work on its filter.
        for (int i = 0; i < 2000 && scans.load() == before; ++i)
            juce::Thread::sleep (1);
    };

    // Shown without a modal state, so that a host may close the window under it.
    choose();
    auto* chooser = findBox();
    ASSERT_NE (chooser, nullptr);
    EXPECT_EQ (std::pair (chooser->isOnDesktop(), chooser->isVisible()), std::pair (true, true));
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);

    // Centred on the window, like the other boxes, and not past its edges
    // (the window is smaller than the box would be).
    EXPECT_LE (chooser->getScreenBounds().getCentre().getDistanceFrom (window.getScreenBounds().getCentre()), 1) << chooser->getScreenBounds().toString();
    EXPECT_TRUE (window.getScreenBounds().contains (chooser->getScreenBounds())) << chooser->getScreenBounds().toString();

    // The panel's colours: its buttons, fields and list of files, the chosen row's text included.
    const auto chooserFace = chooser->createComponentSnapshot (chooser->getLocalBounds()).getPixelAt (2, chooser->getHeight() / 2);
    EXPECT_TRUE (Contrast::isCharcoal (chooserFace)) << chooserFace.toDisplayString (true);
    EXPECT_GE (Contrast::ratio (chooser->findColour (juce::FileChooserDialogBox::titleTextColourId), chooserFace), 4.5);
    expectReads (*chooser, chooserFace);

    // Open answers with the file; Cancel answers nothing.
    auto* browser = findBrowser();
    ASSERT_NE (browser, nullptr);
    browser->setFileName ("keys.xml");
    ASSERT_NE (button ("Open"), nullptr);
    button ("Open")->onClick();
    EXPECT_FALSE (chooser->isVisible());
    choose();
    button ("Cancel")->onClick();
    EXPECT_EQ (chosen, juce::Array<juce::File> { bank });

    // Two choosers in a row, each replacing a browser still scanning.
    choose();
    choose();

    // The owner goes with the chooser open: closed, never answered.
    juce::Component::SafePointer<juce::Component> open (findBox());
    watched.reset();
    EXPECT_EQ (open, nullptr);
    EXPECT_EQ (chosen.size(), 1);
    EXPECT_EQ (outlivedBrowser, std::vector<bool> (4, true));
    folder.deleteRecursively();
}

