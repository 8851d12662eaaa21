#include "slideshow/shareddraws.h"

#include <utility>

namespace qel::slideshow {
namespace {

// Cycles run side by side, a transition or two apart at most; a cycle that falls further behind
// makes draws of its own.
constexpr std::size_t kRemembered = 256;

}  // namespace

SharedDraws::SharedDraws(RandomIndex draw, std::function<void()> reseed)
    : draw_(std::move(draw)), reseed_(std::move(reseed))
{
}

SharedDraws::Cycle SharedDraws::ForCycle()
{
    // From the oldest draw remembered: the cycles made together at the start of a show follow
    // each other from their first draw, whichever starts drawing first.
    auto cursor = std::make_shared<std::size_t>(first_);
    Cycle c;
    c.draw = [this, cursor](int n) { return Take(*cursor, n); };
    // Only the cycle that makes a new draw reseeds: a replayed draw is already decided.
    c.reseed = [this, cursor] {
        if (*cursor >= first_ + history_.size())
            reseed_();
    };
    return c;
}

int SharedDraws::Take(std::size_t& cursor, int n)
{
    const std::size_t k = cursor++;
    if (k >= first_ && k < first_ + history_.size()) {
        const Draw& d = history_[k - first_];
        if (d.n == n)
            return d.value;
        return draw_(n);  // the cycles went different ways: this one draws for itself
    }
    if (k < first_)
        return draw_(n);
    const int value = draw_(n);
    history_.push_back({n, value});
    while (history_.size() > kRemembered) {
        history_.pop_front();
        ++first_;
    }
    return value;
}

}  // namespace qel::slideshow
