#pragma once
// The small live picture inside another program's window (the display settings dialog): a
// borderless child that fills that window and runs the picture cycle with every picture fitted,
// and nothing else (no music, no cursor handling, no exit inputs). Its settings are the copy of
// "QelSetup.Dat" in the system folder. It ends when the window it lives in is destroyed.
//
// The window draws and watches its parent; the picture cycle is its controller's.

#include <memory>
#include <string>

#include <QTimer>
#include <QWidget>

#include "platform/windowhandle.h"
#include "raster/bitmap.h"
#include "settings/saversettings.h"

class QEventLoop;

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::slideshow {

class SlideshowController;

class PreviewWindow : public QWidget {
public:
    // Embeds itself in the window `parent` at its full size and shows the settings file
    // `settingsFile`. Check that the parent exists first.
    PreviewWindow(platform::WindowHandle parent, int width, int height, std::string settingsFile);
    ~PreviewWindow() override;

    // Shows the window and runs until the parent window is gone or the window is closed.
    void Run();

    [[nodiscard]] const std::string& SettingsFile() const { return settingsFile_; }
    [[nodiscard]] pictureshow::TPictureShow* PsPreview() const { return psPreview_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void FormShow();
    void LoadSettings();
    void StartTransition(int style, bool clearFirst);
    void WatchParent();
    void Stop();

    platform::WindowHandle parent_;
    pictureshow::TPictureShow* psPreview_ = nullptr;
    QTimer parentWatch_;
    bool shown_ = false;
    QEventLoop* loop_ = nullptr;
    std::string settingsFile_;
    settings::SaverSettings settings_;
    raster::Color color_ = 0;
    std::unique_ptr<SlideshowController> pictures_;
};

}  // namespace qel::slideshow
