#pragma once
// The settings' colour as the window toolkit's colour and back, for palettes, swatches and the
// colour dialog.

#include <QColor>

#include "raster/color.h"

namespace qel::pictureshow {

[[nodiscard]] inline QColor ToQColor(raster::Color c)
{
    const raster::Rgb rgb = raster::ToRgb(c);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

[[nodiscard]] inline raster::Color FromQColor(const QColor& c)
{
    return raster::FromRgb({std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())});
}

}  // namespace qel::pictureshow
