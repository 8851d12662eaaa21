#pragma once
// The picture control of a window that shows the slideshow over all of itself: the pictures come
// fitted to the window already, so the control stretches nothing, sizes nothing and draws no
// background picture.

#include <QWidget>

#include "pictureshow/pictureshowwidget.h"
#include "raster/bitmap.h"

namespace qel::slideshow {

pictureshow::TPictureShow* NewFullPicture(QWidget* parent, raster::Color background, int stepDelayMs);

}  // namespace qel::slideshow
