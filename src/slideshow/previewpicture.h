#pragma once
// The preview's picture: always fitted into the small window, drawn with plain nearest-neighbour
// stretching (no resampling filter), centred on the window's colour.

#include "raster/bitmap.h"

namespace qel::slideshow {

// A W x H bitmap filled with `background` with `picture` (whose upright size is w x h; its bitmap
// may be a reduced decode) stretched into the fitted, centred rectangle.
[[nodiscard]] raster::Bitmap ComposePreviewPicture(const raster::Bitmap& picture, int w, int h, int W, int H,
                                                   raster::Color background);

}  // namespace qel::slideshow
