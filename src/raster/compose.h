#pragma once
// A frame made of two pictures, one inside a region and the other outside it, brought from one
// region to the next.

#include "bitmap.h"
#include "region.h"

namespace qel::raster {

// dst holds `newer` inside `was` and `older` everywhere else, three bitmaps of one size; makes it
// hold `newer` inside `now` and `older` everywhere else, writing only the pixels where `was` and
// `now` differ, in one sweep over both. Returns those pixels (was xor now, inside dst). Source and
// destination may be the same bitmap (every pixel is read where it is written).
Region ComposeChange(Bitmap& dst, const Bitmap& older, const Bitmap& newer, const Region& was, const Region& now);

}  // namespace qel::raster
