#pragma once
// Two-pass resampling of 24-bit bitmaps with the filters of filters.h: first along the rows into an
// intermediate picture of the new width and the old height, then along the columns. Weights are
// fixed point with 8 fraction bits, sums are 32-bit integers, and each channel is the weighted sum
// divided by the actual sum of weights, clamped to 0..255. The same input gives the same bytes
// whatever the machine, the instruction set or the number of threads.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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

class ResamplePasses;

// Resampling a picture whose rows are still arriving, top to bottom (from a decoder): a thread of its
// own resamples the rows as they come and makes every destination row whose source rows are all
// there, so that little is left to do when the last row arrives. The bytes are those ResampleBitmap
// gives for the whole picture.
class ArrivingRowsResampler {
public:
    // For a sourceWidth x sourceHeight picture to become place.Width() x place.Height(), drawn at
    // `place` inside the bitmap that makeDestination gives (called on the resampler's thread; nothing
    // else of the bitmap is touched, and a bitmap that does not hold `place` gives no result).
    // Throws std::bad_alloc, and std::invalid_argument for an empty source or place.
    ArrivingRowsResampler(FilterKernel kernel, float radius, int sourceWidth, int sourceHeight,
                          std::function<raster::Bitmap()> makeDestination, raster::Rect place, bool allowSimd = true);
    ~ArrivingRowsResampler();  // finishes as Finish does
    ArrivingRowsResampler(const ArrivingRowsResampler&) = delete;
    ArrivingRowsResampler& operator=(const ArrivingRowsResampler&) = delete;

    // Starts the thread on the source rows at `rows` (row y at rows + y * stride), which must stay in
    // place and unchanged once they have arrived, until Finish. Throws std::system_error when no
    // thread can be started.
    void Start(const std::uint8_t* rows, std::size_t stride);

    // Source rows 0..count-1 are final.
    void RowsArrived(int count);

    // Waits until the thread no longer reads the source rows: when every row has arrived, after it
    // has made the whole picture, and the destination is returned (once); otherwise it stops soon and
    // there is no picture.
    std::optional<raster::Bitmap> Finish();

private:
    void Work(const std::uint8_t* rows, std::size_t stride);

    int sourceHeight_;
    std::function<raster::Bitmap()> makeDestination_;
    raster::Bitmap destination_;  // made and written by the thread
    raster::Rect place_;
    std::unique_ptr<ResamplePasses> passes_;
    std::vector<int> lastRowNeeded_;
    std::vector<int> firstRowNeeded_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;         // guarded by mutex_
    bool finishing_ = false;  // guarded by mutex_
    bool complete_ = false;   // written by the thread, read after joining it
    bool finished_ = false;
    std::thread worker_;
};

namespace detail {
// The same with the choices that must not change the result made explicit, for tests:
// vector instructions allowed or not, and the number of threads (0: as many as worth it).
void ResampleBitmapWith(FilterKernel kernel, const raster::Bitmap& source, raster::Bitmap& destination, float radius,
                        bool allowSimd, int threads);
}  // namespace detail

}  // namespace qel::imaging
