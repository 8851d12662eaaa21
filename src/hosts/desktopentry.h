#pragma once
// Desktop entries (the freedesktop.org .desktop files) for a screen saver.

#include <string>
#include <vector>

namespace qel::hosts {

// `argument` as the Exec key writes it: as it is when it has no reserved character, else inside
// double quotes with '"', '`', '$' and '\' escaped, each escaping backslash doubled again by the
// file's string rule.
[[nodiscard]] std::string QuoteExecArgument(const std::string& argument);

// An entry that lists `program` with `arguments` among the desktop's screen savers, named `title`.
[[nodiscard]] std::string ScreenSaverDesktopEntry(const std::string& title, const std::string& program,
                                                  const std::vector<std::string>& arguments);

}  // namespace qel::hosts
