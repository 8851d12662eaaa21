// The builder window as a user drives it: the path that follows the name, a build with its progress,
// "Build Error" and building again, the replace question, the window that cannot close while it
// builds, zip-and-send and "Explorer To"; and the editor's entry with its work folder.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "builder/buildandsend.h"
#include "builder/packagebuilderwindow.h"
#include "builder/packagedesktop.h"
#include "mailstandin.h"
#include "packagefixture.h"
#include "settings/processpaths.h"
#include "zip/bytesource.h"
#include "zip/zipreader.h"

namespace qel::builder {
namespace {
namespace fs = std::filesystem;
using test::PackageFixture;
using test::ReadFile;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "builderwindow_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The message log, one for the whole run: its name is read once.
const std::string& MessageLog()
{
    static const std::string log = [] {
        const std::string path =
            (fs::temp_directory_path() / ("qel-builder-messages-" + std::to_string(::getpid()) + ".log")).string();
        fs::remove(path);
        ::setenv("QELSAVER_MESSAGE_LOG", path.c_str(), 1);
        return path;
    }();
    return log;
}

// The window's control of that object name.
template <class T> T* Find(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QPushButton* Button(QWidget& window, const char* name)
{
    return Find<QPushButton>(window, name);
}

// Lets the window's events through until the build or the zipping it started has ended: its
// button is enabled again (no timing: the work's last report is an event).
void WaitForTheWork(QWidget& window, const char* button)
{
    while (!Button(window, button)->isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

class BuilderWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        settings::Process().appPath = f_.Path("app/");
        settings::Process().programFolder = f_.Path("exe/");
        settings::Process().tempPath = f_.Path("temp/");
        log_ = MessageLog();
        std::error_code ec;
        logStart_ = fs::file_size(log_, ec);
        if (ec)
            logStart_ = 0;
        ::unsetenv("QELSAVER_MESSAGE_ANSWER");
        settings::SaverSettings s;
        s.images = {f_.Write("p/a.jpg", "a"), f_.Write("p/b.jpg", "b"), f_.Write("q/a.jpg", "c")};
        s.sounds = {f_.Write("m/tune.mp3", "la")};
        f_.WriteSettings(s);
        desktop_.choosePackageFile = [this](QWidget*, const std::string& suggested) {
            suggested_.push_back(suggested);
            return chosen_;
        };
        desktop_.open = [this](const std::string& folder) { opened_.push_back(folder); };
    }

    std::string Messages() const { return ReadFile(log_).substr(logStart_); }

    PackageFixture f_;
    std::string log_;
    std::size_t logStart_ = 0;
    PackageDesktop desktop_;
    std::string chosen_;                  // what the package dialog answers (empty: cancelled)
    std::vector<std::string> suggested_;  // what it was shown at first
    std::vector<std::string> opened_;     // what was handed to the file manager
};

TEST_F(BuilderWindowTest, BuildsOncePackageThenZipsAndSendsIt)
{
    PackageBuilderWindow w(f_.Path("work/"), desktop_);
    auto* path = Find<QLabel>(w, "EditPathName");
    auto* name = Find<QLineEdit>(w, "EditName");
    EXPECT_EQ(path->text().toStdString(), f_.Path("app/NewSaver/setup.run"));
    EXPECT_FALSE(Button(w, "btnSend")->isEnabled());
    EXPECT_FALSE(Button(w, "btnTest")->isEnabled());
    name->setText("Garden");
    EXPECT_EQ(path->text().toStdString(), f_.Path("app/Garden/setup.run"));

    int highest = 0;
    auto* bar = Find<QProgressBar>(w, "pb");
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) { highest = std::max(highest, v); });
    QPushButton* build = Button(w, "btnBuild");
    build->click();
    EXPECT_FALSE(name->isEnabled()) << "building";
    WaitForTheWork(w, "btnBuild");
    EXPECT_EQ(Messages(), "");
    ASSERT_TRUE(fs::is_regular_file(f_.Path("app/Garden/setup.run")));
    EXPECT_EQ(highest, 10) << "the bar is full when the archive is done";
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(build->text(), " Completed ");
    EXPECT_EQ(build->toolTip(), "Build Completed");
    EXPECT_TRUE(build->icon().isNull());
    EXPECT_TRUE(Button(w, "btnSend")->isEnabled());
    EXPECT_TRUE(Button(w, "btnTest")->isEnabled());
    EXPECT_FALSE(name->isEnabled());
    EXPECT_FALSE(Button(w, "btnBrowser")->isEnabled());

    fs::remove(f_.Path("app/Garden/setup.run"));
    build->click();
    EXPECT_TRUE(build->isEnabled());
    QCoreApplication::processEvents();
    EXPECT_FALSE(fs::exists(f_.Path("app/Garden/setup.run"))) << "a window builds one package";
    f_.Build("Garden", "app/Garden/setup.run");

    const test::MailStandIn mail(f_.Path("desktop"));
    Button(w, "btnSend")->click();
    WaitForTheWork(w, "btnSend");
    const std::string archive = f_.Path("app/Garden/setup.zip");
    const zip::FileSource source(archive);
    const zip::ZipReader zip(source);
    ASSERT_EQ(zip.Entries().size(), 1u);
    EXPECT_EQ(zip.Entries()[0].name, "setup.run");
    EXPECT_EQ(mail.Logged(),
              (std::vector<std::string>{"--utf8", "--subject", "Garden", "--attach", archive, "--to", "@"}));

    // A web mail cannot take the attachment: the user is told and gets the folder instead.
    ::setenv("QEL_MAIL_DEFAULT", "browser.desktop", 1);
    Button(w, "btnSend")->click();
    WaitForTheWork(w, "btnSend");
    EXPECT_NE(Messages().find("cannot take an attachment"), std::string::npos);
    Button(w, "btnTest")->click();
    EXPECT_EQ(opened_, (std::vector<std::string>{f_.Path("app/Garden/"), f_.Path("app/Garden/")}));

    // No mail program at all: the same, in one plain line that names no mail interface.
    mail.RemoveSendProgram();
    logStart_ += Messages().size();
    Button(w, "btnSend")->click();
    WaitForTheWork(w, "btnSend");
    EXPECT_EQ(Messages(), "No mail program is set up. The package is zipped as " + archive +
                              ": attach it to a new mail by hand.\n--\n");
    EXPECT_EQ(opened_.size(), 3u);
    EXPECT_EQ(opened_.back(), f_.Path("app/Garden/"));
}

TEST_F(BuilderWindowTest, BrowseFixesThePathTheNameNoLongerMoves)
{
    PackageBuilderWindow w(f_.Path("work/"), desktop_);
    auto* path = Find<QLabel>(w, "EditPathName");
    Button(w, "btnBrowser")->click();  // cancelled
    EXPECT_EQ(suggested_, std::vector<std::string>{f_.Path("app/NewSaver/setup.run")});
    chosen_ = f_.Path("out/my.saver.run");
    Button(w, "btnBrowser")->click();
    Find<QLineEdit>(w, "EditName")->setText("Garden");
    EXPECT_EQ(path->text().toStdString(), chosen_);

    Button(w, "btnBuild")->click();
    WaitForTheWork(w, "btnBuild");
    EXPECT_TRUE(fs::is_regular_file(chosen_)) << Messages();
    EXPECT_FALSE(fs::exists(f_.Path("app/Garden"))) << "nothing where the name would have put it";
}

TEST_F(BuilderWindowTest, ABuildErrorLetsTheUserBuildAgain)
{
    PackageBuilderWindow w(f_.Path("work/"), desktop_);
    // The package's folder cannot be made: the message names that folder, not the package inside it.
    f_.Write("app/NewSaver", "a file in the way");
    Button(w, "btnBuild")->click();
    EXPECT_EQ(Messages().rfind("Build Error\n\nCannot create \"" + f_.Path("app/NewSaver/") + "\": ", 0), 0u)
        << Messages();
    EXPECT_TRUE(Button(w, "btnBuild")->isEnabled());
    fs::remove(f_.Path("app/NewSaver"));
    logStart_ += Messages().size();

    const std::string saver = ReadFile(f_.Path("app/build/Saver.pak"));
    fs::remove(f_.Path("app/build/Saver.pak"));
    Button(w, "btnBuild")->click();
    WaitForTheWork(w, "btnBuild");
    EXPECT_EQ(Messages().rfind("Build Error\n\n", 0), 0u) << Messages();
    EXPECT_TRUE(Find<QLineEdit>(w, "EditName")->isEnabled());
    EXPECT_TRUE(Button(w, "btnBrowser")->isEnabled());
    EXPECT_FALSE(Button(w, "btnSend")->isEnabled());
    f_.Write("app/build/Saver.pak", saver);
    Button(w, "btnBuild")->click();
    WaitForTheWork(w, "btnBuild");
    EXPECT_EQ(Button(w, "btnBuild")->text(), " Completed ");
}

TEST_F(BuilderWindowTest, TheFilesABuildLeftOutAreNamedAndThePackageIsBuilt)
{
    fs::remove(f_.Path("p/b.jpg"));
    PackageBuilderWindow w(f_.Path("work/"), desktop_);
    Button(w, "btnBuild")->click();
    WaitForTheWork(w, "btnBuild");
    EXPECT_EQ(Button(w, "btnBuild")->text(), " Completed ");
    EXPECT_TRUE(Button(w, "btnSend")->isEnabled());
    EXPECT_EQ(Messages(), "The package is built, but without these files:\n\n\"" + f_.Path("p/b.jpg") +
                              "\" is left out: it does not exist.\n--\n");
}

TEST_F(BuilderWindowTest, AnExistingPackageIsReplacedOnlyWhenTheUserSaysSo)
{
    const std::string package = f_.Write("app/NewSaver/setup.run", "old");
    {
        PackageBuilderWindow w(f_.Path("work/"), desktop_);
        Button(w, "btnBuild")->click();
        EXPECT_EQ(Messages(), package + " exists, \r\nReplace it?\n--\n");
        EXPECT_EQ(ReadFile(package), "old");
        EXPECT_TRUE(Find<QLineEdit>(w, "EditName")->isEnabled());
    }
    ::setenv("QELSAVER_MESSAGE_ANSWER", "ok", 1);
    PackageBuilderWindow w(f_.Path("work/"), desktop_);
    Button(w, "btnBuild")->click();
    WaitForTheWork(w, "btnBuild");
    EXPECT_NE(ReadFile(package), "old");
}

TEST_F(BuilderWindowTest, TheWindowDoesNotCloseWhileItBuilds)
{
    PackageBuilderWindow w(f_.Path("work/"), desktop_);
    w.show();
    Button(w, "btnBuild")->click();
    // The build runs on: its end reaches the window as an event, after this one.
    Button(w, "btnCancel")->click();
    w.close();
    EXPECT_TRUE(w.isVisible());
    WaitForTheWork(w, "btnBuild");
    EXPECT_EQ(Button(w, "btnBuild")->text(), " Completed ");
    Button(w, "btnCancel")->click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(BuilderWindowTest, BuildAndSendWorksInAFreshFolderAndDeletesIt)
{
    fs::create_directories(f_.Path("temp/build"));
    fs::create_directories(f_.Path("temp/build1"));
    bool settingsThere = false;
    bool windowShown = false;
    QTimer::singleShot(0, [&] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        windowShown = qobject_cast<PackageBuilderWindow*>(w) != nullptr;
        settingsThere = fs::is_regular_file(f_.Path("temp/build2/SaverSetup.dat"));
        Button(*w, "btnCancel")->click();
    });
    const auto save = [](const std::string& path) { settings::SaveSettings(path, settings::SaverSettings{}); };
    RunBuildAndSend(nullptr, save, desktop_);
    EXPECT_TRUE(windowShown);
    EXPECT_TRUE(settingsThere);
    EXPECT_FALSE(fs::exists(f_.Path("temp/build2")));

    fs::remove(f_.Path("app/build/install.pak"));
    RunBuildAndSend(nullptr, save, desktop_);
    EXPECT_EQ(Messages(), "Missing Build Files\n--\n");
}

}  // namespace
}  // namespace qel::builder
