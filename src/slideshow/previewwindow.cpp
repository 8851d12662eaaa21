#include "slideshow/previewwindow.h"

#include <memory>
#include <utility>

#include <QCloseEvent>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QWindow>

#include "imaging/pictureloader.h"
#include "imaging/qtdecoders.h"
#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/qtcolor.h"
#include "platform/foreignwindow.h"
#include "slideshow/previewpicture.h"
#include "slideshow/slideshowcontroller.h"

namespace qel::slideshow {
namespace {

// How often the preview looks whether its parent window still exists.
constexpr int kParentWatchMs = 250;

}  // namespace

PreviewWindow::PreviewWindow(platform::WindowHandle parent, int width, int height, std::string settingsFile)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), parent_(parent), settingsFile_(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("PreviewForm"));
    imaging::RegisterQtPictureDecoders();  // icons and PNG; only the first call registers
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(width, height);

    psPreview_ = new pictureshow::TPictureShow(this);
    auto& engine = psPreview_->Engine();
    engine.SetAutoSize(false);
    engine.SetBgMode(pictureshow::BackgroundMode::bmNone);
    engine.SetCenter(true);
    psPreview_->setGeometry(0, 0, width, height);
    parentWatch_.setInterval(kParentWatchMs);
    connect(&parentWatch_, &QTimer::timeout, this, [this] { WatchParent(); });

    // A child of the other program's window, at its top-left corner.
    winId();
    if (QWindow* handle = windowHandle()) {
        // The stand-in for the foreign window lives until the process ends, as the preview does.
        QWindow* foreign = QWindow::fromWinId(WId(parent));
        handle->setParent(foreign);
        handle->setPosition(0, 0);
    }
}

PreviewWindow::~PreviewWindow()
{
    pictures_.reset();  // waits for a picture still being prepared
    parentWatch_.stop();
}

void PreviewWindow::Run()
{
    show();
    parentWatch_.start();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

void PreviewWindow::Stop()
{
    if (pictures_)
        pictures_->Stop();
    parentWatch_.stop();
    if (loop_)
        loop_->quit();
}

void PreviewWindow::closeEvent(QCloseEvent* e)
{
    e->accept();
    Stop();
}

void PreviewWindow::WatchParent()
{
    // When the dialog that holds the preview goes away, so does the preview (and with it our own
    // window, which the X server destroys together with its parent: Qt's complaints about it
    // while tearing down are expected and silenced).
    if (!platform::ForeignWindowSize(parent_)) {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.xcb.warning=false\nqt.qpa.xcb.critical=false"));
        Stop();
    }
}

void PreviewWindow::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void PreviewWindow::FormShow()
{
    LoadSettings();
    // Every picture is fitted into the small window with plain stretching, on the window's colour.
    const raster::Color background = color_;
    SlideshowController::Config cycle = SlideshowController::Config::FromSettings(settings_);
    cycle.compose = [background](const std::string& path, int width, int height) {
        imaging::LoadOptions options;
        options.background = background;
        options.fitWidth = width;
        options.fitHeight = height;
        const imaging::LoadedPicture p = imaging::LoadPicture(path, options);
        return ComposePreviewPicture(p.bitmap, p.width, p.height, width, height, background);
    };
    pictures_ = std::make_unique<SlideshowController>(std::move(cycle));
    connect(
        pictures_.get(), &SlideshowController::pictureReady, this,
        [this](std::shared_ptr<const raster::Bitmap> picture) { psPreview_->Engine().SetPicture(std::move(picture)); });
    connect(pictures_.get(), &SlideshowController::transitionStarting, this,
            [this](int style, bool clearFirst) { StartTransition(style, clearFirst); });
    connect(psPreview_, &pictureshow::TPictureShow::completed, pictures_.get(),
            &SlideshowController::TransitionFinished);
    pictures_->SetPictureSize(psPreview_->width(), psPreview_->height());
    pictures_->Start();
}

void PreviewWindow::LoadSettings()
{
    settings_ = settings::LoadSettings(settingsFile_, settings::SettingsReader::Preview);
    auto& engine = psPreview_->Engine();
    color_ = raster::Color(settings_.bgColor);
    engine.SetColor(color_);
    engine.SetDelay(settings_.StepDelayMs());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pictureshow::ToQColor(color_));
    setPalette(pal);
}

void PreviewWindow::StartTransition(int style, bool clearFirst)
{
    psPreview_->StartTransition(style, clearFirst);
}

}  // namespace qel::slideshow
