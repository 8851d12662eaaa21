#include "slideshow/hostwindow.h"

#include <utility>

#include "imaging/fitpicture.h"
#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/qtcolor.h"
#include "pictureshow/random.h"
#include "slideshow/picturesurface.h"
#include "slideshow/showmusic.h"
#include "slideshow/slideshowcontroller.h"

namespace qel::slideshow {

HostWindow::HostWindow(Config config)
    : EmbeddedWindow(config.parent, config.width, config.height,
                     Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      settings_(std::move(config.settings))
{
    setWindowTitle(QStringLiteral("SaverMainFrm"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    const auto background = raster::Color(settings_.bgColor);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pictureshow::ToQColor(background));
    setPalette(pal);

    if (settings_.RandomPictures())
        pictureshow::Randomize();
    const bool fit = config.fitAlways || settings_.FitToScreen();
    PictureSurface::Config surface;
    surface.cycle = SlideshowController::Config::FromSettings(settings_);
    if (!config.pictures.empty())
        surface.cycle.pictures = std::move(config.pictures);
    surface.cycle.reseedBeforeStyle = true;
    surface.cycle.draw = std::move(config.draw);
    surface.cycle.compose = [fit, background](const std::string& path, int width, int height) {
        return imaging::LoadFittedPicture(path, width, height, fit, background);
    };
    surface.background = background;
    surface.motion = settings_.PanAndZoom();
    surface.fitPictures = fit;
    surface.stepDelayMs = settings_.StepDelayMs();
    surface.pictureShown = std::move(config.pictureShown);
    surface_ = std::make_unique<PictureSurface>(*this, std::move(surface));
    surface_->Control()->setFocusPolicy(Qt::NoFocus);
    surface_->Start();
}

HostWindow::~HostWindow()
{
    Stop();
    surface_.reset();  // waits for a picture still being prepared, unless its file blocks
    music_.reset();
}

pictureshow::TPictureShow* HostWindow::MainPic() const
{
    return surface_->Control();
}

void HostWindow::StartMusic()
{
    if (music_ || Stopped())
        return;
    music_ = std::make_unique<ShowMusic>(settings_.sounds, settings_.RandomSounds());
}

void HostWindow::Stopping()
{
    surface_->Stop();
    if (music_)
        music_->Stop();
}

void HostWindow::ParentResized(int width, int height)
{
    resize(width, height);
    surface_->Reshape(width, height);
}

}  // namespace qel::slideshow
