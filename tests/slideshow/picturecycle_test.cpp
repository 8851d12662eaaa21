// The picture cycle: missing and undecodable pictures are passed over without stopping the show,
// and the preview's plain fitted composition.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "slideshow/picturecycle.h"
#include "slideshow/previewpicture.h"

namespace qel::slideshow {
namespace {

namespace fs = std::filesystem;

class PictureCycleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qel-cycle-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string File(const std::string& name)
    {
        const fs::path p = dir_ / name;
        std::ofstream(p) << name;
        return p.string();
    }

    // "Decodes" a file into a 1 x 1 bitmap whose colour is the length of its name; files whose
    // name starts with "bad" do not decode.
    PictureCycle::Prepare prepare_ = [this](const std::string& path) {
        ++prepared_;
        const std::string name = fs::path(path).filename().string();
        if (name.rfind("bad", 0) == 0)
            throw std::runtime_error(path + ": not a picture");
        raster::Bitmap b(1, 1);
        b.Fill(raster::Color(name.size()));
        return b;
    };
    const RandomIndex noRandom_ = [](int) -> int {
        ADD_FAILURE() << "drew in list order";
        return 0;
    };
    fs::path dir_;
    int prepared_ = 0;
};

TEST_F(PictureCycleTest, MissingAndUndecodablePicturesArePassedOverForTheirTurn)
{
    std::vector<std::string> reports;
    PictureCycle cycle({File("a.jpg"), (dir_ / "gone.jpg").string(), File("bad.jpg"), ""}, false, noRandom_,
                       [&](const std::string& m) { reports.push_back(m); });
    auto first = cycle.PrepareNext(prepare_, true);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Pixel(0, 0), 5u);
    EXPECT_FALSE(cycle.PrepareNext(prepare_, false));  // missing
    EXPECT_EQ(cycle.Current(), 1);
    EXPECT_FALSE(cycle.PrepareNext(prepare_, false));  // exists, cannot be decoded
    EXPECT_EQ(cycle.Current(), 2);
    EXPECT_FALSE(cycle.PrepareNext(prepare_, false));  // empty path (a line without "=")
    auto again = cycle.PrepareNext(prepare_, false);   // the show goes on
    ASSERT_TRUE(again);
    EXPECT_EQ(cycle.Current(), 0);
    for (int i = 0; i < 4; ++i)
        (void)cycle.PrepareNext(prepare_, false);
    ASSERT_EQ(reports.size(), 1u) << "each unreadable file is reported once";
    EXPECT_NE(reports[0].find("bad.jpg"), std::string::npos);
}

TEST_F(PictureCycleTest, UntilAPictureIsShownTheFollowingOnesAreTriedAtOnce)
{
    PictureCycle cycle({File("bad1.jpg"), (dir_ / "gone.jpg").string(), File("ok.jpg"), File("late.jpg")}, false,
                       noRandom_, [](const std::string&) {});
    auto first = cycle.PrepareNext(prepare_, true);
    ASSERT_TRUE(first);
    EXPECT_EQ(cycle.Current(), 2);
}

TEST_F(PictureCycleTest, WhenEveryPictureIsBadEachTurnEndsWithoutAPicture)
{
    PictureCycle cycle({File("bad1.jpg"), File("bad2.gif"), (dir_ / "gone.bmp").string()}, false, noRandom_,
                       [](const std::string&) {});
    for (int turn = 0; turn < 3; ++turn) {
        prepared_ = 0;
        EXPECT_FALSE(cycle.PrepareNext(prepare_, true));
        EXPECT_EQ(prepared_, 2) << "each file is tried once per turn";
    }
}

TEST_F(PictureCycleTest, EmptyListPreparesNothing)
{
    PictureCycle cycle({}, true, noRandom_);
    EXPECT_FALSE(cycle.PrepareNext(prepare_, true));
    EXPECT_EQ(cycle.Current(), -1);
}

TEST_F(PictureCycleTest, RandomOrderNeverShowsTheSamePictureTwiceInARow)
{
    int n = 0;
    PictureCycle cycle({File("a.jpg"), File("bb.jpg"), File("ccc.jpg")}, true,
                       [&](int count) { return (n++ / 2) % count; });
    int previous = -1;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(cycle.PrepareNext(prepare_, false));
        EXPECT_NE(cycle.Current(), previous);
        previous = cycle.Current();
    }
}

TEST(PreviewPicture, FittedIntoTheWindowStretchedAndCentred)
{
    // A 100 x 400 picture in a 152 x 112 preview becomes 28 x 112, drawn at x = 62.
    raster::Bitmap picture(100, 400);
    picture.Fill(0x0000FF);
    const raster::Bitmap b = ComposePreviewPicture(picture, 100, 400, 152, 112, 0x123456);
    ASSERT_EQ(b.Width(), 152);
    ASSERT_EQ(b.Height(), 112);
    EXPECT_EQ(b.Pixel(61, 50), 0x123456u);
    EXPECT_EQ(b.Pixel(62, 0), 0x0000FFu);
    EXPECT_EQ(b.Pixel(89, 111), 0x0000FFu);
    EXPECT_EQ(b.Pixel(90, 50), 0x123456u);
}

TEST(PreviewPicture, AReducedDecodeFillsTheSameRectangle)
{
    // The bitmap is a quarter-size decode of a 400 x 200 picture: it still fills the fitted area.
    raster::Bitmap quarter(100, 50);
    quarter.Fill(0x00FF00);
    const raster::Bitmap b = ComposePreviewPicture(quarter, 400, 200, 200, 200, 0);
    EXPECT_EQ(b.Pixel(0, 49), 0u);
    EXPECT_EQ(b.Pixel(0, 50), 0x00FF00u);
    EXPECT_EQ(b.Pixel(199, 149), 0x00FF00u);
    EXPECT_EQ(b.Pixel(199, 150), 0u);
}

}  // namespace
}  // namespace qel::slideshow
