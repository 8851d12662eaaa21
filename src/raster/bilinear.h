#pragma once
// Drawing a picture at any scale and at sub-pixel positions: each pixel of the destination is
// blended from the four source pixels around the point it maps to (bilinear), with weights of
// 1/256 pixel, so a picture that moves slowly glides instead of stepping a pixel at a time.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bitmap.h"
#include "rect.h"
#include "xrgb.h"

namespace qel::raster {

// One axis of the mapping from destination to source, in pixel-centre units: destination pixel d
// (its centre) takes the source at offset + scale * d. Points past the source's edge take the
// edge pixels.
struct AxisMap {
    double offset = 0;
    double scale = 1;
};

// A picture prepared for DrawBilinear: four bytes a pixel (blue, green, red, unused), each row one
// pixel longer than the picture (its last pixel again), so every pixel has a right-hand neighbour.
class SampleSource {
public:
    SampleSource() = default;
    explicit SampleSource(const Bitmap& picture);

    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    [[nodiscard]] const std::uint8_t* Row(int y) const { return pixels_.data() + std::size_t(y) * RowBytes(); }
    [[nodiscard]] std::size_t RowBytes() const { return std::size_t(width_ + 1) * 4; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

// Draws `src` into `area` of `dst` (clipped to dst) through the mapping. Nothing for an empty
// source.
void DrawBilinear(Bitmap& dst, const Rect& area, const SampleSource& src, const AxisMap& x, const AxisMap& y);
// The same pixels straight onto a window surface (opaque), destination pixel (x, y) of the mapping
// at surface pixel (x + dx, y + dy); `area` is in the mapping's coordinates, clipped to the surface.
void DrawBilinear(const XrgbSurface& dst, int dx, int dy, const Rect& area, const SampleSource& src, const AxisMap& x,
                  const AxisMap& y);

// A picture with coverage, placed on a destination: premultiplied blue, green, red and the
// share of the destination that shows through (255: all of it), four bytes a pixel, rows of
// box.Width() pixels.
struct Overlay {
    Rect box;
    std::vector<std::uint8_t> pixels;
    [[nodiscard]] bool IsEmpty() const { return box.IsEmpty(); }
};

// Blends the overlay onto `dst` inside `clip` (destination coordinates).
void BlendOverlay(Bitmap& dst, const Overlay& overlay, const Rect& clip);
// The same onto a window surface, placed as DrawBilinear places its pixels there.
void BlendOverlay(const XrgbSurface& dst, int dx, int dy, const Overlay& overlay, const Rect& clip);

}  // namespace qel::raster
