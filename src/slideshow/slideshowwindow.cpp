#include "slideshow/slideshowwindow.h"

#include <memory>
#include <utility>

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>

#include "audio/processplayer.h"
#include "imaging/fitpicture.h"
#include "imaging/qtdecoders.h"
#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/random.h"
#include "platform/password.h"
#include "slideshow/playeroutputs.h"
#include "slideshow/slideshowcontroller.h"
#include "slideshow/slideshowmusic.h"

namespace qel::slideshow {
namespace {

// How often the media player is asked whether its sound has ended.
constexpr int kSoundPollMs = 100;

int DrawIndex(int n)
{
    return pictureshow::Random(n);
}

}  // namespace

SlideshowWindow::SlideshowWindow(std::string settingsFile, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      settingsFile_(std::move(settingsFile))
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

    soundTimer_.setInterval(kSoundPollMs);
    connect(&soundTimer_, &QTimer::timeout, this, [this] { PollSound(); });
    soundTimer_.start();

    // FormCreate
    RequestClose(false);
    SetPasswordCheck(false);
}

SlideshowWindow::~SlideshowWindow()
{
    // FormDestroy
    pictures_.reset();  // waits for a picture still being prepared
    soundTimer_.stop();
    if (music_)
        music_->Stop();
    music_.reset();
    mpegOutput_.reset();
    mediaOutput_.reset();
    if (cursorHidden_)
        QGuiApplication::restoreOverrideCursor();
}

void SlideshowWindow::ShowModal()
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

void SlideshowWindow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    mainPic_->setGeometry(rect());  // the picture control fills the client area
    if (pictures_)
        pictures_->SetPictureSize(width(), height());
}

void SlideshowWindow::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void SlideshowWindow::FormShow()
{
    mainPic_->setGeometry(rect());
    LoadSettings();
    if (!settings_.showCursor) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        setCursor(Qt::BlankCursor);
        mainPic_->setCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    }

    // The first picture is prepared on the controller's worker while the music starts and the
    // window maps.
    const bool fit = settings_.FitToScreen();
    const raster::Color background = mainPic_->Engine().Color();
    SlideshowController::Config cycle;
    cycle.pictures = settings_.images;
    cycle.randomOrder = settings_.RandomPictures();
    cycle.styles = settings_.EnabledStyles();
    cycle.intervalMs = settings_.IntervalMs();
    cycle.reseedBeforeStyle = true;
    cycle.compose = [fit, background](const std::string& path, int width, int height) {
        return imaging::LoadFittedPicture(path, width, height, fit, background);
    };
    pictures_ = std::make_unique<SlideshowController>(std::move(cycle));
    connect(
        pictures_.get(), &SlideshowController::pictureReady, this,
        [this](std::shared_ptr<const raster::Bitmap> picture) { mainPic_->Engine().SetPicture(std::move(picture)); });
    connect(pictures_.get(), &SlideshowController::transitionStarting, this,
            [this](int style, bool clearFirst) { StartTransition(style, clearFirst); });
    connect(mainPic_, &pictureshow::TPictureShow::completed, pictures_.get(), &SlideshowController::TransitionFinished);
    pictures_->SetPictureSize(width(), height());
    pictures_->Start();

    StartMusic();
}

void SlideshowWindow::LoadSettings()
{
    settings_ = settings::LoadSettings(settingsFile_, settings::SettingsReader::Slideshow);
    auto& engine = mainPic_->Engine();
    engine.SetColor(raster::Color(settings_.bgColor));
    engine.SetDelay(settings_.StepDelayMs());
}

void SlideshowWindow::StartTransition(int style, bool clearFirst)
{
    auto& engine = mainPic_->Engine();
    if (style >= 0)
        engine.SetStyle(style);
    if (clearFirst) {
        engine.Clear();
        mainPic_->repaint();
    }
    engine.Execute();
}

void SlideshowWindow::StartMusic()
{
    // MP3 through the process-wide MPEG player, the rest through our own media player.
    if (audio::TMPEGPlayer* player = audio::MPEGPlayer())
        mpegOutput_ = std::make_unique<MpegPlayerOutput>(player, [this] { MPlayerPlayEnd(); });
    mediaOutput_ = std::make_unique<MediaPlayerOutput>();
    music_ = std::make_unique<SlideshowMusic>(mpegOutput_.get(), mediaOutput_.get(), DrawIndex);
    if (settings_.RandomSounds())
        pictureshow::Randomize();
    music_->Start(settings_.sounds, settings_.RandomSounds());
}

void SlideshowWindow::PollSound()
{
    if (music_)
        music_->TimerTick();
}

void SlideshowWindow::MPlayerPlayEnd()
{
    if (music_)
        music_->PlayEnd();
}

// --- exit inputs ----------------------------------------------------------------------------------

void SlideshowWindow::RequestClose(bool v)
{
    closeRequested_ = v;
    if (v)
        close();
}

void SlideshowWindow::SetPasswordCheck(bool v)
{
    passwordCheck_ = v;
    mouse_.Reset();
}

bool SlideshowWindow::CheckPassword()
{
    return platform::VerifySaverPassword(platform::WindowHandle(winId()));
}

void SlideshowWindow::closeEvent(QCloseEvent* e)
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
    if (pictures_)
        pictures_->Stop();
    if (modalLoop_)
        modalLoop_->quit();
}

void SlideshowWindow::FormMouseMove(int x, int y)
{
    if (passwordCheck_ || !settings_.mouseMove)
        return;
    if (mouse_.MovedTooFar(x, y))
        RequestClose(true);
}

void SlideshowWindow::FormMouseDown()
{
    if (!passwordCheck_ && settings_.mouseClick)
        RequestClose(true);
}

void SlideshowWindow::FormKeyDown()
{
    if (!passwordCheck_ && settings_.keyPress)
        RequestClose(true);
}

void SlideshowWindow::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    FormMouseMove(p.x(), p.y());
}

void SlideshowWindow::mousePressEvent(QMouseEvent*)
{
    FormMouseDown();
}

void SlideshowWindow::keyPressEvent(QKeyEvent*)
{
    FormKeyDown();
}

bool SlideshowWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == mainPic_) {
        switch (e->type()) {
        case QEvent::MouseMove: {
            const QPoint p = mainPic_->mapTo(this, static_cast<QMouseEvent*>(e)->position().toPoint());
            FormMouseMove(p.x(), p.y());
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: FormMouseDown(); return true;
        case QEvent::KeyPress: FormKeyDown(); return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void SlideshowWindow::changeEvent(QEvent* e)
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
