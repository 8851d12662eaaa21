#pragma once
// Writing bitmaps to files: uncompressed 24-bit BMP (BITMAPINFOHEADER, bottom-up, rows padded to
// 4 bytes) or 24-bit PNG.

#include <cstdint>
#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace qel::imaging {

std::vector<std::uint8_t> EncodeBmp(const raster::Bitmap& bitmap);
// zlib level 0..9 (6: zlib's default balance of size and speed).
std::vector<std::uint8_t> EncodePng(const raster::Bitmap& bitmap, int level = 6);

// Writes `bitmap` to `path`: PNG when the name ends in ".png" (any case), BMP otherwise.
// Throws std::runtime_error naming the file and the cause.
void WritePicture(const std::string& path, const raster::Bitmap& bitmap);

}  // namespace qel::imaging
