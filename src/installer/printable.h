#pragma once
// Names from a package (the saver's, its files') and paths on the receiver's system are shown to the
// user on a terminal: a control character in them (an escape sequence, a bell, a carriage return) is
// shown as "\xNN" instead of reaching the terminal. Line breaks and tabs of the message stay.

#include <string>

namespace qel::installer {

[[nodiscard]] std::string Printable(const std::string& text);

}  // namespace qel::installer
