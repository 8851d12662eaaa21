#pragma once
// Unscaled copies between 24-bit bitmaps with plain row copies: the hot paths of every frame
// (resetting the frame to the old picture, drawing the new one through a region) and of painting.

#include "pictureshow/raster/bitmap.h"
#include "pictureshow/raster/region.h"

namespace qel::pictureshow {

// Copies the source rectangle s of src to dst with its top-left at (x, y); clipped to both.
void CopyRect(raster::Bitmap& dst, int x, int y, const raster::Bitmap& src, raster::Rect s);
// Same, but only the part of the destination inside `within` is written.
void CopyRectWithin(raster::Bitmap& dst, int x, int y, const raster::Bitmap& src, const raster::Rect& within);
// Copies src onto dst at (0, 0) wherever `clip` holds.
void CopyThrough(raster::Bitmap& dst, const raster::Bitmap& src, const raster::Region& clip);

}  // namespace qel::pictureshow
