#pragma once
// Handing files and addresses to the desktop's own opener, which starts the program the user chose
// for their kind (a browser for a web page, a mail program for "mailto:", a viewer for a document).

#include <string>

namespace qel::platform {

// True when the desktop names a program for the kind of `file` (asked of xdg-mime).
[[nodiscard]] bool CanOpenWithDesktop(const std::string& file);

// Starts the desktop's opener (xdg-open) on `target`, a file path or an address, and returns at
// once: the program it starts runs on alone. False when the opener could not be started or
// failed at once.
bool OpenWithDesktop(const std::string& target);

}  // namespace qel::platform
