// The Options, Sounds and Transitions pages: the exit-box rules, the sound player's states and
// PlayingIndex, and the transition preview's loop.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "audio/processplayer.h"
#include "editor/filelistbox.h"
#include "editor/idleserviceoptions.h"
#include "editor/optionspage.h"
#include "editor/soundspage.h"
#include "editor/transitiongallery.h"
#include "editor/transitionspage.h"
#include "editorfixture.h"
#include "pictureshow/pictureshowwidget.h"
#include "slideshow/playeroutputs.h"

namespace qel::editor::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoExitEvent = "At least one Screen Saver Exit Event must be selected!";

std::string Sound(const char* name)
{
    return std::string(QEL_TEST_DATA_DIR) + "/audio/" + name;
}

class OptionsPageTest : public EditorTest {};

TEST_F(OptionsPageTest, TheLastExitBoxCannotBeClearedByMouseOrKeyboard)
{
    Open();
    Action("nOptions")->trigger();
    OptionsPage& page = Options();
    ASSERT_FALSE(page.cbShowCursor()->isChecked());
    QTest::mouseClick(page.ExitMouseMove(), Qt::LeftButton);
    EXPECT_FALSE(page.ExitMouseMove()->isChecked());
    EXPECT_FALSE(page.cbShowCursor()->isChecked());
    page.ExitMouseClick()->setFocus();
    QTest::keyClick(page.ExitMouseClick(), Qt::Key_Space);
    EXPECT_FALSE(page.ExitMouseClick()->isChecked());
    EXPECT_TRUE(page.cbShowCursor()->isChecked()) << "with neither mouse input the cursor stays visible";
    EXPECT_TRUE(Messages().empty());

    QTest::mouseClick(page.ExitKeyPress(), Qt::LeftButton);
    EXPECT_TRUE(page.ExitKeyPress()->isChecked());
    page.ExitKeyPress()->setFocus();
    QTest::keyClick(page.ExitKeyPress(), Qt::Key_Space);
    EXPECT_TRUE(page.ExitKeyPress()->isChecked());
    EXPECT_EQ(Messages(), (std::vector<std::string>{kNoExitEvent, kNoExitEvent}));

    // The last mouse box: the message, the box back, and the cursor rule after it.
    QTest::mouseClick(page.ExitMouseMove(), Qt::LeftButton);  // Mouse Move on again
    page.cbShowCursor()->setChecked(false);
    QTest::mouseClick(page.ExitKeyPress(), Qt::LeftButton);  // Key Press off: Mouse Move is the last
    QTest::mouseClick(page.ExitMouseMove(), Qt::LeftButton);
    EXPECT_TRUE(page.ExitMouseMove()->isChecked());
    EXPECT_FALSE(page.cbShowCursor()->isChecked());
    EXPECT_EQ(Messages().size(), 3u);
}

// The wait is kept in the file whether or not it is used here, enabled only where our idle service
// is the screen saver, and the line about the desktop's own blanking follows the chosen wait.
TEST_F(OptionsPageTest, TheIdleWaitIsKeptEnabledOnlyForTheIdleServiceAndWarnsOfAnEarlierBlank)
{
    settings::SaverSettings s;
    s.idleMinutes = 10;
    s.lockOnResume = true;
    WriteSetup(s);
    SetupWindow& w = Open();
    IdleServiceOptions& idle = *Options().IdleService();
    EXPECT_EQ(idle.IdleMinutesEdit()->value(), 10);
    EXPECT_TRUE(idle.cbLockOnResume()->isChecked());
    EXPECT_FALSE(w.SetupModified(SetupFile()));

    idle.SetFacts({.serviceInUse = false, .blanking = hosts::DesktopBlanking{300, "GNOME"}});
    EXPECT_FALSE(idle.IdleMinutesEdit()->isEnabled());
    EXPECT_TRUE(idle.BlankingLabel()->isHidden()) << "another host's wait is not ours to warn about";
    idle.SetFacts({.serviceInUse = true, .blanking = hosts::DesktopBlanking{300, "GNOME"}});
    EXPECT_TRUE(idle.IdleMinutesEdit()->isEnabled());
    EXPECT_FALSE(idle.BlankingLabel()->isHidden());
    idle.IdleMinutesEdit()->setValue(4);
    EXPECT_TRUE(idle.BlankingLabel()->isHidden());
    EXPECT_TRUE(w.SetupModified(SetupFile()));
}

class SoundsPageTest : public EditorTest {
protected:
    SoundsPage& Page() { return Sounds(); }
    FileListBox& List() { return *Page().SoundListBox(); }

    // Four short wave sounds; the poll that notices their end is stopped, so "playing" lasts
    // until the test changes it.
    void OpenWithWaves()
    {
        settings::SaverSettings s;
        for (const char* name : {"1.wav", "2.wav", "3.wav", "4.wav"}) {
            fs::copy_file(Sound("tone.wav"), Path(name));
            s.sounds.push_back(Path(name));
        }
        WriteSetup(s);
        Open();
        Page().SoundTimer().stop();
    }

    void Play(int row)
    {
        List().SelectOnly(row);
        QTest::mouseClick(Find<QAbstractButton>("btnPlay"), Qt::LeftButton);
        ASSERT_TRUE(Page().SoundPlaying()) << Messages().size();
    }
};

TEST_F(SoundsPageTest, PlayingIndexFollowsThePlayingEntryUntilItIsRemoved)
{
    OpenWithWaves();
    EXPECT_EQ(Page().PlayGlyph(), SoundsPage::kPlayGlyphReady);
    Play(1);
    EXPECT_EQ(Page().PlayerKind(), SoundsPage::kMediaPlayer);
    EXPECT_EQ(Page().PlayGlyph(), SoundsPage::kPlayGlyphIdle);
    EXPECT_EQ(Page().StopGlyph(), SoundsPage::kStopGlyphPlaying);

    List().SelectOnly(2);
    Find<QAbstractButton>("btnMusicUp")->click();  // the entry below the playing one moves up
    EXPECT_EQ(Page().PlayingIndex(), 2);
    List().SelectOnly(0);
    Find<QAbstractButton>("btnDelSound")->click();  // an entry above goes
    EXPECT_EQ(Page().PlayingIndex(), 1);
    Find<QAbstractButton>("btnPlay")->click();  // playing already: nothing
    EXPECT_EQ(Page().PlayingIndex(), 1);

    List().SelectOnly(1);
    QTest::keyClick(&List(), Qt::Key_Delete);
    EXPECT_FALSE(Page().SoundPlaying()) << "removing the playing entry stops it";
    EXPECT_FALSE(Page().MP().DeviceOpen());
    EXPECT_EQ(Page().StopGlyph(), SoundsPage::kStopGlyphIdle);
    EXPECT_EQ(List().count(), 2);
}

TEST_F(SoundsPageTest, MovesAroundThePlayingEntryAndPlayingTheFocusedOneOfSeveral)
{
    OpenWithWaves();
    List().SelectOnly(1);
    List().item(3)->setSelected(true);  // several selected; entry 1 has the focus
    QTest::mouseClick(Find<QAbstractButton>("btnPlay"), Qt::LeftButton);
    ASSERT_TRUE(Page().SoundPlaying());
    EXPECT_EQ(Page().PlayingIndex(), 1);
    EXPECT_EQ(Page().MP().FileName(), Path("2.wav"));

    List().SelectOnly(0);
    Find<QAbstractButton>("btnMusicDown")->click();  // the entry above moves below the playing one
    EXPECT_EQ(Page().PlayingIndex(), 0);
    List().SelectOnly(0);
    Find<QAbstractButton>("btnMusicDown")->click();  // the playing entry itself moves down
    EXPECT_EQ(Page().PlayingIndex(), 1);
    EXPECT_EQ(List().Paths()[1], Path("2.wav"));

    Find<QAbstractButton>("btnStop")->click();
    EXPECT_FALSE(Page().SoundPlaying());
    EXPECT_FALSE(Page().MP().DeviceOpen());
    EXPECT_EQ(Page().PlayGlyph(), SoundsPage::kPlayGlyphReady);
}

TEST_F(SoundsPageTest, Mp3GoesToTheMpegPlayerWhoseEndComesBackEvenAfterBeingBorrowed)
{
    fs::copy_file(Sound("tone.mp3"), Path("SONG.MP3"));
    fs::copy_file(Sound("long.mp3"), Path("long.mp3"));
    settings::SaverSettings s;
    s.sounds = {Path("SONG.MP3"), Path("long.mp3")};
    WriteSetup(s);
    Open();
    audio::TMPEGPlayer* player = audio::MPEGPlayer();
    ASSERT_NE(player, nullptr);
    {
        slideshow::MpegPlayerOutput borrower(player, [] {});
    }  // the preview's slideshow took the event

    List().SelectOnly(0);
    Find<QAbstractButton>("btnPlay")->click();
    ASSERT_TRUE(Page().SoundPlaying());
    EXPECT_EQ(Page().PlayerKind(), SoundsPage::kMpegPlayer);
    EXPECT_EQ(player->StreamName(), Path("SONG.MP3"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Page().SoundPlaying(); }, 20000)) << "the end resets the player";
    EXPECT_EQ(Page().StopGlyph(), SoundsPage::kStopGlyphIdle);

    List().SelectOnly(1);
    Find<QAbstractButton>("btnPlay")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->GetPlayerMode() > QEL_MODE_ENDED; }));
    Find<QAbstractButton>("btnStop")->click();
    EXPECT_LE(player->GetPlayerMode(), QEL_MODE_ENDED);
    EXPECT_FALSE(Page().SoundPlaying());
}

// Without a working sound output a sound plays silently, and the user hears of it once per
// process: the word can be taken only once, so each of these two tests needs a process of its own
// (ctest runs every test so); in a shared process the later one is skipped.
constexpr const char* kNoSoundOutput = "No sound output was found: the sounds play silently.";
bool noticeTaken = false;

class NoSoundOutputTest : public SoundsPageTest {
protected:
    void SetUp() override
    {
        SoundsPageTest::SetUp();
        if (noticeTaken)
            GTEST_SKIP() << "the notice was taken by another test of this process";
        noticeTaken = true;
        ::setenv("QELSAVER_AUDIO_SINK", "no-such-output-module", 1);  // no output works
        fs::copy_file(Sound("tone.mp3"), Path("tone.mp3"));
        settings::SaverSettings s;
        s.sounds = {Path("tone.mp3")};
        WriteSetup(s);
        Open();
        List().SelectOnly(0);
    }
    void TearDown() override
    {
        ::setenv("QELSAVER_AUDIO_SINK", "null", 1);
        SoundsPageTest::TearDown();
    }
};

TEST_F(NoSoundOutputTest, PlayTellsOnceAndTheSoundStillPlaysToItsEnd)
{
    ::setenv("QELSAVER_AUDIO_SINK", "null", 1);  // silent by choice: nothing to tell
    Find<QAbstractButton>("btnPlay")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Page().SoundPlaying(); }, 20000));
    EXPECT_TRUE(Messages().empty());
    ::setenv("QELSAVER_AUDIO_SINK", "no-such-output-module", 1);
    for (int time = 0; time < 2; ++time) {
        Find<QAbstractButton>("btnPlay")->click();
        ASSERT_TRUE(Page().SoundPlaying());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Page().SoundPlaying(); }, 20000));
    }
    EXPECT_EQ(Messages(), std::vector<std::string>{kNoSoundOutput});
    Command("btnPreview")->click();
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(NoSoundOutputTest, PreviewTellsWhenTheShowsMusicFoundNoOutput)
{
    audio::TMPEGPlayer* player = audio::MPEGPlayer();
    desktop_.duringShow = [&](const std::string&) {
        // The show's music, as the slideshow plays it.
        slideshow::MpegPlayerOutput showMusic(player, [] {});
        player->SetStreamName(Path("tone.mp3"));
        player->Play();
        player->Close();
        EXPECT_TRUE(Messages().empty()) << "not while the show runs";
    };
    Command("btnPreview")->click();
    EXPECT_EQ(Messages(), std::vector<std::string>{kNoSoundOutput});
}

TEST_F(SoundsPageTest, ASoundThatCannotPlayIsReportedAndNothingPlays)
{
    WriteText("noise.wav", "RIFF but not a wave at all");
    settings::SaverSettings s;
    s.sounds = {Path("missing.mp3"), Path("noise.wav")};
    WriteSetup(s);
    Open();
    for (int row : {0, 1}) {
        List().SelectOnly(row);
        Find<QAbstractButton>("btnPlay")->click();
        EXPECT_FALSE(Page().SoundPlaying());
    }
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Invalid Music File", "Invalid Music File"}));
    EXPECT_EQ(Page().PlayGlyph(), SoundsPage::kPlayGlyphReady);
}

TEST_F(SoundsPageTest, AddedSoundsGoToTheEndAndTheirFolderIsRemembered)
{
    fs::create_directories(Path("music"));
    fs::copy_file(Sound("tone.wav"), Path("music/a.wav"));
    fs::copy_file(Sound("tone.mp3"), Path("music/b.mp3"));
    Open();
    dialogs_->soundFiles.push_back(
        {QString::fromStdString(Path("music/b.mp3")), QString::fromStdString(Path("music/a.wav"))});
    QTest::mouseClick(Find<QAbstractButton>("btnAddSound"), Qt::LeftButton);
    EXPECT_EQ(List().Paths(), (std::vector<std::string>{Path("music/b.mp3"), Path("music/a.wav")}));
    EXPECT_EQ(Page().SoundPath(), Path("music/"));
    EXPECT_EQ(Page().PlayGlyph(), SoundsPage::kPlayGlyphReady);
}

// A user of the installed program: the dialogs that add files start where the last files came from,
// and when that folder is gone (or nothing was added yet), in the user's own pictures or music folder.
TEST_F(SoundsPageTest, AddDialogsStartInTheRememberedFolderElseTheUsersOwn)
{
    const std::string home = Path("home");
    fs::create_directories(home + "/.config");
    fs::create_directories(home + "/Bilder");
    fs::create_directories(home + "/Musik");
    WriteText("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    const auto saved = [](const char* name) { return std::getenv(name) ? std::string(std::getenv(name)) : "\n"; };
    const auto restore = [](const char* name, const std::string& value) {
        value == "\n" ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
    };
    const std::string oldHome = saved("HOME");
    const std::string oldConfig = saved("XDG_CONFIG_HOME");
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    fs::create_directories(Path("music"));
    fs::copy_file(Sound("tone.wav"), Path("music/a.wav"));
    Open();
    Find<QAbstractButton>("btnAdd")->click();
    Find<QAbstractButton>("btnAddFolder")->click();
    Find<QAbstractButton>("btnAddSound")->click();
    dialogs_->soundFiles.push_back({QString::fromStdString(Path("music/a.wav"))});
    Find<QAbstractButton>("btnAddSound")->click();
    Find<QAbstractButton>("btnAddSound")->click();
    fs::remove_all(Path("music"));
    Find<QAbstractButton>("btnAddSound")->click();
    restore("HOME", oldHome);
    restore("XDG_CONFIG_HOME", oldConfig);
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    EXPECT_EQ(dialogs_->startFolders,
              (std::vector<QString>{text(home + "/Bilder"), text(home + "/Bilder"), text(home + "/Musik"),
                                    text(home + "/Musik"), text(Path("music/")), text(home + "/Musik")}));
}

class TransitionsPageTest : public EditorTest {
protected:
    TransitionsPage& Page() { return Transitions(); }

    void UseSamples()
    {
        for (const char* name : {TransitionsPage::kFirstSample, TransitionsPage::kSecondSample})
            fs::copy_file(std::string(QEL_BIN_DIR) + "/" + name, Path(name));
    }
};

TEST_F(TransitionsPageTest, StyleAndSpeedChosenDuringATransitionApplyAfterIt)
{
    UseSamples();
    settings::SaverSettings s;
    s.transSetup = std::string(10, '1');
    WriteSetup(s);
    Open(false);
    pictureshow::TPictureShow& preview = *Page().PsPreview();
    preview.SetManual(true);  // the first transition waits for the test
    window_->show();
    ASSERT_TRUE(preview.Busy());
    EXPECT_EQ(Page().PreviewTag(), 1);

    Page().TransListBox()->setCurrentRow(7);
    Page().cbDuration()->setCurrentIndex(1);
    QTest::keyClick(Page().cbDuration(), Qt::Key_Down);  // the user picks the next speed
    ASSERT_EQ(Page().cbDuration()->currentIndex(), 2);
    EXPECT_EQ(preview.Style(), 0);
    EXPECT_EQ(preview.Engine().Delay(), 40);

    QSignalSpy completed(&preview, &pictureshow::TPictureShow::completed);
    preview.SetManual(false);
    ASSERT_TRUE(completed.count() > 0 || completed.wait(20000));
    EXPECT_EQ(preview.Style(), 7);
    EXPECT_EQ(preview.Engine().Delay(), 30) << "speed \"3\"";
    EXPECT_TRUE(Page().TransTimer().isActive()) << "the pause before the next transition";
    EXPECT_EQ(Page().PreviewTag(), 0) << "the second sample is loaded";

    Page().TransTimerTimer();
    EXPECT_FALSE(Page().TransTimer().isActive());
    EXPECT_TRUE(preview.Busy());
    Page().TransListBox()->setCurrentRow(3);
    EXPECT_TRUE(completed.wait(20000));
    EXPECT_EQ(preview.Style(), 3);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(TransitionsPageTest, MissingSamplesShowNothingAndABrokenOneIsReportedOnce)
{
    Open();
    EXPECT_FALSE(Page().PsPreview()->Busy());
    EXPECT_EQ(Page().PreviewTag(), 1);
    window_.reset();

    WriteText(TransitionsPage::kFirstSample, "\xFF\xD8\xFF\xE0 not a picture");
    Open();
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(TransitionsPage::kFirstSample), std::string::npos);
    EXPECT_FALSE(Page().TransTimer().isActive());
}

TEST_F(TransitionsPageTest, RowsFollowTheirCheckMarks)
{
    settings::SaverSettings s;
    s.transSetup = "0101";
    WriteSetup(s);
    Open();
    QListWidget& rows = *Page().TransListBox();
    ASSERT_EQ(rows.count(), 4);
    const QPoint first = rows.visualItemRect(rows.item(0)).center();
    QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(rows.viewport(), Qt::LeftButton, {}, first);
    window_->SaveSetup(Path("a.dat"));
    EXPECT_EQ(settings::LoadSettings(Path("a.dat"), settings::SettingsReader::Editor).transSetup, "1101");
    QTest::mouseClick(Find<QAbstractButton>("btnSelectNone"), Qt::LeftButton);
    window_->SaveSetup(Path("b.dat"));
    EXPECT_EQ(settings::LoadSettings(Path("b.dat"), settings::SettingsReader::Editor).transSetup, "0000");
    QTest::mouseClick(Find<QAbstractButton>("btnSelectAll"), Qt::LeftButton);
    window_->SaveSetup(Path("c.dat"));
    EXPECT_EQ(settings::LoadSettings(Path("c.dat"), settings::SettingsReader::Editor).transSetup, "1111");
}

TEST_F(TransitionsPageTest, TheRowUnderTheMouseShowsItsStylesAnimationInThePreviewsPlace)
{
    // Style 5's animation as the build drew it, a damaged one for 3, none for the others.
    fs::create_directories(Path("manual/gallery"));
    fs::copy_file(std::string(QEL_BIN_DIR) + "/manual/" + GalleryAnimationName(5),
                  Path(std::string(kManualFolder) + GalleryAnimationName(5)));
    WriteText(std::string(kManualFolder) + GalleryAnimationName(3), "GIF89a\x10\x00 cut short");
    UseSamples();
    settings::SaverSettings s;
    s.transSetup = std::string(10, '1');
    WriteSetup(s);
    Open();
    Find<QTabBar>("TabControl")->setCurrentIndex(SetupWindow::kTransitionsPage);
    QListWidget& rows = *Page().TransListBox();
    auto* animation = Find<QLabel>("StyleAnimation");
    const auto hover = [&](int row) {
        QTest::mouseMove(rows.viewport(), rows.visualItemRect(rows.item(row)).center());
    };
    const auto previewShown = [&] {
        return Page().PsPreview()->isVisible() && !animation->isVisible() && !Page().AnimatedStyle();
    };
    ASSERT_TRUE(previewShown());

    hover(5);
    EXPECT_EQ(Page().AnimatedStyle(), 5);
    EXPECT_TRUE(animation->isVisible());
    EXPECT_FALSE(Page().PsPreview()->isVisible());
    ASSERT_NE(animation->movie(), nullptr);
    EXPECT_EQ(animation->movie()->state(), QMovie::Running);
    EXPECT_GT(animation->movie()->frameCount(), 2);
    EXPECT_EQ(Page().TransListBox()->currentRow(), 0) << "hovering chooses nothing";

    hover(3);
    EXPECT_TRUE(previewShown()) << "a damaged animation";
    hover(5);
    hover(7);
    EXPECT_TRUE(previewShown()) << "a missing animation";
    hover(5);
    QTest::mouseMove(Find<QWidget>("btnSelectAll"));
    EXPECT_TRUE(previewShown()) << "the mouse left the list";
    EXPECT_NE(animation->movie()->state(), QMovie::Running);
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace qel::editor::test
