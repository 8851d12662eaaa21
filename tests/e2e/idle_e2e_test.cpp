// The idle service on a private X server split into two monitors: the show of /s after the wait, gone
// at the first input while the service stays, back after the next idle period, held off by a
// program that resets the screen saver as video players do, and never started from the X11 idle
// time inside a Wayland session.

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "x11harness.h"

namespace qel::e2e {
namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr raster::Color kBackground = 0x00306090;  // 0x00BBGGRR

class IdleE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(screen_.Ok()) << "could not start Xvfb";
        // Two monitors side by side, which the window toolkit sees as two screens.
        for (const std::vector<std::string>& monitor :
             {std::vector<std::string>{"xrandr", "--setmonitor", "left", "320/1x480/1+0+0", "screen"},
              std::vector<std::string>{"xrandr", "--setmonitor", "right", "320/1x480/1+320+0", "none"}})
            ASSERT_EQ(RunToEnd(monitor, Display()), 0) << monitor[2];
        // No picture can be shown: the show is its background, which the desktop never is.
        settings::SaverSettings settings;
        settings.bgColor = std::int32_t(kBackground);
        settings.images = {install_.Path("missing.jpg")};
        install_.WriteSettings(settings);
        showing_ = raster::Bitmap(kScreenW, kScreenH);
        showing_.Fill(kBackground);
        desktop_ = screen_.Grab();
        ASSERT_NE(DifferingPixels(desktop_, showing_), 0);
    }

    [[nodiscard]] std::vector<std::string> Display() const { return {"DISPLAY=" + screen_.Display()}; }

    // The service with the session's environment: by default, one without Wayland.
    std::unique_ptr<SaverProcess> Service(const std::vector<std::string>& session = {"WAYLAND_DISPLAY=",
                                                                                     "XDG_SESSION_TYPE=x11"})
    {
        return std::make_unique<SaverProcess>(install_, screen_,
                                              std::vector<std::string>{"--idle-service", "--idle-after", "3"}, session);
    }

    bool Shows(const raster::Bitmap& expected)
    {
        return WaitUntil([&] { return DifferingPixels(screen_.Grab(), expected) == 0; });
    }

    // The show's full-screen windows now mapped.
    int ShowWindows()
    {
        std::string out;
        RunToEnd({"xdotool", "search", "--onlyvisible", "--name", "^SaverMainFrm$"}, Display(), &out);
        std::istringstream lines(out);
        int n = 0;
        for (std::string line; std::getline(lines, line);)
            n += !line.empty();
        return n;
    }

    VirtualScreen screen_{kScreenW, kScreenH, {"-noreset"}};
    SaverInstall install_;
    raster::Bitmap desktop_;
    raster::Bitmap showing_;
};

TEST_F(IdleE2E, EachIdlePeriodBringsTheShowAndTheFirstInputEndsIt)
{
    auto service = Service();
    for (int period = 1; period <= 2; ++period) {
        ASSERT_TRUE(Shows(showing_)) << "period " << period << ": " << service->Output();
        EXPECT_EQ(ShowWindows(), 2) << "one window on each monitor";
        ASSERT_TRUE(screen_.Xdotool("mousemove " + std::to_string(100 + period) + " 100"));
        EXPECT_TRUE(Shows(desktop_)) << "period " << period << ": " << service->Output();
        EXPECT_TRUE(service->Running()) << "the service outlives its shows";
    }

    // One per session: a second service ends at once, without a word.
    auto second = Service();
    EXPECT_TRUE(second->WaitForExit());
    EXPECT_EQ(second->ExitCode(), 0);
    EXPECT_EQ(second->Output(), "");
    EXPECT_TRUE(service->Running());
}

TEST_F(IdleE2E, AProgramResettingTheScreenSaverHoldsTheShowOff)
{
    // Each reset comes well within the wait of three seconds, the first before the service starts;
    // the screen is looked at just before each, when the show would have had the longest to come.
    ASSERT_EQ(RunToEnd({"xset", "s", "reset"}, Display()), 0);
    auto service = Service();
    for (int beat = 0; beat < 8; ++beat) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_EQ(DifferingPixels(screen_.Grab(), desktop_), 0) << "beat " << beat << ": " << service->Output();
        EXPECT_EQ(ShowWindows(), 0) << "beat " << beat;
        ASSERT_EQ(RunToEnd({"xset", "s", "reset"}, Display()), 0);
    }
    EXPECT_TRUE(Shows(showing_)) << "once the resets stop, the show comes: " << service->Output();
}

TEST_F(IdleE2E, InsideAWaylandSessionTheX11IdleTimeIsNeverUsed)
{
    for (const auto& session : {std::vector<std::string>{"WAYLAND_DISPLAY=", "XDG_SESSION_TYPE=wayland"},
                                std::vector<std::string>{"WAYLAND_DISPLAY=wayland-0", "XDG_SESSION_TYPE="}}) {
        auto service = Service(session);
        EXPECT_TRUE(service->WaitForExit()) << session[0];
        EXPECT_EQ(service->ExitCode(), 1) << session[0];
        // Only the Wayland session's own sources were tried, and none of them is here.
        EXPECT_NE(service->Output().find("GNOME's idle monitor"), std::string::npos) << service->Output();
        EXPECT_EQ(service->Output().find("X11"), std::string::npos) << service->Output();
    }
}

}  // namespace
}  // namespace qel::e2e
