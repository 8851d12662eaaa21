#include "imaging/orientation.h"

#include <cstring>

namespace qel::imaging {

int ExifOrientation(std::span<const std::uint8_t> app1)
{
    static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 + 8 || std::memcmp(app1.data(), kExif, 6) != 0)
        return 1;
    const std::span<const std::uint8_t> tiff = app1.subspan(6);
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 1;
    auto u16 = [&](size_t at) -> std::uint32_t {
        return little ? (tiff[at] | (tiff[at + 1] << 8)) : ((tiff[at] << 8) | tiff[at + 1]);
    };
    auto u32 = [&](size_t at) -> std::uint32_t {
        return little ? (u16(at) | (u16(at + 2) << 16)) : ((u16(at) << 16) | u16(at + 2));
    };
    if (u16(2) != 42)
        return 1;
    const std::uint32_t ifd = u32(4);
    if (ifd > tiff.size() || tiff.size() - ifd < 2)
        return 1;
    const std::uint32_t entries = u16(ifd);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const size_t at = ifd + 2 + static_cast<size_t>(i) * 12;
        if (at + 12 > tiff.size())
            return 1;
        if (u16(at) != 0x0112)
            continue;
        // Type SHORT (3), count 1: the value sits in the first two bytes of the value field.
        if (u16(at + 2) != 3 || u32(at + 4) < 1)
            return 1;
        const std::uint32_t v = u16(at + 8);
        return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
    }
    return 1;
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
