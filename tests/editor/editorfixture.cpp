#include "editorfixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <QApplication>
#include <QStackedWidget>

#include "audio/processplayer.h"
#include "imaging/picturewriter.h"
#include "settings/processpaths.h"

namespace qel::editor::test {

QStringList ScriptedDialogs::OpenPictureFiles(QWidget*, const QString& folder)
{
    startFolders.push_back(folder);
    if (pictureFiles.empty())
        return {};
    QStringList answer = pictureFiles.front();
    pictureFiles.pop_front();
    return answer;
}

QString ScriptedDialogs::ChooseFolder(QWidget*, const QString& folder)
{
    startFolders.push_back(folder);
    if (folders.empty())
        return {};
    QString answer = folders.front();
    folders.pop_front();
    return answer;
}

QStringList ScriptedDialogs::OpenSoundFiles(QWidget*, const QString& folder)
{
    startFolders.push_back(folder);
    if (soundFiles.empty())
        return {};
    QStringList answer = soundFiles.front();
    soundFiles.pop_front();
    return answer;
}

std::optional<raster::Color> ScriptedDialogs::ChooseColor(QWidget*, raster::Color)
{
    if (colors.empty())
        return std::nullopt;
    auto answer = colors.front();
    colors.pop_front();
    return answer;
}

QString ScriptedDialogs::OpenProjectFile(QWidget*, const QString& folder)
{
    startFolders.push_back(folder);
    if (projectFiles.empty())
        return {};
    QString answer = projectFiles.front();
    projectFiles.pop_front();
    return answer;
}

QString ScriptedDialogs::SaveProjectFile(QWidget* owner, const QString& folder)
{
    return OpenProjectFile(owner, folder);
}

QString ScriptedDialogs::SavePackageFile(QWidget*, const QString& suggested)
{
    startFolders.push_back(suggested);
    if (packageFiles.empty())
        return {};
    QString answer = packageFiles.front();
    packageFiles.pop_front();
    return answer;
}

std::string EditorTest::messageLog_;

void EditorTest::SetUpTestSuite()
{
    if (messageLog_.empty()) {
        messageLog_ =
            (std::filesystem::temp_directory_path() / ("qel-editor-messages-" + std::to_string(::getpid()) + ".log"))
                .string();
        std::filesystem::remove(messageLog_);
        ::setenv("QELSAVER_MESSAGE_LOG", messageLog_.c_str(), 1);
    }
    static int argc = 1;
    static char name[] = "editor_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the static destructors at exit crashes.
    if (!QApplication::instance())
        new QApplication(argc, argv);
    if (!audio::MPEGPlayer()) {
        ASSERT_EQ(audio::CreateProcessMPEGPlayer(std::string(QEL_BIN_DIR) + "/"), "");
    }
}

// The player must go while Qt is still there, as the program's own start-up code does it.
void EditorTest::TearDownTestSuite()
{
    audio::ReleaseProcessMPEGPlayer();
}

void EditorTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("qel-editor-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    auto& process = settings::Process();
    process.programFolder = dir_.string() + "/";
    process.appPath = process.programFolder;
    process.tempPath = process.programFolder + "temp/";
    ::unsetenv("QELSAVER_MESSAGE_ANSWER");
    std::error_code ec;
    messagesBefore_ = std::filesystem::file_size(messageLog_, ec);
    if (ec)
        messagesBefore_ = 0;
    desktop_ = StandInDesktop{};
    desktop_.installResult.ok = true;
    desktop_.installResult.kind = hosts::HostKind::XScreenSaver;
    desktop_.installResult.message = "\"Qel ScreenSaver\" is now the screen saver of XScreenSaver.";
}

void EditorTest::TearDown()
{
    window_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void EditorTest::WriteSetup(const settings::SaverSettings& s) const
{
    settings::SaveSettings(SetupFile(), s);
}

void EditorTest::WriteText(const std::string& name, const std::string& text) const
{
    std::ofstream(Path(name), std::ios::binary) << text;
}

std::string EditorTest::Picture(const std::string& name, int w, int h, raster::Color c) const
{
    raster::Bitmap b(w, h);
    b.Fill(c);
    const std::string path = Path(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    imaging::WritePicture(path, b);
    return path;
}

SetupWindow& EditorTest::Open(bool show)
{
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    SystemActions actions;
    actions.installSaver = [this](const std::string& program, const std::string&) {
        if (!desktop_.installError.empty())
            throw std::runtime_error(desktop_.installError);
        desktop_.installed.push_back(program);
        return desktop_.installResult;
    };
    actions.runShow = [this](const std::string& file) {
        desktop_.shows.push_back(file);
        if (desktop_.duringShow)
            desktop_.duringShow(file);
    };
    actions.canOpen = [this](const std::string&) { return desktop_.canOpen; };
    actions.open = [this](const std::string& target) { desktop_.opened.push_back(target); };
    window_ = std::make_unique<SetupWindow>(std::move(dialogs), std::move(actions));
    if (show)
        window_->show();
    return *window_;
}

std::vector<std::string> EditorTest::Messages() const
{
    std::ifstream in(messageLog_, std::ios::binary);
    in.seekg(std::streamoff(messagesBefore_));
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> messages;
    const std::string text = all.str();
    const std::string separator = "\n--\n";
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size())
        messages.push_back(text.substr(start, end - start));
    return messages;
}

QAbstractButton* EditorTest::Command(const char* name) const
{
    auto* pages = Find<QStackedWidget>("MainPageControl");
    QAbstractButton* button =
        pages ? pages->currentWidget()->findChild<QAbstractButton*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(button, nullptr) << name;
    return button;
}

}  // namespace qel::editor::test
