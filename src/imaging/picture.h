#pragma once
// What the picture loader hands back, what it can be asked, and how it fails.

#include <stdexcept>
#include <string>

#include "raster/bitmap.h"

namespace qel::imaging {

// A picture that could not be loaded. what() names the file and the cause.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown by a decoder for a variant of its format it does not read (a run-length compressed
// bitmap, say): the loader then tries the next decoder registered for the extension.
class UnsupportedVariantError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one size rule of every picture, whichever decoder reads it: at most kMaxPicturePixels pixels
// and at most kMaxPictureSide on a side, checked (CheckPictureSize) from the picture's header before
// any pixel memory is taken. The limits of the libraries underneath are set from these.
constexpr long long kMaxPicturePixels = 200'000'000;
constexpr long long kMaxPictureSide = 1'000'000;
// The most memory a decoder takes for one pixel while decoding (16 bits for each of red, green,
// blue and alpha), so a picture within the rule is never refused by a library's own limit.
constexpr long long kMaxDecodedBytesPerPixel = 8;

struct LoadOptions {
    // What transparent pixels (GIF, PNG, icons) become, 0x00BBGGRR.
    raster::Color background = 0;
    // When both are above 0, the caller is going to fit the picture into this area (see
    // FitToArea): a decoder may then hand back a smaller bitmap than the picture, but never smaller
    // than the fitted size. JPEG uses it to decode at a reduced DCT scale.
    int fitWidth = 0;
    int fitHeight = 0;
    // Pictures of more pixels are refused like those over the size rule. Only ever lowered (by
    // callers that must stay small, such as the fuzzing harness); above the rule it has no effect.
    long long maxPixels = kMaxPicturePixels;
};

struct LoadedPicture {
    // The picture's own size, upright (camera photos turned by their orientation tag).
    int width = 0;
    int height = 0;
    // The pixels: width x height, or smaller when LoadOptions allowed a reduced decode.
    raster::Bitmap bitmap;
};

}  // namespace qel::imaging
