// A moving picture as the show prepares it: its first view is what its transition brings in and
// where the motion starts, and its caption stays put while the picture moves.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include <unistd.h>

#include <QGuiApplication>

#include <gtest/gtest.h>

#include "imaging/fitpicture.h"
#include "imaging/picturewriter.h"
#include "slideshow/movingpicture.h"

namespace qel::slideshow {
namespace {

namespace fs = std::filesystem;

constexpr raster::Color kBackground = 0x00203040;

raster::Bitmap Pattern(int w, int h)
{
    raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, raster::Color((x * 5) & 0xFF) | raster::Color(((y * 3) & 0xFF) << 8) | 0x800000);
    return b;
}

class MovingPictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "movingpicture_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QGuiApplication(argc, argv);
    }
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const raster::Bitmap& b)
    {
        imaging::WritePicture((dir_ / name).string(), b);
        return (dir_ / name).string();
    }

    fs::path dir_ = fs::temp_directory_path() / ("qel-moving-" + std::to_string(::getpid()));
};

TEST_F(MovingPictureTest, TheFirstViewIsWhereTheMotionStarts)
{
    // Larger than the frame at its own size: the first view of a picture that starts from the
    // middle is exactly the still picture, and the motion's first frame draws the same.
    const raster::Bitmap big = Pattern(300, 200);
    const std::string path = Write("big.bmp", big);
    const PreparedMotion still =
        PrepareMovingPicture(path, 192, 108, false, kBackground, 0, {}, CaptionCorner::TopLeft);
    EXPECT_EQ(still.firstView, imaging::ComposeCentered(big, 192, 108, kBackground));

    for (const bool fit : {true, false}) {
        const std::string small = Write("small.bmp", Pattern(120, 60));
        for (std::uint32_t seed : {0u, 1u}) {
            const PreparedMotion p =
                PrepareMovingPicture(small, 192, 108, fit, kBackground, seed, {}, CaptionCorner::TopLeft);
            raster::Bitmap frame(192, 108);
            frame.Fill(kBackground);
            p.moving->Draw(frame, 0.0);
            EXPECT_EQ(frame, p.firstView) << "fit " << fit << " seed " << seed;
            EXPECT_EQ(p.firstView.Pixel(0, 0), kBackground);
        }
    }
}

TEST_F(MovingPictureTest, TheCaptionStaysWhereItIsWhileThePictureMoves)
{
    const std::string path = Write("wide.bmp", Pattern(400, 300));
    const PreparedMotion p = PrepareMovingPicture(path, 320, 180, true, kBackground, 2,
                                                  QStringLiteral("Harbour at dawn"), CaptionCorner::BottomLeft);
    const raster::Overlay& caption = p.moving->caption;
    ASSERT_FALSE(caption.IsEmpty());
    ASSERT_FALSE(caption.box.Intersect(p.moving->plan.shown).IsEmpty()) << "the caption lies over the picture";
    raster::Bitmap later = p.firstView;
    p.moving->Draw(later, 0.8);
    EXPECT_NE(later, p.firstView);
    int solid = 0;
    for (int y = caption.box.top; y < caption.box.bottom; ++y)
        for (int x = caption.box.left; x < caption.box.right; ++x) {
            const std::size_t at =
                (std::size_t(y - caption.box.top) * caption.box.Width() + (x - caption.box.left)) * 4;
            // Where the text hides nearly all of the picture, the picture's move shows hardly at all.
            const int through = caption.pixels[at + 3];
            if (through > 16)
                continue;
            ++solid;
            for (int c = 0; c < 3; ++c)
                EXPECT_LE(std::abs(later.Scanline(y)[3 * x + c] - p.firstView.Scanline(y)[3 * x + c]), through + 1)
                    << x << "," << y;
        }
    EXPECT_GT(solid, 10);
}

}  // namespace
}  // namespace qel::slideshow
