// Triangle and rounded-rectangle region styles: clock and sector wipes, diagonals, triangles,
// windmills, corner diagonals, and the round and arc shapes.

#include <cmath>
#include <numbers>

#include "pictureshow/frame.h"
#include "pictureshow/numerics.h"
#include "pictureshow/regionbuilder.h"
#include "pictureshow/styles.h"

namespace qel::pictureshow {

using raster::Point;
using raster::Region;

namespace {

// Radius of the sweeping wedges: reaches past the corners.
int SweepRadius(const FrameContext& f)
{
    double hw = f.W / 2.0, hh = f.H / 2.0;
    return Round(std::sqrt(hw * hw + hh * hh) + 1);
}

void ClockWipe(int style, FrameContext& f)
{
    const double r = SweepRadius(f);
    const double t1 = (f.P - f.Step) * std::numbers::pi / 50;
    const double t2 = f.P * std::numbers::pi / 50;
    const int sign = style == seClockWise ? -1 : 1;
    auto pt = [&](double t) { return Point{f.cx + sign * Round(r * std::sin(t)), f.cy - Round(r * std::cos(t))}; };
    // Only the wedge of the current step: the window keeps the earlier ones.
    f.UseRegion(Region::FromPolygon({{f.cx, f.cy}, pt(t1), pt(t2)}, f.Bounds()), true);
}

void SectorWipe(int style, FrameContext& f)
{
    const double r = SweepRadius(f);
    const double t1 = (f.P - f.Step) * std::numbers::pi / 100;
    const double t2 = f.P * std::numbers::pi / 100;
    const int cx = f.cx, cy = f.cy;
    auto s = [&](double t) { return Round(r * std::sin(t)); };
    auto c = [&](double t) { return Round(r * std::cos(t)); };
    auto q1 = [&](double t) -> Point {
        switch (style) {
        case seSectorUp: return {cx + s(t), cy - c(t)};
        case seSectorDown: return {cx + s(t), cy + c(t)};
        case seSectorLeft: return {cx + c(t), cy - s(t)};
        default: return {cx - c(t), cy - s(t)};
        }
    };
    auto q2 = [&](double t) -> Point {
        switch (style) {
        case seSectorUp: return {cx - s(t), cy - c(t)};
        case seSectorDown: return {cx - s(t), cy + c(t)};
        case seSectorLeft: return {cx + c(t), cy + s(t)};
        default: return {cx - c(t), cy + s(t)};
        }
    };
    RegionBuilder b(f.Bounds());
    b.AddTriangle({cx, cy}, q1(t1), q1(t2));
    b.AddTriangle({cx, cy}, q2(t1), q2(t2));
    f.UseRegion(b.Take(), true);
}

}  // namespace

void PolygonStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H, X = f.X, Y = f.Y, cx = f.cx, cy = f.cy;
    RegionBuilder b(f.Bounds());
    switch (style) {
    case seClockWise:
    case seDeasil: ClockWipe(style, f); return;
    case seSectorUp:
    case seSectorDown:
    case seSectorLeft:
    case seSectorRight: SectorWipe(style, f); return;
    case seDiagOut:
        // The old picture stays in four triangles at the edges; the new one grows as a diamond.
        b.AddTriangle({0, Y / 2}, {(W - X) / 2, cy}, {0, H - Y / 2});
        b.AddTriangle({W, Y / 2}, {(W + X) / 2, cy}, {W, H - Y / 2});
        b.AddTriangle({X / 2, 0}, {cx, (H - Y) / 2}, {W - X / 2, 0});
        b.AddTriangle({X / 2, H}, {cx, (H + Y) / 2}, {W - X / 2, H});
        f.UseOutside(b.Take());
        return;
    case seDiagIn:
        b.AddTriangle({0, (H - Y) / 2}, {X / 2, cy}, {0, (H + Y) / 2});
        b.AddTriangle({W, (H - Y) / 2}, {W - X / 2, cy}, {W, (H + Y) / 2});
        b.AddTriangle({(W - X) / 2, 0}, {cx, Y / 2}, {(W + X) / 2, 0});
        b.AddTriangle({(W - X) / 2, H}, {cx, H - Y / 2}, {(W + X) / 2, H});
        break;
    case seTriangle: {
        const int a = X / 5;
        const int bh = MulDiv(a, H, W);
        for (int row = 0; row <= 9; ++row) {
            for (int column = 0; column <= 9; ++column) {
                const int x = W * column / 10, y = H * row / 10;
                b.AddTriangle({x, y}, {x + a, y}, {x, y + bh});
            }
        }
        break;
    }
    case seWindmill:
        b.AddTriangle({cx, cy}, {0, H}, {0, H - Y});
        b.AddTriangle({0, 0}, {X, 0}, {cx, cy});
        b.AddTriangle({W - X, H}, {cx, cy}, {W, H});
        b.AddTriangle({cx, cy}, {W, 0}, {W, Y});
        break;
    case seWindmill2:
        b.AddTriangle({cx, cy}, {0, Y}, {0, 0});
        b.AddTriangle({cx, cy}, {0, H}, {X, H});
        b.AddTriangle({cx, cy}, {W, H - Y}, {W, H});
        b.AddTriangle({cx, cy}, {W, 0}, {W - X, 0});
        break;
    case seCrossWLT: b.AddTriangle({0, 0}, {2 * X, 0}, {0, 2 * Y}); break;
    case seCrossWRT: b.AddTriangle({W, 0}, {W - 2 * X, 0}, {W, 2 * Y}); break;
    case seCrossWLB: b.AddTriangle({0, H}, {2 * X, H}, {0, H - 2 * Y}); break;
    case seCrossWRB: b.AddTriangle({W, H}, {W - 2 * X, H}, {W, H - 2 * Y}); break;
    case seCross1:
        b.AddTriangle({0, H}, {0, 0}, {X, H});
        b.AddTriangle({W, H}, {W, 0}, {W - X, 0});
        break;
    case seCross2:
        b.AddTriangle({W, 0}, {0, 0}, {W, Y});
        b.AddTriangle({W, H}, {0, H}, {0, H - Y});
        break;
    default: return;
    }
    f.UseShapes(b);
}

namespace {

// A rounded rectangle, cut to the picture while it is built.
Region RoundRect(const FrameContext& f, int left, int top, int right, int bottom, int ew, int eh)
{
    return Region::FromRoundRect(left, top, right, bottom, ew, eh, f.Bounds());
}

}  // namespace

void RoundedStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H, X = f.X, Y = f.Y, cx = f.cx, cy = f.cy;
    switch (style) {
    case seRoundOut: f.UseRegion(RoundRect(f, cx - X, cy - Y, cx + X, cy + Y, X * 9 / 5, Y * 9 / 5)); break;
    case seRoundIn: {
        // The new picture closes in from outside a shrinking rounded shape.
        Region r = Region::FromRect(0, 0, W, H);
        r.Combine(RoundRect(f, X - cx, Y - cy, 3 * W / 2 - X, 3 * H / 2 - Y, (W - X) * 9 / 5, (H - Y) * 9 / 5),
                  raster::CombineMode::Xor);
        f.UseRegion(std::move(r));
        break;
    }
    case seArcDown: f.UseRegion(RoundRect(f, -5, H - 2 * Y, W + 5, 3 * H, 2 * H, 2 * H)); break;
    case seArcUp: f.UseRegion(RoundRect(f, -5, -2 * H, W + 5, 2 * Y, 2 * H, 2 * H)); break;
    case seArcRight: f.UseRegion(RoundRect(f, W - 2 * X, -5, 3 * W, H + 5, 2 * W, 2 * W)); break;
    case seArcLeft: f.UseRegion(RoundRect(f, -2 * W, -5, 2 * X, H + 5, 2 * W, 2 * W)); break;
    case seArcLt: f.UseRegion(RoundRect(f, -2 * W, -2 * H, 2 * X, 2 * Y, 2 * W, 2 * H)); break;
    case seArcRT: f.UseRegion(RoundRect(f, W - 2 * X, -2 * H, 3 * W, 2 * Y, 2 * W, 2 * H)); break;
    case seArcLB: f.UseRegion(RoundRect(f, -2 * W, H - 2 * Y, 2 * X, 3 * H, 2 * W, 2 * H)); break;
    case seArcRB: f.UseRegion(RoundRect(f, W - 2 * X, H - 2 * Y, 3 * W, 3 * H, 2 * H, 2 * H)); break;
    default: break;
    }
}

}  // namespace qel::pictureshow
