#pragma once
// The saver as a screen-saver host runs it: "--root" with the host's window in the environment
// variable XSCREENSAVER_WINDOW (one process per monitor), or "--window-id ID" from the host's
// settings dialog for its small preview.

#include "app/hosttarget.h"

namespace qel::app {

// Shows the run-mode settings in the target window until the window goes, or a stop signal comes.
// Only one of the processes a host starts at once plays the music (the first to take the lock in
// the runtime folder); a preview plays none. A QApplication exists.
void RunHostMode(const HostTarget& target);

}  // namespace qel::app
