#include "pictureshow/pictureshowwidget.h"

#include <cstddef>
#include <vector>

#include <QBackingStore>
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

QRegion ToQt(const raster::Region& r)
{
    std::vector<QRect> rects;
    rects.reserve(r.Rects().size());
    for (const raster::Rect& box : r.Rects())
        rects.push_back(ToQt(box));
    QRegion q;
    q.setRects(rects.data(), static_cast<int>(rects.size()));
    return q;
}

raster::Region ToRegion(const QRegion& region)
{
    std::vector<raster::Rect> boxes;
    boxes.reserve(static_cast<std::size_t>(region.rectCount()));
    for (const QRect& r : region)
        boxes.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    return raster::Region::FromRects(boxes);
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
    InvalidateRegion(raster::Region::FromRect(r));
}

// The window toolkit compares and merges what it is told rectangle by rectangle, and the window
// system copies it a rectangle row at a time: the ragged edges of some styles invalidate thousands
// of rectangles a frame, and blinds put dozens side by side in every row. Such a region is told as
// the bounds of each band of rows instead (copying the pixels between costs less than the rows),
// and the widget itself keeps what the engine invalidated, which is all it paints there (the rest
// of a band keeps on the window what earlier frames put there).
void TPictureShow::InvalidateRegion(const raster::Region& r)
{
    if (r.IsEmpty())
        return;
    constexpr std::size_t kMostRects = 64;
    constexpr long long kMostSideBySide = 8;
    constexpr int kBandRows = 32;
    invalid_.Combine(r, raster::CombineMode::Or);
    long long rowPieces = 0;
    for (const raster::Rect& box : r.Rects())
        rowPieces += box.Height();
    raster::Region told = r;
    if (r.Rects().size() > kMostRects || rowPieces > kMostSideBySide * r.Bounds().Height()) {
        const auto band = [](int y) { return y >= 0 ? y / kBandRows : -((kBandRows - 1 - y) / kBandRows); };
        const raster::Rect bounds = r.Bounds();
        const int first = band(bounds.top);
        std::vector<raster::Rect> bands(static_cast<std::size_t>(band(bounds.bottom - 1) - first + 1));
        for (const raster::Rect& box : r.Rects()) {
            for (int k = band(box.top); k <= band(box.bottom - 1); ++k) {
                raster::Rect& b = bands[static_cast<std::size_t>(k - first)];
                const int top = std::max(box.top, k * kBandRows), bottom = std::min(box.bottom, (k + 1) * kBandRows);
                b = b.IsEmpty() ? raster::Rect{box.left, top, box.right, bottom}
                                : raster::Rect{std::min(b.left, box.left), std::min(b.top, top),
                                               std::max(b.right, box.right), std::max(b.bottom, bottom)};
            }
        }
        told = raster::Region::FromRects(bands);
    }
    told_.Combine(told, raster::CombineMode::Or);
    update(ToQt(told));
}

void TPictureShow::UpdateNow()
{
    if (invalid_.IsEmpty())
        return;
    // Paints everything marked so far, at once; nothing stale is left to repaint later.
    repaint(ToQt(told_));
}

void TPictureShow::paintEvent(QPaintEvent* event)
{
    if (QThread::currentThread() != thread() || engine_.InPaint())
        return;
    QPainter painter(this);
    const raster::Region asked = ToRegion(event->region());
    raster::Region paint = asked;
    // On the window itself, inside what the toolkit was told for the engine's invalidations only
    // those are painted; anything else it asks for (the widget shown, resized) is painted whole.
    // Rendered elsewhere (a grab), all that is asked.
    QPaintEngine* engine = painter.paintEngine();
    const bool onWindow = backingStore() && engine && engine->paintDevice() == backingStore()->paintDevice();
    if (onWindow) {
        paint.Combine(told_, raster::CombineMode::Diff);
        paint.Combine(raster::Region::Combined(invalid_, asked, raster::CombineMode::And), raster::CombineMode::Or);
        invalid_.Combine(asked, raster::CombineMode::Diff);
        told_.Combine(asked, raster::CombineMode::Diff);
    }
    raster::XrgbSurface surface;
    if (onWindow && WindowSurface(painter, surface)) {
        engine_.PaintTo(paint, surface);
        return;
    }
    // Any other surface: composed in slabs of rows, each drawn while its pixels are still in
    // the processor's cache.
    constexpr int kSlabRows = 32;
    const raster::Rect bounds = paint.Bounds();
    for (int top = bounds.top; top < bounds.bottom; top += kSlabRows) {
        raster::Region slab = paint;
        slab.Combine(raster::Region::FromRect(bounds.left, top, bounds.right, top + kSlabRows),
                     raster::CombineMode::And);
        if (slab.IsEmpty())
            continue;
        engine_.Paint(slab);
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

void TPictureShow::DrawThroughImage(QPainter& painter, const raster::Region& region, const raster::Bitmap& offscreen)
{
    // The window takes 32-bit pixels: converted here, they reach it by plain copies.
    if (screen_.width() != offscreen.Width() || screen_.height() != offscreen.Height())
        screen_ = QImage(offscreen.Width(), offscreen.Height(), QImage::Format_RGB32);
    const raster::XrgbSurface surface{screen_.bits(), static_cast<std::size_t>(screen_.bytesPerLine()),
                                      offscreen.Bounds()};
    for (const raster::Rect& r : region.Rects()) {
        const QRect box = ToQt(r).intersected(screen_.rect());
        if (box.isEmpty())
            continue;
        raster::ToXrgb32(surface, 0, 0, offscreen, raster::Region::FromRect(r));
        // Clipped to one rectangle, the painter copies the pixels as they are; through the whole
        // repainted region it would blend them one by one.
        painter.setClipRect(box);
        painter.drawImage(box.topLeft(), screen_, box);
    }
}

void TPictureShow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The toolkit repaints all of the widget after this: none of it may be skipped.
    told_ = raster::Region();
    engine_.Resized();
}

void TPictureShow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    told_ = raster::Region();
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
