#pragma once
// Joins many small shapes into one region. Adding shapes one by one to a growing region costs
// time proportional to the region for every shape; the builder instead merges them pairwise
// (a merge tree), so thousands of swarm blocks or ragged rows stay cheap.

#include <vector>

#include "pictureshow/raster/region.h"

namespace qel::pictureshow {

class RegionBuilder {
public:
    // A rectangle; coordinates given the wrong way round are swapped, an empty one adds nothing.
    void AddRect(int left, int top, int right, int bottom);
    void AddRect(const raster::Rect& r) { AddRect(r.left, r.top, r.right, r.bottom); }
    void AddTriangle(raster::Point a, raster::Point b, raster::Point c);
    void Add(raster::Region r);

    [[nodiscard]] bool IsEmpty() const { return parts_.empty(); }
    // The union of everything added; the builder is empty afterwards.
    [[nodiscard]] raster::Region Take();

private:
    void Push(raster::Region r);

    // parts_[i] holds the union of 2^levels_[i] shapes; equal levels merge, like a binary counter.
    std::vector<raster::Region> parts_;
    std::vector<int> levels_;
};

}  // namespace qel::pictureshow
