#pragma once
// The desktop entry that lists a screen saver among the desktop's screen savers.

#include <string>
#include <vector>

namespace qel::hosts {

// An entry that lists `command` with `arguments` among the desktop's screen savers, named `title`.
// The host reads only entries that are not hidden from menus (no NoDisplay; shown in MATE only), and
// finds `command` by its name in its own folders.
[[nodiscard]] std::string ScreenSaverDesktopEntry(const std::string& title, const std::string& command,
                                                  const std::vector<std::string>& arguments);

}  // namespace qel::hosts
