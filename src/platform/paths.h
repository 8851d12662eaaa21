#pragma once
// Where things live on this system: the program's folder, the temporary folder, the folder for
// lock files, the user's configuration folder and the folder standing in for the system folder.

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

// $XDG_CONFIG_HOME when it is an absolute path, else the home folder + "/.config" (no trailing
// "/"); empty when the user has no home folder either.
std::string UserConfigFolder();

// True when this user may create and replace files in `folder` (an existing folder).
bool FolderWritable(const std::string& folder);

}  // namespace qel::platform
