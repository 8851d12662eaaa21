#pragma once
// The screen saver itself: a borderless, topmost window over the whole primary screen in which the
// pictures of a settings file follow one another through transitions while music plays. It hides
// the cursor unless told otherwise, ends on the inputs the settings allow, and lets the platform's
// password check veto the end. Opened modally by the run mode (with "QelSetup.dat") and by the
// editor's preview command (with "QelPreview.dat").
//
// The window draws, plays and applies the exit rules; the picture cycle is its controller's.

#include <memory>
#include <string>

#include <QTimer>
#include <QWidget>

#include "settings/saversettings.h"
#include "slideshow/exitmouse.h"

class QEventLoop;

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::slideshow {

class SlideshowController;
class SlideshowMusic;
class MpegPlayerOutput;
class MediaPlayerOutput;

class SlideshowWindow : public QWidget {
public:
    explicit SlideshowWindow(std::string settingsFile, QWidget* parent = nullptr);
    ~SlideshowWindow() override;

    [[nodiscard]] const std::string& SettingsFile() const { return settingsFile_; }

    // Shows the window modally; returns when it has closed.
    void ShowModal();

    [[nodiscard]] bool CloseRequested() const { return closeRequested_; }
    [[nodiscard]] pictureshow::TPictureShow* MainPic() const { return mainPic_; }
    [[nodiscard]] const settings::SaverSettings& Settings() const { return settings_; }
    [[nodiscard]] const SlideshowMusic* Music() const { return music_.get(); }

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormShow();
    void FormMouseMove(int x, int y);
    void FormMouseDown();
    void FormKeyDown();
    void StartMusic();
    void PollSound();
    void MPlayerPlayEnd();
    void StartTransition(int style, bool clearFirst);

    void RequestClose(bool v);
    void SetPasswordCheck(bool v);
    bool CheckPassword();
    void LoadSettings();

    pictureshow::TPictureShow* mainPic_ = nullptr;
    QTimer soundTimer_;

    bool closeRequested_ = false;
    bool passwordCheck_ = false;
    bool shown_ = false;
    bool wasActive_ = false;
    bool cursorHidden_ = false;
    std::string settingsFile_;
    settings::SaverSettings settings_;
    MouseExitRule mouse_;
    std::unique_ptr<SlideshowController> pictures_;
    std::unique_ptr<MpegPlayerOutput> mpegOutput_;
    std::unique_ptr<MediaPlayerOutput> mediaOutput_;
    std::unique_ptr<SlideshowMusic> music_;
    QEventLoop* modalLoop_ = nullptr;
};

}  // namespace qel::slideshow
