// The plug-in's editor in a real window: the built library loaded by a small
// host of our own on a virtual display, its editor opened inside a host window
// and driven by idle calls, as Linux hosts do.
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
    /** The host's record of the plug-in's gesture calls: "begin 15",
        "automate 15", "end 15". */
    juce::CriticalSection gestureLock;
    juce::StringArray gestures;

    VstIntPtr hostCallback (AEffect*, int opcode, int index, VstIntPtr, void*, float)
    {
        const char* gesture = opcode == audioMasterBeginEdit ? "begin " : opcode == audioMasterAutomate ? "automate "
                            : opcode == audioMasterEndEdit ? "end " : nullptr;

        if (gesture != nullptr)
        {
            const juce::ScopedLock sl (gestureLock);
            if (gestures.isEmpty() || gestures[gestures.size() - 1] != gesture + juce::String (index))
                gestures.add (gesture + juce::String (index));
        }

        static VstTimeInfo time {};
        return opcode == audioMasterVersion ? 2400 : opcode == audioMasterGetTime ? (VstIntPtr) &time : 0;
    }

    /** The skin and pictures where the installed plug-in finds them. */
    void installResources()
    {
        const auto common = juce::File (juce::SystemStats::getEnvironmentVariable ("VORLAN_COMMON_DATA_DIR", {}));
        ASSERT_TRUE (common.getFullPathName().isNotEmpty());
        juce::File (VORLAN_RESOURCES_DIR).copyDirectoryTo (common.getChildFile ("Resources"));
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

        VstIntPtr dispatch (int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
        {
            return effect->dispatcher (effect, opcode, index, value, ptr, opt);
        }

        juce::Rectangle<int> editorSize()
        {
            ERect* rect = nullptr;
            dispatch (effEditGetRect, 0, 0, &rect);
            return rect != nullptr ? juce::Rectangle<int> (rect->right - rect->left, rect->bottom - rect->top) : juce::Rectangle<int>();
        }

        void openEditor()
        {
            size = editorSize();
            window = WindowTest::createHostWindow (juce::jmax (1, size.getWidth()), juce::jmax (1, size.getHeight()));
            opened = dispatch (effEditOpen, 0, 0, (void*) window) != 0;
        }

        void closeEditor()
        {
            if (window == 0)
                return;

            dispatch (effEditClose);
            WindowTest::destroyWindow (window);
            window = 0;
        }

        void idle (int turns)
        {
            for (int i = 0; i < turns; ++i)
            {
                dispatch (effEditIdle);
                std::this_thread::sleep_for (std::chrono::milliseconds (5));
            }
        }

        AEffect* effect = nullptr;
        Window window = 0;
        juce::Rectangle<int> size;
        bool opened = false;
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

TEST (PluginWindow, OpensInTheHostSizedAndPaintedFromTheSkin)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr) << dlerror();
    EXPECT_TRUE (plugin.effect->flags & effFlagsHasEditor);

    plugin.openEditor();
    ASSERT_TRUE (plugin.opened);
    EXPECT_TRUE (plugin.size.getWidth() > 400 && plugin.size.getWidth() <= 1000 && plugin.size.getHeight() <= 620) << plugin.size.toString();

    plugin.idle (60);
    const auto image = WindowTest::grab (plugin.window, plugin.size.getWidth(), plugin.size.getHeight());
    ASSERT_TRUE (image.isValid());
    EXPECT_GT (countColours (image), 50);

    const auto shot = juce::SystemStats::getEnvironmentVariable ("VORLAN_SCREENSHOT", {});
    if (shot.isNotEmpty())
    {
        juce::File file (shot);
        file.deleteFile();
        juce::FileOutputStream out (file);
        EXPECT_TRUE (out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out));
    }
}

TEST (PluginWindow, OpensAndClosesRepeatedlyBesideAnotherAndWhileStateIsRestored)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);

    for (int i = 0; i < 50; ++i)
    {
        plugin.openEditor();
        ASSERT_TRUE (plugin.opened) << i;
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
    other.closeEditor();
}

TEST (PluginWindow, WithoutASkinTheEditorIsEmptyAndWhite)
{
    // The skin is read once per process: this test runs in a process of its own.
    ASSERT_NE (WindowTest::display(), nullptr);

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
    plugin.openEditor();
    ASSERT_TRUE (plugin.opened);
    plugin.idle (30);

    const auto image = WindowTest::grab (plugin.window, plugin.size.getWidth(), plugin.size.getHeight());
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getPixelAt (image.getWidth() / 2, image.getHeight() / 2).getARGB(), 0xffffffffu);
    EXPECT_EQ (countColours (image), 1);
}

TEST (PluginWindow, KeysReachTheEditorOnceItIsClicked)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
    plugin.openEditor();
    ASSERT_TRUE (plugin.opened);
    plugin.idle (20);

    // A click on the panel's background gives the editor the keyboard.
    const auto editorWindow = WindowTest::firstChild (plugin.window);
    ASSERT_NE (editorWindow, 0u);
    WindowTest::click (editorWindow, 5, plugin.size.getHeight() - 3);
    plugin.idle (10);

    auto* e = plugin.effect;
    const auto cutoff = 15;
    e->setParameter (e, cutoff, 0.2f);
    WindowTest::typeWithControl (XK_i);
    plugin.idle (10);
    EXPECT_EQ (e->getParameter (e, cutoff), 1.0f);

    WindowTest::typeWithControl (XK_r);
    plugin.idle (10);
    EXPECT_NE (e->getParameter (e, cutoff), 1.0f);
}

TEST (PluginWindow, DraggingAKnobReachesTheHostAsOneGesture)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    installResources();

    // Where the shipped skin puts the low-pass cutoff knob.
    juce::Rectangle<int> knob;
    {
        juce::ScopedJuceInitialiser_GUI gui;
        SVGProvider skin (juce::File (VORLAN_RESOURCES_DIR).getChildFile ("skin/skin.svg"));
        auto element = skin.getDrawable ("knob_15");
        ASSERT_NE (element, nullptr);
        knob = element->getBounds();
    }

    Instance plugin;
    ASSERT_NE (plugin.effect, nullptr);
    plugin.openEditor();
    ASSERT_TRUE (plugin.opened);
    plugin.idle (20);

    auto* e = plugin.effect;
    e->setParameter (e, 15, 0.5f);
    plugin.idle (10);

    const auto editorWindow = WindowTest::firstChild (plugin.window);
    const auto centre = knob.getCentre();
    WindowTest::moveTo (editorWindow, centre.x, centre.y);
    WindowTest::button (true);
    plugin.idle (5);

    for (int step = 1; step <= 10; ++step)
    {
        WindowTest::moveTo (editorWindow, centre.x, centre.y - 4 * step);
        plugin.idle (3);
    }

    WindowTest::button (false);
    plugin.idle (10);

    EXPECT_GT (e->getParameter (e, 15), 0.5f);
    const juce::ScopedLock sl (gestureLock);
    EXPECT_EQ (gestures.joinIntoString (", "), "begin 15, automate 15, end 15");
}
