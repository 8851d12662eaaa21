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
// These rules make the representation unique: two regions covering the same pixels have the same
// boxes, so operator== compares pixel sets.
//
// Scan conversion (polygons and rounded rectangles): a pixel (x, y) is inside when its centre
// (x + 0.5, y + 0.5) lies inside the shape (WINDING rule for polygons). Vertices are integers, so a
// centre never lies on a vertex or a horizontal edge; a centre exactly on another edge belongs to
// the span that begins there (a row's inside runs from a left crossing, included, to a right
// crossing, excluded). Shapes that share an edge therefore tile without gaps or double coverage.
//
// Costs: set operations take time in proportion to the boxes of the rows both operands share
// (bands of `this` entirely above or below the other operand are not rewritten, so building a
// region from the top down is cheap); shapes take time in proportion to their height in rows.
// Any int coordinates are handled without overflow; shapes far larger than the picture should be
// built with a clip rectangle, since their cost grows with the rows they span.

#include <vector>

#include "rect.h"

namespace qel::raster {

class Bitmap;

enum class CombineMode { Or, And, Xor, Diff };

class Region {
public:
    Region() = default;  // empty
    // A rectangle; coordinates given the wrong way round are swapped.
    static Region FromRect(const Rect& r);
    static Region FromRect(int left, int top, int right, int bottom)
    {
        return FromRect(Rect{left, top, right, bottom});
    }
    // The union of many rectangles (each normalised as by FromRect), faster than joining them
    // one by one.
    static Region FromRects(const std::vector<Rect>& rects);
    // The union of many regions, joined pairwise in rounds.
    static Region UnionOf(std::vector<Region> parts);
    // A polygon filled with the WINDING rule (pixel centres inside). The last point joins the
    // first; fewer than three points give the empty region.
    static Region FromPolygon(const std::vector<Point>& points);
    // The same, intersected with `clip` while it is built (rows outside it are never visited).
    static Region FromPolygon(const std::vector<Point>& points, const Rect& clip);
    // A rectangle with corners rounded by an ellipse of ellipseWidth x ellipseHeight, as the
    // platform's rounded-rectangle regions: the rectangle is normalised, the ellipse sizes are
    // taken without sign and limited to the rectangle's width and height, and each corner is a
    // quarter of that ellipse (pixel centres inside or on it). An ellipse narrower or lower than
    // 2 pixels rounds nothing: the result is the plain rectangle. The shape is symmetric about
    // the rectangle's centre lines.
    static Region FromRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
    // The same, intersected with `clip` while it is built.
    static Region FromRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
                                const Rect& clip);

    // this := this <mode> other.
    void Combine(const Region& other, CombineMode mode);
    [[nodiscard]] static Region Combined(const Region& a, const Region& b, CombineMode mode);

    [[nodiscard]] bool IsEmpty() const { return boxes_.empty(); }
    // The smallest rectangle holding the region; (0, 0, 0, 0) when empty.
    [[nodiscard]] Rect Bounds() const;
    [[nodiscard]] bool Contains(int x, int y) const;
    // Moves the region; parts pushed beyond the int range are cut off.
    void Offset(int dx, int dy);

    // The boxes in band order, for drawing and for invalidating a window.
    [[nodiscard]] const std::vector<Rect>& Rects() const { return boxes_; }

    // Checks the invariants above; returns false when one is broken.
    [[nodiscard]] bool SelfCheck() const;

    friend bool operator==(const Region&, const Region&) = default;
    friend Region Scaled(const Region& region, const Rect& src, const Rect& dst);
    friend Region ComposeChange(Bitmap& dst, const Bitmap& older, const Bitmap& newer, const Region& was,
                                const Region& now);
    friend struct RegionTestAccess;  // lets the tests build broken regions for SelfCheck

private:
    std::vector<Rect> boxes_;
};

// The region mapped from the rectangle `src` onto the rectangle `dst`, as a stretched picture's
// changed area is mapped onto the window: every box edge x becomes
// dst.left + MulDiv(x - src.left, dst.Width(), src.Width()) (64-bit product, rounded quotient),
// every edge y likewise with the heights. Boxes that shrink to nothing vanish. An empty `src` or
// `dst` gives the empty region.
[[nodiscard]] Region Scaled(const Region& region, const Rect& src, const Rect& dst);

}  // namespace qel::raster
