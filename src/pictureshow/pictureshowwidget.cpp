#include "pictureshow/pictureshowwidget.h"

#include <cstddef>
#include <vector>

#include <QImage>
#include <QPaintEngine>
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

namespace {

raster::Region ToRegion(const QRegion& region)
{
    std::vector<raster::Rect> boxes;
    boxes.reserve(static_cast<std::size_t>(region.rectCount()));
    for (const QRect& r : region)
        boxes.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    return raster::Region::FromRects(boxes);
}

}  // namespace

void TPictureShow::paintEvent(QPaintEvent* event)
{
    if (QThread::currentThread() != thread() || engine_.InPaint())
        return;
    // Only what is repainted is composed and drawn: a frame that changes a strip costs a strip.
    QPainter painter(this);
    raster::XrgbSurface surface;
    if (WindowSurface(painter, surface)) {
        engine_.PaintTo(ToRegion(event->region()), surface);
        return;
    }
    // Any other surface: composed in slabs of rows, each drawn while its pixels are still in
    // the processor's cache.
    constexpr int kSlabRows = 32;
    const QRegion& region = event->region();
    const QRect bounds = region.boundingRect();
    for (int top = bounds.top(); top <= bounds.bottom(); top += kSlabRows) {
        const QRegion slab = region.intersected(QRect(bounds.left(), top, bounds.width(), kSlabRows));
        if (slab.isEmpty())
            continue;
        engine_.Paint(ToRegion(slab));
        const raster::Bitmap& offscreen = engine_.Offscreen();
        if (offscreen.IsEmpty())
            return;
        DrawThroughImage(painter, slab, offscreen);
    }
}

// The window's surface is itself an image of 32-bit pixels (the usual case): the engine writes
// the pixels straight into it.
bool TPictureShow::WindowSurface(QPainter& painter, raster::XrgbSurface& surface)
{
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    const QTransform t = painter.deviceTransform();
    if (!device || device->devType() != QInternal::Image || t.type() > QTransform::TxTranslate)
        return false;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return false;
    // Client pixel (0, 0) lies at the widget's offset on the surface.
    const QPoint offset(qRound(t.dx()), qRound(t.dy()));
    const QRect reach = image->rect().translated(-offset);
    surface.stride = static_cast<std::size_t>(image->bytesPerLine());
    surface.origin =
        image->bits() + std::ptrdiff_t(offset.y()) * std::ptrdiff_t(surface.stride) + std::ptrdiff_t(offset.x()) * 4;
    surface.bounds = {reach.left(), reach.top(), reach.right() + 1, reach.bottom() + 1};
    return true;
}

void TPictureShow::DrawThroughImage(QPainter& painter, const QRegion& region, const raster::Bitmap& offscreen)
{
    // The window takes 32-bit pixels: converted here, they reach it by plain copies.
    if (screen_.width() != offscreen.Width() || screen_.height() != offscreen.Height())
        screen_ = QImage(offscreen.Width(), offscreen.Height(), QImage::Format_RGB32);
    const raster::XrgbSurface surface{screen_.bits(), static_cast<std::size_t>(screen_.bytesPerLine()),
                                      offscreen.Bounds()};
    for (const QRect& r : region) {
        const QRect box = r.intersected(screen_.rect());
        if (box.isEmpty())
            continue;
        raster::ToXrgb32(surface, 0, 0, offscreen,
                         raster::Region::FromRect(box.left(), box.top(), box.right() + 1, box.bottom() + 1));
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
