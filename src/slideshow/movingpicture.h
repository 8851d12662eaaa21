#pragma once
// Preparing a picture that pans and zooms while it is on show: loaded once, its source scaled
// (Lanczos-3) to what the largest zoom needs, its caption made an overlay that stays put while the
// picture moves beneath it, and the first view drawn: the still frame its transition brings in,
// from which the motion starts without a jump. Runs on the worker that prepares pictures.

#include <cstdint>
#include <memory>
#include <string>

#include <QString>

#include "pictureshow/motion.h"
#include "raster/bitmap.h"
#include "slideshow/caption.h"

namespace qel::slideshow {

struct PreparedMotion {
    raster::Bitmap firstView;  // width x height: the background, the picture's first view, the caption
    std::shared_ptr<const pictureshow::MovingPicture> moving;
};

// The picture at `path` on a width x height frame of `background`, fitted into it (fit) or at its
// own size, centred; `seed` chooses how it moves; `caption` (may be empty) goes in `corner`.
// Throws std::exception naming the file and the cause when the picture cannot be loaded.
[[nodiscard]] PreparedMotion PrepareMovingPicture(const std::string& path, int width, int height, bool fit,
                                                  raster::Color background, std::uint32_t seed, const QString& caption,
                                                  CaptionCorner corner);

}  // namespace qel::slideshow
