#pragma once
// Which entry of a picture or sound list comes next. Both lists follow the same rule: list order
// wraps around after the last entry; random order never repeats the entry just shown or played.

#include <functional>

namespace qel::slideshow {

// Returns 0 ... n - 1 uniformly.
using RandomIndex = std::function<int(int n)>;

// The index after `current` in a list of `count` entries (count >= 1). With fewer than two entries
// the answer is 0. In random order indices are drawn until one differs from `current`.
[[nodiscard]] int NextIndex(int current, int count, bool random, const RandomIndex& draw);

}  // namespace qel::slideshow
