#include "slideshow/hostwindow.h"

#include <mutex>
#include <utility>

#include <QEventLoop>
#include <QLoggingCategory>
#include <QWindow>

#include "audio/processplayer.h"
#include "imaging/fitpicture.h"
#include "imaging/qtdecoders.h"
#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/qtcolor.h"
#include "pictureshow/random.h"
#include "platform/foreignwindow.h"
#include "slideshow/fullpicture.h"
#include "slideshow/playeroutputs.h"
#include "slideshow/slideshowcontroller.h"
#include "slideshow/slideshowmusic.h"

namespace qel::slideshow {
namespace {

// How often the host's window is looked at: for a new size, and whether it still exists.
constexpr int kParentWatchMs = 250;
// How often the media player is asked whether its sound has ended.
constexpr int kSoundPollMs = 100;

}  // namespace

// The path of the picture the worker composed last, so the window can tell which picture the
// controller hands it.
struct HostWindow::Composed {
    std::mutex mutex;
    std::string path;
};

HostWindow::HostWindow(Config config)
    : QWidget(nullptr,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      config_(std::move(config)), composed_(std::make_shared<Composed>())
{
    if (config_.pictures.empty())
        config_.pictures = config_.settings.images;
    setWindowTitle(QStringLiteral("SaverMainFrm"));
    imaging::RegisterQtPictureDecoders();  // icons and PNG; only the first call registers
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    const raster::Color background = raster::Color(config_.settings.bgColor);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pictureshow::ToQColor(background));
    setPalette(pal);
    resize(config_.width, config_.height);

    mainPic_ = NewFullPicture(this, background, config_.settings.StepDelayMs());
    mainPic_->setGeometry(0, 0, config_.width, config_.height);
    mainPic_->setFocusPolicy(Qt::NoFocus);

    parentWatch_.setInterval(kParentWatchMs);
    connect(&parentWatch_, &QTimer::timeout, this, [this] { WatchParent(); });
    soundTimer_.setInterval(kSoundPollMs);
    connect(&soundTimer_, &QTimer::timeout, this, [this] {
        if (music_)
            music_->TimerTick();
    });

    // A child of the host's window, at its top-left corner.
    winId();
    if (QWindow* handle = windowHandle()) {
        // The stand-in for the host's window lives until the process ends, as this window does.
        handle->setParent(QWindow::fromWinId(WId(config_.parent)));
        handle->setPosition(0, 0);
    }
    StartPictures();
}

HostWindow::~HostWindow()
{
    Stop();
    pictures_.reset();  // waits for a picture still being prepared, unless its file blocks
    music_.reset();
    mpegOutput_.reset();
    mediaOutput_.reset();
}

void HostWindow::StartPictures()
{
    const settings::SaverSettings& s = config_.settings;
    if (s.RandomPictures())
        pictureshow::Randomize();
    const bool fit = config_.fitAlways || s.FitToScreen();
    const auto background = raster::Color(s.bgColor);
    SlideshowController::Config cycle = SlideshowController::Config::FromSettings(s);
    cycle.pictures = config_.pictures;
    cycle.reseedBeforeStyle = true;
    cycle.draw = config_.draw;
    cycle.compose = [fit, background, composed = composed_](const std::string& path, int width, int height) {
        raster::Bitmap b = imaging::LoadFittedPicture(path, width, height, fit, background);
        std::lock_guard lock(composed->mutex);
        composed->path = path;
        return b;
    };
    pictures_ = std::make_unique<SlideshowController>(std::move(cycle));
    connect(pictures_.get(), &SlideshowController::pictureReady, this,
            [this](std::shared_ptr<const raster::Bitmap> picture) {
                {
                    std::lock_guard lock(composed_->mutex);
                    ready_ = composed_->path;
                }
                mainPic_->Engine().SetPicture(std::move(picture));
            });
    connect(pictures_.get(), &SlideshowController::transitionStarting, this,
            [this](int style, bool clearFirst) { StartTransition(style, clearFirst); });
    connect(mainPic_, &pictureshow::TPictureShow::completed, pictures_.get(), &SlideshowController::TransitionFinished);
    pictures_->SetPictureSize(config_.width, config_.height);
    pictures_->Start();
}

void HostWindow::StartTransition(int style, bool clearFirst)
{
    // The picture the control holds comes in now (a picture passed over leaves the previous one,
    // which was reported when it first came in).
    if (!ready_.empty() && config_.pictureShown)
        config_.pictureShown(ready_);
    ready_.clear();
    mainPic_->StartTransition(style, clearFirst);
}

void HostWindow::StartMusic()
{
    if (music_ || stopped_)
        return;
    const settings::SaverSettings& s = config_.settings;
    // MP3 through the process-wide MPEG player, the rest through our own media player.
    if (audio::TMPEGPlayer* player = audio::MPEGPlayer())
        mpegOutput_ = std::make_unique<MpegPlayerOutput>(player, [this] {
            if (music_)
                music_->PlayEnd();
        });
    mediaOutput_ = std::make_unique<MediaPlayerOutput>();
    music_ = std::make_unique<SlideshowMusic>(mpegOutput_.get(), mediaOutput_.get(),
                                              [](int n) { return pictureshow::Random(n); });
    if (s.RandomSounds())
        pictureshow::Randomize();
    music_->Start(s.sounds, s.RandomSounds());
    soundTimer_.start();
}

void HostWindow::Run()
{
    if (stopped_)
        return;
    show();
    parentWatch_.start();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    Stop();
}

void HostWindow::Stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    if (pictures_)
        pictures_->Stop();
    parentWatch_.stop();
    soundTimer_.stop();
    if (music_)
        music_->Stop();
    if (loop_)
        loop_->quit();
}

void HostWindow::WatchParent()
{
    const auto size = platform::ForeignWindowSize(config_.parent);
    if (!size) {
        // The host destroyed its window, and with it ours: Qt's complaints about that while
        // tearing down are expected and silenced.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.xcb.warning=false\nqt.qpa.xcb.critical=false"));
        Stop();
        return;
    }
    if (size->width != config_.width || size->height != config_.height)
        Fit(size->width, size->height);
}

void HostWindow::Fit(int width, int height)
{
    // The picture on show is stretched to the new size; the next one is composed for it.
    config_.width = width;
    config_.height = height;
    resize(width, height);
    mainPic_->setGeometry(0, 0, width, height);
    if (pictures_)
        pictures_->SetPictureSize(width, height);
}

}  // namespace qel::slideshow
