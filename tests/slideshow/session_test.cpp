// The full-screen show in this process (offscreen): its music on the real players, the close rules
// and the cursor, and a window on every screen of a two-screen desk.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include "audio/processplayer.h"
#include "imaging/picturewriter.h"
#include "pictureshow/pictureshowwidget.h"
#include "slideshow/slideshowmusic.h"
#include "slideshow/slideshowsession.h"
#include "slideshow/slideshowwindow.h"

namespace qel::slideshow {
namespace {

namespace fs = std::filesystem;

// Each test program runs one test at a time, so the first suite to run makes the application;
// `platform` may name a screen layout for it.
void MakeApplication(const std::string& platform = {})
{
    ::setenv("QELSAVER_AUDIO_SINK", "null", 1);  // silent, whatever the machine has
    static int argc = 1;
    static char name[] = "session_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        if (!platform.empty())
            ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
        new QApplication(argc, argv);
    }
}

class SlideshowSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        MakeApplication();
        if (!audio::MPEGPlayer()) {
            ASSERT_EQ(audio::CreateProcessMPEGPlayer(std::string(QEL_BIN_DIR) + "/"), "");
        }
    }

    // The player must go while Qt is still there, as the program's own start-up code does it.
    static void TearDownTestSuite() { audio::ReleaseProcessMPEGPlayer(); }

    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("qel-session-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
        picture_ = (dir_ / "p.bmp").string();
        raster::Bitmap b(64, 48);
        b.Fill(0x00FF8000);
        imaging::WritePicture(picture_, b);
        settings_.images = {picture_};
        settings_.interval = 1;
        settings_.duration = 0;
        settings_.transSetup = "1";
    }

    void TearDown() override
    {
        session_.reset();
        fs::remove_all(dir_);
    }

    SlideshowSession& Show()
    {
        settings::SaveSettings((dir_ / "QelSetup.dat").string(), settings_);
        session_ = std::make_unique<SlideshowSession>((dir_ / "QelSetup.dat").string());
        session_->Start();
        return *session_;
    }

    static std::string Sound(const char* name) { return std::string(QEL_TEST_DATA_DIR) + "/audio/" + name; }

    fs::path dir_;
    std::string picture_;
    settings::SaverSettings settings_;
    std::unique_ptr<SlideshowSession> session_;
};

TEST_F(SlideshowSessionTest, AnMp3InTheSoundListPlaysThroughTheMpegPlayer)
{
    fs::copy_file(Sound("tone.mp3"), dir_ / "TONE.MP3");
    settings_.sounds = {(dir_ / "TONE.MP3").string()};
    SlideshowSession& show = Show();
    audio::TMPEGPlayer* player = audio::MPEGPlayer();
    ASSERT_NE(player, nullptr);
    // Sounds open off the window thread and play at the next poll.
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->Playing() && player->GetPlayerMode() > 2; }));
    EXPECT_EQ(show.Music()->PlayerKind(), SlideshowMusic::Player::Mpeg);
    EXPECT_EQ(player->StreamName(), (dir_ / "TONE.MP3").string());
    // One sound plays again and again: its end brings it back to the start.
    int last = 0;
    bool advanced = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const int pos = player->Playing() ? player->GetCurrentPos() : last;
            const bool restarted = advanced && pos < last;
            advanced = advanced || pos > 0;
            last = pos;
            return restarted;
        },
        20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->Playing(); }));

    session_.reset();
    EXPECT_FALSE(player->Playing()) << "the show stops its music when it goes";
    EXPECT_FALSE(player->OnPlayEnd) << "the end-of-play event no longer points at the show";
}

TEST_F(SlideshowSessionTest, OtherSoundsGoToTheMediaPlayerAndFollowEachOther)
{
    settings_.sounds = {Sound("tone.wav"), (dir_ / "missing.wav").string(), Sound("tone.wav")};
    SlideshowSession& show = Show();
    const SlideshowMusic* music = show.Music();
    EXPECT_TRUE(QTest::qWaitFor([&] { return music->MusicStarted(); }));
    EXPECT_EQ(music->PlayerKind(), SlideshowMusic::Player::Media);
    // The first ends, the missing one is passed over, the third starts.
    EXPECT_TRUE(QTest::qWaitFor([&] { return music->CurrentSound() == 2 && music->MusicStarted(); }, 20000));
}

TEST_F(SlideshowSessionTest, OnlyAnExitInputMayCloseTheWindow)
{
    SlideshowSession& show = Show();
    SlideshowWindow& w = *show.Windows().front();
    EXPECT_FALSE(w.close()) << "a close request of the system or window manager is refused";
    EXPECT_TRUE(w.isVisible());

    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&w, &key);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(show.CloseRequested());
    EXPECT_TRUE(show.Ended());
}

TEST_F(SlideshowSessionTest, InputsOverThePictureCountLikeInputsOverTheWindow)
{
    SlideshowWindow& w = *Show().Windows().front();
    QWidget* pic = w.MainPic();
    QTest::mouseMove(pic, QPoint(200, 200));
    QTest::mouseMove(pic, QPoint(210, 190));
    EXPECT_TRUE(w.isVisible());
    QTest::mouseMove(pic, QPoint(200, 211));
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SlideshowSessionTest, WithEveryExitInputOffNothingEndsTheShow)
{
    settings_.mouseMove = settings_.mouseClick = settings_.keyPress = false;
    SlideshowWindow& w = *Show().Windows().front();
    QTest::mouseMove(&w, QPoint(1, 1));
    QTest::mouseMove(&w, QPoint(300, 300));
    QTest::mouseClick(&w, Qt::LeftButton);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &key);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(SlideshowSessionTest, TheCursorIsHiddenWhileTheShowRunsUnlessTheSettingsKeepIt)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Show();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    session_.reset();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "restored when the show goes";

    settings_.showCursor = true;
    Show();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Two screens of different sizes, side by side.
class TwoScreenShow : public SlideshowSessionTest {
protected:
    static void SetUpTestSuite()
    {
        const fs::path layout = fs::temp_directory_path() / "qel-two-screens.json";
        std::ofstream(layout) << R"({"screens": [
            {"name": "Left", "x": 0, "y": 0, "width": 640, "height": 480, "logicalDpi": 96},
            {"name": "Right", "x": 640, "y": 0, "width": 320, "height": 240, "logicalDpi": 96}]})";
        MakeApplication("offscreen:configfile=" + layout.string());
        if (!audio::MPEGPlayer()) {
            ASSERT_EQ(audio::CreateProcessMPEGPlayer(std::string(QEL_BIN_DIR) + "/"), "");
        }
    }

    void SetUp() override
    {
        if (QGuiApplication::screens().size() != 2)
            GTEST_SKIP() << "the application was made before this suite could give it two screens";
        SlideshowSessionTest::SetUp();
        settings_.imageSize = 1;  // fitted to the screen
        const raster::Color colours[] = {0x000080FF, 0x0000FF00, 0x00FF0000};
        for (raster::Color c : colours) {
            raster::Bitmap b(64, 48);
            b.Fill(c);
            settings_.images.push_back((dir_ / ("p" + std::to_string(c) + ".bmp")).string());
            imaging::WritePicture(settings_.images.back(), b);
        }
    }

    // Every window has brought in a picture and is waiting for the next.
    static bool AllShown(const SlideshowSession& show)
    {
        for (const auto& w : show.Windows()) {
            const auto& engine = w->MainPic()->Engine();
            if (engine.Busy() || engine.Media().IsEmpty())
                return false;
        }
        return true;
    }
};

TEST_F(TwoScreenShow, EveryScreenShowsTheSamePicturesInTheSameOrderFittedToItsOwnSize)
{
    settings_.sequence = 1;  // random order: the screens must still agree
    SlideshowSession& show = Show();
    ASSERT_EQ(show.Windows().size(), 2u);
    std::vector<std::vector<raster::Color>> seen(2);
    for (std::size_t i = 0; i < 2; ++i) {
        SlideshowWindow* w = show.Windows()[i].get();
        QObject::connect(w->MainPic(), &pictureshow::TPictureShow::completed, [w, &seen, i] {
            const raster::Bitmap& shown = w->MainPic()->Engine().Media();
            const QRect screen = w->Screen()->geometry();
            EXPECT_EQ(w->geometry(), screen);
            EXPECT_EQ(shown.Width(), screen.width());
            EXPECT_EQ(shown.Height(), screen.height());
            // Each picture fills its screen (4:3 on 4:3).
            const raster::Color centre = shown.Pixel(shown.Width() / 2, shown.Height() / 2);
            EXPECT_EQ(shown.Pixel(0, 0), centre);
            seen[i].push_back(centre);
        });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen[0].size() >= 3 && seen[1].size() >= 3; }, 20000));
    seen[0].resize(3);
    seen[1].resize(3);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_NE(seen[0][0], seen[0][1]);
    EXPECT_NE(show.Music(), nullptr);
}

TEST_F(TwoScreenShow, AnExitInputOnAnyScreenEndsTheWholeShow)
{
    SlideshowSession& show = Show();
    ASSERT_EQ(show.Windows().size(), 2u);
    SlideshowWindow& second = *show.Windows().back();
    QTest::mouseClick(second.MainPic(), Qt::LeftButton);
    EXPECT_TRUE(show.Ended());
    for (const auto& w : show.Windows())
        EXPECT_FALSE(w->isVisible());
}

TEST_F(TwoScreenShow, ScreensComingAndGoingWhileTheShowRunsEachHaveAWindow)
{
    SlideshowSession& show = Show();
    ASSERT_EQ(show.Windows().size(), 2u);
    QScreen* left = show.Windows().front()->Screen();
    QScreen* right = show.Windows().back()->Screen();
    show.ScreenRemoved(right);
    ASSERT_EQ(show.Windows().size(), 1u);
    EXPECT_EQ(show.Windows().front()->Screen(), left);
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllShown(show); }, 20000));
    // The last screen going: the show moves to a screen that is left rather than end or vanish.
    show.ScreenRemoved(left);
    ASSERT_EQ(show.Windows().size(), 1u);
    EXPECT_EQ(show.Windows().front()->Screen(), right);
    EXPECT_TRUE(show.Windows().front()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllShown(show); }, 20000));
    EXPECT_FALSE(show.Ended());
    // A screen plugged in while the show runs gets a window of its own that shows pictures too.
    show.ScreenAdded(left);
    ASSERT_EQ(show.Windows().size(), 2u);
    EXPECT_EQ(show.Windows().back()->Screen(), left);
    EXPECT_TRUE(show.Windows().back()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllShown(show); }, 20000));
}

}  // namespace
}  // namespace qel::slideshow
