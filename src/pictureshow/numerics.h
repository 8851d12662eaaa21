#pragma once
// Integer helpers shared by the transition geometry.
//   - C++ integer division already truncates toward zero, which is what the geometry expects.
//   - Round: floating-point value to nearest integer, ties to even.
//   - MulDiv (from the raster layer): a * b / c with a 64-bit product, quotient rounded to nearest.

#include <cmath>
#include <cstdint>

#include "raster/muldiv.h"

namespace qel::pictureshow {

[[nodiscard]] inline int Round(double v)
{
    // nearbyint honours the current rounding mode, which is round-to-nearest-even by default.
    return static_cast<int>(std::nearbyint(v));
}

using raster::MulDiv;

}  // namespace qel::pictureshow
