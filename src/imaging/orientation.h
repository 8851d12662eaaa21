#pragma once
// Camera photos store their pixels as the sensor saw them and record in the EXIF tag "Orientation"
// (0x0112) how to turn them upright: 1 upright, 2 mirrored left-right, 3 turned 180 degrees,
// 4 mirrored top-bottom, 5 transposed, 6 needs turning 90 degrees clockwise, 7 transversed,
// 8 needs turning 90 degrees anticlockwise.

#include <cstdint>
#include <span>

#include "raster/bitmap.h"

namespace qel::imaging {

// The orientation in an APP1 segment's payload ("Exif\0\0" + TIFF block); 1 when the segment is not
// EXIF, has no orientation tag, or is damaged.
int ExifOrientation(std::span<const std::uint8_t> app1);

// Whether the orientation swaps width and height (5 to 8).
inline bool SwapsAxes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// The bitmap turned upright; orientations outside 2..8 return a copy.
raster::Bitmap ApplyOrientation(const raster::Bitmap& stored, int orientation);

}  // namespace qel::imaging
