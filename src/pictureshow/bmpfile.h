#pragma once
// Uncompressed 24-bit BMP files (BITMAPINFOHEADER), enough for the command-line tool until the
// full picture loader is in place. Reading accepts bottom-up and top-down files; writing always
// produces bottom-up rows padded to 4 bytes.

#include <string>

#include "pictureshow/raster/bitmap.h"

namespace qel::pictureshow {

// Throws std::runtime_error naming the file and the cause (missing, truncated, not a BMP,
// not 24-bit uncompressed, absurd size).
[[nodiscard]] raster::Bitmap ReadBmp24(const std::string& path);
void WriteBmp24(const std::string& path, const raster::Bitmap& bitmap);

}  // namespace qel::pictureshow
