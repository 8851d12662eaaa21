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
class UnsupportedVariant : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Pictures above this many pixels are refused before any pixel memory is taken.
constexpr long long kMaxPicturePixels = 200'000'000;

struct LoadOptions {
    // What transparent pixels (GIF, PNG, icons) become, 0x00BBGGRR.
    raster::Color background = 0;
    // When both are above 0, the caller is going to fit the picture into this area (see
    // FitToArea): a decoder may then hand back a smaller bitmap than the picture, but never smaller
    // than the fitted size. JPEG uses it to decode at a reduced DCT scale.
    int fitWidth = 0;
    int fitHeight = 0;
};

struct LoadedPicture {
    // The picture's own size, upright (camera photos turned by their orientation tag).
    int width = 0;
    int height = 0;
    // The pixels: width x height, or smaller when LoadOptions allowed a reduced decode.
    raster::Bitmap bitmap;
};

}  // namespace qel::imaging
