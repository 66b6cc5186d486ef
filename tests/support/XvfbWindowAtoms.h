#pragma once

// A bare X server (Xvfb without a window manager) lacks the window-manager atoms that JUCE
// looks up without creating them, and JUCE then sets a property named by atom 0, which X
// answers with a fatal BadAtom. Interning them before JUCE connects lets windows open there.
#include <dlfcn.h>

#include <cstdlib>
#include <initializer_list>

namespace ormalix::test
{
struct WindowManagerAtoms
{
    // True when an X display could be opened at all.
    bool available = false;

    WindowManagerAtoms()
    {
        if (std::getenv ("DISPLAY") == nullptr)
            return;

        auto* x11 = dlopen ("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (x11 == nullptr)
            return;

        using OpenDisplay = void* (*) (const char*);
        using InternAtom = unsigned long (*) (void*, const char*, int);
        using CloseDisplay = int (*) (void*);
        auto open = (OpenDisplay) dlsym (x11, "XOpenDisplay");
        auto intern = (InternAtom) dlsym (x11, "XInternAtom");
        auto close = (CloseDisplay) dlsym (x11, "XCloseDisplay");

        if (open != nullptr && intern != nullptr && close != nullptr)
        {
            if (auto* display = open (nullptr))
            {
                available = true;
                for (const char* name : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "WM_CHANGE_STATE", "WM_STATE",
                                          "_NET_WM_PING", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL",
                                          "_NET_WM_WINDOW_TYPE_COMBO", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN",
                                          "_NET_WM_STATE_FULLSCREEN", "_NET_FRAME_EXTENTS", "_NET_WORKAREA",
                                          "_NET_WM_ALLOWED_ACTIONS", "_MOTIF_WM_HINTS" })
                    intern (display, name, 0);

                // Kept open: a bare server forgets its atoms when its last client leaves.
                (void) close;
            }
        }

    }
};

// Interned before main, whichever program includes this.
inline const WindowManagerAtoms windowManagerAtoms;
} // namespace ormalix::test
