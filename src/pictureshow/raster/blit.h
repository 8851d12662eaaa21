#pragma once
// Copying between bitmaps.

#include "bitmap.h"
#include "region.h"

namespace qel::raster {

// Copies src onto dst at (x, y), clipped to dst.
void Draw(Bitmap& dst, int x, int y, const Bitmap& src);

// Copies the part of src inside `clip` (in dst coordinates) onto dst at (x, y).
void DrawClipped(Bitmap& dst, int x, int y, const Bitmap& src, const Region& clip);

// Stretching rectangle copy with nearest-neighbour sampling, as the platform's StretchBlt with
// source copy: the source rectangle s of src is mapped onto the destination rectangle d of dst.
// A destination given with right < left is drawn mirrored left to right and covers the columns
// right + 1 ... left (inclusive), as a negative destination width does on the platform; the same
// for bottom < top with rows.
// The source rectangle is clipped to src (the destination shrinks in proportion), and the
// destination to dst. Equal sizes copy pixel for pixel.
void StretchCopy(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s);

// Same, through a clip region in dst coordinates.
void StretchCopyClipped(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s, const Region& clip);

}  // namespace qel::raster
