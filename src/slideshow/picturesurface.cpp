#include "slideshow/picturesurface.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <utility>

#include <QWidget>

#include "pictureshow/motion.h"
#include "pictureshow/pictureshowwidget.h"
#include "slideshow/caption.h"
#include "slideshow/movingpicture.h"

namespace qel::slideshow {
namespace {

// Frames of a moving picture: steady at 30 a second, smooth for a slow pan at a fraction of the
// cost of the display's full rate.
constexpr int kMotionFrameMs = 33;
// A picture that stays until the show ends (no interval) moves for this long, then rests.
constexpr double kLongestMotionMs = 30000;

// Microseconds of the steady clock, for the frame log.
long long LogClockUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// The path of the picture the worker composed last, so the surface can tell which picture the
// controller hands it.
struct PictureSurface::Composed {
    std::mutex mutex;
    std::string path;
};

// The moving picture the worker prepared last, for the surface to take with the picture, and how
// many it has prepared (each moves differently, its caption in another corner).
struct PictureSurface::Motion {
    std::mutex mutex;
    std::shared_ptr<const pictureshow::MovingPicture> prepared;
    std::atomic<std::uint32_t> turn = 0;
};

PictureSurface::PictureSurface(QWidget& owner, Config config) : pictureShown_(std::move(config.pictureShown))
{
    control_ = new pictureshow::TPictureShow(&owner);
    auto& engine = control_->Engine();
    engine.SetAutoSize(false);
    engine.SetBgMode(pictureshow::BackgroundMode::bmNone);
    engine.SetColor(config.background);
    if (config.stretch)
        engine.SetStretch(true);
    else
        engine.SetCenter(true);
    engine.SetDelay(config.stepDelayMs);
    control_->setGeometry(owner.rect());
    control_->show();

    SlideshowController::Config cycle = std::move(config.cycle);
    if (config.motion) {
        motion_ = std::make_shared<Motion>();
        // The caption stays put while the picture moves: it is laid over every frame instead of
        // being drawn into the picture.
        cycle.compose = [motion = motion_, fit = config.fitPictures, background = config.background,
                         caption = std::exchange(cycle.caption, settings::CaptionKind::None)](const std::string& path,
                                                                                              int width, int height) {
            const std::uint32_t turn = motion->turn++;
            const int corner = static_cast<int>(turn);
            PreparedMotion prepared = PrepareMovingPicture(path, width, height, fit, background, turn,
                                                           CaptionText(path, caption), CornerForTurn(corner));
            std::lock_guard lock(motion->mutex);
            motion->prepared = std::move(prepared.moving);
            return std::move(prepared.firstView);
        };
        motionTimer_.setTimerType(Qt::PreciseTimer);
        motionTimer_.setInterval(kMotionFrameMs);
        connect(&motionTimer_, &QTimer::timeout, this, &PictureSurface::MotionFrame);
        motionMs_ = cycle.intervalMs > 0 ? cycle.intervalMs : kLongestMotionMs;
        // For measuring: a line per frame drawn, with the time it was shown and what drawing it cost,
        // each line written whole at once for a reader running alongside.
        if (const char* log = std::getenv("QELSAVER_FRAME_LOG"); log && *log)
            frameLog_ = std::fopen(log, "a");
        if (frameLog_)
            std::setvbuf(frameLog_, nullptr, _IOLBF, 0);
    }
    if (pictureShown_) {
        composed_ = std::make_shared<Composed>();
        cycle.compose = [inner = std::move(cycle.compose), composed = composed_](const std::string& path, int width,
                                                                                 int height) {
            raster::Bitmap b = inner(path, width, height);
            std::lock_guard lock(composed->mutex);
            composed->path = path;
            return b;
        };
    }
    pictures_ = std::make_unique<SlideshowController>(std::move(cycle));
    connect(pictures_.get(), &SlideshowController::pictureReady, this,
            [this](std::shared_ptr<const raster::Bitmap> picture) {
                if (composed_) {
                    std::lock_guard lock(composed_->mutex);
                    ready_ = composed_->path;
                }
                if (motion_) {
                    std::lock_guard lock(motion_->mutex);
                    readyMoving_ = std::exchange(motion_->prepared, nullptr);
                }
                control_->Engine().SetPicture(std::move(picture));
            });
    connect(pictures_.get(), &SlideshowController::transitionStarting, this,
            [this](int style, bool clearFirst) { StartTransition(style, clearFirst); });
    connect(control_, &pictureshow::TPictureShow::completed, pictures_.get(), &SlideshowController::TransitionFinished);
    if (motion_)
        connect(control_, &pictureshow::TPictureShow::completed, this, &PictureSurface::StartMotion);
}

PictureSurface::~PictureSurface()
{
    motionTimer_.stop();
    pictures_.reset();  // waits for a picture still being prepared, unless its file blocks
    if (frameLog_)
        std::fclose(frameLog_);
}

void PictureSurface::Start()
{
    pictures_->SetPictureSize(control_->width(), control_->height());
    pictures_->Start();
}

void PictureSurface::Reshape(int width, int height)
{
    control_->setGeometry(0, 0, width, height);
    pictures_->SetPictureSize(width, height);
}

void PictureSurface::Stop()
{
    pictures_->Stop();
    motionTimer_.stop();
}

void PictureSurface::StartTransition(int style, bool clearFirst)
{
    // The picture the control holds comes in now (a picture passed over leaves the previous one,
    // which was reported when it first came in).
    if (!ready_.empty() && pictureShown_)
        pictureShown_(ready_);
    ready_.clear();
    // The motion rests while the transition runs: it starts from the view on screen now and brings
    // in the next picture's first view, whose motion starts when it has come in. Many styles paint
    // only what each frame adds and leave the rest of the window as it was; a picture moving
    // underneath would tear along every such edge (and cost a whole frame each step).
    motionTimer_.stop();
    if (motion_) {
        shownMoving_ = readyMoving_;
        if (frameLog_)
            std::fprintf(frameLog_, "transition %lld\n", static_cast<long long>(LogClockUs()));
    }
    control_->StartTransition(style, clearFirst);
}

void PictureSurface::StartMotion()
{
    if (!shownMoving_ || shownMoving_->plan.shown.IsEmpty())
        return;
    motionClock_.start();
    motionTimer_.start();
    if (frameLog_)
        std::fprintf(frameLog_, "motion %lld\n", static_cast<long long>(LogClockUs()));
}

void PictureSurface::MotionFrame()
{
    const std::shared_ptr<const pictureshow::MovingPicture> moving = shownMoving_;
    const double t = moving ? double(motionClock_.nsecsElapsed()) / 1e6 / motionMs_ : 1.0;
    QElapsedTimer cost;
    cost.start();
    auto& engine = control_->Engine();
    const raster::Rect frame = engine.FrameBounds();
    // A moving picture is drawn only on the frame it was prepared for (the window may have
    // changed its size since).
    bool drawn = false;
    if (moving && frame.Width() == moving->plan.frameWidth && frame.Height() == moving->plan.frameHeight) {
        pictureshow::PictureShowEngine::AreaDrawing drawing;
        drawing.toFrame = [moving, t](raster::Bitmap& f) { moving->Draw(f, t); };
        drawing.toSurface = [moving, t](const raster::XrgbSurface& surface, int dx, int dy, const raster::Rect& clip) {
            moving->DrawTo(surface, dx, dy, clip, t);
        };
        drawn = engine.RedrawArea(moving->plan.shown, std::move(drawing));
    }
    if (frameLog_ && drawn)
        std::fprintf(frameLog_, "frame %lld %lld\n", static_cast<long long>(LogClockUs()),
                     static_cast<long long>(cost.nsecsElapsed() / 1000));
    if (!drawn || t >= 1.0)
        motionTimer_.stop();
}

}  // namespace qel::slideshow
