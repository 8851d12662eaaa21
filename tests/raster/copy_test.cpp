#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <utility>
#include <vector>

#include "raster/compose.h"
#include "raster/copy.h"

using namespace qel::raster;

namespace {

// A bitmap whose every pixel has its own colour: x in red, y in green, a tag in blue.
Bitmap Numbered(int w, int h, int tag = 1)
{
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            b.SetPixel(x, y, Color(x & 0xFF) | (Color(y & 0xFF) << 8) | (Color(tag & 0xFF) << 16));
        }
    }
    return b;
}

int Xof(Color c)
{
    return int(c & 0xFF);
}
int Yof(Color c)
{
    return int((c >> 8) & 0xFF);
}

Bitmap Filled(int w, int h, Color c)
{
    Bitmap b(w, h);
    b.Fill(c);
    return b;
}

Bitmap MirroredX(const Bitmap& b)
{
    Bitmap m(b.Width(), b.Height());
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            m.SetPixel(b.Width() - 1 - x, y, b.Pixel(x, y));
        }
    }
    return m;
}

Bitmap MirroredY(const Bitmap& b)
{
    Bitmap m(b.Width(), b.Height());
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            m.SetPixel(x, b.Height() - 1 - y, b.Pixel(x, y));
        }
    }
    return m;
}

Region RandomRegion(std::mt19937& rng, int w, int h)
{
    std::uniform_int_distribution<int> xs(-5, w + 5);
    std::uniform_int_distribution<int> ys(-5, h + 5);
    Region r;
    for (int i = 0; i < 6; ++i) {
        r.Combine(Region::FromRect(xs(rng), ys(rng), xs(rng), ys(rng)),
                  i % 3 == 2 ? CombineMode::Xor : CombineMode::Or);
    }
    return r;
}

}  // namespace

TEST(Copy, CopiesAtAnOffsetClippedToTheDestination)
{
    const Bitmap src = Numbered(3, 2, 7);
    Bitmap dst = Filled(4, 4, 0xFFFFFF);
    Copy(dst, 2, 1, src);
    EXPECT_EQ(dst.Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(dst.Pixel(2, 1), src.Pixel(0, 0));
    EXPECT_EQ(dst.Pixel(3, 2), src.Pixel(1, 1));
    EXPECT_EQ(dst.Pixel(3, 3), 0xFFFFFFu);
    Copy(dst, -2, -1, src);  // only source pixel (2, 1) lands, at (0, 0)
    EXPECT_EQ(dst.Pixel(0, 0), src.Pixel(2, 1));
    EXPECT_EQ(dst.Pixel(1, 0), 0xFFFFFFu);
}

TEST(Copy, FarAwayOrEmptySourcesCopyNothing)
{
    Bitmap dst = Filled(4, 4, 0x123456);
    const Bitmap before = dst;
    const Bitmap src = Numbered(3, 3);
    Copy(dst, INT_MAX, INT_MAX, src);
    Copy(dst, INT_MIN, INT_MIN, src);
    Copy(dst, 4, 0, src);
    Copy(dst, 0, -3, src);
    Copy(dst, 0, 0, Bitmap());
    Copy(dst, INT_MAX, 0, src, Rect{INT_MIN, 0, INT_MAX, 3});
    Copy(dst, 0, 0, src, Rect{2, 2, 1, 3});
    EXPECT_EQ(dst, before);
    Bitmap empty;
    Copy(empty, 0, 0, src);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(Copy, ASourceRectangleReachingOutsideTheSourceDoesNotMoveThePixels)
{
    // Every pixel copied lands where its place in the source rectangle says, whatever was cut
    // off; an equal-size stretch copy is the same copy.
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> coord(-6, 12);
    for (int round = 0; round < 300; ++round) {
        const Bitmap src = Numbered(7, 5);
        const int x = coord(rng);
        const int y = coord(rng);
        const Rect s{coord(rng), coord(rng), coord(rng), coord(rng)};
        Bitmap dst = Filled(9, 8, 0xFFFFFF);
        Copy(dst, x, y, src, s);
        for (int v = 0; v < 8; ++v) {
            for (int u = 0; u < 9; ++u) {
                const int sx = u - x + s.left;
                const int sy = v - y + s.top;
                const bool copied = sx >= std::max(s.left, 0) && sx < std::min(s.right, 7) &&
                                    sy >= std::max(s.top, 0) && sy < std::min(s.bottom, 5);
                ASSERT_EQ(dst.Pixel(u, v), copied ? src.Pixel(sx, sy) : 0xFFFFFFu) << "round " << round;
            }
        }
        if (!s.IsEmpty()) {
            Bitmap stretched = Filled(9, 8, 0xFFFFFF);
            StretchCopy(stretched, Rect{x, y, x + s.Width(), y + s.Height()}, src, s);
            ASSERT_EQ(stretched, dst) << "round " << round;
        }
    }
}

TEST(Copy, EveryCopyReadsASourceThatIsAlsoTheDestinationAsItWas)
{
    const Bitmap original = Numbered(9, 7);
    const Region clip = Region::FromRect(1, 0, 6, 5);
    const std::vector<std::pair<Rect, Rect>> copies{{Rect{2, 1, 6, 6}, Rect{0, 0, 4, 5}},
                                                    {Rect{0, 3, 5, 5}, Rect{3, 4, 8, 6}}};
    const auto same = [&](auto&& copy) {
        Bitmap fromItself = original;
        copy(fromItself, fromItself);
        Bitmap fromAnother = original;
        copy(fromAnother, original);
        return fromItself == fromAnother && fromItself != original;
    };
    EXPECT_TRUE(same([](Bitmap& d, const Bitmap& s) { Copy(d, 1, 1, s); }));
    EXPECT_TRUE(same([](Bitmap& d, const Bitmap& s) { Copy(d, 1, 2, s, Rect{2, 1, 8, 6}); }));
    EXPECT_TRUE(same([&](Bitmap& d, const Bitmap& s) { CopyClipped(d, 2, 1, s, clip); }));
    EXPECT_TRUE(same([](Bitmap& d, const Bitmap& s) { CopyClipped(d, 2, 1, s, Rect{1, 0, 6, 5}); }));
    EXPECT_TRUE(same([&](Bitmap& d, const Bitmap& s) { CopyBatch(d, s, copies); }));
    EXPECT_TRUE(same([](Bitmap& d, const Bitmap& s) { StretchCopy(d, Rect{1, 1, 8, 6}, s, Rect{0, 0, 7, 5}); }));
    EXPECT_TRUE(same([](Bitmap& d, const Bitmap& s) { StretchCopy(d, Rect{0, 0, 9, 7}, s, Rect{1, 1, 4, 3}); }));
    EXPECT_TRUE(same([&](Bitmap& d, const Bitmap& s) {
        StretchCopyClipped(d, Rect{0, 0, 9, 7}, s, Rect{1, 1, 4, 3}, clip);
    }));
    const Bitmap other = Filled(9, 7, 0x010203);
    const Region was = Region::FromRect(1, 1, 4, 3);
    EXPECT_TRUE(same([&](Bitmap& d, const Bitmap& s) { (void)ComposeChange(d, other, s, clip, was); }));
    EXPECT_TRUE(same([&](Bitmap& d, const Bitmap& s) { (void)ComposeChange(d, s, other, was, clip); }));
}

TEST(CopyClipped, CopiesExactlyThePixelsInsideTheClip)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + round % 23;
        const int h = 1 + round % 17;
        const Bitmap src = Numbered(w + 3, h + 2, 9);
        const Bitmap before = Filled(w, h, 0x010203);
        const Region clip = RandomRegion(rng, w, h);
        const int ox = int(rng() % 7) - 3;
        const int oy = int(rng() % 7) - 3;
        Bitmap dst = before;
        CopyClipped(dst, ox, oy, src, clip);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool covered =
                    clip.Contains(x, y) && x - ox >= 0 && x - ox < src.Width() && y - oy >= 0 && y - oy < src.Height();
                ASSERT_EQ(dst.Pixel(x, y), covered ? src.Pixel(x - ox, y - oy) : before.Pixel(x, y))
                    << "round " << round << " pixel " << x << "," << y;
            }
        }
        // A rectangle clips the same as the region of that rectangle.
        const Rect box = clip.Rects().empty() ? Rect{} : clip.Rects()[rng() % clip.Rects().size()];
        Bitmap throughRegion = before;
        CopyClipped(throughRegion, ox, oy, src, Region::FromRect(box));
        Bitmap throughRect = before;
        CopyClipped(throughRect, ox, oy, src, box);
        ASSERT_EQ(throughRect, throughRegion) << "round " << round;
    }
}

TEST(CopyClippedToRects, CopiesTheUnionOfOverlappingRectangles)
{
    // Tall, wide and square rectangles, overlapping and reaching outside the bitmaps.
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> coord(-4, 30);
    for (int round = 0; round < 300; ++round) {
        const Bitmap src = Numbered(24 + round % 3, 20, 5);
        std::vector<Rect> rects;
        for (int i = int(rng() % 12); i > 0; --i) {
            const int l = coord(rng);
            const int t = coord(rng);
            rects.push_back(Rect{l, t, l + 1 + int(rng() % 12), t + 1 + int(rng() % 12)});
        }
        Bitmap expected = Filled(25, 21, 0x010203);
        CopyClipped(expected, 0, 0, src, Region::FromRects(rects));
        Bitmap dst = Filled(25, 21, 0x010203);
        CopyClippedToRects(dst, src, rects);
        ASSERT_EQ(dst, expected) << "round " << round;
    }
}

TEST(CopyBatch, EqualsTheCopiesMadeOneByOne)
{
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> coord(-5, 20);
    for (int round = 0; round < 300; ++round) {
        const Bitmap src = Numbered(16, 14, 3);
        std::vector<std::pair<Rect, Rect>> copies;
        for (int i = int(rng() % 8); i > 0; --i) {
            const Rect s{coord(rng), coord(rng), coord(rng), coord(rng)};
            const int x = coord(rng);
            const int y = coord(rng);
            copies.emplace_back(Rect{x, y, x + s.Width(), y + s.Height()}, s);
        }
        Bitmap expected = Filled(15, 13, 0x010203);
        for (const auto& [d, s] : copies) {
            Copy(expected, d.left, d.top, src, s);
        }
        Bitmap dst = Filled(15, 13, 0x010203);
        CopyBatch(dst, src, copies);
        ASSERT_EQ(dst, expected) << "round " << round;
    }
}

// The frame changes from "newer inside was" to "newer inside now" by writing was xor now only.
TEST(ComposeChange, WritesOnlyThePixelsWhereTheTwoAreasDifferAndReturnsThem)
{
    std::mt19937 rng(29);
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + round % 19;
        const int h = 1 + round % 13;
        const Bitmap older = Numbered(w, h, 1);
        const Bitmap newer = Numbered(w, h, 2);
        const Region was = RandomRegion(rng, w, h);
        const Region now = RandomRegion(rng, w, h);
        Bitmap dst = older;
        CopyClipped(dst, 0, 0, newer, was);
        Bitmap expected = older;
        CopyClipped(expected, 0, 0, newer, now);
        Region differ = Region::Combined(was, now, CombineMode::Xor);
        differ.Combine(Region::FromRect(0, 0, w, h), CombineMode::And);
        // A pixel outside the difference that were written would be seen here: it is marked.
        const Region same = Region::Combined(Region::FromRect(0, 0, w, h), differ, CombineMode::Diff);
        for (const Rect& r : same.Rects()) {
            dst.Fill(r, 0x010203);
            expected.Fill(r, 0x010203);
        }
        const Region changed = ComposeChange(dst, older, newer, was, now);
        ASSERT_EQ(dst, expected) << "round " << round;
        ASSERT_EQ(changed, differ) << "round " << round;
        ASSERT_TRUE(changed.SelfCheck());
    }
}

// The area a stretch copy reports is every pixel it writes and no other, mirrored, clipped or
// reaching outside the source.
TEST(StretchCopyArea, IsExactlyThePixelsTheCopyWrites)
{
    const Bitmap src = Numbered(20, 10, 3);
    const std::pair<Rect, Rect> cases[] = {{{2, 1, 12, 6}, {0, 0, 10, 5}},   {{2, 1, 12, 6}, {0, 0, 20, 10}},
                                           {{11, 1, 1, 6}, {0, 0, 7, 5}},    {{2, 8, 12, 2}, {3, 2, 9, 8}},
                                           {{-4, -2, 9, 7}, {-6, 1, 25, 9}}, {{5, 5, 40, 30}, {15, 5, 25, 12}},
                                           {{3, 3, 3, 9}, {0, 0, 4, 4}},     {{0, 0, 30, 2}, {10, 9, 0, 0}},
                                           {{9, 0, 5, 9}, {19, 9, 14, 0}},   {{1, 1, 17, 11}, {-10, -10, 30, 20}}};
    for (const auto& [d, s] : cases) {
        Bitmap dst = Filled(25, 15, 0x000000);
        StretchCopy(dst, d, src, s);
        const Rect area = StretchCopyArea(dst, d, src, s);
        for (int y = 0; y < dst.Height(); ++y) {
            for (int x = 0; x < dst.Width(); ++x) {
                const bool written = dst.Pixel(x, y) != 0;
                const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                ASSERT_EQ(written, inside) << "pixel " << x << "," << y << " of d " << d.left << "," << d.top << ","
                                           << d.right << "," << d.bottom;
            }
        }
    }
}

TEST(StretchCopy, EqualSizesCopyPixelForPixel)
{
    const Bitmap src = Numbered(6, 5);
    Bitmap dst = Filled(8, 8, 0xFFFFFF);
    StretchCopy(dst, Rect{3, 2, 7, 5}, src, Rect{1, 1, 5, 4});
    EXPECT_EQ(dst.Pixel(3, 2), src.Pixel(1, 1));
    EXPECT_EQ(dst.Pixel(6, 4), src.Pixel(4, 3));
    EXPECT_EQ(dst.Pixel(2, 2), 0xFFFFFFu);
    EXPECT_EQ(dst.Pixel(7, 4), 0xFFFFFFu);
    EXPECT_EQ(dst.Pixel(3, 5), 0xFFFFFFu);
}

TEST(StretchCopy, DoublingRepeatsEverySourcePixelTwiceEachWay)
{
    const Bitmap src = Numbered(3, 2);
    Bitmap dst(6, 4);
    StretchCopy(dst, dst.Bounds(), src, src.Bounds());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(dst.Pixel(x, y), src.Pixel(x / 2, y / 2)) << x << "," << y;
        }
    }
}

TEST(StretchCopy, OnePixelSourceFloodsTheDestination)
{
    const Bitmap src = Filled(1, 1, 0x445566);
    Bitmap dst(5, 3);
    StretchCopy(dst, Rect{0, 0, 5, 3}, src, Rect{0, 0, 1, 1});
    EXPECT_EQ(dst, Filled(5, 3, 0x445566));
    Bitmap one(1, 1);
    StretchCopy(one, Rect{0, 0, 1, 1}, Numbered(9, 9), Rect{0, 0, 9, 9});
    EXPECT_EQ(Xof(one.Pixel(0, 0)), 4) << "a shrink to one pixel samples the middle";
    EXPECT_EQ(Yof(one.Pixel(0, 0)), 4);
}

TEST(StretchCopy, MirroredDestinationCoversRightPlusOneToLeft)
{
    // d = (3, 0, -1, 1): right < left, so columns 0 ... 3 are written, mirrored.
    const Bitmap src = Numbered(4, 1);
    Bitmap dst = Filled(6, 1, 0xFFFFFF);
    StretchCopy(dst, Rect{3, 0, -1, 1}, src, Rect{0, 0, 4, 1});
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(Xof(dst.Pixel(x, 0)), 3 - x);
    }
    EXPECT_EQ(dst.Pixel(4, 0), 0xFFFFFFu);
    // Rows the same way.
    const Bitmap col = Numbered(1, 3);
    Bitmap out = Filled(1, 4, 0xFFFFFF);
    StretchCopy(out, Rect{0, 3, 1, 0}, col, Rect{0, 0, 1, 3});
    EXPECT_EQ(out.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(Yof(out.Pixel(0, 1)), 2);
    EXPECT_EQ(Yof(out.Pixel(0, 3)), 0);
}

TEST(StretchCopy, AMirroredCopyIsTheUnmirroredCopyTurnedRound)
{
    // The roll transitions flip a strip with left := right + 1, right := left - 1.
    for (int sw = 1; sw <= 9; ++sw) {
        for (int dw = 1; dw <= 12; ++dw) {
            const Bitmap src = Numbered(sw, 3);
            Bitmap plain(dw, 5);
            StretchCopy(plain, Rect{0, 0, dw, 5}, src, src.Bounds());
            Bitmap flippedX(dw, 5);
            StretchCopy(flippedX, Rect{dw - 1, 0, -1, 5}, src, src.Bounds());
            EXPECT_EQ(flippedX, MirroredX(plain)) << sw << " -> " << dw;
            Bitmap flippedY(dw, 5);
            StretchCopy(flippedY, Rect{0, 4, dw, -1}, src, src.Bounds());
            EXPECT_EQ(flippedY, MirroredY(plain)) << sw << " -> " << dw;
            // A source given the wrong way round mirrors as well; both together cancel out.
            Bitmap both(dw, 5);
            StretchCopy(both, Rect{dw - 1, 0, -1, 5}, src, Rect{sw - 1, 0, -1, 3});
            EXPECT_EQ(both, plain);
        }
    }
}

TEST(StretchCopy, SourceBeyondTheBitmapShrinksTheDestinationInProportion)
{
    // Source columns 2 ... 5 of a 4-wide picture: only 2 and 3 exist, so only the first half of
    // the 8 destination columns is written.
    const Bitmap src = Numbered(4, 1);
    Bitmap dst = Filled(8, 1, 0xFFFFFF);
    StretchCopy(dst, Rect{0, 0, 8, 1}, src, Rect{2, 0, 6, 1});
    EXPECT_EQ(Xof(dst.Pixel(0, 0)), 2);
    EXPECT_EQ(Xof(dst.Pixel(1, 0)), 2);
    EXPECT_EQ(Xof(dst.Pixel(2, 0)), 3);
    EXPECT_EQ(Xof(dst.Pixel(3, 0)), 3);
    for (int x = 4; x < 8; ++x) {
        EXPECT_EQ(dst.Pixel(x, 0), 0xFFFFFFu);
    }
    // Mirrored: the missing source end is cut from the other end of the destination.
    Bitmap m = Filled(8, 1, 0xFFFFFF);
    StretchCopy(m, Rect{7, 0, -1, 1}, src, Rect{2, 0, 6, 1});
    EXPECT_EQ(Xof(m.Pixel(7, 0)), 2);
    EXPECT_EQ(Xof(m.Pixel(4, 0)), 3);
    EXPECT_EQ(m.Pixel(3, 0), 0xFFFFFFu);
    // Entirely outside: nothing.
    Bitmap none = Filled(8, 1, 0xFFFFFF);
    StretchCopy(none, Rect{0, 0, 8, 1}, src, Rect{4, 0, 9, 1});
    StretchCopy(none, Rect{0, 0, 8, 1}, src, Rect{-9, 0, 0, 1});
    EXPECT_EQ(none, Filled(8, 1, 0xFFFFFF));
}

TEST(StretchCopy, DestinationClippingDoesNotMoveTheSamples)
{
    // Copying onto a small bitmap gives the same pixels as copying onto a large one and cutting.
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> coord(-12, 24);
    for (int round = 0; round < 300; ++round) {
        const Bitmap src = Numbered(7, 6);
        const Rect d{coord(rng), coord(rng), coord(rng), coord(rng)};
        const Rect s{int(rng() % 9) - 1, int(rng() % 8) - 1, int(rng() % 9) - 1, int(rng() % 8) - 1};
        Bitmap small = Filled(10, 9, 0xFFFFFF);
        StretchCopy(small, d, src, s);
        Bitmap large = Filled(60, 60, 0xFFFFFF);
        StretchCopy(large, d.Offset(20, 20), src, s);
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 10; ++x) {
                ASSERT_EQ(small.Pixel(x, y), large.Pixel(x + 20, y + 20)) << "round " << round;
            }
        }
    }
}

TEST(StretchCopy, ThroughARegionChangesOnlyThePixelsInsideIt)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 100; ++round) {
        const Bitmap src = Numbered(9, 7, 4);
        const Rect d{int(rng() % 5) - 2, int(rng() % 5) - 2, 5 + int(rng() % 12), 4 + int(rng() % 10)};
        const Rect s{0, 0, 9, 7};
        const Region clip = RandomRegion(rng, 14, 12);
        Bitmap whole = Filled(14, 12, 0x0A0B0C);
        StretchCopy(whole, d, src, s);
        Bitmap clipped = Filled(14, 12, 0x0A0B0C);
        StretchCopyClipped(clipped, d, src, s, clip);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 14; ++x) {
                ASSERT_EQ(clipped.Pixel(x, y), clip.Contains(x, y) ? whole.Pixel(x, y) : 0x0A0B0Cu);
            }
        }
    }
}

TEST(StretchCopy, DegenerateAndHugeRectanglesAreSafe)
{
    const Bitmap src = Numbered(4, 4);
    Bitmap dst = Filled(4, 4, 0xFFFFFF);
    const Bitmap before = dst;
    StretchCopy(dst, Rect{0, 0, 0, 4}, src, src.Bounds());
    StretchCopy(dst, Rect{0, 0, 4, 4}, src, Rect{2, 0, 2, 4});
    StretchCopy(dst, Rect{0, 0, 4, 4}, Bitmap(), Rect{0, 0, 4, 4});
    EXPECT_EQ(dst, before);
    StretchCopy(dst, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, src, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    StretchCopy(dst, Rect{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, src, src.Bounds());
    StretchCopyClipped(dst, Rect{INT_MIN, 0, INT_MAX, 4}, src, src.Bounds(), Region::FromRect(0, 0, 2, 2));
    // Whatever those did, every pixel written came from the source.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(dst.Pixel(x, y) >> 16, 1u);
        }
    }
}
