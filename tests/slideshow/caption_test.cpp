// Captions: the text each choice gives, the date in the user's locale, and the line drawn into the
// prepared picture in one corner only, sized by the screen, moving to another corner with each
// picture of the show and absent when no caption is chosen.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <QDateTime>
#include <QGuiApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "slideshow/caption.h"
#include "slideshow/slideshowcontroller.h"

namespace qel::slideshow {
namespace {

namespace fs = std::filesystem;
using settings::CaptionKind;

constexpr raster::Color kWhite = 0xFFFFFF;
constexpr raster::Color kBlack = 0;

// The smallest rectangle that holds every pixel that differs from `colour`; empty when none does.
raster::Rect ChangedArea(const raster::Bitmap& b, raster::Color colour)
{
    raster::Rect r{b.Width(), b.Height(), 0, 0};
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != colour) {
                r.left = std::min(r.left, x);
                r.top = std::min(r.top, y);
                r.right = std::max(r.right, x + 1);
                r.bottom = std::max(r.bottom, y + 1);
            }
    return r.left < r.right ? r : raster::Rect{};
}

class CaptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "caption_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QGuiApplication(argc, argv);
    }
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qel-caption-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string File(const std::string& name)
    {
        const fs::path p = dir_ / name;
        std::ofstream(p) << "no metadata in here";
        return p.string();
    }

    fs::path dir_;
};

TEST_F(CaptionTest, DatesAreTheLocalesLongFormWithoutTheWeekday)
{
    const imaging::CalendarDate day{2019, 3, 12};
    EXPECT_EQ(CaptionDate(day, QLocale(QLocale::English, QLocale::UnitedStates)), "March 12, 2019");
    EXPECT_EQ(CaptionDate(day, QLocale(QLocale::German, QLocale::Germany)), QString::fromUtf8("12. M\u00E4rz 2019"));
    EXPECT_EQ(CaptionDate(day, QLocale(QLocale::Japanese, QLocale::Japan)),
              QString::fromUtf8("2019\u5E743\u670812\u65E5"));
}

TEST_F(CaptionTest, EachChoiceSaysItsPart)
{
    const std::string path = File("Beach day.v2.jpg");
    // No date in the file: the day it was last changed, on the user's clock.
    const qint64 noon = QDateTime(QDate(2015, 6, 1), QTime(12, 0)).toSecsSinceEpoch();
    fs::last_write_time(path, std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(noon))));
    const QLocale us(QLocale::English, QLocale::UnitedStates);

    EXPECT_EQ(CaptionText(path, CaptionKind::None, us), "");
    EXPECT_EQ(CaptionText(path, CaptionKind::FileName, us), "Beach day.v2");
    EXPECT_EQ(CaptionText(path, CaptionKind::DateTaken, us), "June 1, 2015");
    EXPECT_EQ(CaptionText(path, CaptionKind::DateAndName, us), QString::fromUtf8("June 1, 2015 \u00B7 Beach day.v2"));
    EXPECT_EQ(CaptionText(path, CaptionKind::Description, us), "");
    // A file gone since it was listed still has its name.
    EXPECT_EQ(CaptionText((dir_ / "gone.png").string(), CaptionKind::DateAndName, us), "gone");
    // A name that is not UTF-8 (Latin-1 bytes) is shown readably, with a mark for the byte, and the
    // file is still found by its bytes.
    const std::string latin = File("caf\xE9.jpg");
    fs::last_write_time(latin, fs::last_write_time(path));
    EXPECT_EQ(CaptionText(latin, CaptionKind::DateAndName, us), QString::fromUtf8("June 1, 2015 \u00B7 caf\uFFFD"));
}

TEST_F(CaptionTest, DrawnOnABackingInItsCornerAndSizedByTheScreen)
{
    const QString text = QStringLiteral("Harbour at dusk");
    int heightAt800 = 0;
    for (raster::Color ground : {kWhite, kBlack}) {
        for (CaptionCorner corner :
             {CaptionCorner::BottomRight, CaptionCorner::TopLeft, CaptionCorner::BottomLeft, CaptionCorner::TopRight}) {
            raster::Bitmap b(1280, 800);
            b.Fill(ground);
            DrawCaption(b, text, corner);
            const raster::Rect r = ChangedArea(b, ground);
            ASSERT_FALSE(r.IsEmpty());
            const bool right = corner == CaptionCorner::BottomRight || corner == CaptionCorner::TopRight;
            const bool bottom = corner == CaptionCorner::BottomRight || corner == CaptionCorner::BottomLeft;
            EXPECT_EQ(right, r.left > 640) << int(corner);
            EXPECT_EQ(bottom, r.top > 400) << int(corner);
            // Off the very edge, one line high.
            EXPECT_TRUE(r.left > 0 && r.top > 0 && r.right < 1280 && r.bottom < 800);
            EXPECT_LT(r.bottom - r.top, 800 / 18);
            heightAt800 = r.bottom - r.top;
        }
        // Readable on both: the backing darkens white, the text lights up black.
        raster::Bitmap b(1280, 800);
        b.Fill(ground);
        DrawCaption(b, text, CaptionCorner::TopLeft);
        const raster::Rect r = ChangedArea(b, ground);
        const raster::Color inside = b.Pixel(r.left + 2, (r.top + r.bottom) / 2);
        if (ground == kWhite) {
            EXPECT_LT(inside & 0xFF, 160u);
        }
        bool lit = false;
        for (int x = r.left; x < r.right; ++x)
            lit = lit || (b.Pixel(x, (r.top + r.bottom) / 2) & 0xFF) > 200;
        EXPECT_TRUE(lit);
    }

    // On a 4K screen the line grows with the screen; a long text stays on one line, elided.
    raster::Bitmap big(3840, 2160);
    DrawCaption(big, QString(400, u'W'), CaptionCorner::BottomLeft);
    const raster::Rect r = ChangedArea(big, kBlack);
    EXPECT_NEAR(double(r.bottom - r.top) / heightAt800, 2160.0 / 800, 0.4);
    EXPECT_LE(r.right - r.left, 3840 * 2 / 3);

    // A small preview keeps a readable text, on a doubled screen too (where its pixels are half as big).
    auto previewHeight = [&](int scale) {
        raster::Bitmap preview(156 * scale, 117 * scale);
        DrawCaption(preview, text, CaptionCorner::TopLeft, scale);
        const raster::Rect area = ChangedArea(preview, kBlack);
        return area.bottom - area.top;
    };
    EXPECT_NEAR(double(previewHeight(2)) / previewHeight(1), 2.0, 0.3);

    raster::Bitmap untouched(64, 48);
    DrawCaption(untouched, QString(), CaptionCorner::TopLeft);
    EXPECT_TRUE(ChangedArea(untouched, kBlack).IsEmpty());
}

TEST_F(CaptionTest, TheShowDrawsEachPicturesCaptionInTheNextCornerOrNone)
{
    for (CaptionKind kind : {CaptionKind::FileName, CaptionKind::None}) {
        SlideshowController::Config config;
        config.pictures = {File("first.jpg"), File("second.jpg")};
        config.caption = kind;
        config.compose = [](const std::string&, int width, int height) { return raster::Bitmap(width, height); };
        SlideshowController controller(std::move(config));
        std::vector<std::shared_ptr<const raster::Bitmap>> shown;
        QObject::connect(&controller, &SlideshowController::pictureReady,
                         [&](std::shared_ptr<const raster::Bitmap> p) { shown.push_back(std::move(p)); });
        QSignalSpy ready(&controller, &SlideshowController::pictureReady);
        controller.SetPictureSize(640, 400);
        controller.Start();
        ASSERT_TRUE(ready.wait());
        controller.TransitionFinished();
        ASSERT_TRUE(ready.count() == 2 || ready.wait());
        ASSERT_EQ(shown.size(), 2u);
        const raster::Rect first = ChangedArea(*shown[0], kBlack);
        const raster::Rect second = ChangedArea(*shown[1], kBlack);
        if (kind == CaptionKind::None) {
            EXPECT_TRUE(first.IsEmpty() && second.IsEmpty());
            continue;
        }
        EXPECT_TRUE(first.left > 320 && first.top > 200) << "bottom right";
        EXPECT_TRUE(second.right < 320 && second.bottom < 200) << "top left";
        controller.Stop();
    }
}

}  // namespace
}  // namespace qel::slideshow
