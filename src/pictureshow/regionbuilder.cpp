#include "pictureshow/regionbuilder.h"

#include <utility>

namespace qel::pictureshow {

using raster::CombineMode;
using raster::Region;

void RegionBuilder::AddRect(int left, int top, int right, int bottom)
{
    if (left == right || top == bottom)
        return;
    Push(Region::FromRect(left, top, right, bottom));
}

void RegionBuilder::AddTriangle(raster::Point a, raster::Point b, raster::Point c)
{
    Region r = Region::FromPolygon({a, b, c});
    if (!r.IsEmpty())
        Push(std::move(r));
}

void RegionBuilder::Add(Region r)
{
    if (!r.IsEmpty())
        Push(std::move(r));
}

void RegionBuilder::Push(Region r)
{
    int level = 0;
    while (!levels_.empty() && levels_.back() == level) {
        r.Combine(parts_.back(), CombineMode::Or);
        parts_.pop_back();
        levels_.pop_back();
        ++level;
    }
    parts_.push_back(std::move(r));
    levels_.push_back(level);
}

Region RegionBuilder::Take()
{
    Region result;
    while (!parts_.empty()) {
        if (result.IsEmpty())
            result = std::move(parts_.back());
        else
            result.Combine(parts_.back(), CombineMode::Or);
        parts_.pop_back();
    }
    levels_.clear();
    return result;
}

}  // namespace qel::pictureshow
