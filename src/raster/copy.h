#pragma once
// Copying pixels between bitmaps: unscaled copies and stretching copies.
//
// Conventions that hold for every function here:
//   - arguments come destination first: the destination bitmap, where on it, then the source
//     bitmap and what of it;
//   - a copy never reads outside the source or writes outside the destination: pixels that would
//     come from outside the source, or land outside the destination, are left out, and leaving
//     them out never moves the pixels that remain; any int coordinates are handled without
//     overflow;
//   - "clipped" means that, in addition, only the destination pixels inside the clip (a region, a
//     rectangle or a list of rectangles, always in destination coordinates) are written;
//   - every destination pixel not written keeps its value;
//   - source and destination may be the same bitmap: the source is then read as it was before
//     the call.
// Unscaled copies are plain row copies, walked top to bottom; they are the hot paths of every
// transition frame and of painting.

#include <utility>
#include <vector>

#include "bitmap.h"
#include "region.h"

namespace qel::raster {

// Copies src onto dst with its top-left corner at (x, y).
void Copy(Bitmap& dst, int x, int y, const Bitmap& src);

// Copies the rectangle s of src onto dst with the corner (s.left, s.top) at (x, y).
void Copy(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& s);

// Copies src onto dst with its top-left corner at (x, y), clipped.
void CopyClipped(Bitmap& dst, int x, int y, const Bitmap& src, const Region& clip);
void CopyClipped(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& clip);

// Copies src onto dst at (0, 0), clipped to the union of `rects`, which may overlap: the same
// pixels as CopyClipped with Region::FromRects(rects), without building the region. The vector
// serves as scratch space and is left in an unspecified state.
void CopyClippedToRects(Bitmap& dst, const Bitmap& src, std::vector<Rect>& rects);

// The same as Copy(dst, d.left, d.top, src, s) for every pair (d, s) in order (only the
// top-left corner of d counts), but done row by row across all of them, so many tall narrow
// copies still walk the bitmaps in memory order.
void CopyBatch(Bitmap& dst, const Bitmap& src, const std::vector<std::pair<Rect, Rect>>& copies);

// The destination pixels Copy(dst, x, y, src, s) writes (every pixel of the rectangle).
[[nodiscard]] Rect CopyArea(const Bitmap& dst, int x, int y, const Bitmap& src, const Rect& s);

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
// destination is clipped to dst, which only leaves pixels out. Equal sizes the same way round
// copy pixel for pixel, exactly as Copy(dst, d.left, d.top, src, s).
void StretchCopy(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s);

// The destination pixels StretchCopy(dst, d, src, s) writes (every pixel of the rectangle).
[[nodiscard]] Rect StretchCopyArea(const Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s);

// Same, clipped.
void StretchCopyClipped(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s, const Region& clip);

}  // namespace qel::raster
