#include "slideshow/exitmouse.h"

#include <cstdlib>

namespace qel::slideshow {

bool MouseExitRule::MovedTooFar(int x, int y)
{
    if (originX_ == -1)
        originX_ = x;
    if (originY_ == -1)
        originY_ = y;
    return std::abs(originX_ - x) > kTolerance || std::abs(originY_ - y) > kTolerance;
}

}  // namespace qel::slideshow
