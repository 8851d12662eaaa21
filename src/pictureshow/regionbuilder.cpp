#include "pictureshow/regionbuilder.h"

#include <utility>

namespace qel::pictureshow {

using raster::Rect;
using raster::Region;

void RegionBuilder::AddRect(int left, int top, int right, int bottom)
{
    const Rect r = Rect{left, top, right, bottom}.Normalized().Intersect(clip_);
    if (!r.IsEmpty())
        rects_.push_back(r);
}

void RegionBuilder::AddTriangle(raster::Point a, raster::Point b, raster::Point c)
{
    Region r = Region::FromPolygon({a, b, c}, clip_);
    if (!r.IsEmpty())
        shapes_.push_back(std::move(r));
}

void RegionBuilder::AddRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    Region r = Region::FromRoundRect(left, top, right, bottom, ellipseWidth, ellipseHeight, clip_);
    if (!r.IsEmpty())
        shapes_.push_back(std::move(r));
}

Region RegionBuilder::Take()
{
    if (!rects_.empty())
        shapes_.push_back(Region::FromRects(rects_));
    Region result = shapes_.size() == 1 ? std::move(shapes_.front()) : Region::UnionOf(std::move(shapes_));
    rects_.clear();
    shapes_.clear();
    return result;
}

}  // namespace qel::pictureshow
