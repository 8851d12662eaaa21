#pragma once
// The picture-show control as a Qt widget: hosts a PictureShowEngine, paces its transitions
// (PictureShowAnimator) and paints it. The window background is never erased; every paint
// writes the engine's composition only inside the area being repainted, so styles that
// invalidate only what a frame adds accumulate on screen.

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include "pictureshow/pictureshowanimator.h"
#include "pictureshow/pictureshowengine.h"

namespace qel::pictureshow {

class TPictureShow : public QWidget, private PictureShowHost {
    Q_OBJECT
public:
    explicit TPictureShow(QWidget* parent = nullptr);
    ~TPictureShow() override;

    // The control itself, for what the forwarding members below do not cover (OnBeforeNewFrame,
    // OnAfterNewFrame, Media, Offscreen). Its OnChange, OnProgress, OnComplete, OnMouseEnter and
    // OnMouseLeave are taken by the widget and come out as the signals below.
    PictureShowEngine& Engine() { return engine_; }

    void SetPicture(const raster::Bitmap& b) { engine_.SetPicture(b); }
    void SetBgPicture(const raster::Bitmap& b) { engine_.SetBgPicture(b); }
    void SetBgMode(BackgroundMode m) { engine_.SetBgMode(m); }
    void SetAutoSize(bool on) { engine_.SetAutoSize(on); }
    void SetCenter(bool on) { engine_.SetCenter(on); }
    void SetStretch(bool on) { engine_.SetStretch(on); }
    void SetStretchFine(bool on) { engine_.SetStretchFine(on); }
    void SetThreaded(bool on) { engine_.SetThreaded(on); }
    void SetThreadPriority(ThreadPriority p) { engine_.SetThreadPriority(p); }
    void SetManual(bool on) { engine_.SetManual(on); }
    void SetStyle(int style) { engine_.SetStyle(style); }
    void SetStyleName(std::string_view name) { engine_.SetStyleName(name); }
    void SetStep(int step) { engine_.SetStep(step); }
    void SetDelay(int ms) { engine_.SetDelay(ms); }
    void SetReverse(bool on) { engine_.SetReverse(on); }
    void SetColor(raster::Color c) { engine_.SetColor(c); }
    void SetProgress(int p) { engine_.SetProgress(p); }
    [[nodiscard]] int Progress() const { return engine_.Progress(); }
    [[nodiscard]] int Style() const { return engine_.Style(); }
    [[nodiscard]] std::string StyleName() const { return engine_.StyleName(); }
    [[nodiscard]] bool Busy() const { return engine_.Busy(); }
    void Execute() { engine_.Execute(); }
    void Clear() { engine_.Clear(); }
    // Starts the slideshow's next transition: `style` < 0 keeps the current one; `clearFirst` shows
    // the background colour before it (a picture that comes in over itself).
    void StartTransition(int style, bool clearFirst)
    {
        if (style >= 0)
            engine_.SetStyle(style);
        if (clearFirst) {
            engine_.Clear();
            repaint();
        }
        engine_.Execute();
    }

signals:
    void changed();
    void progressed();
    void completed();
    void mouseEntered();
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // PictureShowHost
    void InvalidateRect(const raster::Rect& r) override;
    void InvalidateRegion(const raster::Region& r) override;
    void UpdateNow() override;
    [[nodiscard]] int ClientWidth() const override { return width(); }
    [[nodiscard]] int ClientHeight() const override { return height(); }
    void SetClientSize(int w, int h) override { resize(w, h); }
    bool Animate() override;

    static bool WindowSurface(QPainter& painter, raster::XrgbSurface& surface);
    void DrawThroughImage(QPainter& painter, const raster::Region& region, const raster::Bitmap& offscreen);

    PictureShowEngine engine_;
    PictureShowAnimator animator_;
    raster::Region invalid_;  // what the engine invalidated and is not yet painted
    raster::Region told_;     // what the toolkit was told for it: bands around it
    QImage screen_;           // what was last drawn, in the window's pixel format
};

}  // namespace qel::pictureshow
