#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "raster/xrgb.h"

using namespace qel::raster;

// Every pixel of the area becomes 0xFFRRGGBB at its own place, whatever the width (the wide
// steps and the pixels left over) and however large the area (large ones are written past the
// cache), and nothing outside the area is written.
TEST(ToXrgb32, WritesEachPixelOfTheAreaOpaqueAndNothingElse)
{
    constexpr std::uint32_t kUntouched = 0x12345678;
    std::vector<std::pair<int, int>> sizes;
    for (int w = 1; w <= 40; ++w)
        sizes.emplace_back(w, 3);
    sizes.emplace_back(601, 500);
    for (auto [w, h] : sizes) {
        Bitmap src(w + 3, h);
        for (int y = 0; y < src.Height(); ++y)
            for (int x = 0; x < src.Width(); ++x)
                src.SetPixel(x, y,
                             Color((x * 5 + 1) & 0xFF) | (Color((y * 40 + 2) & 0xFF) << 8) |
                                 (Color((x ^ 0x5A) & 0xFF) << 16));
        const std::size_t stride = std::size_t(src.Width() + 2) * 4;
        std::vector<std::uint32_t> out(stride / 4 * std::size_t(src.Height()), kUntouched);
        const Rect area{2, 1, 2 + w, h};
        ToXrgb32(src, area, reinterpret_cast<std::uint8_t*>(out.data()), stride);
        for (int y = 0; y < src.Height(); ++y) {
            for (int x = 0; x < src.Width() + 2; ++x) {
                const std::uint32_t got = out[std::size_t(y) * stride / 4 + std::size_t(x)];
                const bool inside = x >= area.left && x < area.right && x < src.Width() && y >= area.top;
                if (!inside) {
                    ASSERT_EQ(got, kUntouched) << "width " << w << " pixel " << x << "," << y;
                    continue;
                }
                // Colour 0x00BBGGRR becomes 0xFFRRGGBB.
                const Color c = src.Pixel(x, y);
                const std::uint32_t want = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
                ASSERT_EQ(got, want) << "width " << w << " pixel " << x << "," << y;
            }
        }
    }
}
