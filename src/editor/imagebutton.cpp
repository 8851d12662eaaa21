#include "editor/imagebutton.h"

#include <utility>

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

namespace qel::editor {
namespace {

// Pixel ratios the glyphs are drawn for: ordinary and doubled screens.
constexpr qreal kPixelRatios[] = {1.0, 2.0};

// A small round mark in the lower right corner that turns "a file" into "add a file".
enum class Badge { None, Plus, Minus };

struct GlyphSource {
    const char* themeName;
    QStyle::StandardPixmap fallback;
    Badge badge;
};

GlyphSource SourceOf(Glyph glyph)
{
    switch (glyph) {
    case Glyph::AddFiles: return {"image-x-generic", QStyle::SP_FileIcon, Badge::Plus};
    case Glyph::AddFolder: return {"folder", QStyle::SP_DirIcon, Badge::Plus};
    case Glyph::RemoveFiles: return {"image-x-generic", QStyle::SP_FileIcon, Badge::Minus};
    case Glyph::RemoveAll: return {"user-trash", QStyle::SP_TrashIcon, Badge::None};
    case Glyph::MoveUp: return {"go-up", QStyle::SP_ArrowUp, Badge::None};
    case Glyph::MoveDown: return {"go-down", QStyle::SP_ArrowDown, Badge::None};
    case Glyph::Preview: return {"video-display", QStyle::SP_ComputerIcon, Badge::None};
    case Glyph::Save: return {"document-save", QStyle::SP_DialogSaveButton, Badge::None};
    case Glyph::Exit: return {"application-exit", QStyle::SP_DialogCloseButton, Badge::None};
    case Glyph::Play: return {"media-playback-start", QStyle::SP_MediaPlay, Badge::None};
    case Glyph::Stop: return {"media-playback-stop", QStyle::SP_MediaStop, Badge::None};
    }
    return {"", QStyle::SP_CustomBase, Badge::None};
}

// The icon at `size` for a screen of `ratio` device pixels a point, cut down from a larger picture
// of it when it has one: an icon that comes in fixed sizes would otherwise be enlarged from a
// smaller one on a doubled screen, and blur.
QPixmap SharpPixmap(const QIcon& icon, int size, qreal ratio)
{
    const int pixels = qRound(size * ratio);
    QSize larger;
    for (const QSize& available : icon.availableSizes())
        if (available.width() >= pixels && (!larger.isValid() || available.width() < larger.width()))
            larger = available;
    QPixmap pixmap =
        larger.isValid()
            ? icon.pixmap(larger, 1.0).scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : icon.pixmap(QSize(size, size), ratio);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

// A display on its stand, drawn at any size: the widget style's own comes only small, and would
// blur on a doubled screen.
QPixmap DrawnDisplay(int size, qreal ratio)
{
    QPixmap pixmap(QSize(qRound(size * ratio), qRound(size * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF bezel(s * 0.06, s * 0.1, s * 0.88, s * 0.64);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 63, 68));
    painter.drawRoundedRect(bezel, s * 0.06, s * 0.06);
    QLinearGradient glass(bezel.topLeft(), bezel.bottomRight());
    glass.setColorAt(0, QColor(120, 190, 245));
    glass.setColorAt(1, QColor(25, 100, 180));
    painter.setBrush(glass);
    painter.drawRect(bezel.adjusted(s * 0.07, s * 0.07, -s * 0.07, -s * 0.07));
    painter.setBrush(QColor(60, 63, 68));
    painter.drawRect(QRectF(s * 0.43, bezel.bottom(), s * 0.14, s * 0.1));
    painter.drawRoundedRect(QRectF(s * 0.26, bezel.bottom() + s * 0.1, s * 0.48, s * 0.08), s * 0.03, s * 0.03);
    return pixmap;
}

QPixmap WithBadge(QPixmap pixmap, Badge badge, int glyphSize)
{
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal size = glyphSize;
    const QRectF mark(size * 0.42, size * 0.42, size * 0.58, size * 0.58);
    painter.setPen(QPen(Qt::white, size * 0.06));
    painter.setBrush(badge == Badge::Plus ? QColor(34, 139, 34) : QColor(200, 30, 40));
    painter.drawEllipse(mark);
    painter.setPen(QPen(Qt::white, size * 0.1, Qt::SolidLine, Qt::FlatCap));
    const QPointF c = mark.center();
    const qreal arm = mark.width() * 0.28;
    painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    if (badge == Badge::Plus)
        painter.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
    return pixmap;
}

}  // namespace

QIcon GlyphIcon(Glyph glyph, const QWidget* context, int size)
{
    const GlyphSource source = SourceOf(glyph);
    QIcon icon;
    if (glyph == Glyph::Preview && !QIcon::hasThemeIcon(QString::fromLatin1(source.themeName))) {
        for (const qreal ratio : kPixelRatios)
            icon.addPixmap(DrawnDisplay(size, ratio));
        return icon;
    }
    const QIcon base =
        QIcon::fromTheme(QString::fromLatin1(source.themeName), context->style()->standardIcon(source.fallback));
    for (const qreal ratio : kPixelRatios) {
        QPixmap pixmap = SharpPixmap(base, size, ratio);
        icon.addPixmap(source.badge == Badge::None ? pixmap : WithBadge(std::move(pixmap), source.badge, size));
    }
    return icon;
}

QToolButton* ImageButton(Glyph glyph, const QString& hint, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(GlyphIcon(glyph, button));
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    return button;
}

}  // namespace qel::editor
