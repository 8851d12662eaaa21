#pragma once
// Which window a screen-saver host gives its saver, and whether that window is a monitor's cover or
// a small preview.

#include "app/commandline.h"

namespace qel::app {

// The window the host gave.
struct HostTarget {
    bool given = false;           // a window was named at all; otherwise the show runs full-screen
    WindowHandle window = 0;      // 0 when the name does not read
    bool settingsDialog = false;  // named by "--window-id": the settings dialog's preview
};

// "--window-id ID" when given, else XSCREENSAVER_WINDOW (hexadecimal after "0x", or decimal).
[[nodiscard]] HostTarget FindHostTarget(const CommandLine& cl);

// True when a window of width x height is a preview rather than a monitor's cover: at most half as
// wide and half as high as the smallest screen. False when no screen size is known.
[[nodiscard]] bool PreviewSized(int width, int height, int smallestScreenWidth, int smallestScreenHeight);

}  // namespace qel::app
