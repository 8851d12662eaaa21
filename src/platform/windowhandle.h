#pragma once
// A window of the display server, given by number (an X11 window id here).

namespace qel::platform {

using WindowHandle = unsigned long;

}  // namespace qel::platform
