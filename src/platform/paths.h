#pragma once
// Where things live on this system: the program's folder, the temporary folder, the folder for
// lock files, and the folder standing in for the system folder.

#include <string>

namespace qel::platform {

// Folder of the running program file, with a trailing "/".
std::string ProgramFolder();

// $TMPDIR, else "/tmp" (no trailing "/").
std::string SystemTempFolder();

// $XDG_RUNTIME_DIR when it is a usable folder, else the temporary folder (no trailing "/").
std::string RuntimeFolder();

// $QELSAVER_SYSTEM_DIR, else "/etc/qelsaver" (no trailing "/"). The preview reads its settings there.
std::string SystemFolder();

}  // namespace qel::platform
