#include <gtest/gtest.h>

#include <cstdint>

#include "raster/bilinear.h"

namespace qel::raster {
namespace {

Bitmap Noise(int w, int h)
{
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * kBytesPerPixel; ++x)
            b.Scanline(y)[x] = std::uint8_t((x * 37 + y * 101) ^ (x * y));
    return b;
}

// Widths that run the four-at-a-time path with every length of tail, and the one-pixel source.
TEST(Bilinear, WholePixelOffsetsCopyAndHalfPixelsAverage)
{
    for (int w : {1, 2, 7, 8, 9, 13, 40}) {
        const Bitmap src = Noise(w + 3, 5);
        const SampleSource source(src);
        Bitmap dst(w + 6, 4);
        dst.Fill(0x123456);
        const Rect area{2, 1, 2 + w, 4};
        // Destination (2, 1) takes source (3, 2): a whole-pixel shift copies exactly.
        DrawBilinear(dst, area, source, {1.0, 1.0}, {1.0, 1.0});
        for (int y = 0; y < dst.Height(); ++y)
            for (int x = 0; x < dst.Width(); ++x) {
                const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                EXPECT_EQ(dst.Pixel(x, y), inside ? src.Pixel(x + 1, y + 1) : Color(0x123456))
                    << "width " << w << " at " << x << "," << y;
            }
        // Half a pixel across: each channel the rounded mean of the two neighbours.
        DrawBilinear(dst, area, source, {-1.5, 1.0}, {-1.0, 1.0});
        for (int x = area.left; x < area.right; ++x)
            for (int c = 0; c < kBytesPerPixel; ++c) {
                const int a = src.Scanline(0)[3 * (x - 2) + c], b = src.Scanline(0)[3 * (x - 1) + c];
                EXPECT_EQ(dst.Scanline(1)[3 * x + c], (a + b + 1) / 2) << "width " << w << " x " << x;
            }
    }
}

TEST(Bilinear, PointsPastTheEdgesTakeTheEdgePixels)
{
    const Bitmap src = Noise(5, 4);
    Bitmap dst(9, 6);
    DrawBilinear(dst, dst.Bounds(), SampleSource(src), {-2.0, 1.0}, {-1.0, 1.0});
    EXPECT_EQ(dst.Pixel(0, 0), src.Pixel(0, 0));
    EXPECT_EQ(dst.Pixel(8, 5), src.Pixel(4, 3));
    EXPECT_EQ(dst.Pixel(8, 0), src.Pixel(4, 0));
    EXPECT_EQ(dst.Pixel(3, 5), src.Pixel(1, 3));
}

TEST(Bilinear, AnOverlayShowsWhatLiesBelowAsMuchAsItLetsThrough)
{
    Overlay o;
    o.box = {1, 0, 4, 1};
    // Opaque white, nothing at all, half black.
    o.pixels = {255, 255, 255, 0, 0, 0, 0, 255, 0, 0, 0, 128};
    Bitmap dst(5, 1);
    dst.Fill(0x00C8C8C8);
    BlendOverlay(dst, o, {0, 0, 3, 1});  // the last pixel is clipped away
    EXPECT_EQ(dst.Pixel(1, 0), Color(0x00FFFFFF));
    EXPECT_EQ(dst.Pixel(2, 0), Color(0x00C8C8C8));
    EXPECT_EQ(dst.Pixel(3, 0), Color(0x00C8C8C8));
}

}  // namespace
}  // namespace qel::raster
