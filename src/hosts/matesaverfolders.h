#pragma once
// MATE's screen saver runs a saver only from its own folders, which only the system may write: a
// desktop entry naming any other program is listed, and activating it shows a black screen. A copy of
// QelSaver is runnable there when one of those folders holds it or a link to it (the Debian package
// puts one there); any other copy (a build tree, a saver a friend's package installed in the home
// folder) is not.

#include <string>
#include <vector>

namespace qel::hosts {

// The folders MATE's screen saver runs savers from: those of Debian's build, or the ones
// $QELSAVER_MATE_SAVER_FOLDERS names.
[[nodiscard]] std::vector<std::string> MateSaverFolders();

// The name under which MATE's screen saver runs `program`: that of an entry of `folders` that is the
// program itself or a link to it (the first found). Empty when there is none.
[[nodiscard]] std::string MateSaverCommandName(const std::string& program, const std::vector<std::string>& folders);

}  // namespace qel::hosts
