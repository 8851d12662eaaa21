#include "pictureshow/pictureshowwidget.h"

#include <cstddef>
#include <vector>

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>

#include "raster/xrgb.h"

namespace qel::pictureshow {

namespace {

QRect ToQt(const raster::Rect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

TPictureShow::TPictureShow(QWidget* parent) : QWidget(parent), engine_(this), animator_(engine_)
{
    // The control paints every pixel itself and the background is never erased: outside the
    // repainted area the window keeps what earlier frames put there.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(100, 100);
    engine_.OnChange = [this] { emit changed(); };
    engine_.OnProgress = [this] { emit progressed(); };
    engine_.OnComplete = [this] { emit completed(); };
    engine_.OnMouseEnter = [this] { emit mouseEntered(); };
    engine_.OnMouseLeave = [this] { emit mouseLeft(); };
}

TPictureShow::~TPictureShow()
{
    // No frames, invalidations or events from here on; wait for a running worker to end.
    engine_.BeginDestroy();
    animator_.StopAndWait();
}

bool TPictureShow::Animate()
{
    animator_.Animate();
    return true;
}

void TPictureShow::InvalidateRect(const raster::Rect& r)
{
    const QRect q = ToQt(r);
    pending_ += q;
    update(q);
}

void TPictureShow::InvalidateRegion(const raster::Region& r)
{
    std::vector<QRect> rects;
    rects.reserve(r.Rects().size());
    for (const raster::Rect& box : r.Rects())
        rects.push_back(ToQt(box));
    QRegion q;
    q.setRects(rects.data(), static_cast<int>(rects.size()));
    pending_ += q;
    update(q);
}

void TPictureShow::UpdateNow()
{
    if (pending_.isEmpty())
        return;
    // Paints everything marked so far, at once; nothing stale is left to repaint later.
    const QRegion region = pending_;
    pending_ = QRegion();
    repaint(region);
}

void TPictureShow::paintEvent(QPaintEvent* event)
{
    if (QThread::currentThread() != thread() || engine_.InPaint())
        return;
    // Only what is repainted is composed and drawn: a frame that changes a strip costs a strip.
    const QRegion& region = event->region();
    std::vector<raster::Rect> boxes;
    boxes.reserve(static_cast<std::size_t>(region.rectCount()));
    for (const QRect& r : region)
        boxes.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    engine_.Paint(raster::Region::FromRects(boxes));
    const raster::Bitmap& offscreen = engine_.Offscreen();
    if (offscreen.IsEmpty())
        return;
    // The window takes 32-bit pixels: converted here, they reach it by plain copies.
    if (screen_.width() != offscreen.Width() || screen_.height() != offscreen.Height())
        screen_ = QImage(offscreen.Width(), offscreen.Height(), QImage::Format_RGB32);
    QPainter painter(this);
    for (const QRect& r : region) {
        const QRect box = r.intersected(screen_.rect());
        if (box.isEmpty())
            continue;
        raster::ToXrgb32(offscreen, {box.left(), box.top(), box.right() + 1, box.bottom() + 1}, screen_.bits(),
                         static_cast<std::size_t>(screen_.bytesPerLine()));
        // Clipped to one rectangle, the painter copies the pixels as they are; through the whole
        // repainted region it would blend them one by one.
        painter.setClipRect(box);
        painter.drawImage(box.topLeft(), screen_, box);
    }
}

void TPictureShow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    engine_.Resized();
}

void TPictureShow::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    engine_.MouseEnter();
}

void TPictureShow::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    engine_.MouseLeave();
}

}  // namespace qel::pictureshow
