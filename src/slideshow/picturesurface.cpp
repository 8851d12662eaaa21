#include "slideshow/picturesurface.h"

#include <mutex>
#include <utility>

#include <QWidget>

#include "pictureshow/pictureshowwidget.h"

namespace qel::slideshow {

// The path of the picture the worker composed last, so the surface can tell which picture the
// controller hands it.
struct PictureSurface::Composed {
    std::mutex mutex;
    std::string path;
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
                control_->Engine().SetPicture(std::move(picture));
            });
    connect(pictures_.get(), &SlideshowController::transitionStarting, this,
            [this](int style, bool clearFirst) { StartTransition(style, clearFirst); });
    connect(control_, &pictureshow::TPictureShow::completed, pictures_.get(), &SlideshowController::TransitionFinished);
}

PictureSurface::~PictureSurface()
{
    pictures_.reset();  // waits for a picture still being prepared, unless its file blocks
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
}

void PictureSurface::StartTransition(int style, bool clearFirst)
{
    // The picture the control holds comes in now (a picture passed over leaves the previous one,
    // which was reported when it first came in).
    if (!ready_.empty() && pictureShown_)
        pictureShown_(ready_);
    ready_.clear();
    control_->StartTransition(style, clearFirst);
}

}  // namespace qel::slideshow
