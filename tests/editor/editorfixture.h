#pragma once
// What the editor's tests share: the application on the offscreen platform, the process-wide MPEG
// player, a folder of the test's own that stands for the program's folder, dialogs the test
// answers, a desktop the test stands in for, and the message boxes the window showed.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QStringList>

#include <gtest/gtest.h>

#include "editor/editordialogs.h"
#include "editor/imagespage.h"
#include "editor/optionspage.h"
#include "editor/setupwindow.h"
#include "editor/soundspage.h"
#include "editor/transitionspage.h"
#include "hosts/saverhost.h"
#include "raster/bitmap.h"
#include "settings/saversettings.h"

namespace qel::editor::test {

// Answers each question with the next prepared answer; an unprepared question is cancelled.
class ScriptedDialogs : public EditorDialogs {
public:
    std::deque<QStringList> pictureFiles;
    std::deque<QString> folders;
    std::deque<QStringList> soundFiles;
    std::deque<std::optional<raster::Color>> colors;
    std::deque<QString> projectFiles;  // for both project dialogs
    std::deque<QString> packageFiles;
    // The folders the file dialogs were asked to start in.
    std::vector<QString> startFolders;

    QStringList OpenPictureFiles(QWidget*, const QString& folder) override;
    QString ChooseFolder(QWidget*, const QString& folder) override;
    QStringList OpenSoundFiles(QWidget*, const QString& folder) override;
    std::optional<raster::Color> ChooseColor(QWidget*, raster::Color) override;
    QString OpenProjectFile(QWidget*, const QString& folder) override;
    QString SaveProjectFile(QWidget*, const QString& folder) override;
    QString SavePackageFile(QWidget*, const QString& suggested) override;
};

// Stands in for the desktop: records what the window asked of it.
struct StandInDesktop {
    std::vector<std::string> installed;  // the program paths handed to the host
    hosts::InstallResult installResult;  // what the host answers (a successful install unless changed)
    std::string installError;            // when set, the host's file cannot be written: this error
    std::vector<std::string> shows;      // the settings files shows ran on
    std::function<void(const std::string&)> duringShow;
    bool canOpen = false;  // whether the system opens every file
    std::vector<std::string> opened;
};

class EditorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The settings file beside the "program" (the test's folder).
    [[nodiscard]] std::string SetupFile() const { return (dir_ / "QelSetup.dat").string(); }
    void WriteSetup(const settings::SaverSettings& s) const;
    void WriteText(const std::string& name, const std::string& text) const;
    // A picture of one colour, w x h, written as BMP.
    std::string Picture(const std::string& name, int w, int h, raster::Color c = 0x00336699) const;
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Creates the window on the settings written so far (FormCreate runs), and shows it (FormShow).
    SetupWindow& Open(bool show = true);

    // The texts of the message boxes shown since the test began.
    [[nodiscard]] std::vector<std::string> Messages() const;

    // The window's control or menu item of that object name (a test failure when there is none).
    template <class T = QWidget> T* Find(const char* name) const
    {
        T* found = window_ ? window_->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    [[nodiscard]] QAction* Action(const char* name) const { return Find<QAction>(name); }
    // The command button "btnPreview", "btnOK" or "btnCancel" of the page on show.
    [[nodiscard]] QAbstractButton* Command(const char* name) const;
    [[nodiscard]] ImagesPage& Images() const { return *Find<ImagesPage>("ImagesPage"); }
    [[nodiscard]] OptionsPage& Options() const { return *Find<OptionsPage>("OptionsPage"); }
    [[nodiscard]] SoundsPage& Sounds() const { return *Find<SoundsPage>("SoundsPage"); }
    [[nodiscard]] TransitionsPage& Transitions() const { return *Find<TransitionsPage>("TransitionsPage"); }

    static std::string messageLog_;  // one for the whole run: the name is read once
    std::uintmax_t messagesBefore_ = 0;
    std::filesystem::path dir_;
    ScriptedDialogs* dialogs_ = nullptr;  // owned by the window
    StandInDesktop desktop_;
    std::unique_ptr<SetupWindow> window_;
};

}  // namespace qel::editor::test
