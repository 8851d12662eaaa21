#pragma once
// The show inside a window of a screen-saver host. The host (XScreenSaver, MATE's screen saver)
// covers each monitor with a window of its own and starts one saver process per window; its
// settings dialog does the same with a small window for its preview. This window becomes a child
// of the host's window and fills it, following its size; the pictures of the settings come in
// through the picture cycle's controller, composed for that size as the full-screen show composes
// them for a screen; the music plays when the owner starts it.
//
// The host owns the keyboard and the mouse: the window takes neither input nor the focus, leaves
// the cursor as the host set it, and has no exit inputs and no password. It ends when the host's
// window goes away or when Stop is called (the host's stop signal).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/windowhandle.h"
#include "settings/saversettings.h"
#include "slideshow/embeddedwindow.h"
#include "slideshow/showorder.h"

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::slideshow {

class PictureSurface;
class ShowMusic;

class HostWindow : public EmbeddedWindow {
public:
    struct Config {
        platform::WindowHandle parent = 0;  // the host's window; it must exist
        int width = 0;                      // its size now
        int height = 0;
        settings::SaverSettings settings;
        // The pictures in the order the cycle takes them (the settings' list, or that list turned
        // to start elsewhere); empty: the settings' own list.
        std::vector<std::string> pictures;
        RandomIndex draw;  // the picture cycle's draws; default: the process's generator
        // A preview: every picture is fitted to the window, whatever the settings say about the
        // picture size, so the small window shows what the screen would.
        bool fitAlways = false;
        // Called on the window thread when a picture starts coming in, with its path.
        std::function<void(const std::string& path)> pictureShown;
    };

    explicit HostWindow(Config config);
    ~HostWindow() override;  // stops the music; waits for a picture still being prepared

    // Starts the settings' sounds, one after another; only the first call does anything.
    void StartMusic();
    [[nodiscard]] bool MusicStarted() const { return music_ != nullptr; }

    // Run shows the window in the host's until the host's window is gone, Stop is called or the
    // application is told to exit; Stop ends the show: no more pictures, the music stops.

    [[nodiscard]] pictureshow::TPictureShow* MainPic() const;

protected:
    void Stopping() override;
    // The picture on show is stretched to the new size; the next one is composed for it.
    void ParentResized(int width, int height) override;

private:
    settings::SaverSettings settings_;
    std::unique_ptr<PictureSurface> surface_;
    std::unique_ptr<ShowMusic> music_;
};

}  // namespace qel::slideshow
