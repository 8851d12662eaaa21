// The editor's commands on the whole design: what counts as a change, the question on leaving,
// saving and installing, the preview, projects and help.

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "audio/processplayer.h"
#include "builder/packageformat.h"
#include "editor/colorpickerbutton.h"
#include "editor/filelistbox.h"
#include "editor/imagespage.h"
#include "editor/optionspage.h"
#include "editor/soundspage.h"
#include "editor/transitionspage.h"
#include "editorfixture.h"
#include "platform/systemfolders.h"
#include "settings/processpaths.h"
#include "slideshow/playeroutputs.h"

namespace qel::editor::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoImages = "You'd better insert at least one image.";
constexpr const char* kSaveQuestion = "Would like to save any modifies made before exit?";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

class CommandsTest : public EditorTest {
protected:
    // A design with something in every key, as the editor writes it, plus the folders it keeps.
    settings::SaverSettings Design() const
    {
        settings::SaverSettings s;
        s.images = {Path("a.bmp"), Path("b.bmp"), Path("c.bmp")};
        s.sounds = {Path("one.mp3"), Path("two.wav")};
        s.imageSize = 1;
        s.sequence = 1;
        s.bgColor = 0x00123456;
        s.interval = 9;
        s.keyPress = false;
        s.showCursor = true;
        s.randomSound = 0;
        s.transIndex = 2;
        s.duration = 3;
        s.transSetup = "10110";
        return s;
    }

    void WriteDesign()
    {
        WriteText("QelSetup.dat", settings::FormatSettings(Design()) + "[Path]\r\nImagePath=/pictures/\r\n");
    }

    void Answer(const char* answer) { ::setenv("QELSAVER_MESSAGE_ANSWER", answer, 1); }
};

TEST_F(CommandsTest, EveryComparedKeyCountsAndTheCurrentTransitionRowDoesNot)
{
    WriteDesign();
    SetupWindow& w = Open();
    ASSERT_FALSE(w.SetupModified(SetupFile())) << "the editor's own file, section \"Path\" and all";

    struct Case {
        const char* what;
        std::function<void()> change;
        bool modified;
    };
    const std::vector<Case> cases = {
        {"the current transition row", [&] { Find<QListWidget>("TransListBox")->setCurrentRow(4); }, false},
        {"two pictures swapped",
         [&] {
             Images().SetImages({Path("b.bmp"), Path("a.bmp"), Path("c.bmp")});
         },
         true},
        {"a picture's letter case",
         [&] {
             Images().SetImages({Path("A.bmp"), Path("b.bmp"), Path("c.bmp")});
         },
         true},
        {"a sound fewer", [&] { Find<FileListBox>("SoundListBox")->SetPaths({Path("one.mp3")}); }, true},
        {"the picture size", [&] { Find<QComboBox>("SizeCombo")->setCurrentIndex(0); }, true},
        {"the order", [&] { Find<QRadioButton>("rbNormalize")->setChecked(true); }, true},
        {"the colour", [&] { Find<ColorPickerButton>("btnBgColor")->SetValue(0); }, true},
        {"the interval", [&] { Find<QSpinBox>("IntervalEdit")->setValue(10); }, true},
        {"random sounds", [&] { Find<QCheckBox>("SoundCheck")->setChecked(false); }, true},
        {"the speed", [&] { Find<QComboBox>("cbDuration")->setCurrentIndex(0); }, true},
        {"an exit input", [&] { Find<QCheckBox>("ExitKeyPress")->setChecked(true); }, true},
        {"the cursor", [&] { Find<QCheckBox>("cbShowCursor")->setChecked(false); }, true},
        {"the caption", [&] { Find<QComboBox>("cbCaption")->setCurrentIndex(2); }, true},
        {"the motion", [&] { Find<QCheckBox>("cbMotion")->setChecked(true); }, true},
        {"a transition", [&] { Find<QListWidget>("TransListBox")->item(1)->setCheckState(Qt::Checked); }, true},
    };
    for (const Case& c : cases) {
        w.LoadSetup(SetupFile());
        c.change();
        EXPECT_EQ(w.SetupModified(SetupFile()), c.modified) << c.what;
    }
}

TEST_F(CommandsTest, ValuesTheControlsCannotShowCountAsChanges)
{
    Open(false);
    for (const char* text : {"[Options]\r\nInterval=0\r\n", "[Options]\r\nImageSize=7\r\n",
                             "[Options]\r\nCaption=9\r\n", "[Transitions]\r\nTransSetup=0120\r\n"}) {
        WriteText("odd.dat", text);
        window_->LoadSetup(Path("odd.dat"));
        EXPECT_TRUE(window_->SetupModified(Path("odd.dat"))) << text;
    }
    WriteText("odd.dat", "[Transitions]\r\nTransSetup=0110\r\n");  // every other key missing
    window_->LoadSetup(Path("odd.dat"));
    EXPECT_FALSE(window_->SetupModified(Path("odd.dat")));
}

TEST_F(CommandsTest, PathsThatAreNotUtf8StayTheSameBytes)
{
    settings::SaverSettings s = Design();
    s.images = {Path("caf\xe9.jpg"), Path("b.bmp")};  // Latin-1 names
    s.sounds = {Path("m\xfcsik.mp3")};
    WriteSetup(s);
    SetupWindow& w = Open();
    EXPECT_FALSE(w.SetupModified(SetupFile()));
    Find<FileListBox>("ImagesListBox")->Exchange(0);
    w.SaveSetup(Path("out.dat"));
    const auto saved = settings::LoadSettings(Path("out.dat"), settings::SettingsReader::Editor);
    EXPECT_EQ(saved.images, (std::vector<std::string>{Path("b.bmp"), Path("caf\xe9.jpg")}));
    EXPECT_EQ(saved.sounds, s.sounds);
}

TEST_F(CommandsTest, TheCloseQuestionsThreeAnswers)
{
    // An empty picture list: Yes saves it all the same, but a saver that would show a black screen
    // is not installed, and the user hears why.
    WriteText("QelSetup.dat", "[Options]\r\nInterval=4\r\n");
    for (const char* answer : {"cancel", "no", "yes"}) {
        SCOPED_TRACE(answer);
        const std::string before = ReadFile(SetupFile());
        const std::size_t messages = Messages().size();
        SetupWindow& w = Open();
        Find<QSpinBox>("IntervalEdit")->setValue(5);
        Answer(answer);
        Command("btnCancel")->click();
        const std::vector<std::string> all = Messages();
        const std::vector<std::string> shown(all.begin() + std::ptrdiff_t(messages), all.end());
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.front(), kSaveQuestion);
        EXPECT_EQ(shown.size(), std::string(answer) == "yes" ? 2u : 1u);
        const auto saved = settings::LoadSettings(SetupFile(), settings::SettingsReader::Editor);
        EXPECT_TRUE(desktop_.installed.empty());
        if (std::string(answer) == "cancel") {
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(ReadFile(SetupFile()), before);
            Command("btnCancel")->click();
            EXPECT_EQ(Messages().size(), all.size() + 1) << "Exit asks again once the question is answered";
        } else if (std::string(answer) == "no") {
            EXPECT_FALSE(w.isVisible());
            EXPECT_EQ(saved.interval, 4);
        } else {
            EXPECT_FALSE(w.isVisible());
            EXPECT_EQ(saved.interval, 5);
            EXPECT_EQ(shown[1].rfind(kNoImages, 0), 0u) << shown[1];
        }
    }

    // With a picture, Yes saves and installs.
    Picture("a.bmp", 4, 4);
    SetupWindow& w = Open();
    dialogs_->pictureFiles = {{QString::fromStdString(Path("a.bmp"))}};
    Find<QAbstractButton>("btnAdd")->click();
    Answer("yes");
    Action("nExit")->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(settings::LoadSettings(SetupFile(), settings::SettingsReader::Editor).images,
              std::vector<std::string>{Path("a.bmp")});
    EXPECT_EQ(desktop_.installed, std::vector<std::string>{platform::ProgramFile()});

    // Nothing changed: no question.
    const std::size_t messages = Messages().size();
    SetupWindow& again = Open();
    Action("nExit")->trigger();
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(Messages().size(), messages);
}

TEST_F(CommandsTest, AFailedSaveOnLeavingKeepsTheWindowAndTheDesign)
{
    WriteDesign();
    SetupWindow& w = Open();
    Find<QSpinBox>("IntervalEdit")->setValue(77);
    fs::remove(SetupFile());
    fs::create_directory(SetupFile());  // cannot be written now
    Answer("yes");
    w.close();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(desktop_.installed.empty());
    EXPECT_EQ(Find<QSpinBox>("IntervalEdit")->value(), 77);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("QelSetup.dat"), std::string::npos) << Messages()[1];

    fs::remove(SetupFile());  // writable again: Exit works again
    Action("nExit")->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(settings::LoadSettings(SetupFile(), settings::SettingsReader::Editor).interval, 77);
}

TEST_F(CommandsTest, SaveCurrentSettingsChecksSavesAndInstalls)
{
    WriteText("QelSetup.dat", "[Options]\r\nInterval=4\r\n");
    SetupWindow& w = Open();
    Action("nSounds")->trigger();
    Command("btnOK")->click();
    EXPECT_EQ(Messages(), std::vector<std::string>{kNoImages});
    EXPECT_EQ(Find<QTabBar>("TabControl")->currentIndex(), SetupWindow::kImagesPage);
    EXPECT_EQ(ReadFile(SetupFile()), "[Options]\r\nInterval=4\r\n");
    EXPECT_TRUE(desktop_.installed.empty());

    Images().SetImages({Picture("a.bmp", 4, 4)});
    Command("btnOK")->click();
    EXPECT_FALSE(w.SetupModified(SetupFile()));
    EXPECT_EQ(desktop_.installed, std::vector<std::string>{platform::ProgramFile()});
    EXPECT_EQ(Messages().back(), desktop_.installResult.message);

    // Our idle service: the notice says when the show comes, with the wait just saved.
    desktop_.installResult.kind = hosts::HostKind::IdleService;
    Find<QSpinBox>("IdleMinutesEdit")->setValue(7);
    Command("btnOK")->click();
    EXPECT_EQ(Messages().back(), "QelSaver starts after 7 idle minutes on this desktop.");

    // A desktop without a host: the settings are saved all the same, and the user is told why.
    desktop_.installResult = {};
    desktop_.installResult.message = "This desktop runs no screen-saver program.";
    Find<QSpinBox>("IntervalEdit")->setValue(8);
    Command("btnOK")->click();
    EXPECT_EQ(settings::LoadSettings(SetupFile(), settings::SettingsReader::Editor).interval, 8);
    EXPECT_EQ(Messages().back(), desktop_.installResult.message);

    // A host file that cannot be written is an error with its text.
    desktop_.installResult = {};
    desktop_.installError = "Cannot write \"/home/x/.xscreensaver\"";
    Command("btnOK")->click();
    EXPECT_EQ(Messages().back(), "Cannot write \"/home/x/.xscreensaver\"");
}

TEST_F(CommandsTest, PreviewStopsTheSoundShowsTheCurrentDesignAndTakesThePlayerBack)
{
    fs::copy_file(std::string(QEL_TEST_DATA_DIR) + "/audio/long.mp3", Path("long.mp3"));
    settings::SaverSettings s;
    s.sounds = {Path("long.mp3")};
    WriteSetup(s);
    SetupWindow& w = Open();
    SoundsPage& sounds = Sounds();
    sounds.SoundListBox()->SelectOnly(0);
    Find<QAbstractButton>("btnPlay")->click();
    ASSERT_TRUE(sounds.SoundPlaying());
    Find<QSpinBox>("IntervalEdit")->setValue(6);  // not saved

    audio::TMPEGPlayer* player = audio::MPEGPlayer();
    bool playingDuringShow = true;
    bool editorEnabled = true;
    std::string shown;
    desktop_.duringShow = [&](const std::string& file) {
        playingDuringShow = sounds.SoundPlaying();
        editorEnabled = w.isEnabled();
        shown = ReadFile(file);
        slideshow::MpegPlayerOutput showMusic(player, [] {});  // the show's music borrows the player
    };
    Command("btnPreview")->click();
    EXPECT_EQ(desktop_.shows, std::vector<std::string>{Path("QelPreview.dat")});
    EXPECT_FALSE(playingDuringShow);
    EXPECT_FALSE(editorEnabled);
    EXPECT_TRUE(w.isEnabled());
    EXPECT_EQ(settings::LoadSettings(Path("QelPreview.dat"), settings::SettingsReader::Editor).interval, 6);
    EXPECT_EQ(shown, ReadFile(Path("QelPreview.dat")));
    EXPECT_EQ(settings::LoadSettings(SetupFile(), settings::SettingsReader::Editor).interval, 3);
    EXPECT_TRUE(player->OnPlayEnd) << "the page's end-of-play event is back";
}

TEST_F(CommandsTest, APreviewNeverWritesThroughALinkPutAtItsFile)
{
    WriteSetup({});
    WriteText("mine.txt", "the user's");
    fs::create_symlink(Path("mine.txt"), Path("QelPreview.dat"));
    Open();
    Command("btnPreview")->click();
    EXPECT_EQ(ReadFile(Path("mine.txt")), "the user's");
    EXPECT_TRUE(fs::is_symlink(Path("QelPreview.dat")));
    EXPECT_TRUE(desktop_.shows.empty());
    EXPECT_EQ(Messages().size(), 1u) << "the failure is reported";
}

TEST_F(CommandsTest, ProjectsRoundTripAndLoadingOneSavesItWithoutInstalling)
{
    WriteDesign();
    fs::create_directories(Path("app"));  // a folder this user may write to: the project dialogs start there
    settings::Process().appPath = Path("app/");
    SetupWindow& w = Open();
    dialogs_->projectFiles = {QString::fromStdString(Path("mine.qsp"))};
    Action("nSave")->trigger();
    const std::string project = ReadFile(Path("mine.qsp"));
    settings::SaverSettings expected = Design();
    expected.transIndex = 0;  // showing the window made the first row current
    EXPECT_EQ(project, settings::FormatSettings(expected)) << "no section \"Path\"";

    Images().SetImages({});
    Find<QSpinBox>("IntervalEdit")->setValue(1);
    const std::string setupBefore = ReadFile(SetupFile());
    Action("nLoad")->trigger();  // cancelled
    EXPECT_EQ(ReadFile(SetupFile()), setupBefore);
    dialogs_->projectFiles = {QString::fromStdString(Path("mine.qsp"))};
    Action("nLoad")->trigger();
    const QString appPath = QString::fromStdString(Path("app/"));
    EXPECT_EQ(dialogs_->startFolders, (std::vector<QString>{appPath, appPath, appPath}));
    EXPECT_EQ(ReadFile(SetupFile()), project) << "loaded, saved at once, section \"Path\" gone";
    EXPECT_EQ(Find<FileListBox>("ImagesListBox")->currentRow(), 0);
    EXPECT_FALSE(w.SetupModified(SetupFile()));
    EXPECT_TRUE(desktop_.installed.empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CommandsTest, HelpOpensTheHelpFileOnlyWhenSomethingCanOpenItElseTheManual)
{
    Open(false);
    Action("nContent")->trigger();
    EXPECT_TRUE(desktop_.opened.empty()) << "neither present: nothing";

    WriteText("QelSaver.chm", "help");
    fs::create_directories(Path("manual"));
    WriteText("manual/index.html", "<html></html>");
    Action("nContent")->trigger();
    desktop_.canOpen = true;
    Action("nContent")->trigger();
    EXPECT_EQ(desktop_.opened, (std::vector<std::string>{Path("manual/index.html"), Path("QelSaver.chm")}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CommandsTest, BuildAndSendHandsTheBuilderTheEditorsDialogsAndDesktop)
{
    Open();
    Action("BuildandSend1")->trigger();
    EXPECT_EQ(Messages(), std::vector<std::string>{kNoImages});

    fs::create_directories(Path("build"));
    for (const char* prepared : {"setup.pak", "install.pak", "Saver.pak", "Uninstall.pak"})
        WriteText(std::string("build/") + prepared, "prepared");
    WriteText(builder::kDecoderLibrary, "decoder");
    Images().SetImages({Picture("a.bmp", 4, 4)});
    dialogs_->packageFiles = {QString::fromStdString(Path("out/mine.run"))};
    bool builderShown = false;
    QTimer::singleShot(0, [&] {
        QWidget* builder = QApplication::activeModalWidget();
        ASSERT_NE(builder, nullptr);
        builderShown = true;
        builder->findChild<QAbstractButton*>("btnBrowser")->click();
        auto* build = builder->findChild<QAbstractButton*>("btnBuild");
        build->click();
        while (!build->isEnabled())  // the build's end is an event
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        builder->findChild<QAbstractButton*>("btnTest")->click();
        builder->findChild<QAbstractButton*>("btnCancel")->click();
    });
    Action("BuildandSend1")->trigger();
    EXPECT_TRUE(builderShown);
    EXPECT_EQ(dialogs_->startFolders, std::vector<QString>{QString::fromStdString(Path("NewSaver/setup.run"))});
    EXPECT_TRUE(fs::is_regular_file(Path("out/mine.run"))) << (Messages().empty() ? "" : Messages().back());
    EXPECT_EQ(desktop_.opened, std::vector<std::string>{Path("out/")});
}

}  // namespace
}  // namespace qel::editor::test
