#pragma once
// The desktop entry format (the freedesktop.org ".desktop" files through which programs make
// themselves known to the desktop): the keys of the group [Desktop Entry], read and written, and the
// Exec key's quoting.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qel::base {

// The keys of the group [Desktop Entry] with their values as written, blanks around both taken off; a
// key given twice keeps its last value. Comments and other groups are passed over.
[[nodiscard]] std::map<std::string, std::string> ReadDesktopEntry(std::string_view text);

// An entry whose group [Desktop Entry] holds `keys`, in this order. A line break in a value becomes a
// blank, so no value can add keys.
[[nodiscard]] std::string WriteDesktopEntry(const std::vector<std::pair<std::string, std::string>>& keys);

// `argument` as the Exec key writes it: as it is when it has no reserved character, else inside
// double quotes with '"', '`', '$' and '\' escaped, each escaping backslash doubled again by the
// file's string rule.
[[nodiscard]] std::string QuoteExecArgument(const std::string& argument);

// The program an Exec value runs: its first word, quotes taken off.
[[nodiscard]] std::string ExecProgram(const std::string& exec);

// A list value ("Network;WebBrowser;") holds `item`.
[[nodiscard]] bool DesktopListHas(const std::string& list, const std::string& item);

}  // namespace qel::base
