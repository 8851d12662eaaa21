#include "slideshow/tsavermainfrm.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>

#include "audio/processplayer.h"
#include "imaging/fitpicture.h"
#include "imaging/qtdecoders.h"
#include "pictureshow/random.h"
#include "pictureshow/tpictureshow.h"
#include "platform/memory.h"
#include "platform/password.h"
#include "slideshow/picturecycle.h"
#include "slideshow/playeroutputs.h"
#include "slideshow/slideshowmusic.h"
#include "startup/processvalues.h"

namespace qel::slideshow {
namespace {

// The heap settings only reach every thread when they are made before the first thread starts,
// that is before main() creates the application object.
[[maybe_unused]] const bool heapKeptCompact = (platform::KeepHeapCompact(), true);

int DrawIndex(int n)
{
    return pictureshow::Random(n);
}

// Seconds to a timer interval; 0 (and anything below) never fires. Large values are capped so the
// product stays an int.
int IntervalMs(int seconds)
{
    if (seconds <= 0)
        return 0;
    return seconds > 2'000'000 ? 2'000'000'000 : seconds * 1000;
}

}  // namespace

TSaverMainFrm::TSaverMainFrm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("SaverMainFrm"));
    imaging::RegisterQtPictureDecoders();  // icons and PNG; only the first call registers
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    // The whole primary screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());

    mainPic_ = new pictureshow::TPictureShow(this);
    auto& engine = mainPic_->Engine();
    engine.SetAutoSize(false);
    engine.SetBgMode(pictureshow::BackgroundMode::bmNone);
    engine.SetColor(0);
    engine.SetStretch(true);
    mainPic_->setGeometry(rect());
    mainPic_->setMouseTracking(true);
    mainPic_->installEventFilter(this);
    connect(mainPic_, &pictureshow::TPictureShow::completed, this, [this] { MainPicComplete(); });

    soundTimer_.setInterval(100);
    connect(&soundTimer_, &QTimer::timeout, this, [this] { SoundTimerTimer(); });
    soundTimer_.start();
    intervalTimer_.setSingleShot(false);
    connect(&intervalTimer_, &QTimer::timeout, this, [this] { IntervalTimerTimer(); });

    // FormCreate
    RequestClose(false);
    SetPasswordCheck(false);
    SetPreviewMode(false);
}

TSaverMainFrm::~TSaverMainFrm()
{
    // FormDestroy
    if (worker_.joinable())
        worker_.join();
    soundTimer_.stop();
    intervalTimer_.stop();
    if (music_)
        music_->Stop();
    music_.reset();
    mpegOutput_.reset();
    mediaOutput_.reset();
    if (cursorHidden_)
        QGuiApplication::restoreOverrideCursor();
}

void TSaverMainFrm::SetPreviewMode(bool on)
{
    previewMode_ = on;
    settingsFile_ = startup::Process().exePath + (on ? settings::kPreviewFileName : settings::kSettingsFileName);
}

void TSaverMainFrm::ShowModal()
{
    setWindowModality(Qt::ApplicationModal);
    showFullScreen();
    raise();
    activateWindow();
    if (isVisible()) {
        QEventLoop loop;
        modalLoop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        modalLoop_ = nullptr;
    }
}

void TSaverMainFrm::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    mainPic_->setGeometry(rect());  // the picture control fills the client area
}

void TSaverMainFrm::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TSaverMainFrm::FormShow()
{
    mainPic_->setGeometry(rect());
    LoadSettings();
    if (!settings_.showCursor) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        setCursor(Qt::BlankCursor);
        mainPic_->setCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    }

    // The first picture is prepared on the worker while the music starts and the window maps.
    pictures_ = std::make_unique<PictureCycle>(settings_.images, settings_.RandomPictures(), DrawIndex);
    PrepareNextPicture();

    // Music: MP3 through the process-wide MPEG player, the rest through our own media player.
    if (audio::TMPEGPlayer* player = audio::MPEGPlayer())
        mpegOutput_ = std::make_unique<MpegPlayerOutput>(player, [this] { MPlayerPlayEnd(); });
    mediaOutput_ = std::make_unique<MediaPlayerOutput>();
    music_ = std::make_unique<SlideshowMusic>(mpegOutput_.get(), mediaOutput_.get(), DrawIndex);
    if (settings_.RandomSounds())
        pictureshow::Randomize();
    music_->Start(settings_.sounds, settings_.RandomSounds());

    if (preparing_)
        startWhenReady_ = true;
    else
        StartTransition();
}

void TSaverMainFrm::LoadSettings()
{
    settings_ = settings::LoadSettings(settingsFile_, settings::SettingsReader::Slideshow);
    auto& engine = mainPic_->Engine();
    engine.SetColor(raster::Color(settings_.bgColor));
    engine.SetDelay(settings_.StepDelayMs() & 0xFFFF);
    intervalMs_ = IntervalMs(settings_.interval);
}

void TSaverMainFrm::PrepareNextPicture()
{
    // Decoding and resampling a large photo takes a good part of a second: it runs on a worker
    // thread so the window stays responsive (and shows at once when it first opens). The choice of
    // the picture stays here, on the window thread, which owns the random generator.
    if (!pictures_ || pictures_->Count() == 0)
        return;
    if (worker_.joinable())
        worker_.join();
    auto& engine = mainPic_->Engine();
    const PictureCycle::Plan plan = pictures_->PlanNext(engine.Picture().IsEmpty());
    const int W = width();
    const int H = height();
    const bool fit = settings_.FitToScreen();
    const raster::Color bg = engine.Color();
    preparing_ = true;
    worker_ = std::thread([this, plan, W, H, fit, bg] {
        auto prepared = std::make_shared<std::optional<raster::Bitmap>>(pictures_->Try(
            plan, [&](const std::string& path) { return imaging::LoadFittedPicture(path, W, H, fit, bg); }));
        QMetaObject::invokeMethod(this, [this, prepared] { PictureReady(std::move(*prepared)); },
                                  Qt::QueuedConnection);
    });
}

void TSaverMainFrm::PictureReady(std::optional<raster::Bitmap> picture)
{
    if (worker_.joinable())
        worker_.join();
    preparing_ = false;
    // The decoder and the resampler leave their work memory free in the heap of the thread that
    // used it; give it back so the resident size stays flat over hours of pictures.
    platform::ReleaseFreeMemory();
    // Nothing prepared: the control keeps its previous picture, which comes in again.
    if (picture)
        mainPic_->Engine().SetPicture(*picture);
    if (startWhenReady_) {
        startWhenReady_ = false;
        StartTransition();
    }
}

void TSaverMainFrm::StartTransition()
{
    auto& engine = mainPic_->Engine();
    const std::vector<int> styles = settings_.EnabledStyles();
    if (!styles.empty()) {
        pictureshow::Randomize();
        engine.SetStyle(styles[std::size_t(pictureshow::Random(int(styles.size())))]);
    }
    if (pictures_ && pictures_->Count() == 1) {
        engine.Clear();
        mainPic_->repaint();
    }
    engine.Execute();
    // Nothing could be shown yet (every picture so far missing or unreadable): the control ignored
    // Execute and will report no end, so keep the cycle going from here.
    if (!engine.Busy() && engine.Picture().IsEmpty() && pictures_ && pictures_->Count() > 0)
        StartIntervalTimer();
}

void TSaverMainFrm::StartIntervalTimer()
{
    if (intervalMs_ <= 0)
        return;
    intervalTimer_.start(intervalMs_);
}

void TSaverMainFrm::MainPicComplete()
{
    PrepareNextPicture();
    StartIntervalTimer();
}

void TSaverMainFrm::IntervalTimerTimer()
{
    intervalTimer_.stop();
    // Still nothing to show: try the next pictures first.
    if (!preparing_ && mainPic_->Engine().Picture().IsEmpty())
        PrepareNextPicture();
    if (preparing_) {
        startWhenReady_ = true;  // the transition starts as soon as the picture is ready
        return;
    }
    StartTransition();
}

void TSaverMainFrm::SoundTimerTimer()
{
    if (music_)
        music_->TimerTick();
}

void TSaverMainFrm::MPlayerPlayEnd()
{
    if (music_)
        music_->PlayEnd();
}

// --- exit inputs ----------------------------------------------------------------------------------

void TSaverMainFrm::RequestClose(bool v)
{
    closeRequested_ = v;
    if (v)
        close();
}

void TSaverMainFrm::SetPasswordCheck(bool v)
{
    passwordCheck_ = v;
    mouse_.Reset();
}

bool TSaverMainFrm::CheckPassword()
{
    return platform::VerifySaverPassword(platform::WindowHandle(winId()));
}

void TSaverMainFrm::closeEvent(QCloseEvent* e)
{
    // Only a close that an exit input asked for may end the show, and only when the password
    // check agrees; the window manager's close and session-end requests are refused.
    bool allowed = false;
    if (closeRequested_ && !passwordCheck_) {
        SetPasswordCheck(true);
        allowed = CheckPassword();
        SetPasswordCheck(false);
    }
    if (!allowed) {
        e->ignore();
        return;
    }
    e->accept();
    intervalTimer_.stop();
    if (modalLoop_)
        modalLoop_->quit();
}

void TSaverMainFrm::FormMouseMove(int x, int y)
{
    if (passwordCheck_ || !settings_.mouseMove)
        return;
    if (mouse_.MovedTooFar(x, y))
        RequestClose(true);
}

void TSaverMainFrm::FormMouseDown()
{
    if (!passwordCheck_ && settings_.mouseClick)
        RequestClose(true);
}

void TSaverMainFrm::FormKeyDown()
{
    if (!passwordCheck_ && settings_.keyPress)
        RequestClose(true);
}

void TSaverMainFrm::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    FormMouseMove(p.x(), p.y());
}

void TSaverMainFrm::mousePressEvent(QMouseEvent*)
{
    FormMouseDown();
}

void TSaverMainFrm::keyPressEvent(QKeyEvent*)
{
    FormKeyDown();
}

bool TSaverMainFrm::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == mainPic_) {
        switch (e->type()) {
        case QEvent::MouseMove: {
            const QPoint p = mainPic_->mapTo(this, static_cast<QMouseEvent*>(e)->position().toPoint());
            FormMouseMove(p.x(), p.y());
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            FormMouseDown();
            return true;
        case QEvent::KeyPress:
            FormKeyDown();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TSaverMainFrm::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || passwordCheck_)
        return;
    // Another window taking the focus away from the show ends it.
    if (isActiveWindow()) {
        wasActive_ = true;
    } else if (wasActive_ && isVisible()) {
        RequestClose(true);
    }
}

}  // namespace qel::slideshow
