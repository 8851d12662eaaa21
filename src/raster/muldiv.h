#pragma once
// Proportional scaling of integers, as the whole transition engine uses it.

#include <cstdint>
#include <limits>

namespace qel::raster {

// a * b / c with a 64-bit intermediate product and the quotient rounded to the nearest integer,
// halves away from zero (MulDiv(1, 1, 2) == 1, MulDiv(-1, 1, 2) == -1). Returns -1 when c is 0
// or when the result does not fit in an int, as the platform function of that name does.
[[nodiscard]] constexpr int MulDiv(int a, int b, int c)
{
    if (c == 0) {
        return -1;
    }
    const std::int64_t product = std::int64_t(a) * std::int64_t(b);
    const bool negative = (product < 0) != (c < 0);
    // Magnitudes as unsigned values, so that INT_MIN and the largest products need no special case.
    const std::uint64_t num = product < 0 ? std::uint64_t(0) - std::uint64_t(product) : std::uint64_t(product);
    const std::uint64_t den = c < 0 ? std::uint64_t(0) - std::uint64_t(std::int64_t(c)) : std::uint64_t(c);
    const std::uint64_t q = (num + den / 2) / den;
    if (negative) {
        if (q > std::uint64_t(std::numeric_limits<int>::max()) + 1) {
            return -1;
        }
        return int(-std::int64_t(q));
    }
    if (q > std::uint64_t(std::numeric_limits<int>::max())) {
        return -1;
    }
    return int(q);
}

}  // namespace qel::raster
