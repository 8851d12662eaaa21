#pragma once
// The desktop entry that lists a screen saver among the desktop's screen savers.

#include <string>
#include <vector>

namespace qel::hosts {

// An entry that lists `program` with `arguments` among the desktop's screen savers, named `title`.
[[nodiscard]] std::string ScreenSaverDesktopEntry(const std::string& title, const std::string& program,
                                                  const std::vector<std::string>& arguments);

}  // namespace qel::hosts
