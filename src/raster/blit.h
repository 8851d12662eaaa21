#pragma once
// Copying between bitmaps. Source and destination may be the same bitmap (the source is then
// read as it was before the call).

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
// for bottom < top with rows. A source given the wrong way round (covering right + 1 ... left)
// mirrors as well; mirrored source and destination together cancel out.
// Sampling: with n destination columns taking m source columns, destination column i (counted
// from the unmirrored side) shows source column floor((2i + 1) * m / (2n)), the one under the
// destination pixel's centre; rows alike. A mirrored copy is therefore exactly the unmirrored copy
// turned round.
// The source rectangle is first clipped to src, and the destination shrinks in proportion: the
// source columns that remain, at offsets lo ... hi - 1 in the source rectangle, go to destination
// offsets MulDiv(lo, n, m) ... MulDiv(hi, n, m) - 1 (counted from the destination's mirrored end
// when the copy is mirrored), and the sampling above runs on those clipped rectangles. Then the
// destination is clipped to dst, which only leaves pixels out. Equal sizes copy pixel for pixel.
void StretchCopy(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s);

// Same, through a clip region in dst coordinates.
void StretchCopyClipped(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s, const Region& clip);

}  // namespace qel::raster
