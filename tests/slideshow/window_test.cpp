// The slideshow window in this process (offscreen): its music on the real players, the close rules
// and the cursor.

#include <filesystem>
#include <memory>
#include <string>

#include <stdlib.h>

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "audio/processplayer.h"
#include "imaging/picturewriter.h"
#include "pictureshow/pictureshowwidget.h"
#include "slideshow/slideshowmusic.h"
#include "slideshow/slideshowwindow.h"

namespace qel::slideshow {
namespace {

namespace fs = std::filesystem;

class SlideshowWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::setenv("QELSAVER_AUDIO_SINK", "null", 1);  // silent, whatever the machine has
        static int argc = 1;
        static char name[] = "window_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
        if (!audio::MPEGPlayer()) {
            ASSERT_EQ(audio::CreateProcessMPEGPlayer(std::string(QEL_BIN_DIR) + "/"), "");
        }
    }

    // The player must go while Qt is still there, as the program's own start-up code does it.
    static void TearDownTestSuite() { audio::ReleaseProcessMPEGPlayer(); }

    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("qel-window-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
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
        window_.reset();
        fs::remove_all(dir_);
    }

    SlideshowWindow& Show()
    {
        settings::SaveSettings((dir_ / "QelSetup.dat").string(), settings_);
        window_ = std::make_unique<SlideshowWindow>((dir_ / "QelSetup.dat").string());
        window_->show();
        return *window_;
    }

    static std::string Sound(const char* name) { return std::string(QEL_TEST_DATA_DIR) + "/audio/" + name; }

    fs::path dir_;
    std::string picture_;
    settings::SaverSettings settings_;
    std::unique_ptr<SlideshowWindow> window_;
};

TEST_F(SlideshowWindowTest, AnMp3InTheSoundListPlaysThroughTheMpegPlayer)
{
    fs::copy_file(Sound("tone.mp3"), dir_ / "TONE.MP3");
    settings_.sounds = {(dir_ / "TONE.MP3").string()};
    SlideshowWindow& w = Show();
    audio::TMPEGPlayer* player = audio::MPEGPlayer();
    ASSERT_NE(player, nullptr);
    // Sounds open off the window thread and play at the next poll.
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->Playing() && player->GetPlayerMode() > 2; }));
    EXPECT_EQ(w.Music()->PlayerKind(), SlideshowMusic::Player::Mpeg);
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

    window_.reset();
    EXPECT_FALSE(player->Playing()) << "the window stops its music when it goes";
    EXPECT_FALSE(player->OnPlayEnd) << "the end-of-play event no longer points at the window";
}

TEST_F(SlideshowWindowTest, OtherSoundsGoToTheMediaPlayerAndFollowEachOther)
{
    settings_.sounds = {Sound("tone.wav"), (dir_ / "missing.wav").string(), Sound("tone.wav")};
    SlideshowWindow& w = Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Music()->MusicStarted(); }));
    EXPECT_EQ(w.Music()->PlayerKind(), SlideshowMusic::Player::Media);
    // The first ends, the missing one is passed over, the third starts.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Music()->CurrentSound() == 2 && w.Music()->MusicStarted(); }, 20000));
}

TEST_F(SlideshowWindowTest, OnlyAnExitInputMayCloseTheWindow)
{
    SlideshowWindow& w = Show();
    EXPECT_FALSE(w.close()) << "a close request of the system or window manager is refused";
    EXPECT_TRUE(w.isVisible());

    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&w, &key);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.CloseRequested());
}

TEST_F(SlideshowWindowTest, InputsOverThePictureCountLikeInputsOverTheWindow)
{
    SlideshowWindow& w = Show();
    QWidget* pic = w.MainPic();
    QTest::mouseMove(pic, QPoint(200, 200));
    QTest::mouseMove(pic, QPoint(210, 190));
    EXPECT_TRUE(w.isVisible());
    QTest::mouseMove(pic, QPoint(200, 211));
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SlideshowWindowTest, WithEveryExitInputOffNothingEndsTheShow)
{
    settings_.mouseMove = settings_.mouseClick = settings_.keyPress = false;
    SlideshowWindow& w = Show();
    QTest::mouseMove(&w, QPoint(1, 1));
    QTest::mouseMove(&w, QPoint(300, 300));
    QTest::mouseClick(&w, Qt::LeftButton);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &key);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(SlideshowWindowTest, TheCursorIsHiddenWhileTheShowRunsUnlessTheSettingsKeepIt)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Show();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    window_.reset();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "restored when the window goes";

    settings_.showCursor = true;
    Show();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace qel::slideshow
