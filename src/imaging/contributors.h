#pragma once
// Contributor lists of the resampler: for every output position along one axis, which source pixels
// feed it and with which fixed-point weight (8 fraction bits).
//
// Every output position i takes the taps j = left[i] .. left[i] + count[i] - 1 (source coordinates
// before mirroring; taps whose weight rounds to 0 are kept as zeros so the taps stay contiguous,
// which changes no sum). A tap j reads source pixel MirrorIndex(j, length).

#include <cstdint>
#include <vector>

#include "imaging/filters.h"

namespace qel::imaging {

struct AxisContributors {
    int outputs = 0;
    int length = 0;       // source length L
    int reachBefore = 0;  // the lowest tap is -reachBefore (>= 0)
    int reachAfter = 0;   // the highest tap is length - 1 + reachAfter (>= 0)
    int maxCount = 0;
    std::vector<int> left;       // per output
    std::vector<int> count;      // per output
    std::vector<int> first;      // per output: offset of its first weight in weights
    std::vector<int> weightSum;  // per output, never 0
    std::vector<std::int16_t> weights;
};

// Source index of tap j: mirrored at both edges (-j before the start, 2L - j - 1 past the end), then
// clamped into 0..L-1 for sources shorter than the kernel's reach.
inline int MirrorIndex(int j, int length)
{
    if (j < 0)
        j = -j;
    if (j >= length)
        j = 2 * length - j - 1;
    return j < 0 ? 0 : (j >= length ? length - 1 : j);
}

// Builds the contributors for `outputs` positions over a source of `length` pixels.
// outputs and length must be at least 1; radius > 0.
AxisContributors BuildContributors(int outputs, int length, FilterKernel kernel, float radius);

}  // namespace qel::imaging
