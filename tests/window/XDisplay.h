// The test process's own connection to the virtual display. The window
// manager's atoms are interned first: without a window manager they do not
// exist, and the framework's windows fail on them.
#pragma once

#include <juce_graphics/juce_graphics.h>

// After everything else: Xlib's macros (None, Bool, Status...) clash with C++ names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstring>
#include <vector>

namespace WindowTest
{
    inline Display* display()
    {
        static Display* d = []
        {
            auto* opened = XOpenDisplay (nullptr);
            for (auto* name : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "WM_CHANGE_STATE", "WM_STATE",
                                "_NET_WM_PING", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_FULLSCREEN",
                                "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_COMBO",
                                "_NET_WM_ALLOWED_ACTIONS", "_NET_FRAME_EXTENTS", "_NET_WORKAREA", "_MOTIF_WM_HINTS",
                                "_WIN_HINTS", "KWM_WIN_DECORATION", "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE" })
                if (opened != nullptr)
                    XInternAtom (opened, name, False);     // a round trip: the atom exists on return
            return opened;
        }();

        return d;
    }

    /** A plain mapped top-level window, as a host makes to hold an editor. */
    inline Window createHostWindow (int width, int height)
    {
        const auto window = XCreateSimpleWindow (display(), DefaultRootWindow (display()), 0, 0, (unsigned) width, (unsigned) height, 0, 0, 0);
        XMapWindow (display(), window);
        XSync (display(), False);
        return window;
    }

    /** A window's children, bottom first. */
    inline std::vector<Window> children (Window window)
    {
        Window root = 0, parent = 0, *list = nullptr;
        unsigned int count = 0;
        XQueryTree (display(), window, &root, &parent, &list, &count);
        const std::vector<Window> result (list, list + count);
        if (list != nullptr) XFree (list);
        return result;
    }

    /** The first child of a window (the plug-in's window inside the host's). */
    inline Window firstChild (Window window)    { const auto c = children (window); return c.empty() ? 0 : c.front(); }

    /** The pointer moved to (x, y) in the window, through the server's test extension. */
    inline void moveTo (Window window, int x, int y)
    {
        Window child = 0;
        int rootX = 0, rootY = 0;
        XTranslateCoordinates (display(), window, DefaultRootWindow (display()), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent (display(), -1, rootX, rootY, CurrentTime);
        XSync (display(), False);
    }

    inline void button (bool down)     { XTestFakeButtonEvent (display(), 1, down ? True : False, CurrentTime); XSync (display(), False); }

    inline void click()     { button (true); button (false); }

    /** A key typed with the modifiers held: pressed in order, released in reverse. */
    inline void type (KeySym key, std::vector<KeySym> held = {})
    {
        held.push_back (key);
        for (auto k : held)
            XTestFakeKeyEvent (display(), XKeysymToKeycode (display(), k), True, CurrentTime);
        for (auto k = held.rbegin(); k != held.rend(); ++k)
            XTestFakeKeyEvent (display(), XKeysymToKeycode (display(), *k), False, CurrentTime);
        XSync (display(), False);
    }

    /** The screen area of the first viewable top-level window with that title, or an empty one; a window
        manager's frame around it is looked into. */
    inline juce::Rectangle<int> topLevelNamed (const char* title)
    {
        for (auto top : children (DefaultRootWindow (display())))
        {
            auto candidates = children (top);
            candidates.insert (candidates.begin(), top);

            for (auto w : candidates)
            {
                XTextProperty name {};
                XWindowAttributes a {};
                const auto named = XGetWMName (display(), w, &name) != 0 && name.value != nullptr && std::strcmp ((const char*) name.value, title) == 0;
                if (name.value != nullptr) XFree (name.value);
                Window child = 0;
                int x = 0, y = 0;
                if (named && XGetWindowAttributes (display(), w, &a) != 0 && a.map_state == IsViewable
                     && XTranslateCoordinates (display(), w, DefaultRootWindow (display()), 0, 0, &x, &y, &child))
                    return { x, y, a.width, a.height };
            }
        }
        return {};
    }

    /** What the window shows on the screen, its children included. */
    inline juce::Image grab (Window window, int width, int height)
    {
        juce::Image image (juce::Image::RGB, width, height, true);
        auto* x = XGetImage (display(), window, 0, 0, (unsigned) width, (unsigned) height, AllPlanes, ZPixmap);
        if (x == nullptr) return {};
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < width; ++i)
                image.setPixelAt (i, y, juce::Colour ((juce::uint32) XGetPixel (x, i, y) | 0xff000000u));

        XDestroyImage (x);
        return image;
    }
}
