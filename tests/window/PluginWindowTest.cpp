// The plug-in's editor in a real window: the built library loaded by a small
// host of our own on a virtual display, its editor opened inside a host window
// and driven by idle calls, as Linux hosts do. Each test runs in a process of
// its own, so each reads the skin afresh.
#include <gtest/gtest.h>

#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

#include "SVGProvider.h"
#include "XDisplay.h"

#include <dlfcn.h>

#include <atomic>
#include <utility>
#include <set>
#include <thread>

namespace
{
    /** The host's record of the plug-in's gesture calls, runs as one: "begin 15", "automate 15", "end 15". */
    juce::CriticalSection gestureLock;
    juce::StringArray gestures;

    VstIntPtr hostCallback (AEffect*, int opcode, int index, VstIntPtr, void*, float)
    {
        const char* gesture = opcode == audioMasterBeginEdit ? "begin " : opcode == audioMasterAutomate ? "automate "
                            : opcode == audioMasterEndEdit ? "end " : nullptr;
        const juce::ScopedLock sl (gestureLock);
        if (gesture != nullptr && (gestures.isEmpty() || gestures[gestures.size() - 1] != gesture + juce::String (index)))
            gestures.add (gesture + juce::String (index));

        static VstTimeInfo time {};
        return opcode == audioMasterVersion ? 2400 : opcode == audioMasterGetTime ? (VstIntPtr) &time : 0;
    }

    juce::String takeGestures()     { const juce::ScopedLock sl (gestureLock); return std::exchange (gestures, {}).joinIntoString (", "); }

    /** Where the shipped skin puts these elements. */
    std::vector<juce::Rectangle<int>> skinBounds (std::initializer_list<const char*> ids)
    {
        juce::ScopedJuceInitialiser_GUI gui;
        SVGProvider skin (juce::File (VORLAN_RESOURCES_DIR).getChildFile ("skin/skin.svg"));
        std::vector<juce::Rectangle<int>> bounds;
        for (auto* id : ids)
            bounds.push_back (skin.getDrawable (id)->getBounds());
        return bounds;
    }

    /** One instance with its editor, as the host sees them; first the skin,
        pictures and factory bank where the installed plug-in finds them. */
    struct Instance
    {
        Instance()
        {
            juce::File (VORLAN_RESOURCES_DIR).copyDirectoryTo (juce::File (juce::SystemStats::getEnvironmentVariable ("VORLAN_COMMON_DATA_DIR", {})).getChildFile ("Resources"));
            static void* library = dlopen (VORLAN_VST_PATH, RTLD_NOW | RTLD_LOCAL);
            auto entry = library != nullptr ? (AEffect* (*) (audioMasterCallback)) dlsym (library, "VSTPluginMain") : nullptr;
            effect = entry != nullptr ? entry (hostCallback) : nullptr;
            if (effect != nullptr)
                dispatch (effOpen);
        }

        ~Instance()     { closeEditor(); if (effect != nullptr) dispatch (effClose); }

        VstIntPtr dispatch (int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr)  { return effect->dispatcher (effect, opcode, index, value, ptr, 0.0f); }

        float get (int index)               { return effect->getParameter (effect, index); }
        void set (int index, float value)   { effect->setParameter (effect, index, value); }

        std::vector<float> parameters()
        {
            std::vector<float> values ((size_t) effect->numParams);
            for (int i = 0; i < effect->numParams; ++i) values[(size_t) i] = get (i);
            return values;
        }

        bool openEditor()
        {
            ERect* rect = nullptr;
            dispatch (effEditGetRect, 0, 0, &rect);
            size = rect != nullptr ? juce::Rectangle<int> (rect->right - rect->left, rect->bottom - rect->top) : juce::Rectangle<int>();
            window = WindowTest::createHostWindow (juce::jmax (1, size.getWidth()), juce::jmax (1, size.getHeight()));
            return dispatch (effEditOpen, 0, 0, (void*) window) != 0;
        }

        /** Whether the editor's window was gone at once. */
        bool closeEditor()
        {
            if (window == 0)
                return true;
            dispatch (effEditClose);
            XSync (WindowTest::display(), False);
            const auto gone = WindowTest::firstChild (window) == 0;
            XDestroyWindow (WindowTest::display(), window);
            XSync (WindowTest::display(), False);
            window = 0;
            return gone;
        }

        void idle (int turns)
        {
            for (int i = 0; i < turns; ++i, std::this_thread::sleep_for (std::chrono::milliseconds (5)))
                dispatch (effEditIdle);
        }

        /** The pointer moved to (x, y) in the editor's window. */
        void pointAt (juce::Point<int> p)   { WindowTest::moveTo (WindowTest::firstChild (window), p.x, p.y); }

        /** A click in the middle of the area, then idle turns. */
        void clickAt (juce::Rectangle<int> area, int turns = 10)    { pointAt (area.getCentre()); WindowTest::click(); idle (turns); }

        void type (KeySym key, std::vector<KeySym> held = {})       { WindowTest::type (key, held); idle (10); }

        /** A click on the panel's background, at its foot, gives the editor
            the keyboard. */
        void takeKeyboard()
        {
            clickAt ({ 5, size.getHeight() - 3, 1, 1 });
            XSetInputFocus (WindowTest::display(), WindowTest::firstChild (window), RevertToParent, CurrentTime);
        }

        /** Ctrl+? typed where no web browser can be started. */
        void askForHelpWithoutABrowser()
        {
            const juce::String path (std::getenv ("PATH"));
            setenv ("PATH", "/nonexistent", 1);
            type (XK_slash, { XK_Control_L, XK_Shift_L });
            idle (10);
            setenv ("PATH", path.toRawUTF8(), 1);
        }

        /** The host's window takes the X focus, as a window manager gives it
            when that window is clicked. */
        void hostTakesFocus()
        {
            XSetInputFocus (WindowTest::display(), window, RevertToParent, CurrentTime);
            XSync (WindowTest::display(), False);
            idle (5);
        }

        juce::Image grab()              { return WindowTest::grab (window, size.getWidth(), size.getHeight()); }

        /** Where the host's window is on the screen. */
        juce::Rectangle<int> onScreen()
        {
            Window child = 0;
            int x = 0, y = 0;
            XTranslateCoordinates (WindowTest::display(), window, DefaultRootWindow (WindowTest::display()), 0, 0, &x, &y, &child);
            return size.withPosition (x, y);
        }

        AEffect* effect = nullptr;
        Window window = 0;
        juce::Rectangle<int> size;
    };

    struct PluginWindow : ::testing::Test
    {
        void SetUp() override       { ASSERT_NE (display, nullptr); ASSERT_NE (plugin.effect, nullptr) << dlerror(); }

        Display* const display = WindowTest::display();     // before the plug-in's first window
        Instance plugin;
    };
}

TEST_F (PluginWindow, OpensPaintedTakesKeysAndReportsAKnobDrag)
{
    const auto at = skinBounds ({ "background", "knob_15" });
    EXPECT_TRUE (plugin.effect->flags & effFlagsHasEditor);
    ASSERT_TRUE (plugin.openEditor());
    EXPECT_EQ (plugin.size, at[0]);

    plugin.idle (60);
    const auto image = plugin.grab();
    std::set<juce::uint32> colours;     // painted from the skin: many colours
    for (int y = 0; y < image.getHeight(); y += 3)
        for (int x = 0; x < image.getWidth(); x += 3)
            colours.insert (image.getPixelAt (x, y).getARGB());
    EXPECT_GT (colours.size(), 50u);

    // The README's picture, when asked for.
    if (const auto shot = juce::SystemStats::getEnvironmentVariable ("VORLAN_SCREENSHOT", {}); shot.isNotEmpty() && juce::File (shot).deleteFile())
        if (juce::FileOutputStream png { juce::File (shot) }; png.openedOk())
            juce::PNGImageFormat().writeImageToStream (image, png);

    // Keys reach the editor once it is clicked (which keys do what, the
    // editor's own test tells).
    const auto cutoff = 15;
    plugin.takeKeyboard();
    plugin.set (cutoff, 0.2f);
    plugin.type (XK_i, { XK_Control_L });
    EXPECT_EQ (plugin.get (cutoff), 1.0f);

    // The cutoff knob dragged up with the pointer.
    const auto knob = at[1].getCentre();
    plugin.set (cutoff, 0.5f);
    plugin.idle (10);
    takeGestures();
    plugin.pointAt (knob);
    WindowTest::button (true);
    plugin.idle (5);
    for (int step = 1; step <= 10; ++step)
    {
        plugin.pointAt (knob.translated (0, -4 * step));
        plugin.idle (3);
    }
    WindowTest::button (false);
    plugin.idle (10);
    EXPECT_GT (plugin.get (cutoff), 0.5f);
    EXPECT_EQ (takeGestures(), "begin 15, automate 15, end 15");
}

TEST_F (PluginWindow, CtrlQuestionMarkWithoutABrowserToStartShowsABoxOnThePluginsWindowThatReturnCloses)
{
    ASSERT_TRUE (plugin.openEditor());
    plugin.idle (30);
    plugin.takeKeyboard();

    // Ctrl+? opens the help page; without a browser to start, a box on the
    // plug-in's window says where the page is.
    plugin.askForHelpWithoutABrowser();
    const auto help = WindowTest::topLevelNamed ("Help");
    EXPECT_FALSE (help.isEmpty());
    // A window manager places the host's window and adds a title bar to the box's.
    const auto slack = juce::SystemStats::getEnvironmentVariable ("VORLAN_WINDOW_MANAGER", {}).isEmpty() ? 1 : 40;
    EXPECT_LE (help.getCentre().getDistanceFrom (plugin.onScreen().getCentre()), slack) << help.toString();
    plugin.type (XK_Return);
    plugin.idle (10);
    EXPECT_TRUE (WindowTest::topLevelNamed ("Help").isEmpty());
}

TEST_F (PluginWindow, ClosesRepeatedlyBesideAnotherWhileStateIsRestoredAndAtOnceWithABoxOpen)
{
    // Opened and closed again and again.
    for (int i = 0; i < 50; ++i)
    {
        ASSERT_TRUE (plugin.openEditor()) << i;
        plugin.idle (2);
        plugin.closeEditor();
    }

    // Two instances with their editors open; one closes, the other goes on.
    Instance other;
    plugin.openEditor();
    other.openEditor();
    plugin.idle (5);
    plugin.closeEditor();
    other.idle (10);

    // A state restored on a host thread while the editor is open and idling.
    char* data = nullptr;
    const auto size = (size_t) other.dispatch (effGetChunk, 0, 0, &data);
    ASSERT_NE (data, nullptr);
    const juce::MemoryBlock state (data, size);
    const auto values = other.parameters();
    std::atomic<bool> done { false };
    std::thread hostThread ([&]
    {
        for (int i = 0; i < 50; ++i)
        {
            other.set (40, (float) (i % 10) / 10.0f);
            other.dispatch (effSetChunk, 0, (VstIntPtr) state.getSize(), const_cast<void*> (state.getData()));
        }
        done = true;
    });
    while (! done)
        other.idle (1);

    hostThread.join();
    other.idle (10);
    EXPECT_EQ (other.parameters(), values);

    // Closed at once with its menu, a combo list or the browser open.
    // Were any of them modal, the framework would keep the editor alive on
    // the host's window after the close, and tear it down racing its own
    // message thread when the plug-in closes.
    for (auto opener : skinBounds ({ "action_menu", "combo_0", "screen" }))
    {
        ASSERT_TRUE (plugin.openEditor());
        plugin.idle (20);
        plugin.clickAt (opener, 20);
        EXPECT_TRUE (plugin.closeEditor()) << opener.toString();
    }
}

// Letters typed into the browser's text fields arrive after the host's window
// took the X focus, as a window manager gives it when that window is clicked:
// the framework, when the focus comes back, hands the keyboard to what had it
// before, over the field that took it in between. Letters typed into Save
// Preset's field are saved in the preset's name; the search box's text
// narrows the list to nothing.
TEST_F (PluginWindow, TypedLettersReachTheBrowsersFieldsWhenTheHostsWindowHadTheFocus)
{
    const auto screen = skinBounds ({ "screen" })[0];
    ASSERT_TRUE (plugin.openEditor());
    plugin.idle (40);
    plugin.clickAt (screen, 20);

    // The browser's page where the call-out box puts it over the screen.
    const auto page = [&]
    {
        juce::ScopedJuceInitialiser_GUI gui;
        juce::Component window, content;
        window.setSize (plugin.size.getWidth(), plugin.size.getHeight());
        content.setSize (330, 250);
        juce::CallOutBox box (content, screen, &window);
        return content.getBounds() + box.getPosition();
    }();

    const auto hostTakesFocus = [&]
    {
        XSetInputFocus (display, plugin.window, RevertToParent, CurrentTime);
        XSync (display, False);
        plugin.idle (5);
    };

    // Save Preset gives its field the keyboard, the current preset's name in
    // it: the letters join the name.
    hostTakesFocus();
    plugin.clickAt ({ page.getX() + 7, page.getBottom() - 30, 120, 30 });
    for (auto key : { XK_q, XK_x, XK_z, XK_Return })
        plugin.type (key);

    juce::StringArray saved;
    for (const auto& bank : juce::File (juce::SystemStats::getEnvironmentVariable ("HOME", {})).findChildFiles (juce::File::findFiles, true, "*.xml"))
        if (bank.loadFileAsString().contains ("defaultqxz"))
            saved.add (bank.getFileName());
    EXPECT_EQ (saved.size(), 1) << saved.joinIntoString (", ");

    const auto listColours = [&]
    {
        const auto image = plugin.grab().getClippedImage (page.withTrimmedTop (30).withHeight (190).withTrimmedRight (20));
        std::set<juce::uint32> colours;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                colours.insert (image.getPixelAt (x, y).getARGB());
        return colours.size();
    };

    EXPECT_GT (listColours(), 2u);
    hostTakesFocus();
    plugin.clickAt ({ page.getX() + 220, page.getBottom() - 25, 100, 20 });
    for (auto key : { XK_z, XK_q, XK_x })
        plugin.type (key);
    EXPECT_EQ (listColours(), 1u);

    plugin.closeEditor();
}

// After a click, once the host's window had the X focus as a window manager
// gives it, Escape closes the menu and the browser it opened; keys the
// browser's list does not take reach the editor.
TEST_F (PluginWindow, EscapeClosesTheMenuAndTheBrowserOpenedWhenTheHostsWindowHadTheFocus)
{
    const auto at = skinBounds ({ "action_menu", "screen" });
    ASSERT_TRUE (plugin.openEditor());
    plugin.idle (40);
    plugin.hostTakesFocus();
    plugin.clickAt ({ 5, plugin.size.getHeight() - 3, 1, 1 }, 20);

    const auto changedPixels = [&] (const juce::Image& before, juce::Rectangle<int> area)
    {
        const auto after = plugin.grab();
        int changed = 0;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                changed += before.getPixelAt (x, y) != after.getPixelAt (x, y);
        return changed;
    };

    // Where the boxes show: below the menu's button, around the screen.
    const auto menuArea = juce::Rectangle<int>::leftTopRightBottom (at[0].getRight() - 250, at[0].getBottom(), plugin.size.getWidth(), at[0].getBottom() + 120);
    const auto browserArea = at[1].withSizeKeepingCentre (330, 0).withHeight (300).withY (at[1].getBottom());

    for (auto [opener, area] : { std::pair (at[0], menuArea), std::pair (at[1], browserArea) })
    {
        const auto closed = plugin.grab();
        plugin.hostTakesFocus();
        plugin.clickAt (opener, 20);
        EXPECT_GT (changedPixels (closed, area), 1000) << opener.toString();

        if (opener == at[1])
        {
            const auto cutoff = 15;
            plugin.set (cutoff, 0.2f);
            plugin.type (XK_i, { XK_Control_L });
            EXPECT_EQ (plugin.get (cutoff), 1.0f);
        }

        // Off the opener: the framework's box takes Escape there only a while
        // after it opened.
        plugin.pointAt ({ 5, plugin.size.getHeight() - 3 });
        plugin.type (XK_Escape);
        plugin.idle (10);
        EXPECT_EQ (changedPixels (closed, area), 0) << opener.toString();
    }
}

// A box that only tells something closes with Escape as with Return.
TEST_F (PluginWindow, EscapeClosesABoxWithOKAlone)
{
    ASSERT_TRUE (plugin.openEditor());
    plugin.idle (30);
    plugin.takeKeyboard();

    plugin.askForHelpWithoutABrowser();
    ASSERT_FALSE (WindowTest::topLevelNamed ("Help").isEmpty());
    plugin.type (XK_Escape);
    plugin.idle (10);
    EXPECT_TRUE (WindowTest::topLevelNamed ("Help").isEmpty());
}
