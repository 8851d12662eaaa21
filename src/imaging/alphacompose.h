#pragma once
// Rows of 8-bit samples as the picture libraries hand them out, written into the loader's 24-bit
// rows (blue, green, red), transparent pixels composed onto the caller's background colour.

#include <cstdint>

#include "raster/bitmap.h"

namespace qel::imaging {

// The order of the four samples of a pixel with alpha.
enum class SampleOrder { Rgba, Bgra };

// `width` pixels of red, green, blue to blue, green, red.
void RgbRowToBgr(const std::uint8_t* rgb, std::uint8_t* bgr, int width);

// `width` pixels with alpha onto `background` (0x00BBGGRR). `premultiplied`: the colour samples
// are already multiplied by alpha.
void ComposeRowOnBackground(const std::uint8_t* src, SampleOrder order, bool premultiplied, raster::Color background,
                            std::uint8_t* bgr, int width);

}  // namespace qel::imaging
