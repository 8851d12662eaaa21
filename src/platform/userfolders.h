#pragma once
// The user's own folders, by one rule for all of them: an XDG variable counts only when it holds an
// absolute path (an empty or relative value is ignored, as the XDG base-directory rules say), and the
// home folder is $HOME when that is absolute, else the one the password database gives the user.
// Every folder comes without a trailing "/", and is empty when it cannot be told (no home folder).
//
// A program started by a screen-saver host may not be told about the session's runtime folder: hosts
// run their savers with a trimmed environment, sometimes without XDG_RUNTIME_DIR, and the sound server
// and our locks live in that folder.

#include <string>
#include <vector>

namespace qel::platform {

// The user's home folder: $HOME when it is an absolute path that names a folder, else empty.
[[nodiscard]] std::string HomeFolder();

// $XDG_CONFIG_HOME, else the home folder + "/.config".
[[nodiscard]] std::string UserConfigFolder();

// $XDG_DATA_HOME, else the home folder + "/.local/share".
[[nodiscard]] std::string UserDataFolder();

// Where programs keep state that should survive a restart: $XDG_STATE_HOME, else the home folder +
// "/.local/state".
[[nodiscard]] std::string UserStateFolder();

// The system's data folders, most important first: the absolute entries of $XDG_DATA_DIRS, else
// "/usr/local/share" and "/usr/share".
[[nodiscard]] std::vector<std::string> SystemDataFolders();

// One of the user's named folders ("DOCUMENTS", "PICTURES", "MUSIC"...): the XDG_<name>_DIR entry of
// the configuration folder's "user-dirs.dirs" when it names an existing folder, else the home folder
// (empty when there is none).
[[nodiscard]] std::string UserNamedFolder(const std::string& name);

// Where the user's own files (projects, packages) go when nothing else was chosen: `programFolder`
// while this user may write there (a build, a portable copy), else the documents folder, else home.
// Comes without a trailing "/" like the others.
[[nodiscard]] std::string DefaultFilesFolder(const std::string& programFolder);

// $XDG_RUNTIME_DIR when it names a folder by an absolute path; else the session's runtime folder that the system makes
// for this user ("/run/user/<uid>"), when it exists and belongs to the user; else empty.
[[nodiscard]] std::string UserRuntimeFolder();

// Puts UserRuntimeFolder() into XDG_RUNTIME_DIR when the variable is missing or empty, so that
// everything started from here (the sound output, the locks) finds the session's folder. Call it
// before the first thread starts.
void RestoreRuntimeFolderVariable();

}  // namespace qel::platform
