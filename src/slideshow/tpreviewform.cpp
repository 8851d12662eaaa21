#include "slideshow/tpreviewform.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QWindow>

#include "imaging/pictureloader.h"
#include "imaging/qtdecoders.h"
#include "pictureshow/random.h"
#include "pictureshow/tpictureshow.h"
#include "platform/foreignwindow.h"
#include "platform/paths.h"
#include "slideshow/picturecycle.h"
#include "slideshow/previewpicture.h"
#include "startup/saverutils.h"

namespace qel::slideshow {
namespace {

// How often the preview looks whether its parent window still exists.
constexpr int kParentWatchMs = 250;

}  // namespace

TPreviewForm::TPreviewForm(platform::WindowHandle parent, int width, int height)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), parent_(parent)
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
    connect(psPreview_, &pictureshow::TPictureShow::completed, this, [this] { PsPreviewComplete(); });

    showTimer_.setSingleShot(false);
    connect(&showTimer_, &QTimer::timeout, this, [this] { ShowTimerTimer(); });
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

TPreviewForm::~TPreviewForm()
{
    showTimer_.stop();
    parentWatch_.stop();
}

void TPreviewForm::Run()
{
    show();
    parentWatch_.start();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

void TPreviewForm::Stop()
{
    showTimer_.stop();
    parentWatch_.stop();
    if (loop_)
        loop_->quit();
}

void TPreviewForm::closeEvent(QCloseEvent* e)
{
    e->accept();
    Stop();
}

void TPreviewForm::WatchParent()
{
    // When the dialog that holds the preview goes away, so does the preview (and with it our own
    // window, which the X server destroys together with its parent: Qt's complaints about it
    // while tearing down are expected and silenced).
    if (!platform::ForeignWindowSize(parent_)) {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.xcb.warning=false\nqt.qpa.xcb.critical=false"));
        Stop();
    }
}

void TPreviewForm::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TPreviewForm::FormShow()
{
    settingsFile_ = startup::AddTrailingSlash(platform::SystemFolder()) + settings::kSystemSettingsFileName;
    LoadSettings();
    pictures_ = std::make_unique<PictureCycle>(settings_.images, settings_.RandomPictures(),
                                               [](int n) { return pictureshow::Random(n); });
    PrepareNextPicture();
    StartTransition();
}

void TPreviewForm::LoadSettings()
{
    settings_ = settings::LoadSettings(settingsFile_, settings::SettingsReader::Preview);
    auto& engine = psPreview_->Engine();
    color_ = raster::Color(settings_.bgColor);
    engine.SetColor(color_);
    engine.SetDelay(settings_.StepDelayMs() & 0xFFFF);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(int(color_ & 0xFF), int((color_ >> 8) & 0xFF), int((color_ >> 16) & 0xFF)));
    setPalette(pal);
    const int seconds = settings_.interval;
    intervalMs_ = seconds <= 0 ? 0 : (seconds > 2'000'000 ? 2'000'000'000 : seconds * 1000);
}

void TPreviewForm::PrepareNextPicture()
{
    if (!pictures_)
        return;
    auto& engine = psPreview_->Engine();
    const int W = psPreview_->width();
    const int H = psPreview_->height();
    const raster::Color bg = color_;
    auto prepared = pictures_->PrepareNext(
        [&](const std::string& path) {
            imaging::LoadOptions options;
            options.background = bg;
            options.fitWidth = W;
            options.fitHeight = H;
            imaging::LoadedPicture p = imaging::LoadPicture(path, options);
            return ComposePreviewPicture(p.bitmap, p.width, p.height, W, H, bg);
        },
        engine.Picture().IsEmpty());
    if (prepared)
        engine.SetPicture(*prepared);
}

void TPreviewForm::StartTransition()
{
    auto& engine = psPreview_->Engine();
    const std::vector<int> styles = settings_.EnabledStyles();
    if (!styles.empty())
        engine.SetStyle(styles[std::size_t(pictureshow::Random(int(styles.size())))]);
    if (pictures_ && pictures_->Count() == 1) {
        engine.Clear();
        psPreview_->repaint();
    }
    engine.Execute();
    if (!engine.Busy() && engine.Picture().IsEmpty() && pictures_ && pictures_->Count() > 0)
        StartShowTimer();
}

void TPreviewForm::StartShowTimer()
{
    if (intervalMs_ > 0)
        showTimer_.start(intervalMs_);
}

void TPreviewForm::PsPreviewComplete()
{
    PrepareNextPicture();
    StartShowTimer();
}

void TPreviewForm::ShowTimerTimer()
{
    showTimer_.stop();
    if (psPreview_->Engine().Picture().IsEmpty())
        PrepareNextPicture();
    StartTransition();
}

}  // namespace qel::slideshow
