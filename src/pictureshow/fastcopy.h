#pragma once
// Unscaled copies between 24-bit bitmaps with plain row copies: the hot paths of every frame
// (resetting the frame to the old picture, drawing the new one through a region) and of painting.

#include <utility>
#include <vector>

#include "raster/bitmap.h"
#include "raster/region.h"

namespace qel::pictureshow {

// Copies the source rectangle s of src to dst with its top-left at (x, y); clipped to both.
void CopyRect(raster::Bitmap& dst, int x, int y, const raster::Bitmap& src, raster::Rect s);
// Same, but only the part of the destination inside `within` is written.
void CopyRectWithin(raster::Bitmap& dst, int x, int y, const raster::Bitmap& src, const raster::Rect& within);
// Copies src onto dst at (0, 0) wherever `clip` holds.
void CopyThrough(raster::Bitmap& dst, const raster::Bitmap& src, const raster::Region& clip);
// dst := newer inside `clip`, older everywhere else (all three of one size): one pass over the
// frame instead of copying the old picture first and the new one over it.
void ComposeThrough(raster::Bitmap& dst, const raster::Bitmap& older, const raster::Bitmap& newer,
                    const raster::Region& clip);
// The same for one rectangle.
void ComposeRect(raster::Bitmap& dst, const raster::Bitmap& older, const raster::Bitmap& newer, raster::Rect r);
// Equal-size copies from src onto dst (pairs of destination and source), done row by row across
// all of them, so many tall narrow copies still walk the bitmaps in memory order.
void CopyPairs(raster::Bitmap& dst, const raster::Bitmap& src, const std::vector<std::pair<raster::Rect, raster::Rect>>& pairs);

// Copies src onto dst at (0, 0) inside the union of `rects` (which may overlap; consumed).
void CopyThroughRects(raster::Bitmap& dst, const raster::Bitmap& src, std::vector<raster::Rect>& rects);

}  // namespace qel::pictureshow
