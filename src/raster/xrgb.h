#pragma once
// Handing pictures to a window system: the 24-bit pixels of a bitmap written as 32-bit words
// 0xFFRRGGBB, the layout of most window surfaces (in memory: blue, green, red, 255), so a window
// can take them with plain copies.

#include <cstddef>
#include <cstdint>

#include "bitmap.h"
#include "rect.h"
#include "region.h"

namespace qel::raster {

// A surface of 32-bit pixels: pixel (x, y) lies at origin + y * stride + 4 * x, for the pixels
// inside `bounds` (which may begin at negative coordinates, for a client area partly off the
// surface).
struct XrgbSurface {
    std::uint8_t* origin = nullptr;
    std::size_t stride = 0;
    Rect bounds;
};

// Writes src, its top-left pixel placed at (x, y) of the surface, inside `clip` (surface
// coordinates, clipped to the surface and to where src lies). Large areas are split among a few
// threads: one core alone cannot move a 4K frame's pixels in a frame's time.
void ToXrgb32(const XrgbSurface& dst, int x, int y, const Bitmap& src, const Region& clip);

}  // namespace qel::raster
