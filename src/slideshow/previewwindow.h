#pragma once
// The small live picture inside another program's window (the display settings dialog): a
// borderless child that fills that window and runs the picture cycle with every picture fitted,
// and nothing else (no music, no cursor handling, no exit inputs). Its settings are the copy of
// "QelSetup.Dat" in the system folder. It ends when the window it lives in is destroyed.
//
// The window reads the settings when it is first shown; the pictures are its surface's.

#include <memory>
#include <string>

#include "platform/windowhandle.h"
#include "settings/saversettings.h"
#include "slideshow/embeddedwindow.h"

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::slideshow {

class PictureSurface;

class PreviewWindow : public EmbeddedWindow {
public:
    // Embeds itself in the window `parent` at its full size and shows the settings file
    // `settingsFile`. Check that the parent exists first.
    PreviewWindow(platform::WindowHandle parent, int width, int height, std::string settingsFile);
    ~PreviewWindow() override;

    [[nodiscard]] const std::string& SettingsFile() const { return settingsFile_; }
    // The picture control, once the window has been shown.
    [[nodiscard]] pictureshow::TPictureShow* PsPreview() const;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void Stopping() override;

private:
    void FormShow();

    bool shown_ = false;
    std::string settingsFile_;
    settings::SaverSettings settings_;
    std::unique_ptr<PictureSurface> surface_;
};

}  // namespace qel::slideshow
