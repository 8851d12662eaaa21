#pragma once
// The screen saver itself: a borderless, topmost window over the whole primary screen in which the
// pictures of the settings file follow one another through transitions while music plays. It
// hides the cursor unless told otherwise, ends on the inputs the settings allow, and lets the
// platform's password check veto the end. Opened modally by the run mode's launcher and by the
// editor's preview command (after SetPreviewMode(true)).

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <QTimer>
#include <QWidget>

#include "raster/bitmap.h"
#include "settings/saversettings.h"
#include "slideshow/exitmouse.h"

class QEventLoop;

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::slideshow {

class PictureCycle;
class SlideshowMusic;
class MpegPlayerOutput;
class MediaPlayerOutput;

class TSaverMainFrm : public QWidget {
public:
    explicit TSaverMainFrm(QWidget* parent = nullptr);
    ~TSaverMainFrm() override;

    // Preview mode reads "QelPreview.dat" beside the program instead of "QelSetup.dat". Call
    // before showing.
    void SetPreviewMode(bool on);
    [[nodiscard]] bool PreviewMode() const { return previewMode_; }
    [[nodiscard]] const std::string& SettingsFile() const { return settingsFile_; }
    // Reads a different settings file (tests).
    void SetSettingsFile(const std::string& path) { settingsFile_ = path; }

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
    void MainPicComplete();
    void IntervalTimerTimer();
    void SoundTimerTimer();
    void MPlayerPlayEnd();

    void RequestClose(bool v);
    void SetPasswordCheck(bool v);
    bool CheckPassword();
    void LoadSettings();
    void PrepareNextPicture();
    void PictureReady(std::optional<raster::Bitmap> picture);
    void StartTransition();
    void StartIntervalTimer();

    pictureshow::TPictureShow* mainPic_ = nullptr;
    QTimer soundTimer_;
    QTimer intervalTimer_;
    int intervalMs_ = 3000;  // 0: the timer never fires

    bool closeRequested_ = false;
    bool passwordCheck_ = false;
    bool previewMode_ = false;
    bool shown_ = false;
    bool wasActive_ = false;
    bool cursorHidden_ = false;
    std::string settingsFile_;
    settings::SaverSettings settings_;
    MouseExitRule mouse_;
    std::unique_ptr<PictureCycle> pictures_;
    std::unique_ptr<MpegPlayerOutput> mpegOutput_;
    std::unique_ptr<MediaPlayerOutput> mediaOutput_;
    std::unique_ptr<SlideshowMusic> music_;
    QEventLoop* modalLoop_ = nullptr;
    std::thread worker_;         // prepares the next picture
    bool preparing_ = false;     // the worker has not delivered yet
    bool startWhenReady_ = false;  // start the transition when it delivers
};

}  // namespace qel::slideshow
