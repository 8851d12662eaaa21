// The idle service in a Wayland session (a headless compositor with two outputs): the show on both
// outputs after the wait, gone at the first key (told by the compositor) while the service stays,
// back after the next idle period, and held off while a program inhibits idling.

#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "waylandharness.h"
#include "x11harness.h"

namespace qel::e2e {
namespace {

constexpr int kOutputW = 320;
constexpr int kOutputH = 240;
constexpr raster::Color kBackground = 0x00306090;  // 0x00BBGGRR

class IdleWaylandE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!sway_.Ok())
            GTEST_SKIP() << "the Wayland compositor cannot start on this machine: " << sway_.Problem();
        // No picture can be shown: the show is its background, which the desktop never is.
        settings::SaverSettings settings;
        settings.bgColor = std::int32_t(kBackground);
        settings.images = {install_.Path("missing.jpg")};
        // Input in the show's own windows does not end it: only the compositor's notice that the
        // user is back does.
        settings.mouseMove = settings.mouseClick = settings.keyPress = false;
        install_.WriteSettings(settings);
        showing_ = raster::Bitmap(kOutputW, kOutputH);
        showing_.Fill(kBackground);
    }

    std::unique_ptr<SaverProcess> Service()
    {
        std::vector<std::string> env = sway_.SessionEnv();
        env.push_back("QT_QPA_PLATFORM=wayland");
        return std::make_unique<SaverProcess>(install_, std::vector<std::string>{"--idle-service", "--idle-after", "2"},
                                              env);
    }

    // Every output shows `expected` (the first grabs of a new window can still be empty).
    bool AllShow(const std::vector<raster::Bitmap>& expected)
    {
        return WaitUntil([&] {
            const std::vector<std::string> outputs = sway_.Outputs();
            for (std::size_t i = 0; i < outputs.size(); ++i)
                if (DifferingPixels(sway_.Grab(outputs[i]), expected[i]) != 0)
                    return false;
            return true;
        });
    }
    bool AllShow(const raster::Bitmap& expected) { return AllShow(std::vector<raster::Bitmap>(2, expected)); }

    std::vector<raster::Bitmap> Desktop() const
    {
        std::vector<raster::Bitmap> grabs;
        for (const std::string& output : sway_.Outputs())
            grabs.push_back(sway_.Grab(output));
        return grabs;
    }

    HeadlessSway sway_{2, kOutputW, kOutputH};
    SaverInstall install_;
    raster::Bitmap showing_;
};

TEST_F(IdleWaylandE2E, EachIdlePeriodBringsTheShowOnEveryOutputAndAKeyEndsIt)
{
    const std::vector<raster::Bitmap> desktop = Desktop();
    ASSERT_EQ(desktop.size(), 2u);
    ASSERT_FALSE(desktop[0].IsEmpty()) << "grabbing an output";
    ASSERT_NE(DifferingPixels(desktop[0], showing_), 0);
    auto service = Service();
    for (int period = 1; period <= 2; ++period) {
        ASSERT_TRUE(AllShow(showing_)) << "period " << period << ": " << service->Output();
        ASSERT_TRUE(sway_.Type("x"));
        EXPECT_TRUE(AllShow(desktop)) << "period " << period << ": " << service->Output();
        EXPECT_TRUE(service->Running()) << "the service outlives its shows: " << service->Output();
    }
}

TEST_F(IdleWaylandE2E, AProgramInhibitingIdleHoldsTheShowOff)
{
    const std::string log = install_.Path("inhibitor.log");
    const pid_t inhibitor = Spawn({QEL_BIN_DIR "/qel_idle_inhibitor"}, sway_.SessionEnv(), log);
    ASSERT_GT(inhibitor, 0);
    const auto inhibiting = [&] {
        std::ifstream in(log);
        std::string line;
        return std::getline(in, line) && line == "inhibiting";
    };
    ASSERT_TRUE(WaitUntil(inhibiting)) << "the inhibitor's window";
    auto service = Service();
    // Three times the wait, every output looked at again and again: no pixel of the show's colour
    // (the inhibitor's window may still be drawing, so the screen is not compared as a whole).
    for (int look = 0; look < 30; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (const std::string& output : sway_.Outputs()) {
            const raster::Bitmap grab = sway_.Grab(output);
            ASSERT_FALSE(grab.IsEmpty());
            EXPECT_EQ(DifferingPixels(grab, showing_), long(kOutputW) * kOutputH)
                << output << ", look " << look << ": " << service->Output();
        }
    }
    kill(inhibitor, SIGTERM);
    waitpid(inhibitor, nullptr, 0);
    EXPECT_TRUE(AllShow(showing_)) << "once the inhibitor is gone, the show comes: " << service->Output();
}

}  // namespace
}  // namespace qel::e2e
