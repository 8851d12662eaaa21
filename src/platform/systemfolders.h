#pragma once
// Where this program and the system keep things: the program's own folder, the temporary folder and
// the folder standing in for the system folder. The user's own folders are in userfolders.h.

#include <string>

namespace qel::platform {

// The path of the running program's own file; empty when the system does not say.
std::string ProgramFile();

// A path that starts the running program again: the very file this process runs, even when its
// path now names another (an update replaced it) or none.
std::string RunningProgramPath();

// Folder of the running program file, with a trailing "/".
std::string ProgramFolder();

// $TMPDIR, else "/tmp" (no trailing "/").
std::string SystemTempFolder();

// $QELSAVER_SYSTEM_DIR, else "/etc/qelsaver" (no trailing "/"). The preview reads its settings there.
std::string SystemFolder();

// True when this user may create and replace files in `folder` (an existing folder).
bool FolderWritable(const std::string& folder);

}  // namespace qel::platform
