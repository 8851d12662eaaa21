#pragma once
// The picture cycle of every show (the full-screen slideshow, the small preview, the editor's
// preview): which picture comes next, preparing it on a worker thread, which style brings it in,
// and the interval that a picture stays, counted from the end of its transition. Widget-free: the
// window that owns it connects the two signals to its picture-show control, reports the end of
// each transition, and does nothing else for the cycle.
//
// The cycle: Preparing (the first picture) -> Transition -> Preparing the next picture while the
// interval runs -> Waiting for the rest of the interval -> Transition -> ... When the interval
// passes before the picture is ready, the transition starts as soon as it is, rather than without
// it: a slow picture pauses the show instead of skipping a turn.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "raster/bitmap.h"
#include "settings/saversettings.h"
#include "slideshow/picturecycle.h"
#include "slideshow/showorder.h"

namespace qel::platform {
class BackgroundTask;
}

namespace qel::slideshow {

class SlideshowController : public QObject {
    Q_OBJECT

public:
    enum class State {
        Idle,        // not started, or nothing to show (no pictures)
        Preparing,   // the worker prepares the next picture
        Transition,  // the control brings the picture in
        Waiting,     // the picture is ready; the interval runs
        Closing,     // stopped: nothing more is prepared or started
    };

    // Turns the file at `path` into the bitmap the control shows, `width` x `height` (the control's
    // size when the picture was chosen). Runs on the worker thread; throws std::exception naming
    // the file and the cause when the picture cannot be shown.
    using Compose = std::function<raster::Bitmap(const std::string& path, int width, int height)>;

    struct Config {
        std::vector<std::string> pictures;  // taken over by the cycle
        bool randomOrder = false;
        std::vector<int> styles;         // enabled style numbers; empty: the control keeps its style
        int intervalMs = 3000;           // 0: the next transition never comes
        bool reseedBeforeStyle = false;  // the full-screen show reseeds the generator each time
        Compose compose;
        // What each composed picture's caption says; drawn into it on the worker.
        settings::CaptionKind caption = settings::CaptionKind::None;
        RandomIndex draw;              // default: the process's generator
        std::function<void()> reseed;  // default: the process's generator, from the clock

        // The pictures, their order, the styles, the interval and the captions the settings ask for.
        static Config FromSettings(const settings::SaverSettings& s);
    };

    explicit SlideshowController(Config config, QObject* parent = nullptr);
    // Waits for a picture still being prepared, unless its file keeps the worker waiting (a network
    // mount that stopped answering): that worker is left to end on its own.
    ~SlideshowController() override;

    // The size pictures are composed for; the window keeps it equal to its control's size.
    void SetPictureSize(int width, int height);

    // Prepares the first picture and starts the first transition when it is ready.
    void Start();
    // The control has finished a transition.
    void TransitionFinished();
    // Ends the cycle: the timer stops and nothing more is emitted.
    void Stop();

    [[nodiscard]] State CurrentState() const { return state_; }
    [[nodiscard]] int IntervalMs() const { return config_.intervalMs; }
    [[nodiscard]] bool IntervalRunning() const { return interval_.isActive(); }

signals:
    // The control's next picture (it keeps showing its last frame until the next transition),
    // handed over whole: nobody changes it any more.
    void pictureReady(std::shared_ptr<const qel::raster::Bitmap> picture);
    // Start a transition with `style` (-1: keep the control's style); `clearFirst`: clear the
    // control and repaint it before, so a single picture comes in over the bare background.
    void transitionStarting(int style, bool clearFirst);

private:
    void PrepareNext();
    void PictureDelivered(std::optional<raster::Bitmap> picture);
    void StartTransition();
    void StartInterval();
    void IntervalPassed();

    struct Delivery;

    Config config_;
    // Shared with the worker, which may outlive the controller when a file keeps it waiting.
    std::shared_ptr<PictureCycle> cycle_;
    std::shared_ptr<Delivery> delivery_;
    QTimer interval_;
    State state_ = State::Idle;
    bool startWhenReady_ = false;  // the interval passed while the picture was being prepared
    bool pictureShown_ = false;    // the control has been given a picture
    int width_ = 0;
    int height_ = 0;
    int turn_ = 0;  // pictures prepared so far: the caption's corner moves on with each
    std::unique_ptr<platform::BackgroundTask> worker_;
};

}  // namespace qel::slideshow
