#include "slideshow/slideshowwindow.h"

#include <memory>
#include <string>
#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>

#include "pictureshow/pictureshowwidget.h"
#include "slideshow/picturesurface.h"
#include "slideshow/slideshowcontroller.h"
#include "slideshow/slideshowsession.h"

namespace qel::slideshow {

SlideshowWindow::SlideshowWindow(SlideshowSession& session, QScreen* screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), session_(session),
      screen_(screen)
{
    const settings::SaverSettings& s = session_.Settings();
    setWindowTitle(QStringLiteral("SaverMainFrm"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    FitScreen();

    // The first picture is prepared right away, fitted to this screen, while the window appears.
    const SharedDraws::Cycle draws = session_.NewCycle();
    PictureSurface::Config config;
    config.cycle = SlideshowController::Config::FromSettings(s);
    config.cycle.reseedBeforeStyle = true;
    config.cycle.draw = draws.draw;
    config.cycle.reseed = draws.reseed;
    config.cycle.compose = [&session](const std::string& path, int width, int height) {
        return session.Compose(path, width, height);
    };
    config.background = raster::Color(s.bgColor);
    config.stepDelayMs = s.StepDelayMs();
    config.motion = s.PanAndZoom();
    config.fitPictures = s.FitToScreen();
    surface_ = std::make_unique<PictureSurface>(*this, std::move(config));
    surface_->Start();

    mainPic_ = surface_->Control();
    mainPic_->setMouseTracking(true);
    mainPic_->installEventFilter(this);
    if (!s.showCursor) {
        setCursor(Qt::BlankCursor);
        mainPic_->setCursor(Qt::BlankCursor);
    }
}

SlideshowWindow::~SlideshowWindow()
{
    surface_.reset();  // waits for a picture still being prepared
}

void SlideshowWindow::FitScreen()
{
    if (screen_) {
        setScreen(screen_);
        setGeometry(screen_->geometry());
    }
}

void SlideshowWindow::StopPictures()
{
    surface_->Stop();
}

void SlideshowWindow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (surface_)
        surface_->Reshape(width(), height());
}

// --- exit inputs ----------------------------------------------------------------------------------

void SlideshowWindow::closeEvent(QCloseEvent* e)
{
    // Only the end of the show closes the window; the window manager's close and session-end
    // requests are refused.
    if (session_.Ended())
        e->accept();
    else
        e->ignore();
}

void SlideshowWindow::FormMouseMove(int x, int y)
{
    if (session_.PasswordCheck() || !session_.Settings().mouseMove)
        return;
    if (mouse_.MovedTooFar(x, y))
        session_.RequestClose();
}

void SlideshowWindow::FormMouseDown()
{
    if (!session_.PasswordCheck() && session_.Settings().mouseClick)
        session_.RequestClose();
}

void SlideshowWindow::FormKeyDown()
{
    if (!session_.PasswordCheck() && session_.Settings().keyPress)
        session_.RequestClose();
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
    if (e->type() != QEvent::ActivationChange || session_.PasswordCheck())
        return;
    // Another program's window taking the focus ends the show; the focus moving to the show's
    // window on another screen does not.
    if (isActiveWindow()) {
        wasActive_ = true;
        session_.FocusHeld();
    } else if (wasActive_ && isVisible() && !session_.Owns(QApplication::activeWindow()))
        session_.FocusLost();
}

}  // namespace qel::slideshow
