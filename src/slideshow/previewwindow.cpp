#include "slideshow/previewwindow.h"

#include <memory>
#include <utility>

#include <QCloseEvent>

#include "imaging/pictureloader.h"
#include "pictureshow/qtcolor.h"
#include "slideshow/picturesurface.h"
#include "slideshow/previewpicture.h"

namespace qel::slideshow {

PreviewWindow::PreviewWindow(platform::WindowHandle parent, int width, int height, std::string settingsFile)
    : EmbeddedWindow(parent, width, height), settingsFile_(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("PreviewForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

PreviewWindow::~PreviewWindow()
{
    surface_.reset();  // waits for a picture still being prepared
}

pictureshow::TPictureShow* PreviewWindow::PsPreview() const
{
    return surface_ ? surface_->Control() : nullptr;
}

void PreviewWindow::Stopping()
{
    if (surface_)
        surface_->Stop();
}

void PreviewWindow::closeEvent(QCloseEvent* e)
{
    e->accept();
    Stop();
}

void PreviewWindow::showEvent(QShowEvent* e)
{
    EmbeddedWindow::showEvent(e);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void PreviewWindow::FormShow()
{
    settings_ = settings::LoadSettings(settingsFile_, settings::SettingsReader::Preview);
    const auto background = raster::Color(settings_.bgColor);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pictureshow::ToQColor(background));
    setPalette(pal);

    // Every picture is fitted into the small window with plain stretching, on the window's colour.
    PictureSurface::Config config;
    config.cycle = SlideshowController::Config::FromSettings(settings_);
    config.cycle.compose = [background](const std::string& path, int width, int height) {
        imaging::LoadOptions options;
        options.background = background;
        options.fitWidth = width;
        options.fitHeight = height;
        const imaging::LoadedPicture p = imaging::LoadPicture(path, options);
        return ComposePreviewPicture(p.bitmap, p.width, p.height, width, height, background);
    };
    config.background = background;
    config.stepDelayMs = settings_.StepDelayMs();
    config.stretch = false;
    config.motion = settings_.PanAndZoom();
    surface_ = std::make_unique<PictureSurface>(*this, std::move(config));
    surface_->Start();
}

}  // namespace qel::slideshow
