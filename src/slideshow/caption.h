#pragma once
// Captions: a line about each picture (its file name, the date it was taken, its description)
// drawn into the picture's bitmap when it is prepared, so it comes in with the picture through the
// same transition and costs nothing per frame. The line sits on a translucent backing in a corner
// that changes from picture to picture, its text sized by the height of the picture's bitmap (the
// screen), elided when it is too long for one line.
//
// Both functions may run on any thread (the pictures are prepared on a worker); drawing needs the
// application's QGuiApplication and does nothing without one.

#include <string>

#include <QLocale>
#include <QString>

#include "imaging/exif.h"
#include "raster/bilinear.h"
#include "raster/bitmap.h"
#include "settings/saversettings.h"

namespace qel::slideshow {

enum class CaptionCorner { BottomRight, TopLeft, BottomLeft, TopRight };

// The corner of the picture prepared `turn`-th (from 0): never the same twice in a row.
[[nodiscard]] CaptionCorner CornerForTurn(int turn);

// A day in the locale's long date format, without the day of the week ("March 12, 2019").
[[nodiscard]] QString CaptionDate(const imaging::CalendarDate& date, const QLocale& locale = QLocale());

// The caption of the picture file at `path`; empty when there is nothing to say (no caption asked
// for, or a description asked for and the photo has none). Reads the head of the file.
[[nodiscard]] QString CaptionText(const std::string& path, settings::CaptionKind kind,
                                  const QLocale& locale = QLocale());

// Draws `text` into `bitmap` in `corner`. Nothing for an empty text. `pixelRatio`: device pixels
// per point of the screen a small bitmap is shown on, so the smallest text stays as readable on a
// doubled screen.
void DrawCaption(raster::Bitmap& bitmap, const QString& text, CaptionCorner corner, double pixelRatio = 1.0);
// The same caption for a width x height picture as an overlay, to be laid over a picture that
// moves beneath it. Empty for an empty text.
[[nodiscard]] raster::Overlay CaptionOverlay(int width, int height, const QString& text, CaptionCorner corner);

}  // namespace qel::slideshow
