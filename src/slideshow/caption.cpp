#include "slideshow/caption.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include "imaging/picturemetadata.h"

namespace qel::slideshow {
namespace {

// The text is one thirty-sixth of the screen's height (30 pixels on a 1080-line screen), and never
// so small that it cannot be read in a small preview.
constexpr double kLinesPerScreenHeight = 36.0;
constexpr int kSmallestTextPixels = 9;
// Around the text, in parts of its size: the backing's padding and its distance from the edges.
constexpr double kPaddingX = 0.5;
constexpr double kPaddingY = 0.2;
constexpr double kMargin = 0.8;
constexpr double kCornerRadius = 0.3;
// A caption takes at most this part of the screen's width; longer texts are elided.
constexpr double kWidestPart = 2.0 / 3.0;
// Black at this opacity keeps white text readable on white and hardly shows on black.
constexpr int kBackingAlpha = 150;
// Too little room for a few letters: no caption at all rather than an ellipsis.
constexpr int kFewestLetters = 3;

QString FileTitle(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(std::filesystem::path(path).stem().string()));
}

QString DateText(const imaging::PictureMetadata& metadata, const QLocale& locale)
{
    if (metadata.dateTaken)
        return CaptionDate(*metadata.dateTaken, locale);
    if (!metadata.modifiedSeconds)
        return {};
    // The file's own day, as the user's clock has it.
    const QDate day = QDateTime::fromSecsSinceEpoch(*metadata.modifiedSeconds).date();
    return CaptionDate({day.year(), day.month(), day.day()}, locale);
}

}  // namespace

CaptionCorner CornerForTurn(int turn)
{
    // Across the screen each time, so a caption never stays near where the last one was.
    static constexpr std::array kOrder = {CaptionCorner::BottomRight, CaptionCorner::TopLeft, CaptionCorner::BottomLeft,
                                          CaptionCorner::TopRight};
    const int n = static_cast<int>(kOrder.size());
    return kOrder[static_cast<std::size_t>(((turn % n) + n) % n)];
}

QString CaptionDate(const imaging::CalendarDate& date, const QLocale& locale)
{
    // The locale's long format names the month and writes the year in full, which reads better
    // years later than digits alone; the day of the week adds nothing to a photo's date.
    static const QRegularExpression kWeekday(QStringLiteral("\\s*d{4}[,.\\x{060C}]?\\s*"));
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.replace(kWeekday, QStringLiteral(" "));
    format = format.trimmed();
    while (format.endsWith(u',') || format.startsWith(u','))
        format = (format.endsWith(u',') ? format.chopped(1) : format.mid(1)).trimmed();
    return locale.toString(QDate(date.year, date.month, date.day), format);
}

QString CaptionText(const std::string& path, settings::CaptionKind kind, const QLocale& locale)
{
    using settings::CaptionKind;
    switch (kind) {
    case CaptionKind::None: return {};
    case CaptionKind::FileName: return FileTitle(path);
    case CaptionKind::DateTaken: return DateText(imaging::ReadPictureMetadata(path), locale);
    case CaptionKind::Description: return QString::fromUtf8(imaging::ReadPictureMetadata(path).description.c_str());
    case CaptionKind::DateAndName: {
        const QString date = DateText(imaging::ReadPictureMetadata(path), locale);
        return date.isEmpty() ? FileTitle(path) : date + QStringLiteral(" \u00B7 ") + FileTitle(path);
    }
    }
    return {};
}

namespace {

// Where a caption goes on a width x height picture and how it is written; nothing when it does
// not fit.
struct CaptionLayout {
    QFont font;
    QString line;
    QRect box;
    int padX = 0;
    int padY = 0;
    double radius = 0;
};

std::optional<CaptionLayout> LayOut(int width, int height, const QString& text, CaptionCorner corner,
                                    double pixelRatio = 1.0)
{
    if (text.isEmpty() || width <= 0 || height <= 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    CaptionLayout c;
    const int size =
        std::max(qRound(kSmallestTextPixels * std::max(1.0, pixelRatio)), qRound(height / kLinesPerScreenHeight));
    c.font.setPixelSize(size);
    const QFontMetrics metrics(c.font);
    c.padX = qRound(size * kPaddingX);
    c.padY = qRound(size * kPaddingY);
    const int margin = qRound(size * kMargin);
    const int room = std::min(qRound(width * kWidestPart), width - 2 * margin) - 2 * c.padX;
    if (room < kFewestLetters * metrics.averageCharWidth())
        return std::nullopt;
    c.line = metrics.elidedText(text.simplified(), Qt::ElideRight, room);
    if (c.line.isEmpty())
        return std::nullopt;

    c.box = QRect(0, 0, metrics.horizontalAdvance(c.line) + 2 * c.padX, metrics.height() + 2 * c.padY);
    if (c.box.height() + 2 * margin > height)
        return std::nullopt;  // a picture too low for a line of text
    const bool right = corner == CaptionCorner::BottomRight || corner == CaptionCorner::TopRight;
    const bool bottom = corner == CaptionCorner::BottomRight || corner == CaptionCorner::BottomLeft;
    c.box.moveLeft(right ? width - margin - c.box.width() : margin);
    c.box.moveTop(bottom ? height - margin - c.box.height() : margin);
    c.radius = size * kCornerRadius;
    return c;
}

void Paint(QPainter& painter, const CaptionLayout& c)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, kBackingAlpha));
    painter.drawRoundedRect(QRectF(c.box), c.radius, c.radius);
    painter.setPen(Qt::white);
    painter.setFont(c.font);
    painter.drawText(c.box.adjusted(c.padX, c.padY, -c.padX, -c.padY),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, c.line);
}

}  // namespace

void DrawCaption(raster::Bitmap& bitmap, const QString& text, CaptionCorner corner, double pixelRatio)
{
    const std::optional<CaptionLayout> c = LayOut(bitmap.Width(), bitmap.Height(), text, corner, pixelRatio);
    if (!c)
        return;
    // The bitmap's own memory, painted in place: blue, green, red bytes, rows of Stride() bytes.
    QImage image(bitmap.Scanline(0), bitmap.Width(), bitmap.Height(), bitmap.Stride(), QImage::Format_BGR888);
    QPainter painter(&image);
    Paint(painter, *c);
}

raster::Overlay CaptionOverlay(int width, int height, const QString& text, CaptionCorner corner)
{
    const std::optional<CaptionLayout> c = LayOut(width, height, text, corner);
    if (!c)
        return {};
    // Painted once over black and once over white: over black each pixel keeps only the caption's
    // own (premultiplied) colour, and the difference shows how much of what lies below shows
    // through. Drawn that way over anything, it looks as if painted there.
    const QRect box = c->box.adjusted(-1, -1, 1, 1).intersected(QRect(0, 0, width, height));
    QImage black(box.size(), QImage::Format_RGB32), white(box.size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    white.fill(Qt::white);
    for (QImage* image : {&black, &white}) {
        QPainter painter(image);
        painter.translate(-box.topLeft());
        Paint(painter, *c);
    }
    raster::Overlay o;
    o.box = {box.left(), box.top(), box.right() + 1, box.bottom() + 1};
    o.pixels.resize(std::size_t(box.width()) * box.height() * 4);
    std::uint8_t* out = o.pixels.data();
    for (int y = 0; y < box.height(); ++y) {
        const auto* b = reinterpret_cast<const QRgb*>(black.constScanLine(y));
        const auto* w = reinterpret_cast<const QRgb*>(white.constScanLine(y));
        for (int x = 0; x < box.width(); ++x, out += 4) {
            out[0] = std::uint8_t(qBlue(b[x]));
            out[1] = std::uint8_t(qGreen(b[x]));
            out[2] = std::uint8_t(qRed(b[x]));
            out[3] = std::uint8_t(std::clamp(qGreen(w[x]) - qGreen(b[x]), 0, 255));
        }
    }
    return o;
}

}  // namespace qel::slideshow
