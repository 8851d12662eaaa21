// The builder window as a user drives it: the path that follows the name, a build with its progress,
// "Build Error" and building again, the replace question, the window that cannot close while it
// builds, zip-and-send and "Explorer To"; and the editor's entry with its work folder.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "builder/buildandsend.h"
#include "builder/packagebuilderwindow.h"
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

// Records what "Explorer To" and the web-mail fallback ask the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

class BuilderWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        settings::Process().appPath = f_.Path("app/");
        settings::Process().programFolder = f_.Path("exe/");
        settings::Process().tempPath = f_.Path("temp/");
        log_ = f_.Path("messages.log");
        ::setenv("QELSAVER_MESSAGE_LOG", log_.c_str(), 1);
        ::unsetenv("QELSAVER_MESSAGE_ANSWER");
        settings::SaverSettings s;
        s.images = {f_.Write("p/a.jpg", "a"), f_.Write("p/b.jpg", "b"), f_.Write("q/a.jpg", "c")};
        s.sounds = {f_.Write("m/tune.mp3", "la")};
        f_.WriteSettings(s);
        QDesktopServices::setUrlHandler("file", &opened_, "open");
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler("file"); }

    std::string Messages() const { return ReadFile(log_); }

    PackageFixture f_;
    std::string log_;
    OpenedUrls opened_;
};

TEST_F(BuilderWindowTest, BuildsOncePackageThenZipsAndSendsIt)
{
    PackageBuilderWindow w;
    w.WorkFolder = f_.Path("work/");
    EXPECT_EQ(w.PackagePath(), f_.Path("app/NewSaver/setup.run"));
    EXPECT_FALSE(w.SendButton()->isEnabled());
    EXPECT_FALSE(w.ExplorerButton()->isEnabled());
    w.EditName()->setText("Garden");
    EXPECT_EQ(w.PackagePath(), f_.Path("app/Garden/setup.run"));

    int highest = 0;
    QObject::connect(w.ProgressBar(), &QProgressBar::valueChanged, [&](int v) { highest = std::max(highest, v); });
    w.BuildButton()->click();
    EXPECT_EQ(Messages(), "");
    ASSERT_TRUE(fs::is_regular_file(f_.Path("app/Garden/setup.run")));
    EXPECT_EQ(highest, 10) << "the bar is full when the archive is done";
    EXPECT_EQ(w.ProgressBar()->value(), 0);
    EXPECT_EQ(w.BuildButton()->text(), " Completed ");
    EXPECT_EQ(w.BuildButton()->toolTip(), "Build Completed");
    EXPECT_TRUE(w.BuildButton()->icon().isNull());
    EXPECT_TRUE(w.SendButton()->isEnabled());
    EXPECT_TRUE(w.ExplorerButton()->isEnabled());
    EXPECT_FALSE(w.EditName()->isEnabled());
    EXPECT_FALSE(w.BrowseButton()->isEnabled());

    fs::remove(f_.Path("app/Garden/setup.run"));
    w.BuildButton()->click();
    EXPECT_FALSE(fs::exists(f_.Path("app/Garden/setup.run"))) << "a window builds one package";
    f_.Build("Garden", "app/Garden/setup.run");

    const test::MailStandIn mail(f_.Path("desktop"));
    w.SendButton()->click();
    const std::string archive = f_.Path("app/Garden/setup.zip");
    const zip::FileSource source(archive);
    const zip::ZipReader zip(source);
    ASSERT_EQ(zip.Entries().size(), 1u);
    EXPECT_EQ(zip.Entries()[0].name, "setup.run");
    EXPECT_EQ(mail.Logged(),
              (std::vector<std::string>{"--utf8", "--subject", "Garden", "--attach", archive, "--to", "@"}));

    // A web mail cannot take the attachment: the user is told and gets the folder instead.
    ::setenv("QEL_MAIL_DEFAULT", "browser.desktop", 1);
    w.SendButton()->click();
    EXPECT_NE(Messages().find("cannot take an attachment"), std::string::npos);
    w.ExplorerButton()->click();
    ASSERT_EQ(opened_.urls.size(), 2u);
    EXPECT_EQ(opened_.urls[1], QUrl::fromLocalFile(QString::fromStdString(f_.Path("app/Garden/"))));
}

TEST_F(BuilderWindowTest, ABuildErrorLetsTheUserBuildAgain)
{
    PackageBuilderWindow w;
    w.WorkFolder = f_.Path("work/");
    const std::string saver = ReadFile(f_.Path("app/build/Saver.pak"));
    fs::remove(f_.Path("app/build/Saver.pak"));
    w.BuildButton()->click();
    EXPECT_EQ(Messages().rfind("Build Error\n\n", 0), 0u) << Messages();
    EXPECT_TRUE(w.BuildButton()->isEnabled());
    EXPECT_TRUE(w.EditName()->isEnabled());
    EXPECT_FALSE(w.SendButton()->isEnabled());
    f_.Write("app/build/Saver.pak", saver);
    w.BuildButton()->click();
    EXPECT_EQ(w.BuildButton()->text(), " Completed ");
}

TEST_F(BuilderWindowTest, AnExistingPackageIsReplacedOnlyWhenTheUserSaysSo)
{
    const std::string package = f_.Write("app/NewSaver/setup.run", "old");
    {
        PackageBuilderWindow w;
        w.WorkFolder = f_.Path("work/");
        w.BuildButton()->click();
        EXPECT_EQ(Messages(), package + " exists, \r\nReplace it?\n--\n");
        EXPECT_EQ(ReadFile(package), "old");
        EXPECT_TRUE(w.EditName()->isEnabled());
    }
    ::setenv("QELSAVER_MESSAGE_ANSWER", "ok", 1);
    PackageBuilderWindow w;
    w.WorkFolder = f_.Path("work/");
    w.BuildButton()->click();
    EXPECT_NE(ReadFile(package), "old");
}

TEST_F(BuilderWindowTest, TheWindowDoesNotCloseWhileItBuilds)
{
    PackageBuilderWindow w;
    w.WorkFolder = f_.Path("work/");
    w.show();
    // Closing is asked for while the build lets events through.
    bool asked = false;
    QTimer::singleShot(0, &w, [&] {
        asked = true;
        w.CloseButton()->click();
    });
    w.BuildButton()->click();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.BuildButton()->text(), " Completed ");
    w.CloseButton()->click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(BuilderWindowTest, BuildAndSendWorksInAFreshFolderAndDeletesIt)
{
    fs::create_directories(f_.Path("temp/build"));
    fs::create_directories(f_.Path("temp/build1"));
    std::string workFolder;
    bool settingsThere = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<PackageBuilderWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        workFolder = w->WorkFolder;
        settingsThere = fs::is_regular_file(workFolder + "SaverSetup.dat");
        w->close();
    });
    RunBuildAndSend(nullptr, settings::SaverSettings{});
    EXPECT_EQ(workFolder, f_.Path("temp/build2/"));
    EXPECT_TRUE(settingsThere);
    EXPECT_FALSE(fs::exists(f_.Path("temp/build2")));

    fs::remove(f_.Path("app/build/install.pak"));
    RunBuildAndSend(nullptr, settings::SaverSettings{});
    EXPECT_EQ(Messages(), "Missing Build Files\n--\n");
}

}  // namespace
}  // namespace qel::builder

#include "builderwindow_test.moc"
