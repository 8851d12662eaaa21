#include "slideshow/slideshowsession.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "imaging/fitpicture.h"
#include "imaging/qtdecoders.h"
#include "pictureshow/random.h"
#include "platform/password.h"
#include "slideshow/firstpicture.h"
#include "slideshow/showmusic.h"
#include "slideshow/slideshowwindow.h"

namespace qel::slideshow {
namespace {

// How long the focus may take to settle on another of the show's windows.
constexpr int kFocusSettleMs = 100;

int DrawIndex(int n)
{
    return pictureshow::Random(n);
}

}  // namespace

std::shared_ptr<SharedDraws> NewSharedDraws()
{
    return std::make_shared<SharedDraws>(DrawIndex, [] { pictureshow::Randomize(); });
}

SlideshowSession::SlideshowSession(std::string settingsFile) : SlideshowSession(std::move(settingsFile), nullptr)
{
}

SlideshowSession::SlideshowSession(std::string settingsFile, std::unique_ptr<FirstPicture> first)
    : settingsFile_(std::move(settingsFile)), first_(std::move(first))
{
    if (first_) {
        settings_ = first_->Settings();
        settingsRead_ = true;
        draws_ = first_->Draws();
    } else {
        draws_ = NewSharedDraws();
    }
    imaging::RegisterQtPictureDecoders();  // icons and PNG; only the first call registers
    focusCheck_.setSingleShot(true);
    focusCheck_.setInterval(kFocusSettleMs);
    connect(&focusCheck_, &QTimer::timeout, this, [this] {
        if (!Owns(QApplication::activeWindow()))
            RequestClose();
    });
}

SlideshowSession::~SlideshowSession()
{
    // FormDestroy
    for (auto& w : windows_)
        w->StopPictures();
    windows_.clear();  // each waits for a picture still being prepared
    retired_.clear();
    music_.reset();  // stops it
    if (cursorHidden_)
        QGuiApplication::restoreOverrideCursor();
}

void SlideshowSession::Start()
{
    if (started_)
        return;
    started_ = true;
    if (!settingsRead_)
        settings_ = settings::LoadSettings(settingsFile_, settings::SettingsReader::Slideshow);
    settingsRead_ = true;

    // Every window starts preparing its first picture as it is made, before any is shown. The
    // primary screen comes first: it takes the focus.
    QList<QScreen*> screens = QGuiApplication::screens();
    std::stable_partition(screens.begin(), screens.end(),
                          [](QScreen* s) { return s == QGuiApplication::primaryScreen(); });
    for (QScreen* screen : screens)
        windows_.push_back(std::make_unique<SlideshowWindow>(*this, screen));
    connect(qApp, &QGuiApplication::screenAdded, this, &SlideshowSession::ScreenAdded);
    connect(qApp, &QGuiApplication::screenRemoved, this, &SlideshowSession::ScreenRemoved);
    for (auto& w : windows_)
        connect(w->Screen(), &QScreen::geometryChanged, w.get(), [w = w.get()] { w->FitScreen(); });

    if (!settings_.showCursor) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    }
    for (auto& w : windows_)
        w->showFullScreen();
    if (!windows_.empty()) {
        windows_.front()->raise();
        windows_.front()->activateWindow();
    }
    music_ = std::make_unique<ShowMusic>(settings_.sounds, settings_.RandomSounds());
}

void SlideshowSession::Run()
{
    Start();
    const bool anyShown = std::any_of(windows_.begin(), windows_.end(), [](const auto& w) { return w->isVisible(); });
    if (ended_ || !anyShown)
        return;
    QEventLoop loop;
    loop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    loop_ = nullptr;
}

raster::Bitmap SlideshowSession::Compose(const std::string& path, int width, int height) const
{
    if (first_) {
        if (auto picture = first_->Take(path, width, height))
            return std::move(*picture);
    }
    return imaging::LoadFittedPicture(path, width, height, settings_.FitToScreen(), raster::Color(settings_.bgColor));
}

const SlideshowMusic* SlideshowSession::Music() const
{
    return music_ ? &music_->Music() : nullptr;
}

bool SlideshowSession::Owns(const QWidget* w) const
{
    if (!w)
        return false;
    const auto holds = [w](const auto& window) { return window.get() == w || window->isAncestorOf(w); };
    return std::any_of(windows_.begin(), windows_.end(), holds) || std::any_of(retired_.begin(), retired_.end(), holds);
}

// --- screens ------------------------------------------------------------------------------------------

void SlideshowSession::AddWindow(QScreen* screen)
{
    auto window = std::make_unique<SlideshowWindow>(*this, screen);
    SlideshowWindow* w = window.get();
    windows_.push_back(std::move(window));
    connect(screen, &QScreen::geometryChanged, w, [w] { w->FitScreen(); });
    w->showFullScreen();
}

void SlideshowSession::ScreenAdded(QScreen* screen)
{
    if (!started_ || ended_ || !screen)
        return;
    AddWindow(screen);
}

void SlideshowSession::ScreenRemoved(QScreen* screen)
{
    if (!started_ || ended_)
        return;
    for (auto it = windows_.begin(); it != windows_.end();) {
        if ((*it)->Screen() != screen) {
            ++it;
            continue;
        }
        // The notice may come while the window handles an event of its own: it goes once the
        // event loop is back (or with the show, whichever comes first).
        (*it)->StopPictures();
        (*it)->hide();
        retired_.push_back(std::move(*it));
        it = windows_.erase(it);
    }
    QTimer::singleShot(0, this, [this] {
        retired_.clear();
        // Once they are gone, the focus is asked for again: the windows going may have taken it
        // with them.
        TakeFocus();
    });
    // The show never leaves the desktop visible: the last screen's window moves to another one.
    if (windows_.empty()) {
        for (QScreen* other : QGuiApplication::screens()) {
            if (other != screen) {
                AddWindow(other);
                break;
            }
        }
    }
    // The focus stays with the show.
    TakeFocus();
}

// The focus leaving while the show moves its own windows is not another program taking it: until a
// window of the show has it again, however long the window system takes, no loss counts.
void SlideshowSession::TakeFocus()
{
    if (ended_ || windows_.empty())
        return;
    focusReturning_ = true;
    focusCheck_.stop();
    windows_.front()->activateWindow();
}

// --- exit inputs --------------------------------------------------------------------------------------

void SlideshowSession::FocusLost()
{
    if (!passwordCheck_ && !ended_ && !focusReturning_)
        focusCheck_.start();
}

void SlideshowSession::FocusHeld()
{
    focusReturning_ = false;
}

void SlideshowSession::SetPasswordCheck(bool v)
{
    passwordCheck_ = v;
    for (auto& w : windows_)
        w->ResetMouseOrigin();
}

void SlideshowSession::RequestClose()
{
    if (passwordCheck_ || ended_)
        return;
    closeRequested_ = true;
    // A refused check leaves the request standing and the mouse origins forgotten: the next input
    // that qualifies asks again.
    SetPasswordCheck(true);
    const platform::WindowHandle owner =
        windows_.empty() ? platform::WindowHandle{} : platform::WindowHandle(windows_.front()->winId());
    const bool allowed = platform::VerifySaverPassword(owner);
    SetPasswordCheck(false);
    if (allowed && (!onExitInput_ || onExitInput_()))
        End();
}

void SlideshowSession::End()
{
    if (ended_)
        return;
    ended_ = true;
    focusCheck_.stop();
    for (auto& w : windows_)
        w->StopPictures();
    for (auto& w : windows_)
        w->close();
    if (loop_)
        loop_->quit();
    if (onEnded_)
        onEnded_();
}

}  // namespace qel::slideshow
