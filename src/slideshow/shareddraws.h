#pragma once
// The random draws of picture cycles that must show the same order (one cycle per screen): the
// first cycle to need its k-th draw makes it, every other cycle gets the same answer for its own
// k-th draw. Cycles make their draws in the same sequence (the next picture, the next style ...),
// so they show the same pictures in the same order, each at its own pace.

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>

#include "slideshow/showorder.h"

namespace qel::slideshow {

class SharedDraws {
public:
    struct Cycle {
        RandomIndex draw;
        std::function<void()> reseed;  // reseeds the generator, unless the draw is replayed
    };

    // `draw` and `reseed` make the draws that are not replayed (the process's generator).
    SharedDraws(RandomIndex draw, std::function<void()> reseed);

    // The draw functions of one more cycle, starting from the oldest draw still remembered. They
    // refer to this object, which must outlive them.
    [[nodiscard]] Cycle ForCycle();

private:
    struct Draw {
        int n;
        int value;
    };
    int Take(std::size_t& cursor, int n);

    RandomIndex draw_;
    std::function<void()> reseed_;
    std::deque<Draw> history_;
    std::size_t first_ = 0;  // draw number of history_.front()
};

}  // namespace qel::slideshow
