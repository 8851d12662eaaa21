// Pictures that pan and zoom: where the view goes, and what a frame of it touches.

#include <gtest/gtest.h>

#include <cstdint>

#include "pictureshow/motion.h"
#include "testpictures.h"

namespace qel::pictureshow {
namespace {

using raster::Bitmap;

// A fitted 3:2 picture, a tall one, one larger than the frame both ways, a wide one larger only
// across, and a tiny one.
struct Case {
    int frameW, frameH, pictureW, pictureH;
};
constexpr Case kCases[] = {
    {192, 108, 162, 108}, {192, 108, 72, 108}, {192, 108, 300, 200}, {192, 108, 400, 80}, {192, 108, 1, 1}};

TEST(Motion, TheViewStaysInsideThePictureAndMovesOneWayAtAnEvenPace)
{
    for (const Case& c : kCases) {
        const MotionSourceSize source = MotionSource(c.frameW, c.frameH, c.pictureW, c.pictureH);
        for (std::uint32_t seed = 0; seed < 40; ++seed) {
            const MotionPlan plan =
                PlanMotion(c.frameW, c.frameH, c.pictureW, c.pictureH, source.width, source.height, seed);
            ASSERT_EQ(plan.shown, plan.picture.Intersect({0, 0, c.frameW, c.frameH}));
            EXPECT_EQ(ViewAt(plan, 0), plan.from);
            EXPECT_EQ(ViewAt(plan, 1), plan.to);
            EXPECT_EQ(ViewAt(plan, 7), plan.to);
            MotionView last = plan.from;
            for (int k = 0; k <= 100; ++k) {
                const MotionView v = ViewAt(plan, k / 100.0);
                EXPECT_GE(v.left, -1e-9);
                EXPECT_GE(v.top, -1e-9);
                EXPECT_LE(v.left + v.width, source.width + 1e-9);
                EXPECT_LE(v.top + v.height, source.height + 1e-9);
                // Never back: each edge moves toward its end, or stays.
                const auto between = [](double a, double x, double b) {
                    return (a <= x + 1e-9 && x <= b + 1e-9) || (b <= x + 1e-9 && x <= a + 1e-9);
                };
                EXPECT_TRUE(between(last.left, v.left, plan.to.left) && between(last.top, v.top, plan.to.top) &&
                            between(last.width, v.width, plan.to.width))
                    << "seed " << seed << " t " << k;
                last = v;
            }
            // Larger than the frame: at its own size, it only pans. Otherwise the zoom reaches
            // kMostZoom one way or the other.
            if (plan.shown != plan.picture) {
                EXPECT_EQ(plan.from.width, plan.to.width);
                EXPECT_DOUBLE_EQ(plan.from.width, plan.shown.Width());
            } else if (c.pictureW > 1) {
                const double ratio =
                    std::max(plan.from.width, plan.to.width) / std::min(plan.from.width, plan.to.width);
                EXPECT_NEAR(ratio, kMostZoom, 1e-9);
            }
        }
        // Successive pictures move differently.
        const MotionPlan a = PlanMotion(c.frameW, c.frameH, c.pictureW, c.pictureH, source.width, source.height, 4);
        const MotionPlan b = PlanMotion(c.frameW, c.frameH, c.pictureW, c.pictureH, source.width, source.height, 5);
        if (c.pictureW > 1) {
            EXPECT_FALSE(a.from == b.from && a.to == b.to);
        }
    }
}

TEST(Motion, AFrameChangesOnlyThePictureAndLeavesTheCaptionWhereItIs)
{
    MovingPicture m;
    const Bitmap picture = test::MakePicture(186, 124, test::kNewMark);
    m.source = raster::SampleSource(picture);
    m.plan = PlanMotion(192, 108, 162, 108, 186, 124, 1);
    // An opaque caption over the picture's corner and the background beside it.
    m.caption.box = {10, 90, 30, 100};
    for (int i = 0; i < 200; ++i)
        m.caption.pixels.insert(m.caption.pixels.end(), {1, 2, 3, 0});

    Bitmap frame(192, 108);
    frame.Fill(0x00445566);
    m.Draw(frame, 0.0);
    const Bitmap first = frame;
    m.Draw(frame, 0.6);
    EXPECT_NE(frame, first) << "the picture moved";
    for (int y = 0; y < 108; ++y)
        for (int x = 0; x < 192; ++x) {
            const bool caption = x >= 10 && x < 30 && y >= 90 && y < 100;
            const bool shown = x >= m.plan.shown.left && x < m.plan.shown.right;
            if (caption && shown) {
                ASSERT_EQ(frame.Pixel(x, y), raster::Color(0x00010203)) << x << "," << y;
            } else if (!shown) {
                ASSERT_EQ(frame.Pixel(x, y), raster::Color(0x00445566)) << "the background stays: " << x << "," << y;
            }
        }
    // A frame of another size (the window changed) is left alone.
    Bitmap other(100, 50);
    other.Fill(0x00445566);
    m.Draw(other, 0.5);
    EXPECT_EQ(other.Pixel(50, 25), raster::Color(0x00445566));
}

}  // namespace
}  // namespace qel::pictureshow
