// Scan conversion of polygons and rounded rectangles into regions.
//
// The rule, shared by both shapes: pixel (x, y) belongs to the shape when its centre
// (x + 0.5, y + 0.5) does. Vertices have integer coordinates, so a pixel centre never lies on a
// vertex or on a horizontal edge. A centre that lies exactly on a slanted or vertical edge belongs
// to the span that begins there and not to the one that ends there: along a row the inside of the
// shape is taken as [left crossing, right crossing). Two polygons sharing an edge therefore split
// the pixels along it between them, each pixel going to exactly one.
//
// All crossing positions are computed with exact integer arithmetic (stepping a fraction from row
// to row), so that two polygons meeting at an edge agree on it to the pixel whatever their
// orientation.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "bandwriter.h"
#include "region.h"

namespace qel::raster {

namespace {

__extension__ typedef __int128 Wide;

using detail::BandWriter;

int ClampToInt(std::int64_t v)
{
    return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// Floor of n / d for d > 0.
std::int64_t FloorDiv(std::int64_t n, std::int64_t d)
{
    std::int64_t q = n / d;
    if (n % d != 0 && n < 0) {
        --q;
    }
    return q;
}

// A polygon edge that is not horizontal, oriented top to bottom. It is active on the rows
// y0 ... y1 - 1 (those whose centre line y + 0.5 it crosses). For the current row it knows the
// first pixel whose centre lies at or right of the crossing: s = ceil(P / Q) with
// P = 2·x0·dy + (2·(y − y0) + 1)·dx − dy and Q = 2·dy, i.e. ceil(crossing − 0.5), kept as
// s·Q − r = P with 0 <= r < Q and advanced by whole and fractional steps.
struct Edge {
    int y0 = 0;
    int y1 = 0;
    int dir = 0;  // +1 when the polygon runs downwards along it, -1 upwards
    int x0 = 0;
    std::int64_t dx = 0;
    std::int64_t q = 0;
    std::int64_t s = 0;
    std::int64_t r = 0;
    std::int64_t stepWhole = 0;
    std::int64_t stepFrac = 0;

    // Positions the edge at row y (y0 <= y < y1).
    void Start(int y)
    {
        const std::int64_t dy = std::int64_t(y1) - y0;
        q = 2 * dy;
        const Wide p = Wide(2) * x0 * dy + Wide(2 * (std::int64_t(y) - y0) + 1) * dx - dy;
        // Ceiling division of a wide numerator by a positive denominator.
        Wide quotient = p / q;
        if (p % q != 0 && p > 0) {
            ++quotient;
        }
        s = std::int64_t(quotient);
        r = std::int64_t(Wide(s) * q - p);
        stepWhole = FloorDiv(2 * dx, q);
        stepFrac = 2 * dx - stepWhole * q;
    }

    void NextRow()
    {
        // Without a branch: the carry is taken in about half the rows of a slanted edge, in no
        // pattern a predictor could learn.
        r -= stepFrac;
        const std::int64_t borrow = r >> 63;  // -1 when r went below 0, else 0
        r += q & borrow;
        s += stepWhole - borrow;
    }
};

struct Crossing {
    std::int64_t x;
    int dir;
};

}  // namespace

Region Region::FromPolygon(const std::vector<Point>& points)
{
    return FromPolygon(points, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
}

Region Region::FromPolygon(const std::vector<Point>& points, const Rect& clip)
{
    Region region;
    if (points.size() < 3 || clip.IsEmpty()) {
        return region;
    }
    std::vector<Edge> edges;
    edges.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % points.size()];
        if (a.y == b.y) {
            continue;  // never crosses a row's centre line
        }
        Edge e;
        const bool down = a.y < b.y;
        const Point& top = down ? a : b;
        const Point& bottom = down ? b : a;
        e.y0 = top.y;
        e.y1 = bottom.y;
        e.dir = down ? 1 : -1;
        e.x0 = top.x;
        e.dx = std::int64_t(bottom.x) - top.x;
        // Rows outside the clip are never visited.
        if (e.y1 <= clip.top || e.y0 >= clip.bottom) {
            continue;
        }
        edges.push_back(e);
    }
    if (edges.empty()) {
        return region;
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });

    std::vector<Edge*> active;
    active.reserve(edges.size());
    std::vector<Crossing> crossings;
    crossings.reserve(edges.size());
    BandWriter writer(region.boxes_);
    std::size_t next = 0;
    int yEnd = INT_MIN;
    for (const Edge& e : edges) {
        yEnd = std::max(yEnd, e.y1);
    }
    yEnd = std::min(yEnd, clip.bottom);
    int y = std::max(edges.front().y0, clip.top);
    // Room for a box per row to start with, but not for all rows of a shape millions of rows tall.
    constexpr std::int64_t kRowsReservedAtMost = 1 << 16;
    region.boxes_.reserve(std::size_t(std::min<std::int64_t>(std::int64_t(yEnd) - y, kRowsReservedAtMost)) + 4);

    while (y < yEnd) {
        // Edges that end above this row leave; edges that start on or above it join.
        active.erase(std::remove_if(active.begin(), active.end(), [&](const Edge* e) { return e->y1 <= y; }),
                     active.end());
        while (next < edges.size() && edges[next].y0 <= y) {
            if (edges[next].y1 > y) {
                edges[next].Start(y);
                active.push_back(&edges[next]);
            }
            ++next;
        }
        if (active.empty()) {
            if (next == edges.size()) {
                break;
            }
            y = edges[next].y0;  // a gap between parts of the polygon
            continue;
        }
        // Until the next edge joins or leaves, the same edges are active.
        int stretchEnd = std::min(yEnd, next < edges.size() ? edges[next].y0 : INT_MAX);
        for (const Edge* e : active) {
            stretchEnd = std::min(stretchEnd, e->y1);
        }
        if (active.size() == 2) {
            // Two edges (every row of a triangle): they run in opposite directions, so the row's
            // inside is simply what lies between them.
            Edge& e1 = *active[0];
            Edge& e2 = *active[1];
            for (; y < stretchEnd; ++y) {
                const std::int64_t left = std::max<std::int64_t>(std::min(e1.s, e2.s), clip.left);
                const std::int64_t right = std::min<std::int64_t>(std::max(e1.s, e2.s), clip.right);
                writer.Begin(y, y + 1);
                if (left < right) {
                    writer.Add(ClampToInt(left), ClampToInt(right));
                }
                writer.End();
                e1.NextRow();
                e2.NextRow();
            }
            continue;
        }
        for (; y < stretchEnd; ++y) {
            crossings.clear();
            for (const Edge* e : active) {
                crossings.push_back(Crossing{e->s, e->dir});
            }
            // Few crossings per row: insertion sort.
            for (std::size_t i = 1; i < crossings.size(); ++i) {
                for (std::size_t j = i; j > 0 && crossings[j].x < crossings[j - 1].x; --j) {
                    std::swap(crossings[j], crossings[j - 1]);
                }
            }
            writer.Begin(y, y + 1);
            int winding = 0;
            for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
                winding += crossings[i].dir;
                if (winding != 0) {
                    const std::int64_t left = std::max<std::int64_t>(crossings[i].x, clip.left);
                    const std::int64_t right = std::min<std::int64_t>(crossings[i + 1].x, clip.right);
                    if (left < right) {
                        writer.Add(ClampToInt(left), ClampToInt(right));
                    }
                }
            }
            writer.End();
            for (Edge* e : active) {
                e->NextRow();
            }
        }
    }
    return region;
}

namespace {

// Pixels cut off at each end of a row by a rounded rectangle's corners. Corner ellipse a wide and
// b high (a, b >= 2, whole pixels); rows n counted from the nearer edge (2n + 1 < b). Pixel m from
// the left edge is inside when its centre lies on the straight part (2m + 1 >= a) or inside the
// ellipse: u² b² + v² a² <= a² b² with u = 2m + 1 − a and v = 2n + 1 − b (half pixels from the
// ellipse's centre), decided exactly in integers.
class CornerInsets {
public:
    CornerInsets(std::int64_t a, std::int64_t b) : a_(a), b_(b), small_(a <= 32768 && b <= 32768) {}

    // The inset of row n. Rows are usually asked for one after the other, so the answer of the
    // last call is where the search starts; otherwise a floating-point estimate.
    std::int64_t For(std::int64_t n)
    {
        v_ = 2 * n + 1 - b_;
        std::int64_t m = last_;
        if (m < 0 || std::llabs(n - lastRow_) > 1) {
            const double ratio = double(v_) / double(b_);
            const double half = double(a_) * std::sqrt(std::max(0.0, 1.0 - ratio * ratio));
            m = std::clamp<std::int64_t>(std::int64_t(std::ceil((double(a_) - 1.0 - half) / 2.0)), 0, a_);
        }
        while (m > 0 && Inside(m - 1)) {
            --m;
        }
        while (!Inside(m)) {
            ++m;
        }
        last_ = m;
        lastRow_ = n;
        return m;
    }

private:
    [[nodiscard]] bool Inside(std::int64_t m) const
    {
        const std::int64_t u = 2 * m + 1 - a_;
        if (u >= 0) {
            return true;
        }
        if (small_) {
            // Below 2^15 every term stays under 2^62.
            return u * u * b_ * b_ + v_ * v_ * a_ * a_ <= a_ * a_ * b_ * b_;
        }
        return Wide(u) * u * b_ * b_ + Wide(v_) * v_ * a_ * a_ <= Wide(a_) * a_ * b_ * b_;
    }

    std::int64_t a_;
    std::int64_t b_;
    bool small_;
    std::int64_t v_ = 0;
    std::int64_t last_ = -1;
    std::int64_t lastRow_ = 0;
};

}  // namespace

Region Region::FromRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    return FromRoundRect(left, top, right, bottom, ellipseWidth, ellipseHeight,
                         Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
}

Region Region::FromRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
                             const Rect& clip)
{
    const Rect r = Rect{left, top, right, bottom}.Normalized();
    if (r.IsEmpty() || clip.IsEmpty()) {
        return Region();
    }
    const std::int64_t width = std::int64_t(r.right) - r.left;
    const std::int64_t height = std::int64_t(r.bottom) - r.top;
    const std::int64_t a = std::min<std::int64_t>(std::llabs(ellipseWidth), width);
    const std::int64_t b = std::min<std::int64_t>(std::llabs(ellipseHeight), height);
    if (a < 2 || b < 2) {
        // No corner loses a pixel centre.
        Region region = FromRect(r);
        region.Combine(FromRect(clip), CombineMode::And);
        return region;
    }
    // Rows top ... top + cornerRows - 1 cut the top corners, the same number at the bottom mirror
    // them (so the shape is symmetric by construction), the rows between are whole.
    const std::int64_t cornerRows = b / 2;
    const std::int64_t middleTop = std::int64_t(r.top) + cornerRows;
    const std::int64_t middleBottom = std::int64_t(r.bottom) - cornerRows;
    const std::int64_t yBegin = std::max<std::int64_t>(r.top, clip.top);
    const std::int64_t yEnd = std::min<std::int64_t>(r.bottom, clip.bottom);
    Region region;
    if (yBegin >= yEnd) {
        return region;
    }
    region.boxes_.reserve(std::size_t(std::min<std::int64_t>(2 * cornerRows, yEnd - yBegin) + 1));
    BandWriter writer(region.boxes_);
    const auto span = [&](std::int64_t y0, std::int64_t y1, std::int64_t inset) {
        const std::int64_t l = std::max<std::int64_t>(r.left + inset, clip.left);
        const std::int64_t rr = std::min<std::int64_t>(r.right - inset, clip.right);
        writer.Begin(int(y0), int(y1));
        if (l < rr) {
            writer.Add(int(l), int(rr));
        }
        writer.End();
    };
    CornerInsets insets(a, b);
    std::int64_t y = yBegin;
    for (; y < std::min(yEnd, middleTop); ++y) {
        span(y, y + 1, insets.For(y - r.top));
    }
    if (y < std::min(yEnd, middleBottom)) {
        span(y, std::min(yEnd, middleBottom), 0);
        y = std::min(yEnd, middleBottom);
    }
    for (; y < yEnd; ++y) {
        span(y, y + 1, insets.For(r.bottom - 1 - y));
    }
    return region;
}

}  // namespace qel::raster
