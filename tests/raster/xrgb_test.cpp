#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "raster/xrgb.h"

using namespace qel::raster;

// Every pixel of the clip that src covers becomes 0xFFRRGGBB of the src pixel placed there, whatever
// the width (the wide steps and the pixels left over) and however large the area (large ones are
// written past the cache and split among threads), and nothing else is written.
TEST(ToXrgb32, WritesEachPixelOfTheClipOpaqueAndNothingElse)
{
    constexpr std::uint32_t kUntouched = 0x12345678;
    std::vector<std::pair<int, int>> sizes;
    for (int w = 1; w <= 40; ++w)
        sizes.emplace_back(w, 3);
    sizes.emplace_back(601, 500);
    sizes.emplace_back(1500, 900);
    for (auto [w, h] : sizes) {
        Bitmap src(w + 3, h);
        for (int y = 0; y < src.Height(); ++y)
            for (int x = 0; x < src.Width(); ++x)
                src.SetPixel(x, y,
                             Color((x * 5 + 1) & 0xFF) | (Color((y * 40 + 2) & 0xFF) << 8) |
                                 (Color((x ^ 0x5A) & 0xFF) << 16));
        // The surface begins one row and two columns before its pixel (0, 0); src lies at (-1, 1).
        const int sw = src.Width() + 4, sh = src.Height() + 2;
        const std::size_t stride = std::size_t(sw) * 4;
        std::vector<std::uint32_t> out(std::size_t(sw) * std::size_t(sh), kUntouched);
        const XrgbSurface surface{
            reinterpret_cast<std::uint8_t*>(out.data()) + stride + 8, stride, {-2, -1, sw - 2, sh - 1}};
        const int px = -1, py = 1;
        // Two boxes side by side in the lower rows, and one reaching off the surface.
        Region clip = Region::FromRect(1, 1, 1 + w, h);
        clip.Combine(Region::FromRect(-5, h / 2, w / 2, h + 5), CombineMode::Or);
        ToXrgb32(surface, px, py, src, clip);
        for (int y = -1; y < sh - 1; ++y) {
            for (int x = -2; x < sw - 2; ++x) {
                const std::uint32_t got = out[std::size_t(y + 1) * std::size_t(sw) + std::size_t(x + 2)];
                const bool inClip = (x >= 1 && x < 1 + w && y >= 1 && y < h) || (x >= -5 && x < w / 2 && y >= h / 2);
                const bool onSrc = x >= px && x < px + src.Width() && y >= py && y < py + src.Height();
                if (!inClip || !onSrc) {
                    ASSERT_EQ(got, kUntouched) << "width " << w << " pixel " << x << "," << y;
                    continue;
                }
                // Colour 0x00BBGGRR becomes 0xFFRRGGBB.
                const Color c = src.Pixel(x - px, y - py);
                const std::uint32_t want = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
                ASSERT_EQ(got, want) << "width " << w << " pixel " << x << "," << y;
            }
        }
    }
}
