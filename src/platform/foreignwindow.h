#pragma once
// Questions about a window of another program, given by its X11 id: the preview is embedded in
// such a window and must notice when it goes away; and a first connection to the display itself,
// made before the window toolkit connects.

#include <optional>

#include "platform/windowhandle.h"

struct xcb_connection_t;

namespace qel::platform {

struct WindowSize {
    int width = 0;
    int height = 0;
};

// The size of the window `handle` on the display in $DISPLAY, or nothing when there is no such
// window (destroyed, never existed, handle 0) or no display can be reached. Main thread only.
std::optional<WindowSize> ForeignWindowSize(WindowHandle handle);

// A connection to the display in $DISPLAY, open for as long as this lives. Made before the window
// toolkit connects, it tells whether a display can be reached at all (the toolkit ends the process
// when it cannot) and how large it is; it must then stay open until the toolkit has connected: on
// an X server with no other client the last connection closing resets the server, and a
// connection made during the reset fails. Any thread; needs no window toolkit.
class DisplayConnection {
public:
    DisplayConnection();
    ~DisplayConnection();
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;

    [[nodiscard]] bool Connected() const { return connection_ != nullptr; }
    // The size of the display's default screen (its root window, all monitors together); nothing
    // when it could not be reached.
    [[nodiscard]] std::optional<WindowSize> ScreenSize() const;

private:
    xcb_connection_t* connection_ = nullptr;
    int screen_ = 0;
};

}  // namespace qel::platform
