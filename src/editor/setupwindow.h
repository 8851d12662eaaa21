#pragma once
// The editor: the window that keeps a whole screen saver's design in its controls. A menu bar, a
// row of four tabs and the page of the chosen tab (Images, Options, Sounds, Transitions), each page
// with the same three commands at its bottom right. It fills its controls from "QelSetup.dat" when
// it is created, and LoadSetup / SaveSetup move every control to and from any settings file.
//
// Keys: Alt and a tab's underlined letter shows that page, also where a menu has the same letter
// (the tab "&Sounds" and the menu "&Settings"); F10 opens the menus. Ctrl+Tab and Ctrl+PgDn go to the
// next page, Ctrl+Shift+Tab and Ctrl+PgUp to the one before.
//
// Lifecycle: the constructor runs FormCreate; the first show runs FormShow; every attempt to close
// runs FormCloseQuery (which asks about unsaved changes), and a close it allows runs FormClose
// (section "Path" is written back).
//
// Every control carries its name as its object name ("TabControl", "btnOK" on each page, "nExit",
// "IntervalEdit" ...): that is how tests and accessibility tools find them.

#include <array>
#include <memory>
#include <string>

#include <QMainWindow>

#include "editor/editordialogs.h"
#include "editor/systemactions.h"

class QAction;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;

namespace qel::platform {
class BackgroundTask;
}

namespace qel::settings {
struct SaverSettings;
}

namespace qel::editor {

class ImagesPage;
class OptionsPage;
class SoundsPage;
class TransitionsPage;

class SetupWindow : public QMainWindow {
    Q_OBJECT
public:
    enum Page { kImagesPage = 0, kOptionsPage = 1, kSoundsPage = 2, kTransitionsPage = 3, kPageCount = 4 };
    // The client area at 96 dots per inch: the window's size when it opens and its smallest size
    // (larger only when the desktop's fonts need more room). The user may make it larger.
    static constexpr int kClientWidth = 459;
    static constexpr int kClientHeight = 313;

    // `dialogs`: who answers the file, folder and colour questions (the system's dialogs when null);
    // `actions`: what the commands ask of the desktop.
    explicit SetupWindow(std::unique_ptr<EditorDialogs> dialogs = nullptr, SystemActions actions = MakeSystemActions(),
                         QWidget* parent = nullptr);
    ~SetupWindow() override;

    // Fills every control from the settings file at `path` (a missing file gives the defaults).
    // Throws std::runtime_error naming the file, and changes nothing, when it exists but cannot be
    // read whole.
    void LoadSetup(const std::string& path);
    // Writes every control to `path`, replacing the file in one step. Throws std::runtime_error
    // naming the file and the cause; the old file is then untouched.
    void SaveSetup(const std::string& path);
    // Whether the controls show anything else than the settings file at `path` holds (the current
    // transition row aside). A value the controls cannot show counts as a difference.
    [[nodiscard]] bool SetupModified(const std::string& path) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes this program the desktop's screen saver and tells the user how that went: a short
    // notice naming the host, or a message saying why there is none. Throws std::runtime_error
    // naming the file when a file of the host cannot be written.
    void InstallSaver();

    // Handlers, named for the control and the event; the object names of the controls are the same.
    void FormCreate();
    void FormShow();
    void FormClose();
    void TabControlChange();
    void nImagesClick();
    void nOptionsClick();
    void nSoundsClick();
    void nTransitionsClick();
    void btnBgColorChange();
    void btnOKClick();
    void btnPreviewClick();
    void btnCancelClick();
    void nExitClick();
    // Whether the window may close.
    bool FormCloseQuery();
    void nLoadClick();
    void nSaveClick();
    void nContentClick();
    void nAboutClick();
    void BuildandSend1Click();

    void BuildMenus();
    QWidget* BuildPage(QWidget* content, int page);
    void SelectTab(int index);
    void OpenSettingsMenu();
    // With no pictures: says so, shows the Images page and returns true.
    bool RefuseEmptyImageList();
    // The help file to open, or empty when there is none.
    [[nodiscard]] std::string HelpFile() const;
    void ShowSettings(const settings::SaverSettings& s);

    std::unique_ptr<EditorDialogs> dialogs_;
    SystemActions actions_;
    std::string settingsFile_;
    // What could not be read of settingsFile_ when the editor opened. While it is set, the editor
    // does not write that file on its own (on closing), since it would lose what it could not read.
    std::string settingsProblem_;
    bool closePending_ = false;
    bool previewRunning_ = false;
    bool shown_ = false;

    QTabBar* tabControl_ = nullptr;
    QStackedWidget* mainPageControl_ = nullptr;
    ImagesPage* images_ = nullptr;
    OptionsPage* options_ = nullptr;
    SoundsPage* sounds_ = nullptr;
    TransitionsPage* transitions_ = nullptr;
    std::array<QToolButton*, kPageCount> btnPreview_{};
    std::array<QToolButton*, kPageCount> btnOK_{};
    std::array<QToolButton*, kPageCount> btnCancel_{};
    QMenu* settingsMenu_ = nullptr;
    QMenu* projectMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* nImages_ = nullptr;
    QAction* nOptions_ = nullptr;
    QAction* nSounds_ = nullptr;
    QAction* nTransitions_ = nullptr;
    QAction* nExit_ = nullptr;
    QAction* buildandSend1_ = nullptr;
    QAction* nLoad_ = nullptr;
    // Asks the desktop about its idle handling for the Options page; waited for on destruction.
    std::unique_ptr<platform::BackgroundTask> idleFacts_;
    QAction* nSave_ = nullptr;
    QAction* nContent_ = nullptr;
    QAction* nAbout_ = nullptr;
};

}  // namespace qel::editor
