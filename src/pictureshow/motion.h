#pragma once
// A picture that moves slowly while it is on show: over its time on screen its view zooms
// between 100 % and kMostZoom (in or out) and pans toward a point of the picture, both at an even
// pace. A picture that fits the frame moves inside its own rectangle, the background around it
// still; a picture larger than the frame (shown at its own size) pans across what does not fit.
// Each frame is drawn from a source prepared once, at the resolution the largest zoom needs, with
// sub-pixel positions; a caption laid over the picture stays where it is.

#include <cstdint>

#include "raster/bilinear.h"
#include "raster/bitmap.h"
#include "raster/rect.h"
#include "raster/xrgb.h"

namespace qel::pictureshow {

inline constexpr double kMostZoom = 1.15;

// A part of the source picture, in source pixels (edges, not centres).
struct MotionView {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const MotionView&, const MotionView&) = default;
};

struct MotionPlan {
    int frameWidth = 0;
    int frameHeight = 0;
    raster::Rect picture;  // the whole picture on the frame at 100 % (it may reach past the frame)
    raster::Rect shown;    // the part of the frame the picture is drawn in
    MotionView from, to;   // the source shown there at the start and at the end
};

// The size of the source a picture of pictureWidth x pictureHeight on the frame needs: kMostZoom
// times that when it fits the frame, the picture's own size when it does not (it only pans).
struct MotionSourceSize {
    int width = 0;
    int height = 0;
};
[[nodiscard]] MotionSourceSize MotionSource(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight);

// How a picture of pictureWidth x pictureHeight on a frameWidth x frameHeight frame, centred as a
// still picture is, moves when drawn from a source of sourceWidth x sourceHeight. `seed` chooses
// the direction and the point (successive seeds differ in direction).
[[nodiscard]] MotionPlan PlanMotion(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight,
                                    int sourceWidth, int sourceHeight, std::uint32_t seed);

// The view at time t (0 = the start, 1 = the end; outside that, the nearest end).
[[nodiscard]] MotionView ViewAt(const MotionPlan& plan, double t);

// A prepared moving picture: how it moves, what it is drawn from, and the caption over it.
struct MovingPicture {
    MotionPlan plan;
    raster::SampleSource source;
    raster::Overlay caption;

    // Draws the view at time t into plan.shown of `frame` (a frame of the plan's size), the
    // caption over it. Nothing on a frame of another size.
    void Draw(raster::Bitmap& frame, double t) const;
    // The same pixels inside `clip` (frame coordinates) straight onto a window surface, frame pixel
    // (0, 0) at surface pixel (dx, dy).
    void DrawTo(const raster::XrgbSurface& surface, int dx, int dy, const raster::Rect& clip, double t) const;
};

}  // namespace qel::pictureshow
