#pragma once
// Joins the shapes of one frame into one region, limited to the picture: nothing outside it is
// ever drawn or shown, so shapes are cut to it while they are built. Rectangles are gathered and
// joined in one pass; triangles and other shapes are joined pairwise, so thousands of swarm
// blocks or ragged rows stay cheap.

#include <utility>
#include <vector>

#include "raster/region.h"

namespace qel::pictureshow {

class RegionBuilder {
public:
    explicit RegionBuilder(const raster::Rect& clip) : clip_(clip) {}

    // A rectangle; coordinates given the wrong way round are swapped.
    void AddRect(int left, int top, int right, int bottom);
    void AddRect(const raster::Rect& r) { AddRect(r.left, r.top, r.right, r.bottom); }
    void AddTriangle(raster::Point a, raster::Point b, raster::Point c);
    void AddRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

    [[nodiscard]] bool IsEmpty() const { return rects_.empty() && shapes_.empty(); }
    // Only rectangles were added (they may overlap).
    [[nodiscard]] bool OnlyRects() const { return shapes_.empty(); }
    // The rectangles added, cut to the clip; the builder is empty afterwards.
    [[nodiscard]] std::vector<raster::Rect> TakeRects() { return std::move(rects_); }
    // The union of everything added; the builder is empty afterwards.
    [[nodiscard]] raster::Region Take();

private:
    raster::Rect clip_;
    std::vector<raster::Rect> rects_;
    std::vector<raster::Region> shapes_;
};

}  // namespace qel::pictureshow
