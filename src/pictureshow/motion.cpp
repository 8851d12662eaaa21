#include "pictureshow/motion.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace qel::pictureshow {
namespace {

// A well-mixed 32-bit value from a seed, so neighbouring seeds choose far-apart points.
std::uint32_t Mix(std::uint32_t x)
{
    x += 0x9E3779B9u;
    x = (x ^ (x >> 16)) * 0x85EBCA6Bu;
    x = (x ^ (x >> 13)) * 0xC2B2AE35u;
    return x ^ (x >> 16);
}

double Unit(std::uint32_t bits)
{
    return double(bits & 0xFFFFu) / 0xFFFFu;
}

}  // namespace

MotionSourceSize MotionSource(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight)
{
    if (pictureWidth > frameWidth || pictureHeight > frameHeight)
        return {pictureWidth, pictureHeight};
    return {static_cast<int>(std::ceil(pictureWidth * kMostZoom)),
            static_cast<int>(std::ceil(pictureHeight * kMostZoom))};
}

MotionPlan PlanMotion(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight, int sourceWidth,
                      int sourceHeight, std::uint32_t seed)
{
    MotionPlan p;
    p.frameWidth = frameWidth;
    p.frameHeight = frameHeight;
    // Centred as a still picture is: a picture larger than the frame is cut evenly on both sides.
    const int left = (frameWidth - pictureWidth) / 2, top = (frameHeight - pictureHeight) / 2;
    p.picture = {left, top, left + pictureWidth, top + pictureHeight};
    p.shown = p.picture.Intersect({0, 0, frameWidth, frameHeight});
    if (p.shown.IsEmpty() || sourceWidth < 1 || sourceHeight < 1)
        return p;

    const std::uint32_t bits = Mix(seed);
    const double px = Unit(bits), py = Unit(bits >> 16);
    const double sw = sourceWidth, sh = sourceHeight;
    MotionView still, moved;
    if (p.shown != p.picture) {
        // Larger than the frame: at its own size, from the part a still picture shows toward a
        // point, across what does not fit.
        const double vw = sw * p.shown.Width() / pictureWidth, vh = sh * p.shown.Height() / pictureHeight;
        still = {sw * (p.shown.left - left) / pictureWidth, sh * (p.shown.top - top) / pictureHeight, vw, vh};
        moved = {(sw - vw) * px, (sh - vh) * py, vw, vh};
    } else {
        // The whole picture, then a part of it kMostZoom times larger, around the chosen point.
        still = {0, 0, sw, sh};
        const double vw = sw / kMostZoom, vh = sh / kMostZoom;
        moved = {(sw - vw) * px, (sh - vh) * py, vw, vh};
    }
    // Every other seed zooms out instead of in.
    const bool in = (seed & 1u) == 0;
    p.from = in ? still : moved;
    p.to = in ? moved : still;
    return p;
}

MotionView ViewAt(const MotionPlan& plan, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    const auto at = [t](double a, double b) { return t >= 1.0 ? b : a + (b - a) * t; };
    return {at(plan.from.left, plan.to.left), at(plan.from.top, plan.to.top), at(plan.from.width, plan.to.width),
            at(plan.from.height, plan.to.height)};
}

namespace {

// The mapping from frame pixels to source pixels of the view at t.
std::pair<raster::AxisMap, raster::AxisMap> Mapping(const MotionPlan& plan, double t)
{
    const MotionView v = ViewAt(plan, t);
    // Destination pixel centre d + 0.5 maps to the source edge coordinate, less 0.5 for centres.
    const double sx = v.width / plan.shown.Width(), sy = v.height / plan.shown.Height();
    return {raster::AxisMap{v.left + (0.5 - plan.shown.left) * sx - 0.5, sx},
            raster::AxisMap{v.top + (0.5 - plan.shown.top) * sy - 0.5, sy}};
}

}  // namespace

void MovingPicture::Draw(raster::Bitmap& frame, double t) const
{
    if (frame.Width() != plan.frameWidth || frame.Height() != plan.frameHeight || plan.shown.IsEmpty() ||
        source.IsEmpty())
        return;
    const auto [mx, my] = Mapping(plan, t);
    raster::DrawBilinear(frame, plan.shown, source, mx, my);
    raster::BlendOverlay(frame, caption, plan.shown);
}

void MovingPicture::DrawTo(const raster::XrgbSurface& surface, int dx, int dy, const raster::Rect& clip, double t) const
{
    const raster::Rect area = clip.Intersect(plan.shown);
    if (area.IsEmpty() || source.IsEmpty())
        return;
    const auto [mx, my] = Mapping(plan, t);
    raster::DrawBilinear(surface, dx, dy, area, source, mx, my);
    raster::BlendOverlay(surface, dx, dy, caption, area);
}

}  // namespace qel::pictureshow
