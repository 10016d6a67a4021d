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

    juce::String takeGestures()
    {
        const juce::ScopedLock sl (gestureLock);
        const auto text = gestures.joinIntoString (", ");
        gestures.clear();
        return text;
    }

    /** The skin and pictures where the installed plug-in finds them. */
    void installResources()
    {
        const auto common = juce::SystemStats::getEnvironmentVariable ("VORLAN_COMMON_DATA_DIR", {});
        ASSERT_TRUE (common.isNotEmpty());
        juce::File (VORLAN_RESOURCES_DIR).copyDirectoryTo (juce::File (common).getChildFile ("Resources"));
    }

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

    /** One instance with its editor, as the host sees them. */
    struct Instance
    {
        Instance()
        {
            static void* library = dlopen (VORLAN_VST_PATH, RTLD_NOW | RTLD_LOCAL);
            auto entry = library != nullptr ? (AEffect* (*) (audioMasterCallback)) dlsym (library, "VSTPluginMain") : nullptr;
            effect = entry != nullptr ? entry (hostCallback) : nullptr;
            if (effect != nullptr)
                dispatch (effOpen);
        }

        ~Instance()
        {
            closeEditor();
            if (effect != nullptr)
                dispatch (effClose);
        }

        VstIntPtr dispatch (int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr)
        {
            return effect->dispatcher (effect, opcode, index, value, ptr, 0.0f);
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

        /** Started for blocks of at most 512, as a host does before playing. */
        void start()
        {
            effect->dispatcher (effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
            dispatch (effSetBlockSize, 0, 512);
            dispatch (effMainsChanged, 0, 1);
        }

        /** A controller message rendered in one block. */
        void controller (unsigned char number, unsigned char value)
        {
            VstMidiEvent event {};
            event.type = kVstMidiType;
            event.byteSize = (int) sizeof (VstMidiEvent);
            event.midiData[0] = (char) 0xb0;
            event.midiData[1] = (char) number;
            event.midiData[2] = (char) value;
            struct { int numEvents; VstIntPtr reserved; VstEvent* events[1]; } list { 1, 0, { (VstEvent*) &event } };
            dispatch (effProcessEvents, 0, 0, &list);

            std::vector<float> left (512), right (512);
            float* outputs[] = { left.data(), right.data() };
            effect->processReplacing (effect, nullptr, outputs, 512);
        }

        void idle (int turns)
        {
            for (int i = 0; i < turns; ++i)
            {
                dispatch (effEditIdle);
                std::this_thread::sleep_for (std::chrono::milliseconds (5));
            }
        }

        /** The pointer moved to (x, y) in the editor's window. */
        void pointAt (int x, int y)     { WindowTest::moveTo (WindowTest::firstChild (window), x, y); }
        void pointAt (juce::Point<int> p)   { pointAt (p.x, p.y); }

        juce::Image grab()              { return WindowTest::grab (window, size.getWidth(), size.getHeight()); }

        AEffect* effect = nullptr;
        Window window = 0;
        juce::Rectangle<int> size;
    };

    int countColours (const juce::Image& image)
    {
        std::set<juce::uint32> colours;
        for (int y = 0; y < image.getHeight(); y += 3)
            for (int x = 0; x < image.getWidth(); x += 3)
                colours.insert (image.getPixelAt (x, y).getARGB());
        return (int) colours.size();
    }
}

TEST (PluginWindow, OpensPaintedFromTheSkinTakesKeysAndReportsDrags)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr) << dlerror();
    EXPECT_TRUE (plugin.effect->flags & effFlagsHasEditor);
    ASSERT_TRUE (plugin.openEditor());
    EXPECT_TRUE (plugin.size.getWidth() > 400 && plugin.size.getWidth() <= 1000 && plugin.size.getHeight() <= 620) << plugin.size.toString();

    plugin.idle (60);
    const auto image = plugin.grab();
    EXPECT_GT (countColours (image), 50);

    // The README's picture.
    if (const auto shot = juce::SystemStats::getEnvironmentVariable ("VORLAN_SCREENSHOT", {}); shot.isNotEmpty())
    {
        juce::File (shot).deleteFile();
        juce::FileOutputStream out ((juce::File (shot)));
        EXPECT_TRUE (out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out));
    }

    // A click on the panel's background gives the editor the keyboard.
    auto* e = plugin.effect;
    const auto cutoff = 15;
    plugin.pointAt (5, plugin.size.getHeight() - 3);
    WindowTest::click();
    XSetInputFocus (WindowTest::display(), WindowTest::firstChild (plugin.window), RevertToParent, CurrentTime);
    plugin.idle (10);

    e->setParameter (e, cutoff, 0.2f);
    WindowTest::type (XK_i, true);
    plugin.idle (10);
    EXPECT_EQ (e->getParameter (e, cutoff), 1.0f);
    WindowTest::type (XK_r, true);
    plugin.idle (10);
    EXPECT_NE (e->getParameter (e, cutoff), 1.0f);

    // The cursor keys step through the bank's presets.
    const auto presetName = [&plugin]
    {
        char* chunk = nullptr;
        const auto size = plugin.dispatch (effGetChunk, 0, 0, &chunk);
        const auto text = juce::String::fromUTF8 (chunk, (int) size);
        return text.fromFirstOccurrenceOf ("<name>", false, false).upToFirstOccurrenceOf ("</name>", false, false);
    };
    const auto first = presetName();
    WindowTest::type (XK_Right);
    plugin.idle (10);
    const auto second = presetName();
    WindowTest::type (XK_Left);
    plugin.idle (10);
    EXPECT_TRUE (first.isNotEmpty() && second.isNotEmpty() && second != first && presetName() == first) << first << " " << second;

    // Ctrl+? opens the help page; without a browser to start, a box on the
    // plug-in's window says where the page is.
    const auto emptyPath = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("no-browser");
    emptyPath.createDirectory();
    const juce::String path (std::getenv ("PATH"));
    setenv ("PATH", emptyPath.getFullPathName().toRawUTF8(), 1);
    WindowTest::type (XK_slash, true, true);
    plugin.idle (20);
    setenv ("PATH", path.toRawUTF8(), 1);
    const auto help = WindowTest::topLevelNamed ("Help");
    EXPECT_FALSE (help.isEmpty());
    EXPECT_LE (help.getCentre().getDistanceFrom (plugin.size.getCentre()), 1) << help.toString();
    WindowTest::type (XK_Return);
    plugin.idle (20);
    EXPECT_TRUE (WindowTest::topLevelNamed ("Help").isEmpty());

    // The cutoff knob dragged up with the pointer, where the shipped skin puts it.
    const auto knob = skinBounds ({ "knob_15" })[0].getCentre();
    e->setParameter (e, cutoff, 0.5f);
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

    EXPECT_GT (e->getParameter (e, cutoff), 0.5f);
    EXPECT_EQ (takeGestures(), "begin 15, automate 15, end 15");

    // A click on the middle of a fader's track leaves it where it was, and
    // the host hears nothing.
    const auto decay = 23;
    const auto fader = skinBounds ({ "slider_23" })[0].getCentre();
    e->setParameter (e, decay, 0.3f);
    plugin.idle (10);
    plugin.pointAt (fader);
    WindowTest::click();
    plugin.idle (10);
    EXPECT_EQ (e->getParameter (e, decay), 0.3f);
    EXPECT_EQ (takeGestures(), "");
}

TEST (PluginWindow, LearningEndsWithItsButtonWhicheverControlWasClickedBefore)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
    plugin.start();
    ASSERT_TRUE (plugin.openEditor());
    plugin.idle (20);

    const auto at = skinBounds ({ "action_midilearning", "knob_15", "combo_26" });
    const auto clickOn = [&plugin] (juce::Rectangle<int> area)
    {
        plugin.pointAt (area.getCentre());
        WindowTest::click();
        plugin.idle (10);
    };

    // Learn on, Cutoff picked, controller 74 moved: bound.
    auto* e = plugin.effect;
    const auto cutoff = 15;
    clickOn (at[0]);
    clickOn (at[1]);
    plugin.controller (74, 64);

    // The LFO's combo clicked, then "MIDI learn": learning is over, so
    // controller 1 binds nothing and 74 drives Cutoff.
    clickOn (at[2]);
    clickOn (at[0]);
    e->setParameter (e, cutoff, 0.5f);
    plugin.controller (1, 127);
    EXPECT_EQ (e->getParameter (e, cutoff), 0.5f);
    plugin.controller (74, 0);
    EXPECT_EQ (e->getParameter (e, cutoff), 0.0f);
}

TEST (PluginWindow, OpensAndClosesRepeatedlyBesideAnotherAndWhileStateIsRestored)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
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
    char* chunk = nullptr;
    const auto size = other.dispatch (effGetChunk, 0, 0, &chunk);
    ASSERT_NE (chunk, nullptr);
    const juce::MemoryBlock state (chunk, (size_t) size);
    std::vector<float> values;
    for (int i = 0; i < other.effect->numParams; ++i)
        values.push_back (other.effect->getParameter (other.effect, i));

    std::atomic<bool> done { false };
    std::thread hostThread ([&]
    {
        for (int i = 0; i < 50; ++i)
        {
            other.effect->setParameter (other.effect, 40, (float) (i % 10) / 10.0f);
            other.dispatch (effSetChunk, 0, (VstIntPtr) state.getSize(), const_cast<void*> (state.getData()));
        }
        done = true;
    });
    while (! done)
        other.idle (1);

    hostThread.join();
    other.idle (10);
    for (int i = 0; i < other.effect->numParams; ++i)
        EXPECT_EQ (other.effect->getParameter (other.effect, i), values[(size_t) i]) << i;
}

TEST (PluginWindow, ClosesAtOnceWithItsMenuComboListOrBrowserOpen)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    // Were any of them modal, the framework would keep the editor alive on
    // the host's window after the close, and tear it down racing its own
    // message thread when the plug-in closes.
    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
    for (auto opener : skinBounds ({ "action_menu", "combo_0", "screen" }))
    {
        ASSERT_TRUE (plugin.openEditor());
        plugin.idle (20);
        plugin.pointAt (opener.getCentre());
        WindowTest::click();
        plugin.idle (20);
        EXPECT_TRUE (plugin.closeEditor()) << opener.toString();
    }
}

TEST (PluginWindow, WithoutASkinTheEditorIsEmptyAndWhite)
{
    ASSERT_NE (WindowTest::display(), nullptr);

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
    ASSERT_TRUE (plugin.openEditor());
    plugin.idle (30);

    const auto image = plugin.grab();
    EXPECT_EQ (std::pair (image.getPixelAt (image.getWidth() / 2, image.getHeight() / 2).getARGB(), countColours (image)), std::pair (0xffffffffu, 1));
}
