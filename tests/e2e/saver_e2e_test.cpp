// The real program on a private X server: what the slideshow puts on the screen, the inputs that end
// it, the single-instance guard, and the preview inside another program's window.

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "imaging/fitpicture.h"
#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"
#include "slideshow/previewpicture.h"
#include "x11harness.h"

namespace qel::e2e {
namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr raster::Color kBackground = 0x00804020;  // 0x00BBGGRR

raster::Bitmap Pattern(int w, int h, int seed)
{
    raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       raster::Color(((x * 255 / w) << (seed * 8 % 24)) | ((y * 255 / h) << ((seed + 1) * 8 % 24)) |
                                     (((x ^ y) & 0x3F) << ((seed + 2) * 8 % 24))));
    return b;
}

class SaverE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(screen_.Ok()) << "could not start Xvfb";
        first_ = install_.Path("first.bmp");
        second_ = install_.Path("second.bmp");
        imaging::WritePicture(first_, Pattern(400, 200, 0));   // wide: fitted to 640 x 320
        imaging::WritePicture(second_, Pattern(160, 400, 1));  // tall: fitted to 192 x 480
        expectedFirst_ = imaging::LoadFittedPicture(first_, kScreenW, kScreenH, true, kBackground);
        expectedSecond_ = imaging::LoadFittedPicture(second_, kScreenW, kScreenH, true, kBackground);
        settings_.imageSize = 1;
        settings_.bgColor = std::int32_t(kBackground);
        settings_.interval = 1;
        settings_.duration = 0;
        settings_.transSetup = "1";  // style 0 only
        settings_.images = {first_, second_};
    }

    bool Shows(const raster::Bitmap& expected)
    {
        return WaitUntil([&] { return DifferingPixels(screen_.Grab(), expected) == 0; });
    }

    VirtualScreen screen_{kScreenW, kScreenH};
    SaverInstall install_;
    settings::SaverSettings settings_;
    std::string first_, second_;
    raster::Bitmap expectedFirst_, expectedSecond_;
};

TEST_F(SaverE2E, PicturesComeInTurnFittedAndCentredOnTheBackground)
{
    // The expected compositions themselves: the wide picture spans the width, centred vertically.
    ASSERT_EQ(expectedFirst_.Width(), kScreenW);
    EXPECT_EQ(expectedFirst_.Pixel(5, 79), kBackground);
    EXPECT_NE(expectedFirst_.Pixel(5, 80), kBackground);
    EXPECT_EQ(expectedFirst_.Pixel(5, 400), kBackground);
    EXPECT_EQ(expectedSecond_.Pixel(223, 10), kBackground);  // 192 wide at x = 224
    EXPECT_NE(expectedSecond_.Pixel(224, 10), kBackground);

    install_.WriteSettings(settings_);
    SaverProcess saver(install_, screen_, {"/s"});
    EXPECT_TRUE(Shows(expectedFirst_)) << saver.Output();
    EXPECT_TRUE(Shows(expectedSecond_)) << saver.Output();
    EXPECT_TRUE(Shows(expectedFirst_)) << "the list starts again after the last picture";
    EXPECT_TRUE(saver.Running());
}

TEST_F(SaverE2E, PicturesThatCannotBeShownArePassedOver)
{
    const std::string corrupt = install_.Path("corrupt.jpg");
    std::ofstream(corrupt, std::ios::binary) << std::string("\xFF\xD8\xFF\xE0 this is not a picture", 26);
    const std::string metafile = install_.Path("drawing.wmf");
    std::ofstream(metafile, std::ios::binary) << std::string(64, '\x01');
    settings_.images = {corrupt, first_, install_.Path("missing.jpg"), metafile, second_};
    install_.WriteSettings(settings_);
    SaverProcess saver(install_, screen_, {"/s"});
    EXPECT_TRUE(Shows(expectedFirst_)) << saver.Output();
    EXPECT_TRUE(Shows(expectedSecond_)) << saver.Output();
    EXPECT_TRUE(Shows(expectedFirst_)) << saver.Output();
    EXPECT_TRUE(saver.Running());
    EXPECT_NE(saver.Output().find("corrupt.jpg"), std::string::npos) << "the unreadable file is named";
}

TEST_F(SaverE2E, FilesThatKeepTheirReaderWaitingHoldUpNeitherTheShowNorItsEnd)
{
    // FIFOs with no writer among the pictures and the sounds of both players: opened plainly, each
    // would wait for a writer that never comes.
    for (const char* name : {"pipe.bmp", "pipe.mp3", "pipe.wav"})
        ASSERT_EQ(mkfifo(install_.Path(name).c_str(), 0600), 0) << name;
    settings_.images = {install_.Path("pipe.bmp"), first_, second_};
    settings_.sounds = {install_.Path("pipe.mp3"), install_.Path("pipe.wav")};
    install_.WriteSettings(settings_);
    {
        SaverProcess saver(install_, screen_, {"/s"});
        EXPECT_TRUE(Shows(expectedFirst_)) << saver.Output();
        EXPECT_TRUE(Shows(expectedSecond_)) << saver.Output();
        ASSERT_TRUE(screen_.Xdotool("key space"));
        EXPECT_TRUE(saver.WaitForExit()) << saver.Output();
    }
    // Nothing stale holds the single-instance guard: the next show starts.
    SaverProcess next(install_, screen_, {"/s"});
    EXPECT_TRUE(Shows(expectedFirst_)) << next.Output();
}

TEST_F(SaverE2E, WithoutPicturesTheBackgroundShowsAndTheInputsStillWork)
{
    settings_.images = {install_.Path("missing.jpg")};
    install_.WriteSettings(settings_);
    raster::Bitmap background(kScreenW, kScreenH);
    background.Fill(kBackground);
    SaverProcess saver(install_, screen_, {"/s"});
    EXPECT_TRUE(Shows(background)) << saver.Output();
    ASSERT_TRUE(screen_.Xdotool("key space"));
    EXPECT_TRUE(saver.WaitForExit());
}

TEST_F(SaverE2E, MouseMovesOfTenPixelsAreToleratedElevenEndTheShow)
{
    install_.WriteSettings(settings_);
    SaverProcess saver(install_, screen_, {"/s"});
    ASSERT_TRUE(Shows(expectedFirst_)) << saver.Output();
    ASSERT_TRUE(screen_.Xdotool("mousemove 100 100"));  // the first position seen
    ASSERT_TRUE(screen_.Xdotool("mousemove 110 110"));
    ASSERT_TRUE(screen_.Xdotool("mousemove 90 95"));
    // A whole transition later the moves have long been handled.
    ASSERT_TRUE(Shows(expectedSecond_));
    EXPECT_TRUE(saver.Running()) << "10 pixels from the first position are tolerated";
    ASSERT_TRUE(screen_.Xdotool("mousemove 100 111"));
    EXPECT_TRUE(saver.WaitForExit()) << "11 pixels end the show";
    EXPECT_EQ(saver.ExitCode(), 0);
}

TEST_F(SaverE2E, AKeyEndsTheShowOnlyWhenTheSettingsAllowIt)
{
    settings_.keyPress = 0;
    settings_.mouseMove = 0;
    install_.WriteSettings(settings_);
    {
        SaverProcess saver(install_, screen_, {"/s"});
        ASSERT_TRUE(Shows(expectedFirst_)) << saver.Output();
        ASSERT_TRUE(screen_.Xdotool("key a"));
        ASSERT_TRUE(screen_.Xdotool("mousemove 300 300"));
        ASSERT_TRUE(Shows(expectedSecond_));
        EXPECT_TRUE(saver.Running()) << "KeyPress=0 and MouseMove=0";
    }
    settings_.keyPress = 1;
    install_.WriteSettings(settings_);
    SaverProcess saver(install_, screen_, {"/s"});
    ASSERT_TRUE(Shows(expectedFirst_)) << saver.Output();
    ASSERT_TRUE(screen_.Xdotool("key a"));
    EXPECT_TRUE(saver.WaitForExit());
}

TEST_F(SaverE2E, AClickEndsTheShow)
{
    install_.WriteSettings(settings_);
    SaverProcess saver(install_, screen_, {"/s"});
    ASSERT_TRUE(Shows(expectedFirst_)) << saver.Output();
    ASSERT_TRUE(screen_.Xdotool("click 1"));
    EXPECT_TRUE(saver.WaitForExit());
}

TEST_F(SaverE2E, AnotherWindowTakingTheFocusEndsTheShow)
{
    settings_.mouseMove = settings_.mouseClick = settings_.keyPress = 0;
    install_.WriteSettings(settings_);
    SaverProcess saver(install_, screen_, {"/s"});
    ASSERT_TRUE(Shows(expectedFirst_)) << saver.Output();
    const xcb_window_t other = screen_.CreateWindow(10, 10, 50, 50);
    ASSERT_TRUE(screen_.Xdotool("windowfocus " + std::to_string(other)));
    EXPECT_TRUE(saver.WaitForExit());
}

TEST_F(SaverE2E, ASecondSlideshowEndsAtOnceWhileTheFirstRuns)
{
    install_.WriteSettings(settings_);
    SaverProcess first(install_, screen_, {"/s"});
    ASSERT_TRUE(Shows(expectedFirst_)) << first.Output();
    SaverProcess second(install_, screen_, {"/S"});
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(Shows(expectedSecond_)) << "the first goes on undisturbed";
}

TEST_F(SaverE2E, PreviewShowsTheFittedPictureInsideItsWindowAndEndsWithIt)
{
    // Only the system folder's copy counts; the settings beside the program name another picture.
    settings::SaverSettings beside = settings_;
    beside.images = {second_};
    install_.WriteSettings(beside);
    settings::SaverSettings system = settings_;
    system.images = {first_};
    system.bgColor = 0x000000FF;
    settings::SaveSettings(install_.Path("system/QelSetup.Dat"), system);

    const imaging::LoadedPicture loaded = imaging::LoadPicture(first_);
    const raster::Bitmap expected =
        slideshow::ComposePreviewPicture(loaded.bitmap, loaded.width, loaded.height, 152, 112, 0x000000FF);
    ASSERT_EQ(expected.Pixel(0, 0), 0x000000FFu);  // 400 x 200 fitted: 152 x 76 at y = 18
    ASSERT_NE(expected.Pixel(0, 18), 0x000000FFu);

    const xcb_window_t dialog = screen_.CreateWindow(50, 60, 152, 112);
    SaverProcess preview(install_, screen_, {"/p", std::to_string(dialog)});
    EXPECT_TRUE(WaitUntil([&] { return DifferingPixels(screen_.Grab(50, 60, 152, 112), expected) == 0; }))
        << preview.Output();
    EXPECT_TRUE(preview.Running());
    screen_.DestroyWindow(dialog);
    EXPECT_TRUE(preview.WaitForExit()) << "a preview must not outlive its window";
    EXPECT_EQ(preview.ExitCode(), 0) << preview.Output();
}

// Pan and zoom, on the screen and in a preview: the picture moves inside its own rectangle while
// the background around it stays as it is.
TEST_F(SaverE2E, WithMotionThePictureMovesInsideItsRectangleAndTheBackgroundStays)
{
    settings_.motion = 1;
    settings_.interval = 60;
    settings_.images = {first_};
    install_.WriteSettings(settings_);
    settings::SaveSettings(install_.Path("system/QelSetup.Dat"), settings_);
    const auto background = [](const raster::Bitmap& b, int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (b.Pixel(x, y) != kBackground)
                    return false;
        return true;
    };
    // The wide picture fills the band 80..399 of the screen, 18..93 of a 152 x 112 preview.
    const auto moves = [&](const std::function<raster::Bitmap()>& grab, int top, int bottom) {
        raster::Bitmap first;
        // Once it has come in whole: the background above and below it, none across its middle.
        if (!WaitUntil([&] {
                first = grab();
                for (int x = 0; x < first.Width(); ++x)
                    if (first.Pixel(x, (top + bottom) / 2) == kBackground)
                        return false;
                return background(first, 0, top) && background(first, bottom, first.Height());
            }))
            return false;
        raster::Bitmap later;
        const bool moved = WaitUntil([&] {
            later = grab();
            return DifferingPixels(later, first) > 0;
        });
        EXPECT_TRUE(background(later, 0, top) && background(later, bottom, later.Height()));
        return moved;
    };
    {
        SaverProcess saver(install_, screen_, {"/s"});
        EXPECT_TRUE(moves([&] { return screen_.Grab(); }, 80, 400)) << saver.Output();
    }
    const xcb_window_t dialog = screen_.CreateWindow(50, 60, 152, 112);
    SaverProcess preview(install_, screen_, {"/p", std::to_string(dialog)});
    EXPECT_TRUE(moves([&] { return screen_.Grab(50, 60, 152, 112); }, 18, 94)) << preview.Output();
    screen_.DestroyWindow(dialog);
    EXPECT_TRUE(preview.WaitForExit());
}

TEST_F(SaverE2E, PreviewWithoutAUsableWindowEndsQuietly)
{
    install_.WriteSettings(settings_);
    for (const auto& args : {std::vector<std::string>{"/p", "0"}, std::vector<std::string>{"/p:4000000"},
                             std::vector<std::string>{"/l"}}) {
        SaverProcess preview(install_, screen_, args);
        EXPECT_TRUE(preview.WaitForExit()) << args[0];
        EXPECT_EQ(preview.ExitCode(), 0);
    }
}

// A server whose last client leaves resets, and a connection made during the reset fails: the show
// must not close a connection of its own just before the window toolkit makes one.
TEST_F(SaverE2E, StartsEveryTimeOnAServerWithNoOtherClient)
{
    settings_.images = {first_};
    install_.WriteSettings(settings_);
    for (int run = 1; run <= 8; ++run) {
        VirtualScreen screen(kScreenW, kScreenH, {}, VirtualScreen::Connection::Later);
        ASSERT_TRUE(screen.Ok()) << "could not start Xvfb";
        SaverProcess saver(install_, screen, {"/s"});
        // The test connects only once the program has connected twice (its own first look and the
        // toolkit's), so that it never keeps the server from resetting in between.
        ASSERT_TRUE(WaitUntil([&] { return !saver.Running() || screen.ConnectionsFrom(saver.Pid()) >= 2; }));
        ASSERT_TRUE(saver.Running()) << "run " << run << ": " << saver.Output();
        ASSERT_TRUE(screen.Connect());
        EXPECT_TRUE(WaitUntil([&] { return DifferingPixels(screen.Grab(), expectedFirst_) == 0; }))
            << "run " << run << ": " << saver.Output();
    }
}

TEST_F(SaverE2E, WithoutADisplayTheShowEndsWithOneLineAndAFailure)
{
    install_.WriteSettings(settings_);
    std::string gone;
    {
        const VirtualScreen stopped(64, 64);
        gone = stopped.Display();
    }
    const std::vector<std::string> common{"XDG_RUNTIME_DIR=" + install_.Path("run"), "QELSAVER_AUDIO_SINK=null",
                                          "WAYLAND_DISPLAY="};
    // No display named, the X11 toolkit asked for by name, a display whose server has ended.
    for (const std::vector<std::string>& env :
         {std::vector<std::string>{"QT_QPA_PLATFORM="}, std::vector<std::string>{"QT_QPA_PLATFORM=xcb"},
          std::vector<std::string>{"QT_QPA_PLATFORM=", "DISPLAY=" + gone}}) {
        std::vector<std::string> all = common;
        all.insert(all.end(), env.begin(), env.end());
        std::string output;
        EXPECT_EQ(RunToEnd({install_.Path("QelSaver"), "/s"}, all, &output), 1) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_EQ(output.rfind("QelSaver: ", 0), 0u) << output;
    }
}

}  // namespace
}  // namespace qel::e2e
