#pragma once
// The show's pictures on one widget, wherever that widget is shown (a screen, a small window in
// another program's dialog, a screen-saver host's window): the picture-show control filling the
// widget and the picture cycle feeding it, connected to each other here and nowhere else. The
// surface has a saver's lifecycle: made (init), started (draw), told the widget's new size
// (reshape), stopped and destroyed (free). The window around it decides where it is shown, which
// inputs it takes, and when it ends.

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "raster/bitmap.h"
#include "slideshow/slideshowcontroller.h"

class QWidget;

namespace qel::pictureshow {
class TPictureShow;
struct MovingPicture;
}  // namespace qel::pictureshow

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
        // Pictures pan and zoom while they are on show (see MovingPicture). They are then prepared
        // here rather than by the cycle's compose: fitted to the widget when `fitPictures`, else at
        // their own size; the cycle's caption is laid over them.
        bool motion = false;
        bool fitPictures = true;
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
    void StartMotion();
    void MotionFrame();

    struct Composed;
    struct Motion;

    pictureshow::TPictureShow* control_ = nullptr;  // owned by the owner widget
    std::function<void(const std::string&)> pictureShown_;
    std::shared_ptr<Composed> composed_;  // shared with the worker that prepares pictures
    std::string ready_;                   // the picture the control holds, until it comes in
    std::unique_ptr<SlideshowController> pictures_;
    // Motion: what the worker prepared, the moving picture the control holds (until it comes in)
    // and the one on show; the frame timer and the clock of the picture on show.
    std::shared_ptr<Motion> motion_;
    std::shared_ptr<const pictureshow::MovingPicture> readyMoving_, shownMoving_;
    QTimer motionTimer_;
    QElapsedTimer motionClock_;
    double motionMs_ = 0;
    std::FILE* frameLog_ = nullptr;
};

}  // namespace qel::slideshow
