#pragma once
// Editing the user's preferences file of XScreenSaver (~/.xscreensaver) so that one program becomes
// the only saver it shows. Pure text in, text out: the caller reads and writes the file.
//
// The file is a list of "name: value" resources. "programs" is a multi-line value: its physical
// lines end in "\" to continue, and its entries are separated by the two characters "\n". An entry
// is an optional "-" (disabled), an optional visual ("GL:"), an optional title in double quotes and
// the command, which the host splits at blanks and runs without a shell. "selected" is the 0-based
// place of the saver in that list when "mode" is "one".

#include <string>
#include <vector>

namespace qel::hosts {

struct SaverEntry {
    std::string text;     // the entry as written, without the separator and surrounding blanks
    bool enabled = true;  // no leading "-"
    std::string command;  // the command, after any "-", visual and title
};

// The entries of the "programs" resource in `content`, in order; empty when there is none.
[[nodiscard]] std::vector<SaverEntry> ParseSaverPrograms(const std::string& content);

struct SaverInstall {
    std::string content;  // the whole new file
    int selected = -1;    // the place of our entry in the list
};

// `content` (empty for a file that does not exist yet) with one entry `"title"  command` in
// "programs" (an entry whose command runs the same program is reused, enabled and given the new
// title; otherwise the entry is added at the end), "mode" set to "one" and "selected" to that
// entry's place. Everything else in the file stays as it was. `command` must not contain blanks
// other than between its words, nor a double quote in `title` (they are dropped).
[[nodiscard]] SaverInstall InstallSaverProgram(const std::string& content, const std::string& title,
                                               const std::string& command);

}  // namespace qel::hosts
