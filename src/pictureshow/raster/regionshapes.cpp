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
        s += stepWhole;
        r -= stepFrac;
        if (r < 0) {
            r += q;
            ++s;
        }
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
    region.boxes_.reserve(std::size_t(std::min<std::int64_t>(std::int64_t(yEnd) - y, 1 << 16)) + 4);

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
        crossings.clear();
        for (const Edge* e : active) {
            crossings.push_back(Crossing{e->s, e->dir});
        }
        // Few crossings per row (two for a triangle): insertion sort.
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
        ++y;
    }
    return region;
}

namespace {

// Pixels cut off at each end of the row, for the rows of a rounded rectangle's top corners.
// Corner ellipse a wide and b high (a, b >= 1, whole units); row n counted from the top
// (2n + 1 < b). Pixel m from the left edge is inside when its centre lies on the straight part
// (2m + 1 >= a) or inside the ellipse: u² b² + v² a² <= a² b² with u = 2m + 1 − a and
// v = 2n + 1 − b (both in half pixels from the ellipse's centre).
std::int64_t CornerInset(std::int64_t a, std::int64_t b, std::int64_t n)
{
    const std::int64_t v = 2 * n + 1 - b;
    const auto inside = [&](std::int64_t m) {
        const std::int64_t u = 2 * m + 1 - a;
        if (u >= 0) {
            return true;
        }
        return Wide(u) * u * b * b + Wide(v) * v * a * a <= Wide(a) * a * b * b;
    };
    // Estimate with floating point, then settle exactly.
    const double ratio = double(v) / double(b);
    const double half = double(a) * std::sqrt(std::max(0.0, 1.0 - ratio * ratio));
    std::int64_t m = std::max<std::int64_t>(0, std::int64_t(std::ceil((double(a) - 1.0 - half) / 2.0)));
    m = std::min(m, a);
    while (m > 0 && inside(m - 1)) {
        --m;
    }
    while (!inside(m)) {
        ++m;
    }
    return m;
}

}  // namespace

Region Region::FromRoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    const Rect r = Rect{left, top, right, bottom}.Normalized();
    if (r.IsEmpty()) {
        return Region();
    }
    const std::int64_t width = std::int64_t(r.right) - r.left;
    const std::int64_t height = std::int64_t(r.bottom) - r.top;
    const std::int64_t a = std::min<std::int64_t>(std::llabs(ellipseWidth), width);
    const std::int64_t b = std::min<std::int64_t>(std::llabs(ellipseHeight), height);
    if (a < 2 || b < 2) {
        return FromRect(r);  // no corner loses a pixel centre
    }
    Region region;
    const std::int64_t cornerRows = b / 2;
    region.boxes_.reserve(std::size_t(2 * cornerRows + 1));
    BandWriter writer(region.boxes_);
    std::vector<std::int64_t> insets(static_cast<std::size_t>(cornerRows));
    for (std::int64_t n = 0; n < cornerRows; ++n) {
        insets[std::size_t(n)] = CornerInset(a, b, n);
    }
    const auto row = [&](std::int64_t y, std::int64_t inset) {
        writer.Begin(int(y), int(y + 1));
        writer.Add(int(r.left + inset), int(r.right - inset));
        writer.End();
    };
    // Top corners, the straight middle, then the bottom corners as the mirror image of the top.
    for (std::int64_t n = 0; n < cornerRows; ++n) {
        row(r.top + n, insets[std::size_t(n)]);
    }
    if (height > 2 * cornerRows) {
        writer.Begin(int(r.top + cornerRows), int(r.bottom - cornerRows));
        writer.Add(r.left, r.right);
        writer.End();
    }
    for (std::int64_t n = cornerRows - 1; n >= 0; --n) {
        row(r.bottom - 1 - n, insets[std::size_t(n)]);
    }
    return region;
}

}  // namespace qel::raster
