// The picture-show control without a window: properties, Execute, Manual, Reverse, Clear,
// painting and invalidation.

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pictureshow/pictureshowengine.h"
#include "pictureshow/random.h"
#include "pictureshow/styles.h"
#include "raster/xrgb.h"
#include "testpictures.h"

namespace qel::pictureshow {
namespace {

using raster::Bitmap;
using raster::Rect;
using raster::Region;
using test::kNewMark;
using test::kOldMark;
using test::MakePicture;
using test::ShownControl;
using test::WindowImage;

TEST(Engine, ExecuteWithoutPictureDoesNothing)
{
    WindowImage window(50, 50);
    PictureShowEngine e(&window);
    int events = 0;
    e.OnProgress = e.OnComplete = [&] { ++events; };
    e.Execute();
    EXPECT_FALSE(e.Busy());
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(e.Media().IsEmpty());
}

TEST(Engine, StepIsAtLeastOneAndAtMostTheEndValueAndResetByExecute)
{
    ShownControl c(MakePicture(40, 30, kOldMark), 40, 30);
    c.engine.SetStep(0);
    EXPECT_EQ(c.engine.Step(), 1);
    c.engine.SetStep(1000);
    EXPECT_EQ(c.engine.Step(), 100);
    c.engine.SetStep(9);
    c.engine.SetPicture(MakePicture(40, 30, kNewMark));
    int frames = 0;
    c.engine.OnProgress = [&] { ++frames; };
    c.engine.Execute();
    EXPECT_EQ(c.engine.Step(), 4);
    EXPECT_EQ(frames, 26);  // the start frame and 25 steps of 4
}

TEST(Engine, StyleNameSelectsByDisplayNameIgnoringCase)
{
    PictureShowEngine e;
    e.SetStyleName("fade in/OUT");
    EXPECT_EQ(e.Style(), 91);
    EXPECT_EQ(e.StyleName(), "Fade In/Out");
    e.SetStyleName("no such style");
    EXPECT_EQ(e.Style(), 91);
    e.SetStyle(92);  // outside the catalogue: ignored
    EXPECT_EQ(e.Style(), 91);
}

TEST(Engine, StyleWrittenWithEmptyFrameIsPreparedByExecute)
{
    WindowImage window(600, 450);
    PictureShowEngine e(&window);
    e.SetAutoSize(false);
    e.SetStyle(seChordLeft);
    EXPECT_EQ(e.ProgressMax(), 100);  // nothing to prepare on yet
    e.SetPicture(MakePicture(600, 450, kNewMark));
    e.SetManual(true);
    e.Execute();
    EXPECT_EQ(e.ProgressMax(), 50);
    EXPECT_EQ(e.Step(), 1);
}

TEST(Engine, ManualStopsAfterTheFirstFrameAndTheOwnerMovesIt)
{
    const Bitmap newPic = MakePicture(40, 30, kNewMark);
    ShownControl c(MakePicture(40, 30, kOldMark), 40, 30);
    int completions = 0;
    c.engine.OnComplete = [&] { ++completions; };
    c.engine.SetPicture(newPic);
    c.engine.SetManual(true);
    c.engine.Execute();
    EXPECT_TRUE(c.engine.Busy());
    EXPECT_EQ(c.engine.Progress(), 0);
    c.engine.SetProgress(500);  // clamped to the end value
    EXPECT_EQ(c.engine.Progress(), 100);
    EXPECT_TRUE(c.engine.Media() == newPic);
    EXPECT_TRUE(c.engine.Busy());
    EXPECT_EQ(completions, 0);
    // Handing back to the automatic pacing finishes the transition.
    c.engine.SetManual(false);
    EXPECT_FALSE(c.engine.Busy());
    EXPECT_EQ(completions, 1);
}

// The earlier frame had covered more than the new one: the window loses what it no longer shows.
TEST(Engine, GoingBackRepaintsWhatTheEarlierFrameCovered)
{
    ShownControl c(MakePicture(40, 30, kOldMark), 40, 30);
    c.engine.SetPicture(MakePicture(40, 30, kNewMark));
    c.engine.SetManual(true);
    c.engine.Execute();
    c.engine.SetProgress(60);
    c.engine.SetProgress(20);
    EXPECT_FALSE(test::Mark(c.engine.Media(), 20, 10) == kNewMark);
    EXPECT_TRUE(c.window.image == c.engine.Media());
}

// Each frame rewrites only what differs from the frame before it, and the window is told only
// what it does not show yet. Whatever the order of progress values (steps, jumps, going back),
// every frame and the window must be exactly what a frame built whole from the old picture gives
// (the engine builds frames whole while a frame hook is set).
TEST(Engine, FramesBuiltFromThePreviousFrameEqualFramesBuiltWhole)
{
    const int sequence[] = {4, 8, 9, 40, 20, 21, 77, 3, 100, 60, 0, 33, 255, 100};
    // The larger size makes ragged frames change more rectangles than the window is told one by one.
    const std::pair<int, int> sizes[] = {{37, 23}, {64, 80}, {321, 203}};
    for (auto [w, h] : sizes) {
        const Bitmap oldPic = MakePicture(w, h, kOldMark), newPic = MakePicture(w, h, kNewMark);
        for (int style = 0; style < kStyleCount; ++style) {
            SCOPED_TRACE("style " + std::to_string(style) + " at " + std::to_string(w) + "x" + std::to_string(h));
            std::vector<Bitmap> frames, windows;
            for (bool whole : {false, true}) {
                SetFixedSeed(11);
                ShownControl c(oldPic, w, h);
                if (whole)
                    c.engine.OnAfterNewFrame = [](const Bitmap&, Bitmap&) {};
                c.engine.SetPicture(newPic);
                c.engine.SetStyle(style);
                c.engine.SetManual(true);
                std::size_t i = 0;
                c.engine.OnProgress = [&] {
                    if (!whole) {
                        frames.push_back(c.engine.Media());
                        windows.push_back(c.window.image);
                        return;
                    }
                    ASSERT_LT(i, frames.size());
                    EXPECT_TRUE(c.engine.Media() == frames[i]) << "frame " << i << " at " << c.engine.Progress();
                    EXPECT_TRUE(c.window.image == windows[i]) << "window " << i << " at " << c.engine.Progress();
                    ++i;
                };
                c.engine.Execute();
                for (int p : sequence)
                    c.engine.SetProgress(p);
                // Then the automatic sequence from the start to the end.
                c.engine.SetProgress(0);
                c.engine.SetManual(false);
                EXPECT_FALSE(c.engine.Busy());
                if (whole) {
                    EXPECT_EQ(i, frames.size());
                }
            }
        }
    }
}

TEST(Engine, ReverseStartsWithTheNewPictureAndEndsWithTheOld)
{
    const Bitmap oldPic = MakePicture(40, 30, kOldMark), newPic = MakePicture(40, 30, kNewMark);
    ShownControl c(oldPic, 40, 30);
    c.engine.SetPicture(newPic);
    c.engine.SetReverse(true);
    bool first = true;
    int completions = 0;
    c.engine.OnProgress = [&] {
        if (first) {
            EXPECT_TRUE(c.engine.Media() == newPic);
        }
        first = false;
    };
    c.engine.OnComplete = [&] { ++completions; };
    c.engine.Execute();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(c.engine.Progress(), 0);
    EXPECT_TRUE(c.engine.Media() == oldPic);
}

TEST(Engine, ReverseLineStyleStartsAtItsOwnEndValue)
{
    // The style is prepared before the start value is taken, so even the first transition of a
    // line style (end value 50 here) starts exactly at its end.
    WindowImage window(600, 40);
    PictureShowEngine e(&window);
    e.SetAutoSize(false);
    e.SetStyle(seChordLeft);
    e.SetReverse(true);
    e.SetManual(true);
    e.SetPicture(MakePicture(600, 40, kNewMark));
    e.Execute();
    EXPECT_EQ(e.Progress(), 50);
}

TEST(Engine, ClearForgetsThePictureOnlyWhenIdle)
{
    const Bitmap newPic = MakePicture(40, 30, kNewMark);
    ShownControl c(MakePicture(40, 30, kOldMark), 40, 30);
    c.engine.SetPicture(newPic);
    c.engine.SetManual(true);
    c.engine.Execute();
    c.engine.Clear();  // busy: ignored
    EXPECT_FALSE(c.engine.Media().IsEmpty());
    c.engine.SetProgress(100);
    c.engine.SetManual(false);
    ASSERT_FALSE(c.engine.Busy());
    c.engine.Clear();
    EXPECT_TRUE(c.engine.Media().IsEmpty());
    // The next transition starts from the background alone.
    c.engine.SetColor(0x00123456);
    c.engine.Paint({0, 0, 40, 30});
    c.engine.SetManual(true);
    c.engine.Execute();
    EXPECT_EQ(c.engine.Media().Pixel(5, 5), 0x00123456u);
}

TEST(Engine, FailingFrameLeavesTheControlIdle)
{
    ShownControl c(MakePicture(40, 30, kOldMark), 40, 30);
    c.engine.SetPicture(MakePicture(40, 30, kNewMark));
    c.engine.OnBeforeNewFrame = [](const Bitmap&, Bitmap&) { throw std::runtime_error("no"); };
    EXPECT_THROW(c.engine.Execute(), std::runtime_error);
    EXPECT_FALSE(c.engine.Busy());
    c.engine.OnBeforeNewFrame = nullptr;
    int completions = 0;
    c.engine.OnComplete = [&] { ++completions; };
    c.engine.Execute();
    EXPECT_EQ(completions, 1);
}

TEST(Engine, AutoSizeSizesTheClientToThePicture)
{
    WindowImage window(10, 10);
    PictureShowEngine e(&window);
    int changes = 0;
    e.OnChange = [&] { ++changes; };
    e.SetPicture(MakePicture(33, 22, kNewMark));
    EXPECT_EQ(window.ClientWidth(), 33);
    EXPECT_EQ(window.ClientHeight(), 22);
    EXPECT_EQ(changes, 1);
}

TEST(Geometry, FitRectKeepsTheAspectRatioCentred)
{
    EXPECT_EQ(FitRect({0, 0, 400, 300}, {0, 0, 1000, 500}), (Rect{166, 0, 833, 500}));
    EXPECT_EQ(FitRect({0, 0, 400, 300}, {0, 0, 400, 1000}), (Rect{0, 350, 400, 650}));
}

TEST(Geometry, CentredPictureLargerThanTheControlHasANegativeOffset)
{
    WindowImage window(100, 100);
    PictureShowEngine e(&window);
    e.SetAutoSize(false);
    e.SetCenter(true);
    e.SetPicture(MakePicture(301, 200, kNewMark));
    e.SetManual(true);
    e.Execute();
    EXPECT_EQ(e.PicRect(), (Rect{-100, -50, 201, 150}));
}

TEST(Painting, SmallCentredPictureIsFramedByTiles)
{
    WindowImage window(100, 100);
    PictureShowEngine e(&window);
    window.engine = &e;
    e.SetAutoSize(false);
    e.SetCenter(true);
    const Bitmap tile = MakePicture(30, 40, 0x55);
    e.SetBgPicture(tile);
    e.SetPicture(MakePicture(20, 10, kNewMark));
    e.Execute();
    e.Paint({0, 0, 100, 100});
    const Bitmap& o = e.Offscreen();
    // Tiles start at the top-left and cover the right and bottom edges.
    EXPECT_EQ(o.Pixel(0, 0), tile.Pixel(0, 0));
    EXPECT_EQ(o.Pixel(99, 99), tile.Pixel(99 % 30, 99 % 40));
    EXPECT_EQ(o.Pixel(35, 20), tile.Pixel(5, 20));
    // The picture sits at ((100 - 20) div 2, (100 - 10) div 2).
    EXPECT_EQ(test::Mark(o, 40, 45), kNewMark);
    EXPECT_EQ(test::Mark(o, 59, 54), kNewMark);
    EXPECT_EQ(o.Pixel(39, 45), tile.Pixel(9, 5));
}

TEST(Painting, StretchedAndCentredBackgrounds)
{
    WindowImage window(60, 40);
    PictureShowEngine e(&window);
    e.SetAutoSize(false);
    e.SetColor(0x000000FF);
    Bitmap tile(2, 2);
    tile.Fill(0x00FF0000);
    e.SetBgPicture(tile);
    e.SetBgMode(BackgroundMode::bmStretched);
    e.Paint({0, 0, 60, 40});
    EXPECT_EQ(e.Offscreen().Pixel(59, 39), 0x00FF0000u);
    e.SetBgMode(BackgroundMode::bmCentered);
    e.Paint({0, 0, 60, 40});
    EXPECT_EQ(e.Offscreen().Pixel(29, 19), 0x00FF0000u);
    EXPECT_EQ(e.Offscreen().Pixel(0, 0), 0x000000FFu);
    e.SetBgMode(BackgroundMode::bmNone);
    e.Paint({0, 0, 60, 40});
    EXPECT_EQ(e.Offscreen().Pixel(29, 19), 0x000000FFu);
}

TEST(Painting, StretchFineShowsThePictureLetterboxed)
{
    WindowImage window(1000, 500);
    PictureShowEngine e(&window);
    window.engine = &e;
    e.SetAutoSize(false);
    e.SetStretch(true);
    e.SetStretchFine(true);
    e.SetPicture(MakePicture(400, 300, kNewMark));
    e.Execute();
    e.Paint({0, 0, 1000, 500});
    EXPECT_EQ(test::Mark(e.Offscreen(), 166, 250), kNewMark);
    EXPECT_EQ(test::Mark(e.Offscreen(), 832, 0), kNewMark);
    EXPECT_EQ(e.Offscreen().Pixel(165, 250), 0u);
    EXPECT_EQ(e.Offscreen().Pixel(833, 250), 0u);
}

// A window of 32-bit pixels, painted through Offscreen or straight (PaintTo), each time exactly
// what was invalidated.
class SurfaceWindow : public PictureShowHost {
public:
    SurfaceWindow(int w, int h, bool straight)
        : pixels(std::size_t(w) * std::size_t(h)), w_(w), h_(h), straight_(straight)
    {
    }
    PictureShowEngine* engine = nullptr;
    std::vector<std::uint32_t> pixels;

    void InvalidateRect(const Rect& r) override { pending_.Combine(Region::FromRect(r), raster::CombineMode::Or); }
    void InvalidateRegion(const Region& r) override { pending_.Combine(r, raster::CombineMode::Or); }
    void UpdateNow() override
    {
        const raster::XrgbSurface surface{
            reinterpret_cast<std::uint8_t*>(pixels.data()), std::size_t(w_) * 4, {0, 0, w_, h_}};
        if (straight_) {
            engine->PaintTo(pending_, surface);
        } else {
            engine->Paint(pending_);
            raster::ToXrgb32(surface, 0, 0, engine->Offscreen(), pending_);
        }
        pending_ = Region();
    }
    int ClientWidth() const override { return w_; }
    int ClientHeight() const override { return h_; }
    void SetClientSize(int, int) override {}

private:
    Region pending_;
    int w_, h_;
    bool straight_;
};

// A moving picture's frame, painted straight or through Offscreen, shows the same; straight, the
// frame bitmap gets it only when it is read, and the next transition starts from it either way.
TEST(Painting, ARedrawnAreaShowsTheSameEitherWayAndTheNextTransitionStartsFromIt)
{
    const Rect area{5, 4, 30, 20};
    for (bool straight : {false, true}) {
        SurfaceWindow window(40, 30, straight);
        PictureShowEngine e(&window);
        window.engine = &e;
        e.SetAutoSize(false);
        e.SetPicture(MakePicture(40, 30, kOldMark));
        e.Execute();
        int drawnIntoFrame = 0;
        PictureShowEngine::AreaDrawing d;
        d.toFrame = [&](Bitmap& f) {
            ++drawnIntoFrame;
            f.Fill(area, 0x00778899);
        };
        d.toSurface = [&](const raster::XrgbSurface& s, int dx, int dy, const Rect& clip) {
            const Rect r = clip.Intersect(area);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    reinterpret_cast<std::uint32_t*>(s.origin + std::size_t(y + dy) * s.stride)[x + dx] = 0xFF998877u;
        };
        ASSERT_TRUE(e.RedrawArea(area, d));
        EXPECT_EQ(window.pixels[10 * 40 + 10], 0xFF998877u) << straight;
        EXPECT_EQ(window.pixels[25 * 40 + 35] & 0xFFu, kOldMark) << "the rest stays";
        EXPECT_EQ(drawnIntoFrame, straight ? 0 : 1);

        e.SetPicture(MakePicture(40, 30, kNewMark));
        e.SetStyle(0);
        e.SetManual(true);
        e.Execute();
        EXPECT_EQ(drawnIntoFrame, 1);
        EXPECT_EQ(e.Media().Pixel(10, 10), raster::Color(0x00778899)) << straight;
        EXPECT_FALSE(e.RedrawArea(area, d)) << "not during a transition";
    }
}

// Painting straight onto the window shows, frame after frame, what painting through Offscreen
// shows, for every style, a picture filling the client area and a smaller one centred on the
// background colour; and Offscreen, whenever it is read, holds what the window shows (so the next
// transition starts from it). Offscreen is read only now and then: reading it brings it up to date,
// and most frames must run without that.
TEST(Painting, StraightOntoTheWindowShowsAndKeepsWhatOffscreenDoes)
{
    const int sequence[] = {4, 8, 9, 40, 20, 21, 77, 3, 100, 60, 0, 33, 255, 100};
    struct Layout {
        int pw, ph, cw, ch;
        bool center;
    };
    for (const Layout& l : {Layout{64, 48, 64, 48, false}, Layout{50, 30, 71, 44, true}}) {
        const Bitmap oldPic = MakePicture(l.pw, l.ph, kOldMark), newPic = MakePicture(l.pw, l.ph, kNewMark);
        for (int style = 0; style < kStyleCount; ++style) {
            SCOPED_TRACE("style " + std::to_string(style) + (l.center ? " centred" : ""));
            std::vector<std::vector<std::uint32_t>> windows;
            std::vector<Bitmap> offscreens;
            for (bool straight : {false, true}) {
                SetFixedSeed(5);
                SurfaceWindow window(l.cw, l.ch, straight);
                PictureShowEngine e(&window);
                window.engine = &e;
                e.SetAutoSize(false);
                e.SetCenter(l.center);
                e.SetColor(0x00203040);
                e.SetPicture(oldPic);
                e.Execute();
                e.SetPicture(newPic);
                e.SetStyle(style);
                e.SetManual(true);
                std::size_t frame = 0;
                const auto check = [&](bool readOffscreen) {
                    if (!straight) {
                        windows.push_back(window.pixels);
                        offscreens.push_back(readOffscreen ? e.Offscreen() : Bitmap());
                    } else {
                        ASSERT_LT(frame, windows.size());
                        EXPECT_TRUE(window.pixels == windows[frame]) << "window, frame " << frame;
                        if (readOffscreen) {
                            EXPECT_TRUE(e.Offscreen() == offscreens[frame]) << "Offscreen, frame " << frame;
                        }
                    }
                    ++frame;
                };
                e.OnProgress = [&] { check(frame % 5 == 4); };
                e.Execute();
                for (int p : sequence)
                    e.SetProgress(p);
                // The picture moves while the window still shows where it was.
                e.SetCenter(!l.center);
                check(true);
                e.SetCenter(l.center);
                e.SetProgress(0);
                e.SetManual(false);
                check(true);
                // The next transition takes its old picture from what the window shows.
                e.SetPicture(oldPic);
                e.SetStyle((style + 1) % kStyleCount);
                e.Execute();
                check(true);
            }
        }
    }
}

}  // namespace
}  // namespace qel::pictureshow
