#pragma once
// The per-user folders of the session that a program started by a screen-saver host may not be
// told about: hosts run their savers with a trimmed environment, sometimes without
// XDG_RUNTIME_DIR, and the sound server and our locks live in that folder.

#include <string>

namespace qel::platform {

// $XDG_RUNTIME_DIR when it names a folder; else the session's runtime folder that the system makes
// for this user ("/run/user/<uid>"), when it exists and belongs to the user; else empty.
[[nodiscard]] std::string UserRuntimeFolder();

// Puts UserRuntimeFolder() into XDG_RUNTIME_DIR when the variable is missing or empty, so that
// everything started from here (the sound output, the locks) finds the session's folder. Call it
// before the first thread starts.
void RestoreRuntimeFolderVariable();

// Where programs keep state that should survive a restart: $XDG_STATE_HOME when it is an absolute
// path, else "$HOME/.local/state" (no trailing "/"); empty when neither can be told.
[[nodiscard]] std::string UserStateFolder();

}  // namespace qel::platform
