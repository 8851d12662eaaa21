#pragma once
// The screen saver on every screen: one SlideshowWindow per screen, each showing the pictures of
// one settings file fitted to its own screen (the same settings, the same order), the music played
// once, the cursor hidden unless told otherwise, and an exit input on any screen ending the whole
// show once the platform's password check agrees. A screen plugged in while the show runs gets a
// window of its own; a window whose screen goes away goes with it.
//
// Opened by the run mode (with "QelSetup.dat") and by the editor's preview command (with
// "QelPreview.dat"; it keeps its own windows from taking input while the show runs). A show is
// made, started, and ended by destroying it (or by an exit input the password check lets through,
// or by End); nothing of it outlives the object.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QTimer>

#include "raster/bitmap.h"
#include "settings/saversettings.h"
#include "slideshow/shareddraws.h"

class QEventLoop;
class QScreen;
class QWidget;

namespace qel::slideshow {

class FirstPicture;
class ShowMusic;
class SlideshowMusic;
class SlideshowWindow;

// The draws of the process's generator for the picture cycles of one show.
[[nodiscard]] std::shared_ptr<SharedDraws> NewSharedDraws();

class SlideshowSession : public QObject {
public:
    explicit SlideshowSession(std::string settingsFile);
    // The same, with its first picture already being prepared (from that settings file).
    SlideshowSession(std::string settingsFile, std::unique_ptr<FirstPicture> first);
    ~SlideshowSession() override;

    // Reads the settings, starts preparing the pictures, shows a window on every screen and
    // starts the music; returns at once.
    void Start();
    // Start, then returns when the show has ended.
    void Run();

    [[nodiscard]] const std::string& SettingsFile() const { return settingsFile_; }
    [[nodiscard]] const settings::SaverSettings& Settings() const { return settings_; }
    [[nodiscard]] const std::vector<std::unique_ptr<SlideshowWindow>>& Windows() const { return windows_; }
    [[nodiscard]] const SlideshowMusic* Music() const;

    // Ends the show now, without asking for the password (its owner decided): nothing more is
    // prepared, the windows close and Run returns; the music stops when the show is destroyed.
    void End();
    // `ended` is called once the show has ended, however it ended, after its windows closed. It
    // must not destroy the show: that waits until the event loop is back.
    void OnEnded(std::function<void()> ended) { onEnded_ = std::move(ended); }
    // `mayEnd` is asked when an exit input has passed the password check: false keeps the show
    // up, and its owner ends it later (End). None: the show ends at once.
    void OnExitInput(std::function<bool()> mayEnd) { onExitInput_ = std::move(mayEnd); }

    // --- for the windows -----------------------------------------------------------------------
    // The draws of one more picture cycle, shared so every screen shows the same order.
    [[nodiscard]] SharedDraws::Cycle NewCycle() { return draws_->ForCycle(); }
    // Turns a picture file into what a width x height window shows (may run on any thread).
    [[nodiscard]] raster::Bitmap Compose(const std::string& path, int width, int height) const;
    // An exit input on one of the windows: the password check decides, then the show ends.
    void RequestClose();
    // The password check runs: inputs are ignored.
    [[nodiscard]] bool PasswordCheck() const { return passwordCheck_; }
    [[nodiscard]] bool CloseRequested() const { return closeRequested_; }
    [[nodiscard]] bool Ended() const { return ended_; }
    // `w` is one of the show's windows, or a widget inside one.
    [[nodiscard]] bool Owns(const QWidget* w) const;
    // A window lost the focus to a window that is not the show's: unless one of the show's
    // windows has it again a moment later (a window going with its screen passes it on), another
    // program took it, and that is an exit input. While the show is moving its windows and has
    // asked for the focus back, no loss counts until FocusHeld.
    void FocusLost();
    // One of the show's windows has the focus.
    void FocusHeld();

    // --- screens coming and going (connected to the application's notices) ---------------------
    void ScreenAdded(QScreen* screen);
    void ScreenRemoved(QScreen* screen);

private:
    void AddWindow(QScreen* screen);
    void SetPasswordCheck(bool v);
    void TakeFocus();

    std::string settingsFile_;
    settings::SaverSettings settings_;
    std::shared_ptr<SharedDraws> draws_;
    std::unique_ptr<FirstPicture> first_;
    std::vector<std::unique_ptr<SlideshowWindow>> windows_;
    std::vector<std::unique_ptr<SlideshowWindow>> retired_;  // their screen went away
    bool started_ = false;
    bool settingsRead_ = false;
    bool closeRequested_ = false;
    bool passwordCheck_ = false;
    bool ended_ = false;
    bool cursorHidden_ = false;
    bool focusReturning_ = false;  // the show moved its windows and asked for the focus back
    QTimer focusCheck_;
    std::unique_ptr<ShowMusic> music_;
    QEventLoop* loop_ = nullptr;
    std::function<void()> onEnded_;
    std::function<bool()> onExitInput_;
};

}  // namespace qel::slideshow
