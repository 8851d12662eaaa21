#pragma once
// Small HEIC and AVIF files made in memory by libheif's and libavif's own encoders, for the tests and
// the fuzzing seeds. Each maker gives an empty result when the library has no encoder for the
// format on this system.

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/picture.h"
#include "raster/bitmap.h"

namespace qel::imaging::samples {

using Bytes = std::vector<std::uint8_t>;

constexpr int kW = 64, kH = 48;
constexpr raster::Color kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// w x h in four quadrants: red top left, green top right, blue bottom left, white bottom right.
raster::Bitmap Quadrants(int w = kW, int h = kH);

// kW x kH alpha values: transparent on the left half, opaque on the right.
std::vector<std::uint8_t> LeftHalfClear();

// The colour near the middle of each quadrant of the w x h picture (top left, top right, bottom
// left, bottom right) is close to the expected one: the encoders are lossy. A test failure if not.
void ExpectQuadrants(const LoadedPicture& p, int w, int h, std::array<raster::Color, 4> want, const char* what);

struct SampleOptions {
    // HEIC: stored in the file as its own rotation and mirroring (libheif's encoder makes them from
    // the orientation code of an EXIF tag).
    int orientation = 1;
    // AVIF: the rotation, quarter turns anticlockwise, and the mirroring (0 top-bottom, 1 left-right,
    // -1 none) stored as they are.
    int quarterTurns = 0;
    int mirror = -1;
    // Also written as an EXIF orientation tag (phones write both); 0 writes no EXIF block.
    int exifOrientation = 0;
    // One alpha value per pixel, row by row; empty for an opaque picture.
    std::vector<std::uint8_t> alpha;
};

// The EXIF block "Exif\0\0" + TIFF header + one IFD holding the orientation tag.
Bytes ExifWithOrientation(int orientation);

// A HEVC-coded HEIF file of `picture`.
Bytes EncodeHeic(const raster::Bitmap& picture, const SampleOptions& options = {});

// An AVIF file of `picture`; `crop` (x, y, width, height), when its width is above 0, is stored as
// the clean aperture.
struct CropRect {
    int x = 0, y = 0, width = 0, height = 0;
};
Bytes EncodeAvif(const raster::Bitmap& picture, const SampleOptions& options = {}, CropRect crop = {});

// An AVIF file of `picture` as a grid of columns x rows tiles (each at least 64 x 64, as the format
// asks), with transparency when options.alpha is given.
Bytes EncodeAvifGrid(const raster::Bitmap& picture, int columns, int rows, const SampleOptions& options = {});

}  // namespace qel::imaging::samples
