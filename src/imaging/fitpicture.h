#pragma once
// The slideshow's picture preparation: a picture fitted to the screen with Lanczos-3 (or kept at its
// own size) and centred on a screen-sized bitmap of the background colour.

#include <string>

#include "imaging/picture.h"
#include "raster/bitmap.h"

namespace qel::imaging {

struct FitSize {
    int width = 0;
    int height = 0;
};

// The size of a w x h picture fitted into W x H keeping its proportions: when the picture is
// relatively taller than the area, MulDiv(w, H, h) x H, otherwise W x MulDiv(h, W, w); never below
// 1 pixel. All sizes must be at least 1.
FitSize FitToArea(int w, int h, int areaWidth, int areaHeight);

// A W x H bitmap filled with `background` with `picture` drawn unscaled at
// ((W - w) div 2, (H - h) div 2), so a picture larger than the area is cut evenly on both sides.
raster::Bitmap ComposeCentered(const raster::Bitmap& picture, int areaWidth, int areaHeight, raster::Color background);

// The preparation of a loaded picture for a screenWidth x screenHeight screen: fitted with filter 5
// (Lanczos-3) when fitToScreen (small pictures are enlarged, large ones reduced), else at its own
// size; then centred on the background colour.
raster::Bitmap FitPicture(const LoadedPicture& picture, int screenWidth, int screenHeight, bool fitToScreen,
                          raster::Color background);

// Loads `path` and prepares it as FitPicture does. When fitting, large JPEG photos are decoded at a
// reduced scale that still leaves more pixels than the fitted size (the result differs from the
// full-size path by far less than the eye can see), and JPEG photos are fitted on a second thread
// while they decode, with the same bytes as fitting afterwards. Throws PictureError like LoadPicture.
raster::Bitmap LoadFittedPicture(const std::string& path, int screenWidth, int screenHeight, bool fitToScreen,
                                 raster::Color background);

}  // namespace qel::imaging
