#include "editor/bitmapview.h"

#include <utility>

#include <QFrame>
#include <QPainter>
#include <QTextOption>
#include <QVBoxLayout>

namespace qel::editor {
namespace {
constexpr int kPlaceholderMargin = 6;
}

BitmapView::BitmapView(int width, int height, QWidget* parent) : QWidget(parent)
{
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BitmapView::SetBitmap(raster::Bitmap bitmap)
{
    bitmap_ = std::move(bitmap);
    SetPlaceholderText({});
}

void BitmapView::Clear()
{
    bitmap_ = raster::Bitmap();
    SetPlaceholderText({});
}

void BitmapView::SetPlaceholder(const QString& text)
{
    bitmap_ = raster::Bitmap();
    SetPlaceholderText(text);
}

void BitmapView::SetPlaceholderText(const QString& text)
{
    placeholder_ = text;
    setToolTip(text);
    repaint();
}

void BitmapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!placeholder_.isEmpty()) {
        // A path has no spaces to break at: it breaks anywhere rather than running out of the area.
        QTextOption wrap(Qt::AlignCenter);
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.drawText(
            QRectF(rect().adjusted(kPlaceholderMargin, kPlaceholderMargin, -kPlaceholderMargin, -kPlaceholderMargin)),
            placeholder_, wrap);
        return;
    }
    if (bitmap_.IsEmpty())
        return;
    QImage image(bitmap_.Scanline(0), bitmap_.Width(), bitmap_.Height(), bitmap_.Stride(), QImage::Format_BGR888);
    if (image.size() == PixelSize()) {
        image.setDevicePixelRatio(devicePixelRatioF());
        painter.drawImage(QPoint(0, 0), image);
        return;
    }
    // The area has just changed size and its owner has not drawn the picture for it yet.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), image);
}

QSize BitmapView::PixelSize() const
{
    const qreal ratio = devicePixelRatioF();
    return {qRound(width() * ratio), qRound(height() * ratio)};
}

QFrame* SunkenPanel(QWidget* content, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    frame->setAutoFillBackground(true);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, Qt::white);
    frame->setPalette(pal);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(frame->frameWidth(), frame->frameWidth(), frame->frameWidth(), frame->frameWidth());
    layout->addWidget(content);
    frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return frame;
}

}  // namespace qel::editor
