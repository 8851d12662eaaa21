#pragma once
// The toolkit-free decoders of the picture loader. Each takes the whole file content and throws
// PictureError with the cause (or UnsupportedVariantError) on failure; none of them ever aborts the
// process on a damaged file.

#include <cstdint>
#include <span>
#include <string>

#include "imaging/picture.h"

namespace qel::imaging {

// JPEG through libjpeg-turbo; turned upright by the EXIF orientation tag. A truncated file or
// corrupt compressed data is an error. Honours LoadOptions::fitWidth/fitHeight with DCT scaling.
LoadedPicture DecodeJpeg(std::span<const std::uint8_t> data, const LoadOptions& options);

// GIF through giflib: the first frame on the logical screen; transparent pixels and the parts the
// frame leaves uncovered take LoadOptions::background.
LoadedPicture DecodeGif(std::span<const std::uint8_t> data, const LoadOptions& options);

// Uncompressed and bit-field bitmaps of 1, 4, 8, 16, 24 and 32 bits; run-length compressed ones
// are an UnsupportedVariantError.
LoadedPicture DecodeBmp(std::span<const std::uint8_t> data, const LoadOptions& options);

// HEIF (".heic", ".heif") through libheif: the primary image, turned by the file's own rotation
// and mirroring; transparent pixels take LoadOptions::background. A missing HEVC decoder is named.
LoadedPicture DecodeHeif(std::span<const std::uint8_t> data, const LoadOptions& options);

// AVIF through libavif, as DecodeHeif; always decoded at full size.
LoadedPicture DecodeAvif(std::span<const std::uint8_t> data, const LoadOptions& options);

// Throws PictureError when width x height breaks the size rule (picture.h), or has more than
// `maxPixels` pixels (LoadOptions::maxPixels); the message gives the size and the limit.
void CheckPictureSize(long long width, long long height, long long maxPixels = kMaxPicturePixels);

// The size rule's message: `what` (such as "the picture is 10×10"), then the limit.
std::string TooLarge(const std::string& what, long long maxPixels);

}  // namespace qel::imaging
