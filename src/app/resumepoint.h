#pragma once
// Where a saver run by a host starts. Hosts end their savers and start them again every few minutes
// (a new cycle, another monitor, the user coming back), and a show that always began with its first
// picture would show that one again and again. So the last picture shown is kept in a small state
// file, and the next run starts with the picture after it: the next one in list order, any other
// one in random order. Only while the picture list is the same: the file holds a fingerprint of the
// list, and a file for another list, or a damaged one, is ignored.
//
// The file: "$XDG_STATE_HOME/qelsaver/resume" (default "~/.local/state/qelsaver/resume"), two lines
// "list=<16 hex digits>" and "last=<index>", replaced in one step when it changes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "slideshow/showorder.h"

namespace qel::app {

// The state file's path; empty when the user's state folder cannot be told.
[[nodiscard]] std::string ResumeFilePath();

// A fingerprint of the list: its length and every path, in order.
[[nodiscard]] std::uint64_t ListFingerprint(const std::vector<std::string>& pictures);

// The index of the picture last shown of `pictures`, as the file at `path` records it; nothing when
// the file is missing, damaged, or was written for another list.
[[nodiscard]] std::optional<int> ReadLastShown(const std::string& path, const std::vector<std::string>& pictures);

// Records `index` as the picture last shown of `pictures`. Failures are ignored: the next run then
// starts as if there had been none.
void WriteLastShown(const std::string& path, const std::vector<std::string>& pictures, int index);

// How a picture cycle takes `pictures` so that it starts after picture `last`.
struct ResumedOrder {
    std::vector<std::string> pictures;  // in list order, turned to begin after `last`
    slideshow::RandomIndex draw;        // in random order, the first picture drawn is not `last`
};
[[nodiscard]] ResumedOrder ResumeAfter(const std::vector<std::string>& pictures, bool random, int last,
                                       slideshow::RandomIndex draw);

// The index in `pictures` of the picture `path` that came in after picture `last`: the first entry
// with that path after `last`, going round (a list may hold a picture twice); -1 when none has it.
[[nodiscard]] int ShownIndex(const std::vector<std::string>& pictures, int last, const std::string& path);

}  // namespace qel::app
