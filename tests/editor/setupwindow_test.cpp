// The editor window: moving every control to and from a settings file, the page switching, and
// section "Path" written back when the window closes.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "editor/bitmapview.h"
#include "editor/imagespage.h"
#include "editor/optionspage.h"
#include "editor/previewpictures.h"
#include "editor/soundspage.h"
#include "editor/transitionspage.h"
#include "editorfixture.h"
#include "pictureshow/styles.h"
#include "settings/inifile.h"
#include "settings/processpaths.h"

namespace qel::editor::test {
namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

class SetupWindowTest : public EditorTest {};

TEST_F(SetupWindowTest, LoadThenSaveWritesTheSameBytes)
{
    settings::SaverSettings s;
    s.images = {Path("a.jpg"), Path("b b.gif"), Path("a.jpg")};  // missing files stay; duplicates too
    s.sounds = {Path("one.mp3"), Path("two.wav")};
    s.imageSize = 1;
    s.sequence = 1;
    s.bgColor = -16777201;  // a value with its high byte set survives unchanged
    s.interval = 42;
    s.mouseMove = false;
    s.showCursor = true;
    s.randomSound = 0;
    s.transIndex = 5;
    s.duration = 4;
    s.transSetup = "0110011";
    WriteSetup(s);

    SetupWindow& w = Open(false);
    EXPECT_TRUE(Find<QCheckBox>("SoundCheck")->isChecked()) << "RandomSound=0 checks the box";
    w.SaveSetup(Path("out.dat"));
    EXPECT_EQ(ReadFile(Path("out.dat")), settings::FormatSettings(s));

    // Showing the window makes row 0 the current transition row.
    w.show();
    w.SaveSetup(Path("shown.dat"));
    s.transIndex = 0;
    EXPECT_EQ(ReadFile(Path("shown.dat")), settings::FormatSettings(s));
}

TEST_F(SetupWindowTest, ValuesTheControlsCannotShowAreBroughtIntoTheirRange)
{
    const std::string transSetup = "111x" + std::string(91, '0');  // 95 characters
    WriteText("QelSetup.dat", "[Options]\r\nInterval=0\r\nSequence=2\r\nRandomSound=1\r\n[Transitions]\r\nTransSetup=" +
                                  transSetup + "\r\n");
    SetupWindow& w = Open(false);
    EXPECT_EQ(Find<QSpinBox>("IntervalEdit")->value(), 1);
    EXPECT_FALSE(Find<QRadioButton>("rbNormalize")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("rbRandomize")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("SoundCheck")->isChecked());
    QListWidget* rows = Find<QListWidget>("TransListBox");
    ASSERT_EQ(rows->count(), pictureshow::kStyleCount);
    EXPECT_EQ(rows->item(91)->text().toStdString(), pictureshow::StyleDisplayName(91));
    EXPECT_EQ(rows->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(rows->item(3)->checkState(), Qt::Unchecked) << "only \"1\" checks a row";

    w.SaveSetup(Path("out.dat"));
    const auto saved = settings::LoadSettings(Path("out.dat"), settings::SettingsReader::Editor);
    EXPECT_EQ(saved.interval, 1);
    EXPECT_EQ(saved.sequence, 1) << "neither button checked is written as random";
    EXPECT_EQ(saved.transSetup, "111" + std::string(89, '0'));

    WriteText("other.dat", "[Options]\r\nInterval=5000\r\n");
    w.LoadSetup(Path("other.dat"));
    EXPECT_EQ(Find<QSpinBox>("IntervalEdit")->value(), 999);
    ASSERT_EQ(rows->count(), 1) << "a missing TransSetup gives one row";
    EXPECT_EQ(rows->item(0)->text().toStdString(), pictureshow::StyleDisplayName(0));
    EXPECT_EQ(rows->item(0)->checkState(), Qt::Unchecked);

    // Whatever is typed into the interval, a number comes out.
    Find<QSpinBox>("IntervalEdit")->findChild<QLineEdit*>()->setText("");
    EXPECT_EQ(Options().Interval(), 1);
}

TEST_F(SetupWindowTest, MenuItemsAndTabsShowTheirPages)
{
    SetupWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), "Qel ScreenSaver");
    EXPECT_EQ(Find<QStackedWidget>("MainPageControl")->currentIndex(), SetupWindow::kImagesPage);
    Action("nSounds")->trigger();
    EXPECT_EQ(Find<QTabBar>("TabControl")->currentIndex(), SetupWindow::kSoundsPage);
    EXPECT_EQ(Find<QStackedWidget>("MainPageControl")->currentIndex(), SetupWindow::kSoundsPage);
    Find<QTabBar>("TabControl")->setCurrentIndex(SetupWindow::kTransitionsPage);
    EXPECT_EQ(Find<QStackedWidget>("MainPageControl")->currentIndex(), SetupWindow::kTransitionsPage);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Find<QStackedWidget>("MainPageControl")->currentIndex(), SetupWindow::kImagesPage)
        << "Ctrl+Tab goes round";
}

TEST_F(SetupWindowTest, OpensAtItsSmallestSizeAndGivesTheRoomOfALargerOneToTheListsAndThePreview)
{
    settings::SaverSettings s;
    s.images = {Picture("wide.bmp", 800, 600)};
    s.sounds = {Path("one.mp3")};
    WriteSetup(s);
    SetupWindow& w = Open();
    const QSize smallest = w.minimumSize();
    EXPECT_EQ(w.size(), smallest);
    EXPECT_GE(w.centralWidget()->width(), SetupWindow::kClientWidth);
    EXPECT_GE(w.centralWidget()->height(), SetupWindow::kClientHeight);
    BitmapView& preview = *Find<BitmapView>("PreviewImage");
    EXPECT_EQ(preview.size(), QSize(kPreviewWidth, kPreviewHeight));
    QWidget& images = *Find("ImagesListBox");
    QWidget& sounds = *Find("SoundListBox");
    Action("nSounds")->trigger();
    QApplication::processEvents();
    const QSize soundsBefore = sounds.size();
    Action("nImages")->trigger();
    QApplication::processEvents();
    const QSize imagesBefore = images.size();

    w.resize(smallest + QSize(400, 300));
    QApplication::processEvents();
    EXPECT_GT(images.width(), imagesBefore.width());
    EXPECT_GT(images.height(), imagesBefore.height());
    EXPECT_GT(preview.width(), kPreviewWidth);
    EXPECT_NEAR(double(preview.height()) / preview.width(), double(kPreviewHeight) / kPreviewWidth, 0.01);
    const QWidget& frame = *preview.parentWidget();
    EXPECT_LT(frame.geometry().bottom(), frame.parentWidget()->height()) << "all of it shows";
    Images().FitPreviewToArea();
    EXPECT_EQ(QSize(preview.Shown().Width(), preview.Shown().Height()), preview.size()) << "drawn for its new size";
    Action("nSounds")->trigger();
    QApplication::processEvents();
    EXPECT_GT(sounds.width(), soundsBefore.width());
    EXPECT_GT(sounds.height(), soundsBefore.height());

    // A larger preview does not keep the window from coming back to its smallest size.
    EXPECT_EQ(w.minimumSize(), smallest);
    w.resize(smallest);
    Action("nImages")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(preview.size(), QSize(kPreviewWidth, kPreviewHeight));
    EXPECT_EQ(images.size(), imagesBefore);
}

TEST_F(SetupWindowTest, ClosingWritesSectionPathAndKeepsTheRestOfTheFile)
{
    settings::SaverSettings s;
    s.images = {Path("a.jpg")};
    s.interval = 7;
    WriteSetup(s);
    {
        std::ofstream(SetupFile(), std::ios::binary | std::ios::app) << "[Path]\r\nImagePath=/old/pictures/\r\n";
    }
    settings::Process().appPath = Path("app/");

    SetupWindow& w = Open();
    EXPECT_EQ(Images().ImagePath(), "/old/pictures/");
    Sounds().SetSoundPath("/new/sounds/");
    QTest::mouseClick(Command("btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());

    const auto ini = settings::IniFile::Open(SetupFile());
    EXPECT_EQ(ini.ReadString("Path", "ImagePath", "?"), "/old/pictures/");
    EXPECT_EQ(ini.ReadString("Path", "SoundPath", "?"), "/new/sounds/");
    EXPECT_EQ(ini.ReadString("Path", "AppPath", "?"), Path("app/"));
    const auto kept = settings::ReadSettings(ini, settings::SettingsReader::Editor);
    EXPECT_EQ(kept.images, s.images);
    EXPECT_EQ(kept.interval, 7);
}

TEST_F(SetupWindowTest, ASettingsFileThatCannotBeWrittenIsReportedByName)
{
    SetupWindow& w = Open();
    std::filesystem::create_directory(SetupFile());  // a folder where the file should be
    Action("nExit")->trigger();
    EXPECT_FALSE(w.isVisible());
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("QelSetup.dat"), std::string::npos) << messages[0];
}

TEST_F(SetupWindowTest, ASettingsFileNotReadWholeIsSaidAndNeverWrittenOnLeaving)
{
    // What the editor can read it shows; the comment it cannot keep is why nothing is written.
    const std::string text = "[Options]\r\nInterval=7\r\n;" + std::string(settings::IniFile::kMaxLineLength, 'c') +
                             "\r\n[Images]\r\n" + Path("a.jpg") + "=\r\n";
    WriteText("QelSetup.dat", text);
    SetupWindow& w = Open();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(SetupFile() + "\" could not be read whole: line 3 is longer"), std::string::npos)
        << Messages()[0];
    EXPECT_EQ(Find<QSpinBox>("IntervalEdit")->value(), 7);
    EXPECT_EQ(Images().Images(), std::vector<std::string>{Path("a.jpg")});

    Find<QSpinBox>("IntervalEdit")->setValue(8);
    EXPECT_THROW(w.LoadSetup(SetupFile()), std::runtime_error) << "as a project it is refused";
    EXPECT_EQ(Find<QSpinBox>("IntervalEdit")->value(), 8) << "and changes nothing";

    // Changed: it asks whether to close without saving into that file.
    ::setenv("QELSAVER_MESSAGE_ANSWER", "cancel", 1);
    w.close();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("Close anyway?"), std::string::npos) << Messages()[1];
    ::setenv("QELSAVER_MESSAGE_ANSWER", "ok", 1);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ReadFile(SetupFile()), text) << "not even section \"Path\"";
}

}  // namespace
}  // namespace qel::editor::test
