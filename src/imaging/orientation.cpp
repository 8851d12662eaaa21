#include "imaging/orientation.h"

#include <cstring>

#include "imaging/exif.h"

namespace qel::imaging {

int ExifOrientation(std::span<const std::uint8_t> app1)
{
    return ReadExifFields(app1).orientation;
}

raster::Bitmap ApplyOrientation(const raster::Bitmap& stored, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return stored;
    const int sw = stored.Width(), sh = stored.Height();
    const bool swap = SwapsAxes(orientation);
    raster::Bitmap out(swap ? sh : sw, swap ? sw : sh);
    const int ow = out.Width(), oh = out.Height();
    // Source pixel of output pixel (x, y): sx = ax + bx*x + cx*y, sy = ay + by*x + cy*y.
    int ax = 0, bx = 1, cx = 0, ay = 0, by = 0, cy = 1;
    // clang-format off
    switch (orientation) {
    case 2: ax = sw - 1; bx = -1; break;
    case 3: ax = sw - 1; bx = -1; ay = sh - 1; cy = -1; break;
    case 4: ay = sh - 1; cy = -1; break;
    case 5: bx = 0; cx = 1; by = 1; cy = 0; break;
    case 6: bx = 0; cx = 1; ay = sh - 1; by = -1; cy = 0; break;
    case 7: ax = sw - 1; bx = 0; cx = -1; ay = sh - 1; by = -1; cy = 0; break;
    case 8: ax = sw - 1; bx = 0; cx = -1; by = 1; cy = 0; break;
    }
    // clang-format on
    // Tiles keep both the reads and the writes within the cache when the axes swap.
    constexpr int kTile = 64;
    for (int ty = 0; ty < oh; ty += kTile) {
        for (int tx = 0; tx < ow; tx += kTile) {
            const int ye = ty + kTile < oh ? ty + kTile : oh;
            const int xe = tx + kTile < ow ? tx + kTile : ow;
            for (int y = ty; y < ye; ++y) {
                std::uint8_t* dst = out.Scanline(y) + 3 * tx;
                for (int x = tx; x < xe; ++x, dst += 3) {
                    const int sx = ax + bx * x + cx * y;
                    const int sy = ay + by * x + cy * y;
                    std::memcpy(dst, stored.Scanline(sy) + 3 * sx, 3);
                }
            }
        }
    }
    return out;
}

}  // namespace qel::imaging
