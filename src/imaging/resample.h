#pragma once
// Two-pass resampling of 24-bit bitmaps with the filters of filters.h: first along the rows into an
// intermediate picture of the new width and the old height, then along the columns. Weights are
// fixed point with 8 fraction bits, sums are 32-bit integers, and each channel is the weighted sum
// divided by the actual sum of weights, clamped to 0..255. The same input gives the same bytes
// whatever the machine, the instruction set or the number of threads.

#include "imaging/filters.h"
#include "raster/bitmap.h"

namespace qel::imaging {

// Replaces `bitmap` by a copy resampled to newWidth x newHeight with filter `filterIndex` (0..6) at
// support radius `support` (0: the filter's own). Throws std::invalid_argument for a filter number
// outside 0..6, a support below 0 or above 100, a target below 1x1 or an empty bitmap; the bitmap is
// left unchanged when anything throws (std::bad_alloc included).
void ScaleBitmap(int newWidth, int newHeight, int filterIndex, raster::Bitmap& bitmap, float support = 0.0f);

// Resamples `source` into `destination`, whose size is the target size, with `kernel` at `radius`.
// An empty destination is left alone; an empty source throws std::invalid_argument.
void ResampleBitmap(FilterKernel kernel, const raster::Bitmap& source, raster::Bitmap& destination, float radius);

namespace detail {
// The same with the choices that must not change the result made explicit, for tests:
// vector instructions allowed or not, and the number of threads (0: as many as worth it).
void ResampleBitmapWith(FilterKernel kernel, const raster::Bitmap& source, raster::Bitmap& destination, float radius,
                        bool allowSimd, int threads);
}  // namespace detail

}  // namespace qel::imaging
