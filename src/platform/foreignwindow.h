#pragma once
// Questions about a window of another program, given by its X11 id: the preview is embedded in
// such a window and must notice when it goes away; and the size of the display itself.

#include <optional>

#include "platform/windowhandle.h"

namespace qel::platform {

struct WindowSize {
    int width = 0;
    int height = 0;
};

// The size of the window `handle` on the display in $DISPLAY, or nothing when there is no such
// window (destroyed, never existed, handle 0) or no display can be reached. Main thread only.
std::optional<WindowSize> ForeignWindowSize(WindowHandle handle);

// The size of the default screen of the display in $DISPLAY (its root window, all monitors
// together), asked over a connection of its own that is closed again; nothing when no display can
// be reached. Any thread; needs no window toolkit.
std::optional<WindowSize> DisplaySize();

}  // namespace qel::platform
