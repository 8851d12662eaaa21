// Every transition style, run whole at several picture sizes, and the geometry of chosen styles
// at known progress values.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pictureshow/celltable.h"
#include "pictureshow/frame.h"
#include "pictureshow/random.h"
#include "pictureshow/styles.h"
#include "testpictures.h"

namespace qel::pictureshow {
namespace {

using raster::Bitmap;
using raster::Rect;
using test::kNewMark;
using test::kOldMark;
using test::MakePicture;
using test::Mark;
using test::ShownControl;

bool IsIncremental(int s)
{
    return s == 8 || s == 9 || (s >= 32 && s <= 39) || s == 46 || s == 47;
}

// Counts the pixels of b with the given mark; -1 when a pixel carries neither mark.
int CountMarked(const Bitmap& b, std::uint8_t mark)
{
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const std::uint8_t m = Mark(b, x, y);
            if (m != kOldMark && m != kNewMark)
                return -1;
            n += m == mark;
        }
    return n;
}

// Styles that only choose what of the new picture to show leave every pixel in place.
bool InPlace(const Bitmap& frame, const Bitmap& oldPic, const Bitmap& newPic)
{
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x) {
            const auto p = frame.Pixel(x, y);
            if (p != oldPic.Pixel(x, y) && p != newPic.Pixel(x, y))
                return false;
        }
    return true;
}

// A whole automatic transition of every style at every size: the first frame is the old
// picture, every frame in between is made of old and new pixels only (the fade blends them),
// the last frame and the window show the new picture whole, and the style ends.
TEST(AllStyles, RunWholeAtEverySize)
{
    SetFixedSeed(7);
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 7}, {69, 49}, {200, 100}, {640, 480}};
    for (auto [w, h] : sizes) {
        const Bitmap oldPic = MakePicture(w, h, kOldMark);
        const Bitmap newPic = MakePicture(w, h, kNewMark);
        for (int style = 0; style < kStyleCount; ++style) {
            SCOPED_TRACE("style " + std::to_string(style) + " at " + std::to_string(w) + "x" + std::to_string(h));
            ShownControl c(oldPic, w, h);
            ASSERT_TRUE(c.engine.Media() == oldPic);
            c.engine.SetPicture(newPic);
            c.engine.SetStyle(style);
            int frames = 0, completions = 0, lastNewInWindow = 0;
            bool first = true;
            c.engine.OnComplete = [&] { ++completions; };
            c.engine.OnProgress = [&] {
                ++frames;
                ASSERT_LE(frames, 300) << "the transition does not end";
                const Bitmap& m = c.engine.Media();
                if (first) {
                    EXPECT_TRUE(m == oldPic) << "first frame";
                    first = false;
                }
                if (style != seFade) {
                    ASSERT_GE(CountMarked(m, kNewMark), 0) << "frame at " << c.engine.Progress();
                }
                if (!StyleDrawsItself(style)) {
                    ASSERT_TRUE(InPlace(m, oldPic, newPic)) << "frame at " << c.engine.Progress();
                }
                const int shown = CountMarked(c.window.image, kNewMark);
                if (style != seFade) {
                    ASSERT_GE(shown, 0) << "window at " << c.engine.Progress();
                }
                // Incremental styles add to what the window shows, frame by frame.
                if (IsIncremental(style)) {
                    EXPECT_GE(shown, lastNewInWindow) << "window lost pixels at " << c.engine.Progress();
                }
                lastNewInWindow = shown;
            };
            c.engine.Execute();
            EXPECT_FALSE(c.engine.Busy());
            EXPECT_EQ(completions, 1);
            EXPECT_TRUE(c.engine.Media() == newPic) << "last frame";
            EXPECT_TRUE(c.window.image == newPic) << "window at the end";
        }
    }
}

// Frame bitmap of `style` at progress p, from a control that prepared the transition.
Bitmap FrameAt(int style, int w, int h, int p, raster::Region* invalidated = nullptr)
{
    const Bitmap oldPic = MakePicture(w, h, kOldMark);
    ShownControl c(oldPic, w, h);
    c.engine.SetPicture(MakePicture(w, h, kNewMark));
    c.engine.SetStyle(style);
    c.engine.SetManual(true);
    c.engine.Execute();
    c.window.ResetRecord();
    c.engine.SetProgress(p);
    if (invalidated)
        *invalidated = c.window.invalidated;
    return c.engine.Media();
}

// Which pixels of a frame show the new picture, as a region-like predicate.
bool ShowsNew(const Bitmap& b, int x, int y)
{
    return Mark(b, x, y) == kNewMark;
}

TEST(WipeStyles, RevealTheirRectangle)
{
    // Style 0 at P = 50 on 200 x 100 reveals columns 0 to 99.
    Bitmap m = FrameAt(seWipeLeft, 200, 100, 50);
    EXPECT_TRUE(ShowsNew(m, 99, 50));
    EXPECT_FALSE(ShowsNew(m, 100, 50));
    // Style 30 at P = 50 reveals (50, 25, 150, 75).
    m = FrameAt(seBoxOut, 200, 100, 50);
    EXPECT_TRUE(ShowsNew(m, 50, 25));
    EXPECT_TRUE(ShowsNew(m, 149, 74));
    EXPECT_FALSE(ShowsNew(m, 49, 25));
    EXPECT_FALSE(ShowsNew(m, 150, 74));
    EXPECT_FALSE(ShowsNew(m, 50, 24));
    EXPECT_FALSE(ShowsNew(m, 50, 75));
}

TEST(SlideStyles, SlidingBlindsShowTheLowerPartOfEachBand)
{
    // H = 600: band 20; at P = 50 each band's upper 10 rows show the lower 10 of the new band.
    const Bitmap newPic = MakePicture(50, 600, kNewMark);
    const Bitmap m = FrameAt(seXBlindHD, 50, 600, 50);
    for (int band : {0, 7, 29}) {
        EXPECT_EQ(m.Pixel(3, band * 20), newPic.Pixel(3, band * 20 + 10));
        EXPECT_EQ(m.Pixel(3, band * 20 + 9), newPic.Pixel(3, band * 20 + 19));
        EXPECT_FALSE(ShowsNew(m, 3, band * 20 + 10));
    }
}

TEST(SlideStyles, SplitPushesTheOldHalvesOutward)
{
    const Bitmap oldPic = MakePicture(200, 100, kOldMark);
    const Bitmap m = FrameAt(seSplitH, 200, 100, 50);
    // The left half of the old picture now ends at column 49, showing old columns 50 ... 99.
    EXPECT_EQ(m.Pixel(0, 10), oldPic.Pixel(50, 10));
    EXPECT_EQ(m.Pixel(49, 10), oldPic.Pixel(99, 10));
    EXPECT_TRUE(ShowsNew(m, 50, 10));
    EXPECT_TRUE(ShowsNew(m, 149, 10));
    EXPECT_EQ(m.Pixel(150, 10), oldPic.Pixel(100, 10));
}

TEST(RollStyles, StripIsMirroredAndAsWideAsTheRules)
{
    // 200 wide, P = 50: X = 100 lies between a fifth and four fifths, so the strip is W div 10.
    const Bitmap newPic = MakePicture(200, 20, kNewMark);
    const Bitmap m = FrameAt(seRollLeft, 200, 20, 50);
    EXPECT_TRUE(ShowsNew(m, 99, 5));
    // The strip starts at X, mirrored: its first column comes from the far end of the source.
    EXPECT_TRUE(ShowsNew(m, 100, 5));
    EXPECT_EQ(m.Pixel(100, 5), newPic.Pixel(139, 5));
    EXPECT_FALSE(ShowsNew(m, 125, 5));
}

TEST(FadeStyle, BlendsEachByteWithTruncatedTerms)
{
    const Bitmap oldPic = MakePicture(10, 10, kOldMark);
    const Bitmap newPic = MakePicture(10, 10, kNewMark);
    const Bitmap m = FrameAt(seFade, 10, 10, 37);
    for (int i = 0; i < 30; ++i) {
        const int o = oldPic.Scanline(3)[i], n = newPic.Scanline(3)[i];
        EXPECT_EQ(m.Scanline(3)[i], o * 63 / 100 + 37 * n / 100);
    }
}

TEST(StylePreparation, LineStylesTakeKAndTheirEndValue)
{
    int step = 4, max = 100;
    PrepareStyle(seChordLeft, 600, 450, step, max);
    EXPECT_EQ(LineStyleK(seChordLeft, 600, 450), 20);
    EXPECT_EQ(max, 50);
    EXPECT_EQ(step, 1);
    step = 4;
    max = 100;
    PrepareStyle(seChordUp, 600, 450, step, max);
    EXPECT_EQ(LineStyleK(seChordUp, 600, 450), 18);
    EXPECT_EQ(max, 43);
    for (int s : {49, 53, 58, 91}) {
        step = 4;
        max = 100;
        PrepareStyle(s, 600, 450, step, max);
        EXPECT_EQ(step, 5) << s;
        EXPECT_EQ(max, 100) << s;
    }
}

TEST(StylePreparation, EndValueOfAVeryWidePictureFitsAByte)
{
    int step = 4, max = 100;
    PrepareStyle(seChordLeft, 20000, 10, step, max);
    EXPECT_EQ(max, 255);
}

TEST(LineStyles, FirstFrameShowsColumnOneOnlyAndTheWindowGetsOnlyTheLines)
{
    raster::Region inv;
    const Bitmap m = FrameAt(seChordLeft, 600, 40, 1, &inv);
    for (int x = 0; x < 600; ++x)
        EXPECT_EQ(ShowsNew(m, x, 20), x == 1) << x;
    EXPECT_TRUE(inv == raster::Region::FromRect(1, 0, 2, 40));
}

TEST(ClockWipe, FirstStepIsAWedgeAnticlockwiseFromTwelve)
{
    raster::Region inv;
    const Bitmap m = FrameAt(seClockWise, 200, 200, 4, &inv);
    // Just left of 12 o'clock near the top is new; just right of it is not.
    EXPECT_TRUE(ShowsNew(m, 95, 5));
    EXPECT_FALSE(ShowsNew(m, 105, 5));
    EXPECT_FALSE(ShowsNew(m, 20, 100));
    // Only the wedge is invalidated.
    EXPECT_TRUE(inv.Contains(95, 5));
    EXPECT_FALSE(inv.Contains(105, 5));
    EXPECT_FALSE(inv.Contains(150, 150));
}

TEST(BoxZoom, SquaresGrowInTheCellCentres)
{
    // W = 400: cells of 40; at P = 50 the squares are 20 wide, 10 in from the cell corners.
    const Bitmap m = FrameAt(seBoxZoomIn, 400, 80, 50);
    EXPECT_TRUE(ShowsNew(m, 10, 10));
    EXPECT_TRUE(ShowsNew(m, 29, 29));
    EXPECT_FALSE(ShowsNew(m, 9, 10));
    EXPECT_FALSE(ShowsNew(m, 30, 30));
    EXPECT_TRUE(ShowsNew(m, 50, 50));
}

TEST(TriangleStyle, CoversThePictureAtTheEnd)
{
    const Bitmap oldPic = MakePicture(300, 200, kOldMark), newPic = MakePicture(300, 200, kNewMark);
    Bitmap media = oldPic;
    FrameContext f(oldPic, newPic, media, 100, 4);
    ASSERT_TRUE(RunStyle(seTriangle, f));
    ASSERT_EQ(f.choice, FrameChoice::Region);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_TRUE(f.region.Contains(x, y)) << x << "," << y;
}

TEST(DissolveStyle, CellTableCoversThePictureRowByRow)
{
    CellTable::Instance().Build(100, 45, 100 / 40);
    EXPECT_EQ(CellTable::Instance().CellSize(), 2);
    EXPECT_EQ(CellTable::Instance().CellCount(), 50 * 23);
    EXPECT_EQ(CellTable::Instance()[50].x, 0);
    EXPECT_EQ(CellTable::Instance()[50].y, 2);
    // Narrow pictures get cells of 1 instead of 0.
    CellTable::Instance().Build(10, 3, 10 / 40);
    EXPECT_EQ(CellTable::Instance().CellCount(), 30);
}

TEST(DissolveStyle, SameSeedSameFrames)
{
    SetFixedSeed(42);
    const Bitmap a = FrameAt(seDissolve, 120, 80, 40);
    const Bitmap b = FrameAt(seDissolve, 120, 80, 40);
    EXPECT_TRUE(a == b);
    SetFixedSeed(std::nullopt);
}

// Styles 85 and 86 join their columns into wider rectangles: the union must stay that of the
// rows and columns of five pixels the rule gives, drawn with the same random numbers, on sizes
// where columns overlap (width mod 5), where strips are given upside down and where they pass
// the picture's edges.
TEST(RaggedStyles, BoxesCoverWhatTheirRowsAndColumnsCover)
{
    for (const int style : {seRandomBoxIn, seRandomBoxOut}) {
        for (const auto& [w, h] : {std::pair{323, 207}, std::pair{200, 150}, std::pair{9, 31}, std::pair{64, 4}}) {
            for (const int p : {0, 1, 10, 50, 90, 99, 100}) {
                const Bitmap oldPic(w, h), newPic(w, h);
                Bitmap frame(w, h);
                SetFixedSeed(9);
                FrameContext f(oldPic, newPic, frame, p, 1);
                RunStyle(style, f);
                const raster::Region got = raster::Region::FromRects(f.rects);

                SetFixedSeed(9);
                std::vector<Rect> rule;
                const auto pass = [&](bool rows) {
                    const int L = rows ? w : h, across = rows ? h : w, e = rows ? f.X : f.Y;
                    const int a = e < L ? L / 7 : 0;
                    const auto j = [a] {
                        const int first = Random(a);
                        return first - Random(a);
                    };
                    const auto add = [&](int a0, int c0, int a1, int c1) {
                        const Rect r = rows ? Rect{a0, c0, a1, c1} : Rect{c0, a0, c1, a1};
                        rule.push_back(r.Normalized().Intersect(Rect{0, 0, w, h}));
                    };
                    for (int c = 0; c < across; c += 5) {
                        const int c1 = c + across % 5 + 5;
                        if (style == seRandomBoxOut) {
                            add((L - e + j()) / 2, c, L / 2, c1);
                            add(L / 2, c, (L + e + j()) / 2, c1);
                        } else {
                            add(L - (e + j()) / 2, c, L, c1);
                            add(0, c, (e + j()) / 2, c1);
                        }
                    }
                };
                pass(true);
                pass(false);
                EXPECT_EQ(got, raster::Region::FromRects(rule)) << style << " " << w << "x" << h << " P " << p;
            }
        }
    }
    SetFixedSeed(std::nullopt);
}

TEST(BlindStyles, ZeroProgressEndsTheFrameWithoutInvalidating)
{
    for (int style : {49, 50, 51, 52, 53, 54, 55, 56}) {
        raster::Region inv;
        const Bitmap oldPic = MakePicture(60, 60, kOldMark);
        ShownControl c(oldPic, 60, 60);
        c.engine.SetPicture(MakePicture(60, 60, kNewMark));
        c.engine.SetStyle(style);
        c.engine.SetManual(true);
        int after = 0;
        c.engine.OnAfterNewFrame = [&](const Bitmap&, Bitmap&) { ++after; };
        c.engine.Execute();  // the first frame at 0
        EXPECT_EQ(after, 0) << style;
        c.engine.SetProgress(10);
        EXPECT_EQ(after, 1) << style;
    }
}

TEST(Catalogue, NamesNumbersAndLookup)
{
    EXPECT_EQ(StyleIdentifier(0), "seWipeLeft");
    EXPECT_EQ(StyleDisplayName(2), "WipeDown");  // the identifier says up
    EXPECT_EQ(StyleDisplayName(8), "Anticlockwise Wipe");
    EXPECT_EQ(StyleDisplayName(91), "Fade In/Out");
    EXPECT_EQ(StyleIdentifier(91), "seFade");
    EXPECT_EQ(StyleDisplayName(92), "");
    std::set<std::string_view> names;
    for (int i = 0; i < kStyleCount; ++i)
        names.insert(StyleDisplayName(i));
    EXPECT_EQ(names.size(), 92u);
    EXPECT_EQ(FindStyleByName("fADE in/OUT"), 91);
    EXPECT_EQ(FindStyleByName("Fade"), std::nullopt);
}

}  // namespace
}  // namespace qel::pictureshow
