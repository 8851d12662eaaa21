#include "slideshow/caption.h"

#include <algorithm>
#include <array>
#include <filesystem>

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

void DrawCaption(raster::Bitmap& bitmap, const QString& text, CaptionCorner corner, double pixelRatio)
{
    if (text.isEmpty() || bitmap.IsEmpty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    const int width = bitmap.Width(), height = bitmap.Height();
    const int size =
        std::max(qRound(kSmallestTextPixels * std::max(1.0, pixelRatio)), qRound(height / kLinesPerScreenHeight));
    QFont font;
    font.setPixelSize(size);
    const QFontMetrics metrics(font);
    const int padX = qRound(size * kPaddingX), padY = qRound(size * kPaddingY);
    const int margin = qRound(size * kMargin);
    const int room = std::min(qRound(width * kWidestPart), width - 2 * margin) - 2 * padX;
    if (room < kFewestLetters * metrics.averageCharWidth())
        return;
    const QString line = metrics.elidedText(text.simplified(), Qt::ElideRight, room);
    if (line.isEmpty())
        return;

    QRect box(0, 0, metrics.horizontalAdvance(line) + 2 * padX, metrics.height() + 2 * padY);
    if (box.height() + 2 * margin > height)
        return;  // a picture too low for a line of text
    const bool right = corner == CaptionCorner::BottomRight || corner == CaptionCorner::TopRight;
    const bool bottom = corner == CaptionCorner::BottomRight || corner == CaptionCorner::BottomLeft;
    box.moveLeft(right ? width - margin - box.width() : margin);
    box.moveTop(bottom ? height - margin - box.height() : margin);

    // The bitmap's own memory, painted in place: blue, green, red bytes, rows of Stride() bytes.
    QImage image(bitmap.Scanline(0), width, height, bitmap.Stride(), QImage::Format_BGR888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, kBackingAlpha));
    const double radius = size * kCornerRadius;
    painter.drawRoundedRect(QRectF(box), radius, radius);
    painter.setPen(Qt::white);
    painter.setFont(font);
    painter.drawText(box.adjusted(padX, padY, -padX, -padY), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     line);
}

}  // namespace qel::slideshow
