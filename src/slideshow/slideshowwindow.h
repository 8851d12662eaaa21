#pragma once
// One screen of the screen saver: a borderless, topmost window covering its screen in which the
// pictures of the show's settings follow one another through transitions, fitted to this screen.
// The show (SlideshowSession) owns one such window per screen, plays the music once, and decides
// what an exit input does; the window draws, forwards its inputs and refuses every other close.
//
// The pictures are its surface's; it starts preparing the first picture as soon as the window
// exists, before it is shown, so decoding overlaps the window's appearing.

#include <memory>

#include <QWidget>

#include "slideshow/exitmouse.h"

class QScreen;

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::slideshow {

class PictureSurface;
class SlideshowSession;

class SlideshowWindow : public QWidget {
public:
    SlideshowWindow(SlideshowSession& session, QScreen* screen);
    ~SlideshowWindow() override;  // waits for a picture still being prepared

    [[nodiscard]] QScreen* Screen() const { return screen_; }
    [[nodiscard]] pictureshow::TPictureShow* MainPic() const { return mainPic_; }

    // Covers its screen again (the screen changed its size or place).
    void FitScreen();
    // The mouse's first position is forgotten: movement counts from the next one seen.
    void ResetMouseOrigin() { mouse_.Reset(); }
    // The show ends: nothing more is prepared or started.
    void StopPictures();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormMouseMove(int x, int y);
    void FormMouseDown();
    void FormKeyDown();

    SlideshowSession& session_;
    QScreen* screen_;
    pictureshow::TPictureShow* mainPic_ = nullptr;
    bool wasActive_ = false;
    MouseExitRule mouse_;
    std::unique_ptr<PictureSurface> surface_;
};

}  // namespace qel::slideshow
