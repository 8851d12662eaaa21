#pragma once
// The editor's two small pictures: the preview of a listed picture on the Images page, and the
// sample pictures that the transition preview brings in over each other. Toolkit-free.

#include <string>

#include "imaging/picture.h"
#include "raster/bitmap.h"

namespace qel::editor {

// The size of both previews.
inline constexpr int kPreviewWidth = 156;
inline constexpr int kPreviewHeight = 117;

// The Images page's preview: a picture at least as wide or at least as high as the area is fitted
// into it keeping its proportions (never below one pixel a side) and resampled with Lanczos-3; a
// smaller one keeps its size. Either is centred on an area filled with `background`.
[[nodiscard]] raster::Bitmap ImagePreviewBitmap(const imaging::LoadedPicture& picture, int areaWidth, int areaHeight,
                                                raster::Color background);

// Loads the file (transparent parts on `background`) and composes it as above. Large photos are
// decoded at a reduced scale that still leaves more pixels than the preview needs. Throws
// imaging::PictureError naming the file and the cause.
[[nodiscard]] raster::Bitmap LoadImagePreview(const std::string& path, int areaWidth, int areaHeight,
                                              raster::Color background);

// A transition sample: always resampled with Lanczos-3 to the size that fits the area, smaller
// pictures included. The picture-show control centres it.
[[nodiscard]] raster::Bitmap TransitionSampleBitmap(const imaging::LoadedPicture& picture, int areaWidth,
                                                    int areaHeight);

// Loads the file and prepares it as above. Throws imaging::PictureError.
[[nodiscard]] raster::Bitmap LoadTransitionSample(const std::string& path, int areaWidth, int areaHeight);

}  // namespace qel::editor
