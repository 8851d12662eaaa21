#pragma once
// Clip regions with the platform's semantics (rectangles, WINDING polygons, rounded rectangles,
// union / intersection / xor / difference), stored as y-x banded rectangles.
//
// Representation and invariants (checked by SelfCheck()):
//   - the region is a list of half-open boxes (left, top, right, bottom), none empty;
//   - boxes are grouped in bands: every box of a band has the same top and bottom, bands are sorted
//     by top and do not overlap vertically;
//   - inside a band boxes are sorted by left, and neither overlap nor touch (touching boxes merge);
//   - two vertically adjacent bands with identical x spans are coalesced into one;
//   - the empty region has no boxes; a single rectangle needs no more than one box.
//
// Scan conversion (polygons and rounded rectangles): a pixel (x, y) is inside when its centre
// (x + 0.5, y + 0.5) lies inside the shape (WINDING rule for polygons). Shapes that share an
// edge therefore tile without gaps or double coverage.

#include <vector>

#include "rect.h"

namespace qel::raster {

enum class CombineMode { Or, And, Xor, Diff };

class Region {
public:
    Region() = default;  // empty
    // A rectangle; coordinates given the wrong way round are swapped.
    static Region FromRect(const Rect& r);
    static Region FromRect(int left, int top, int right, int bottom) { return FromRect(Rect{left, top, right, bottom}); }
    // A polygon filled with the WINDING rule (pixel centres inside).
    static Region FromPolygon(const std::vector<Point>& points);
    // A rectangle with corners rounded by an ellipse of ellipseWidth x ellipseHeight.
    static Region FromRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

    // this := this <mode> other.
    void Combine(const Region& other, CombineMode mode);
    [[nodiscard]] static Region Combined(const Region& a, const Region& b, CombineMode mode);

    [[nodiscard]] bool IsEmpty() const { return boxes_.empty(); }
    [[nodiscard]] Rect Bounds() const;
    [[nodiscard]] bool Contains(int x, int y) const;
    void Offset(int dx, int dy);

    // The boxes in band order, for drawing and for invalidating a window.
    [[nodiscard]] const std::vector<Rect>& Rects() const { return boxes_; }

    // Checks the invariants above; returns false when one is broken.
    [[nodiscard]] bool SelfCheck() const;

    friend bool operator==(const Region&, const Region&) = default;

private:
    std::vector<Rect> boxes_;
};

}  // namespace qel::raster
