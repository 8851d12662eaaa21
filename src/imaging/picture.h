#pragma once
// What the picture loader hands back, what it can be asked, and how it fails.

#include <cstddef>
#include <cstdint>
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

// Told by a decoder about the rows of the picture while it decodes, so that work on them can begin
// before the last row is decoded. Called on the decoding thread; none of the calls throws.
class DecodeObserver {
public:
    virtual ~DecodeObserver() = default;
    // The decoder is about to fill a width x height bitmap at `rows` (row y at rows + y * stride) top
    // to bottom, exactly as it will hand it back (upright, 24-bit); pictureWidth x pictureHeight is
    // the picture's own size, as LoadedPicture gives it.
    virtual void Started(const std::uint8_t* rows, std::size_t stride, int width, int height, int pictureWidth,
                         int pictureHeight) noexcept = 0;
    // Rows 0..count-1 are final.
    virtual void RowsDone(int count) noexcept = 0;
    // Decoding has ended, with every row (`complete`) or not; the rows must not be read once this
    // returns, because the decoder may free them.
    virtual void Ended(bool complete) noexcept = 0;
};

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
    // Told about the rows as they are decoded, by the decoders that can (JPEG pictures that need no
    // turning); the others never call it.
    DecodeObserver* observer = nullptr;
};

struct LoadedPicture {
    // The picture's own size, upright (camera photos turned by their orientation tag).
    int width = 0;
    int height = 0;
    // The pixels: width x height, or smaller when LoadOptions allowed a reduced decode.
    raster::Bitmap bitmap;
};

}  // namespace qel::imaging
