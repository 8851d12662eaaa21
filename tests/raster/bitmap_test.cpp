#include <gtest/gtest.h>

#include <climits>
#include <new>

#include "raster/bitmap.h"
#include "raster/muldiv.h"

using namespace qel::raster;

TEST(Bitmap, LayoutIsThreeBytesBlueGreenRedWithRowsPaddedToFour)
{
    // 5 pixels = 15 bytes, padded to 16; the bytes of a pixel are blue, green, red.
    Bitmap b(5, 2);
    EXPECT_EQ(b.Stride(), 16);
    EXPECT_EQ(Bitmap(4, 1).Stride(), 12);
    EXPECT_EQ(Bitmap(1, 1).Stride(), 4);
    b.SetPixel(1, 1, 0x00112233);  // 0x00BBGGRR
    const std::uint8_t* row = b.Scanline(1);
    EXPECT_EQ(row[3], 0x11);
    EXPECT_EQ(row[4], 0x22);
    EXPECT_EQ(row[5], 0x33);
    EXPECT_EQ(b.Pixel(1, 1), 0x00112233u);
    EXPECT_EQ(b.Pixel(0, 0), 0u) << "new bitmaps are black";
}

TEST(Bitmap, EmptyAndNegativeSizesHaveNoPixels)
{
    for (auto [w, h] :
         {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}, std::pair{4, -3}, std::pair{INT_MIN, INT_MIN}}) {
        Bitmap b(w, h);
        EXPECT_TRUE(b.IsEmpty());
        EXPECT_EQ(b.Width(), 0);
        EXPECT_EQ(b.Height(), 0);
        b.Fill(0xFFFFFF);  // harmless
        EXPECT_EQ(b.Pixel(0, 0), 0u);
    }
}

TEST(Bitmap, HugeSizesThrowBadAllocAndLeaveTheBitmapAsItWas)
{
    EXPECT_THROW(Bitmap(INT_MAX, INT_MAX), std::bad_alloc);
    EXPECT_THROW(Bitmap(INT_MAX, 1), std::bad_alloc);  // the row alone overflows an int stride
    EXPECT_THROW(Bitmap(100000, 100000), std::bad_alloc);
    Bitmap b(3, 3);
    b.SetPixel(2, 2, 0x123456);
    EXPECT_THROW(b.Resize(1 << 30, 1 << 30), std::bad_alloc);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Pixel(2, 2), 0x123456u);
}

TEST(Bitmap, FillIsClippedToTheBitmapAndLeavesTheRestAlone)
{
    Bitmap b(4, 3);
    b.Fill(Rect{2, 1, 10, 10}, 0x0000FF);
    EXPECT_EQ(b.Pixel(1, 1), 0u);
    EXPECT_EQ(b.Pixel(2, 0), 0u);
    EXPECT_EQ(b.Pixel(2, 1), 0x0000FFu);
    EXPECT_EQ(b.Pixel(3, 2), 0x0000FFu);
    b.Fill(Rect{-5, -5, 1, 1}, 0x00FF00);
    EXPECT_EQ(b.Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(b.Pixel(1, 0), 0u);
    b.Fill(Rect{3, 3, 1, 1}, 0xFFFFFF);  // given the wrong way round: empty, nothing drawn
    EXPECT_EQ(b.Pixel(2, 2), 0x0000FFu);
}

TEST(Bitmap, PixelAccessOutsideIsIgnored)
{
    Bitmap b(2, 2);
    b.SetPixel(-1, 0, 0xFFFFFF);
    b.SetPixel(2, 0, 0xFFFFFF);
    b.SetPixel(0, 2, 0xFFFFFF);
    EXPECT_EQ(b.Pixel(-1, 0), 0u);
    EXPECT_EQ(b.Pixel(5, 5), 0u);
    EXPECT_EQ(b, Bitmap(2, 2));
}

TEST(Bitmap, EqualityComparesSizeAndPixelsButNotRowPadding)
{
    Bitmap a(3, 2);
    Bitmap b(3, 2);
    EXPECT_EQ(a, b);
    a.Scanline(0)[9] = 0x77;  // the padding byte after 3 pixels
    EXPECT_EQ(a, b);
    a.SetPixel(2, 1, 1);
    EXPECT_NE(a, b);
    EXPECT_NE(Bitmap(3, 2), Bitmap(2, 3));
}

TEST(Bitmap, ResizeChangesTheSizeAndNewPixelsAreBlack)
{
    Bitmap b;
    EXPECT_TRUE(b.IsEmpty());
    b.Resize(7, 5);
    EXPECT_EQ(b.Width(), 7);
    EXPECT_EQ(b.Height(), 5);
    EXPECT_EQ(b.Stride(), 24);
    EXPECT_EQ(b.Pixel(6, 4), 0u);
    b.Fill(0xABCDEF);
    b.Resize(7, 5);  // same size: content kept
    EXPECT_EQ(b.Pixel(3, 3), 0xABCDEFu);
    b.Resize(0, 9);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Bounds(), Rect{});
}

#ifndef NDEBUG
TEST(BitmapDeathTest, ScanlineOutsideTheBitmapAssertsInDebugBuilds)
{
    Bitmap b(2, 2);
    EXPECT_DEATH((void)b.Scanline(2), "");
    EXPECT_DEATH((void)b.Scanline(-1), "");
}
#endif

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(1, -1, 2), -1);
    EXPECT_EQ(MulDiv(1, 1, -2), -1);
    EXPECT_EQ(MulDiv(-1, -1, -2), -1);
    EXPECT_EQ(MulDiv(5, 1, 3), 2);
    EXPECT_EQ(MulDiv(4, 1, 3), 1);
    EXPECT_EQ(MulDiv(-5, 1, 3), -2);
    EXPECT_EQ(MulDiv(1920, 50, 100), 960);
    EXPECT_EQ(MulDiv(400, 500, 300), 667);  // a 400 x 300 picture fitted into 500 rows
}

TEST(MulDiv, UsesA64BitProductAndReportsFailureAsMinusOne)
{
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(1 << 20, 1 << 20, 1 << 12), 1 << 28);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);  // 2^31 does not fit
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    EXPECT_EQ(MulDiv(INT_MIN, INT_MIN, INT_MIN), INT_MIN);
}
