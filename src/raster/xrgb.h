#pragma once
// Handing pictures to a window system: the 24-bit pixels of a bitmap written as 32-bit words
// 0xFFRRGGBB, the layout of most window surfaces (in memory: blue, green, red, 255), so a window
// can take them with plain copies.

#include <cstddef>
#include <cstdint>

#include "bitmap.h"
#include "rect.h"

namespace qel::raster {

// Writes the pixels of `area` (clipped to src) to the same coordinates of a buffer of 32-bit
// pixels whose rows lie `stride` bytes apart, and which holds at least src's size.
void ToXrgb32(const Bitmap& src, const Rect& area, std::uint8_t* dst, std::size_t stride);

}  // namespace qel::raster
