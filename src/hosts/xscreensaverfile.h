#pragma once
// Editing the user's preferences file of XScreenSaver (~/.xscreensaver) so that one program becomes
// the only saver it shows. Pure text in, text out: the caller reads and writes the file.
//
// The file is a list of "name: value" resources. "programs" is a multi-line value: its physical
// lines end in "\" to continue, and its entries are separated by the two characters "\n". An entry
// is an optional "-" (disabled), an optional visual ("GL:"), an optional title in double quotes and
// the command, which the host splits at blanks and runs without a shell. "selected" is the 0-based
// place of the saver in that list when "mode" is "one".

#include <optional>
#include <string>
#include <string_view>
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

// The value of the one-line resource `key` ("mode:", "selected:"), blanks trimmed; nothing when the
// file does not have it.
[[nodiscard]] std::optional<std::string> ReadResource(const std::string& content, std::string_view key);

// True when `content` holds nothing but what InstallSaverProgram writes into a new file once its
// entries are gone: its first comment line, blank lines and an empty "programs".
[[nodiscard]] bool HoldsOnlyOurLines(const std::string& content);

struct SaverRemoval {
    std::string content;   // the whole new file
    bool removed = false;  // an entry of the program was there and is gone
    bool empty = false;    // no entry is left in "programs"
};

// Undoes InstallSaverProgram: `content` without the entry that runs the same program as `command`.
// When "selected" pointed at that entry, "mode" and "selected" get their earlier values back (a
// resource that was not there before goes); when it pointed past it, it moves down by one.
[[nodiscard]] SaverRemoval UninstallSaverProgram(const std::string& content, const std::string& command,
                                                 const std::optional<std::string>& previousMode,
                                                 const std::optional<std::string>& previousSelected);

}  // namespace qel::hosts
