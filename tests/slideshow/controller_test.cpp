// The picture cycle without a window: the order of pictures and transitions, the interval counted
// from the end of a transition, bad pictures passed over, a slow picture that holds the show.

#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "imaging/fitpicture.h"
#include "imaging/picturewriter.h"
#include "slideshow/firstpicture.h"
#include "slideshow/picturecycle.h"
#include "slideshow/shareddraws.h"
#include "slideshow/slideshowcontroller.h"

namespace qel::slideshow {
namespace {

namespace fs = std::filesystem;

class ControllerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "controller_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qel-controller-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Pictures are files whose one-pixel bitmap has the colour of the digit in their name; names
    // starting with "bad" do not decode.
    std::vector<std::string> Files(std::initializer_list<const char*> names)
    {
        std::vector<std::string> paths;
        for (const char* n : names) {
            const fs::path p = dir_ / n;
            std::ofstream(p) << n;
            paths.push_back(p.string());
        }
        return paths;
    }

    SlideshowController::Config Cycle(std::vector<std::string> pictures)
    {
        SlideshowController::Config c;
        c.pictures = std::move(pictures);
        c.styles = {4, 7, 9};
        c.intervalMs = 1;
        c.draw = [](int n) { return n - 1; };
        c.compose = [this](const std::string& path, int width, int height) {
            {
                std::lock_guard lock(mutex_);  // composed on the worker thread
                composed_.push_back(fs::path(path).filename().string());
            }
            EXPECT_EQ(width, 32);
            EXPECT_EQ(height, 24);
            if (fs::path(path).filename().string().rfind("bad", 0) == 0)
                throw std::runtime_error(path + ": not a picture");
            raster::Bitmap b(1, 1);
            b.Fill(raster::Color(path[path.size() - 5] - '0'));
            return b;
        };
        return c;
    }

    // Records what the window would see: "picture N" and "transition STYLE[ clear]".
    void Watch(SlideshowController& c)
    {
        c.SetPictureSize(32, 24);
        QObject::connect(&c, &SlideshowController::pictureReady, [this](std::shared_ptr<const raster::Bitmap> b) {
            seen_.push_back("picture " + std::to_string(b->Pixel(0, 0)));
        });
        QObject::connect(&c, &SlideshowController::transitionStarting, [this](int style, bool clear) {
            seen_.push_back("transition " + std::to_string(style) + (clear ? " clear" : ""));
        });
    }

    std::vector<std::string> Composed()
    {
        std::lock_guard lock(mutex_);
        return composed_;
    }

    bool WaitForState(SlideshowController& c, SlideshowController::State s)
    {
        return QTest::qWaitFor([&] { return c.CurrentState() == s; }, 5000);
    }

    using S = SlideshowController::State;
    fs::path dir_;
    std::mutex mutex_;
    std::vector<std::string> composed_;
    std::vector<std::string> seen_;
};

TEST_F(ControllerTest, PicturesComeInListOrderEachPreparedRightAfterTheTransitionBefore)
{
    SlideshowController c(Cycle(Files({"p1.jpg", "p2.jpg"})));
    Watch(c);
    c.Start();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    EXPECT_EQ(seen_, (std::vector<std::string>{"picture 1", "transition 9"}));
    EXPECT_FALSE(c.IntervalRunning()) << "the interval is counted from the end of the transition";

    c.TransitionFinished();
    EXPECT_TRUE(c.IntervalRunning());
    ASSERT_TRUE(WaitForState(c, S::Transition));
    c.TransitionFinished();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    EXPECT_EQ(seen_, (std::vector<std::string>{"picture 1", "transition 9", "picture 2", "transition 9", "picture 1",
                                               "transition 9"}))
        << "the list wraps after the last picture";
    EXPECT_EQ(Composed(), (std::vector<std::string>{"p1.jpg", "p2.jpg", "p1.jpg"}));
}

TEST_F(ControllerTest, ASinglePictureComesInOverTheBareBackgroundEveryTime)
{
    SlideshowController c(Cycle(Files({"p5.jpg"})));
    Watch(c);
    c.Start();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    c.TransitionFinished();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    EXPECT_EQ(seen_, (std::vector<std::string>{"picture 5", "transition 9 clear", "picture 5", "transition 9 clear"}));
}

TEST_F(ControllerTest, BadPicturesArePassedOverAndThePreviousOneComesInAgain)
{
    auto config = Cycle(Files({"bad0.jpg", "p1.jpg", "bad2.jpg", "p3.jpg"}));
    config.styles.clear();  // the control keeps its own style
    SlideshowController c(std::move(config));
    Watch(c);
    c.Start();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    EXPECT_EQ(seen_, (std::vector<std::string>{"picture 1", "transition -1"}))
        << "until a picture is shown, the following ones are tried at once";

    c.TransitionFinished();  // bad2 fails: nothing new, the last picture comes in again
    ASSERT_TRUE(WaitForState(c, S::Transition));
    c.TransitionFinished();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    EXPECT_EQ(seen_,
              (std::vector<std::string>{"picture 1", "transition -1", "transition -1", "picture 3", "transition -1"}));
}

TEST_F(ControllerTest, WhenNoPictureCanBeShownTheCycleKeepsTryingEachInterval)
{
    SlideshowController c(Cycle(Files({"bad1.jpg", "bad2.jpg"})));
    Watch(c);
    c.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Composed().size() >= 6; }, 5000));
    for (const std::string& s : seen_)
        EXPECT_EQ(s.rfind("transition", 0), 0u) << "no picture is ever handed over";

    SlideshowController none(Cycle({}));
    none.Start();
    EXPECT_EQ(none.CurrentState(), S::Idle) << "without pictures nothing is prepared or started";
}

TEST_F(ControllerTest, ASlowPictureHoldsTheShowUntilItIsReady)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto config = Cycle(Files({"p1.jpg", "p2.jpg"}));
    auto compose = config.compose;
    config.compose = [compose, released](const std::string& path, int w, int h) {
        if (path.find("p2") != std::string::npos)
            released.wait();
        return compose(path, w, h);
    };
    SlideshowController c(std::move(config));
    Watch(c);
    c.Start();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    c.TransitionFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.IntervalRunning(); }, 5000));
    EXPECT_EQ(c.CurrentState(), S::Preparing) << "the interval has passed, the picture is not ready";
    EXPECT_EQ(seen_.size(), 2u);

    release.set_value();
    ASSERT_TRUE(WaitForState(c, S::Transition));
    EXPECT_EQ(seen_, (std::vector<std::string>{"picture 1", "transition 9", "picture 2", "transition 9"}));

    c.Stop();
    c.TransitionFinished();
    EXPECT_EQ(c.CurrentState(), S::Closing);
    EXPECT_FALSE(c.IntervalRunning()) << "a stopped cycle starts nothing more";
}

// The first picture prepared while the program starts is the one the picture cycles choose (in
// random order too: they replay its draws), and it serves one window of the size it was made for.
TEST_F(ControllerTest, TheFirstPicturePreparedEarlyIsTheCyclesOwnFirstAndServesOnce)
{
    settings::SaverSettings s;
    s.sequence = 1;
    s.imageSize = 1;
    for (int i = 0; i < 4; ++i) {
        raster::Bitmap b(8, 6);
        b.Fill(raster::Color(0x10 * (i + 1)));
        s.images.push_back((dir_ / "p").string() + std::to_string(i) + ".bmp");
        imaging::WritePicture(s.images.back(), b);
    }
    int drawn = 0;
    auto draws = std::make_shared<SharedDraws>([&drawn](int n) { return (++drawn * 3) % n; }, [] {});
    FirstPicture first(s, draws, 40, 30);
    const int early = drawn;
    PictureCycle cycle(s.images, true, draws->ForCycle().draw);
    const std::string chosen = s.images[std::size_t(cycle.PlanNext(true).indices.front())];
    EXPECT_EQ(drawn, early) << "the cycle replays the early draws";
    const std::string other = chosen == s.images[0] ? s.images[1] : s.images[0];
    EXPECT_FALSE(first.Take(other, 40, 30));
    EXPECT_FALSE(first.Take(chosen, 64, 48)) << "a window of another size prepares its own";
    const auto picture = first.Take(chosen, 40, 30);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 40);
    EXPECT_EQ(picture->Pixel(20, 15), imaging::LoadFittedPicture(chosen, 40, 30, true, 0).Pixel(20, 15));
    EXPECT_FALSE(first.Take(chosen, 40, 30)) << "given out once";
}

}  // namespace
}  // namespace qel::slideshow
