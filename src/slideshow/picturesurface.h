#pragma once
// The show's pictures on one widget, wherever that widget is shown (a screen, a small window in
// another program's dialog, a screen-saver host's window): the picture-show control filling the
// widget and the picture cycle feeding it, connected to each other here and nowhere else. The
// surface has a saver's lifecycle: made (init), started (draw), told the widget's new size
// (reshape), stopped and destroyed (free). The window around it decides where it is shown, which
// inputs it takes, and when it ends.

#include <functional>
#include <memory>
#include <string>

#include <QObject>

#include "raster/bitmap.h"
#include "slideshow/slideshowcontroller.h"

class QWidget;

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::slideshow {

class PictureSurface : public QObject {
public:
    struct Config {
        SlideshowController::Config cycle;  // with its `compose`
        raster::Color background = 0;       // the control's colour, before and around the pictures
        int stepDelayMs = 0;
        // The pictures come fitted to the widget already; the full-screen and host windows stretch
        // what they are given, the preview centres it.
        bool stretch = true;
        // Called on the window thread when a picture starts coming in, with its path.
        std::function<void(const std::string& path)> pictureShown;
    };

    // Makes the control, a child of `owner` filling it, and the picture cycle for it; nothing is
    // prepared before Start.
    PictureSurface(QWidget& owner, Config config);
    // Waits for a picture still being prepared, unless its file keeps the worker waiting.
    ~PictureSurface() override;
    PictureSurface(const PictureSurface&) = delete;
    PictureSurface& operator=(const PictureSurface&) = delete;

    // Prepares the first picture for the control's size and brings it in when it is ready.
    void Start();
    // The owner's new size: the control fills it (the picture on show is stretched to it) and the
    // next picture is composed for it.
    void Reshape(int width, int height);
    // The show ends: nothing more is prepared or started.
    void Stop();

    [[nodiscard]] pictureshow::TPictureShow* Control() const { return control_; }

private:
    void StartTransition(int style, bool clearFirst);

    struct Composed;

    pictureshow::TPictureShow* control_ = nullptr;  // owned by the owner widget
    std::function<void(const std::string&)> pictureShown_;
    std::shared_ptr<Composed> composed_;  // shared with the worker that prepares pictures
    std::string ready_;                   // the picture the control holds, until it comes in
    std::unique_ptr<SlideshowController> pictures_;
};

}  // namespace qel::slideshow
