#include "slideshow/slideshowcontroller.h"

#include <memory>
#include <mutex>
#include <utility>

#include <QMetaObject>

#include "pictureshow/random.h"
#include "platform/backgroundtask.h"
#include "platform/memory.h"
#include "slideshow/caption.h"

namespace qel::slideshow {
namespace {

SlideshowController::Config WithDefaults(SlideshowController::Config config)
{
    if (!config.draw)
        config.draw = [](int n) { return pictureshow::Random(n); };
    if (!config.reseed)
        config.reseed = [] { pictureshow::Randomize(); };
    return config;
}

}  // namespace

// Where the worker hands its picture: the controller while it lives, nothing afterwards.
struct SlideshowController::Delivery {
    std::mutex mutex;
    SlideshowController* receiver = nullptr;
};

SlideshowController::Config SlideshowController::Config::FromSettings(const settings::SaverSettings& s)
{
    Config c;
    c.pictures = s.images;
    c.randomOrder = s.RandomPictures();
    c.styles = s.EnabledStyles();
    c.intervalMs = s.IntervalMs();
    c.caption = s.Caption();
    return c;
}

SlideshowController::SlideshowController(Config config, QObject* parent)
    : QObject(parent), config_(WithDefaults(std::move(config))),
      cycle_(std::make_shared<PictureCycle>(std::move(config_.pictures), config_.randomOrder, config_.draw)),
      delivery_(std::make_shared<Delivery>())
{
    delivery_->receiver = this;
    interval_.setSingleShot(true);
    connect(&interval_, &QTimer::timeout, this, &SlideshowController::IntervalPassed);
}

SlideshowController::~SlideshowController()
{
    {
        std::lock_guard lock(delivery_->mutex);
        delivery_->receiver = nullptr;
    }
    worker_.reset();
}

void SlideshowController::SetPictureSize(int width, int height)
{
    width_ = width;
    height_ = height;
}

void SlideshowController::Start()
{
    if (cycle_->Count() == 0)
        return;  // nothing will ever be shown: the window keeps its background
    startWhenReady_ = true;
    PrepareNext();
}

void SlideshowController::Stop()
{
    state_ = State::Closing;
    startWhenReady_ = false;
    interval_.stop();
}

namespace {

// Thrown through the picture cycle (which reports only std::exception) to end work that was left
// to finish on its own.
struct WorkLeft {};

}  // namespace

void SlideshowController::PrepareNext()
{
    // Decoding and resampling a large photo takes a good part of a second: it runs on a worker
    // so the window stays responsive. The choice of the picture stays here, on the window thread,
    // which owns the random generator.
    if (cycle_->Count() == 0)
        return;
    worker_.reset();
    const PictureCycle::Plan plan = cycle_->PlanNext(!pictureShown_);
    state_ = State::Preparing;
    // The work holds shares of everything it uses, so it may outlive the controller.
    worker_ = std::make_unique<platform::BackgroundTask>(
        [cycle = cycle_, compose = config_.compose, caption = config_.caption, corner = CornerForTurn(turn_++),
         delivery = delivery_, plan, width = width_, height = height_] {
            auto prepared =
                std::make_shared<std::optional<raster::Bitmap>>(cycle->Try(plan, [&](const std::string& path) {
                    // Left to finish on its own (the window closed while a file kept this work
                    // waiting): the window's compose reads what the window owns, which may be
                    // gone. The work ends here; no picture error is reported.
                    if (platform::BackgroundTask::Abandoned())
                        throw WorkLeft{};
                    raster::Bitmap picture = compose(path, width, height);
                    if (caption != settings::CaptionKind::None)
                        DrawCaption(picture, CaptionText(path, caption), corner);
                    return picture;
                }));
            std::lock_guard lock(delivery->mutex);
            if (SlideshowController* receiver = delivery->receiver)
                QMetaObject::invokeMethod(
                    receiver, [receiver, prepared] { receiver->PictureDelivered(std::move(*prepared)); },
                    Qt::QueuedConnection);
        });
}

void SlideshowController::PictureDelivered(std::optional<raster::Bitmap> picture)
{
    worker_.reset();  // its work is done
    if (state_ == State::Closing)
        return;
    // Nothing prepared: the control keeps its previous picture, which comes in again.
    if (picture) {
        pictureShown_ = true;
        emit pictureReady(std::make_shared<const raster::Bitmap>(std::move(*picture)));
    }
    if (startWhenReady_) {
        startWhenReady_ = false;
        StartTransition();
    } else {
        state_ = State::Waiting;
    }
    // The decoder and the resampler leave their work memory free in the heap; give it back so the
    // resident size stays flat over hours of pictures. Once the transition has started, so its
    // first frame does not wait for it.
    platform::ReleaseFreeMemory();
}

void SlideshowController::StartTransition()
{
    int style = -1;
    if (!config_.styles.empty()) {
        if (config_.reseedBeforeStyle)
            config_.reseed();
        style = config_.styles[std::size_t(config_.draw(int(config_.styles.size())))];
    }
    state_ = State::Transition;
    // The control may finish at once and report it from inside this call.
    emit transitionStarting(style, cycle_->Count() == 1);
    // Nothing could be shown yet (every picture so far missing or unreadable): the control ignored
    // the start and will report no end, so the cycle goes on from here.
    if (!pictureShown_ && state_ == State::Transition) {
        state_ = State::Waiting;
        StartInterval();
    }
}

void SlideshowController::TransitionFinished()
{
    if (state_ != State::Transition)
        return;
    PrepareNext();
    StartInterval();
}

void SlideshowController::StartInterval()
{
    if (config_.intervalMs > 0)
        interval_.start(config_.intervalMs);
}

void SlideshowController::IntervalPassed()
{
    switch (state_) {
    case State::Preparing: startWhenReady_ = true; return;
    case State::Waiting:
        if (pictureShown_) {
            StartTransition();
        } else {
            // Still nothing to show: try the following pictures first.
            startWhenReady_ = true;
            PrepareNext();
        }
        return;
    case State::Idle:
    case State::Transition:
    case State::Closing: return;
    }
}

}  // namespace qel::slideshow
