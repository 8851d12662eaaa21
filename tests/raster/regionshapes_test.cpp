#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "masks.h"
#include "raster/region.h"

using namespace qel::raster;
using qel::raster::test::Mask;

namespace {

// Winding number of a polygon around the centre of pixel (x, y), counting the edges whose
// crossing with the centre's row lies strictly right of the centre; exact integer arithmetic.
int WindingAt(const std::vector<Point>& pts, int x, int y)
{
    int w = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        Point a = pts[i];
        Point b = pts[(i + 1) % pts.size()];
        int dir = 1;
        if (a.y > b.y) {
            std::swap(a, b);
            dir = -1;
        }
        // The edge crosses the centre line y + 0.5 when a.y <= y < b.y.
        if (!(a.y <= y && y < b.y)) {
            continue;
        }
        const std::int64_t dy = b.y - a.y;
        const std::int64_t dx = b.x - a.x;
        // crossing x > x + 0.5  <=>  2·a.x·dy + (2y + 1 − 2·a.y)·dx > (2x + 1)·dy
        if (2 * std::int64_t(a.x) * dy + (2 * std::int64_t(y) + 1 - 2 * a.y) * dx > (2 * std::int64_t(x) + 1) * dy) {
            w += dir;
        }
    }
    return w;
}

Mask PolygonModel(const std::vector<Point>& pts, const Rect& window)
{
    Mask m(window);
    for (int y = window.top; y < window.bottom; ++y) {
        for (int x = window.left; x < window.right; ++x) {
            m.Set(x, y, WindingAt(pts, x, y) != 0);
        }
    }
    return m;
}

// Coverage count per pixel of a W x H picture by a list of regions.
std::vector<int> Coverage(const std::vector<Region>& parts, int w, int h)
{
    std::vector<int> count(std::size_t(w) * h, 0);
    for (const Region& r : parts) {
        for (const Rect& b : r.Rects()) {
            for (int y = std::max(b.top, 0); y < std::min(b.bottom, h); ++y) {
                for (int x = std::max(b.left, 0); x < std::min(b.right, w); ++x) {
                    ++count[std::size_t(y) * w + x];
                }
            }
        }
    }
    return count;
}

}  // namespace

TEST(Polygon, PixelCentresInsideTheShapeAreIn)
{
    // Triangle (0,0) (4,0) (0,4): pixel (x, y) is in when x + y + 1 < 4, i.e. centres strictly
    // below the long side; centres on it belong to the span beginning there, which is outside.
    const Region t = Region::FromPolygon({{0, 0}, {4, 0}, {0, 4}});
    EXPECT_TRUE(t.SelfCheck());
    EXPECT_EQ(t.Rects().size(), 3u);
    EXPECT_TRUE(t.Contains(0, 0));
    EXPECT_TRUE(t.Contains(2, 0));
    EXPECT_FALSE(t.Contains(3, 0)) << "centre (3.5, 0.5) lies on the long side";
    EXPECT_TRUE(t.Contains(1, 1));
    EXPECT_FALSE(t.Contains(2, 1));
    EXPECT_TRUE(t.Contains(0, 2));
    EXPECT_FALSE(t.Contains(0, 3));
    // An axis-aligned polygon is its rectangle.
    EXPECT_EQ(Region::FromPolygon({{2, 1}, {7, 1}, {7, 5}, {2, 5}}), Region::FromRect(2, 1, 7, 5));
    // Degenerate input.
    EXPECT_TRUE(Region::FromPolygon({}).IsEmpty());
    EXPECT_TRUE(Region::FromPolygon({{0, 0}, {5, 5}}).IsEmpty());
    EXPECT_TRUE(Region::FromPolygon({{0, 0}, {5, 5}, {10, 10}}).IsEmpty());
    EXPECT_TRUE(Region::FromPolygon({{0, 3}, {9, 3}, {4, 3}}).IsEmpty());
}

TEST(Polygon, RandomPolygonsMatchTheWindingRuleAtEveryPixelCentre)
{
    std::mt19937 rng(77);
    const Rect window{-20, -20, 70, 70};
    for (int round = 0; round < 300; ++round) {
        std::uniform_int_distribution<int> c(-15, 65);
        std::vector<Point> pts(3 + rng() % 7);
        for (Point& p : pts) {
            p = {c(rng), c(rng)};
        }
        const Region r = Region::FromPolygon(pts);
        ASSERT_TRUE(r.SelfCheck()) << "round " << round;
        ASSERT_TRUE(Mask::Of(r, window) == PolygonModel(pts, window)) << "round " << round;
    }
}

TEST(Polygon, WindingFillsOverlapsAndIgnoresOrientation)
{
    // A pentagram: with WINDING the inner pentagon (winding 2) is filled too.
    const std::vector<Point> star{{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}};
    const Region r = Region::FromPolygon(star);
    EXPECT_TRUE(r.Contains(50, 50)) << "the centre has winding number 2";
    EXPECT_TRUE(Mask::Of(r, Rect{0, 0, 100, 100}) == PolygonModel(star, Rect{0, 0, 100, 100}));
    // Clockwise and anticlockwise give the same pixels.
    const std::vector<Point> reversed(star.rbegin(), star.rend());
    EXPECT_EQ(Region::FromPolygon(reversed), r);
    // A square traced twice the same way round is filled once; a bow tie keeps both lobes.
    EXPECT_EQ(Region::FromPolygon({{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 0}, {8, 0}, {8, 8}, {0, 8}}),
              Region::FromRect(0, 0, 8, 8));
    const Region bow = Region::FromPolygon({{0, 0}, {10, 10}, {10, 0}, {0, 10}});
    EXPECT_TRUE(bow.Contains(1, 5));
    EXPECT_TRUE(bow.Contains(8, 5));
    EXPECT_FALSE(bow.Contains(5, 1));
    EXPECT_FALSE(bow.Contains(5, 8));
    // Two opposite loops cancel: a square with a hole traced the other way round.
    const Region holed =
        Region::FromPolygon({{0, 0}, {9, 0}, {9, 9}, {0, 9}, {0, 0}, {3, 3}, {3, 6}, {6, 6}, {6, 3}, {3, 3}});
    EXPECT_FALSE(holed.Contains(4, 4));
    EXPECT_TRUE(holed.Contains(1, 4));
    EXPECT_EQ(holed, Region::Combined(Region::FromRect(0, 0, 9, 9), Region::FromRect(3, 3, 6, 6), CombineMode::Diff));
}

TEST(Polygon, FourTrianglesAroundAnInnerPointCoverThePictureExactlyOnce)
{
    // The windmill and cross styles end with triangles that meet at the centre.
    for (int w = 1; w <= 70; ++w) {
        for (int h = 1; h <= 70; h += (w % 7 == 0 ? 1 : 3)) {
            const int cx = w / 2;
            const int cy = h / 2;
            const std::vector<Region> parts{
                Region::FromPolygon({{0, 0}, {w, 0}, {cx, cy}}), Region::FromPolygon({{w, 0}, {w, h}, {cx, cy}}),
                Region::FromPolygon({{w, h}, {0, h}, {cx, cy}}), Region::FromPolygon({{0, h}, {0, 0}, {cx, cy}})};
            const std::vector<int> count = Coverage(parts, w, h);
            for (std::size_t i = 0; i < count.size(); ++i) {
                ASSERT_EQ(count[i], 1) << w << "x" << h << " pixel " << i % w << "," << i / w;
            }
            ASSERT_EQ(Region::UnionOf(parts), Region::FromRect(0, 0, w, h));
        }
    }
}

TEST(Polygon, TwoTrianglesSplittingARectangleByADiagonalCoverItExactlyOnce)
{
    for (int w = 1; w <= 40; ++w) {
        for (int h = 1; h <= 40; ++h) {
            // Both diagonals, each triangle given in either orientation.
            const std::vector<Region> a{Region::FromPolygon({{0, 0}, {w, 0}, {w, h}}),
                                        Region::FromPolygon({{0, h}, {w, h}, {0, 0}})};
            const std::vector<Region> b{Region::FromPolygon({{w, 0}, {0, 0}, {0, h}}),
                                        Region::FromPolygon({{w, 0}, {w, h}, {0, h}})};
            for (const auto& parts : {a, b}) {
                const std::vector<int> count = Coverage(parts, w, h);
                for (std::size_t i = 0; i < count.size(); ++i) {
                    ASSERT_EQ(count[i], 1) << w << "x" << h;
                }
                ASSERT_EQ(Region::Combined(parts[0], parts[1], CombineMode::Xor), Region::FromRect(0, 0, w, h));
            }
        }
    }
}

TEST(Polygon, AFanOfWedgesAroundTheCentreTilesWithoutGaps)
{
    // The clock wipes reveal wedges (centre, pt(θ1), pt(θ2)) step by step; consecutive wedges
    // share an edge, so the wedges of a whole turn add up to the square exactly once.
    const int w = 61;
    const int h = 45;
    const Point c{w / 2, h / 2};
    const std::vector<Point> rim{{c.x, -40},   {w + 30, -40}, {w + 30, 7}, {w + 30, h + 30},
                                 {17, h + 30}, {-30, h + 30}, {-30, 20},   {-30, -40}};
    std::vector<Region> wedges;
    for (std::size_t i = 0; i < rim.size(); ++i) {
        wedges.push_back(Region::FromPolygon({c, rim[i], rim[(i + 1) % rim.size()]}));
    }
    const std::vector<int> count = Coverage(wedges, w, h);
    for (int n : count) {
        ASSERT_EQ(n, 1);
    }
}

TEST(Polygon, ClipLimitsTheRowsAndColumnsBuilt)
{
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> c(-30, 80);
    for (int round = 0; round < 200; ++round) {
        const std::vector<Point> pts{{c(rng), c(rng)}, {c(rng), c(rng)}, {c(rng), c(rng)}, {c(rng), c(rng)}};
        const Rect clip = Rect{c(rng) / 2, c(rng) / 2, 30 + c(rng) / 2, 30 + c(rng) / 2}.Normalized();
        const Region clipped = Region::FromPolygon(pts, clip);
        ASSERT_TRUE(clipped.SelfCheck());
        ASSERT_EQ(clipped, Region::Combined(Region::FromPolygon(pts), Region::FromRect(clip), CombineMode::And));
    }
    // A polygon far larger than the clip costs only the clip's rows.
    const Region big = Region::FromPolygon({{-1000000000, -1000000000}, {1000000000, -1000000000}, {0, 1000000000}},
                                           Rect{0, 0, 1920, 1080});
    EXPECT_EQ(big, Region::FromRect(0, 0, 1920, 1080));
}

TEST(Polygon, LargeCoordinatesStayExact)
{
    // A thin sliver between two long edges that share their end points: no pixel may be lost or
    // doubled between the two halves of a long diagonal.
    const int n = 1 << 29;
    const Region upper = Region::FromPolygon({{0, 0}, {n, 0}, {n, 1000}}, Rect{n - 64, 0, n, 1000});
    const Region lower = Region::FromPolygon({{0, 0}, {n, 1000}, {0, 1000}}, Rect{n - 64, 0, n, 1000});
    EXPECT_TRUE(Region::Combined(upper, lower, CombineMode::And).IsEmpty());
    EXPECT_EQ(Region::Combined(upper, lower, CombineMode::Or), Region::FromRect(n - 64, 0, n, 1000));
}

TEST(RoundRect, MatchesTheEllipseTestAtEveryPixelCentre)
{
    // Reference: clamp the doubled pixel centre to the inner rectangle of the corner-ellipse
    // centres and test the ellipse equation there.
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> c(-10, 50);
    const Rect window{-15, -15, 55, 55};
    for (int round = 0; round < 400; ++round) {
        const int l = c(rng), t = c(rng), r = c(rng), b = c(rng);
        const int ew = int(rng() % 70) - 10;
        const int eh = int(rng() % 70) - 10;
        const Region region = Region::FromRoundRect(l, t, r, b, ew, eh);
        ASSERT_TRUE(region.SelfCheck());
        const Rect n = Rect{l, t, r, b}.Normalized();
        const std::int64_t a = std::min(std::abs(ew), n.Width());
        const std::int64_t e = std::min(std::abs(eh), n.Height());
        Mask model(window);
        for (int y = n.top; y < n.bottom; ++y) {
            for (int x = n.left; x < n.right; ++x) {
                bool in = true;
                if (a >= 2 && e >= 2) {
                    const std::int64_t px = 2 * x + 1;
                    const std::int64_t py = 2 * y + 1;
                    const std::int64_t cx = std::clamp<std::int64_t>(px, 2 * n.left + a, 2 * n.right - a);
                    const std::int64_t cy = std::clamp<std::int64_t>(py, 2 * n.top + e, 2 * n.bottom - e);
                    const std::int64_t u = px - cx;
                    const std::int64_t v = py - cy;
                    in = u * u * e * e + v * v * a * a <= a * a * e * e;
                }
                model.Set(x, y, in);
            }
        }
        ASSERT_TRUE(Mask::Of(region, window) == model) << "round " << round;
    }
}

TEST(RoundRect, CornersAreSymmetric)
{
    for (int w = 1; w <= 40; w += 3) {
        for (int h = 1; h <= 30; h += 2) {
            for (int e = 0; e <= 45; e += 4) {
                const Region r = Region::FromRoundRect(0, 0, w, h, e, e * 2 / 3 + 1);
                const Mask m = Mask::Of(r, Rect{0, 0, w, h});
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        ASSERT_EQ(m.Get(x, y), m.Get(w - 1 - x, y)) << w << "x" << h << " e" << e;
                        ASSERT_EQ(m.Get(x, y), m.Get(x, h - 1 - y)) << w << "x" << h << " e" << e;
                    }
                }
                ASSERT_EQ(Mask::Of(r, Rect{-1, -1, w + 1, h + 1}).Count(), m.Count())
                    << "nothing outside the rectangle";
            }
        }
    }
}

TEST(RoundRect, NamedCases)
{
    // No ellipse, or one under two pixels: the plain rectangle, whichever way it was given.
    EXPECT_EQ(Region::FromRoundRect(0, 0, 10, 6, 0, 0), Region::FromRect(0, 0, 10, 6));
    EXPECT_EQ(Region::FromRoundRect(10, 6, 0, 0, 1, 40), Region::FromRect(0, 0, 10, 6));
    EXPECT_EQ(Region::FromRoundRect(0, 0, 10, 6, -4, 0), Region::FromRect(0, 0, 10, 6));
    EXPECT_TRUE(Region::FromRoundRect(3, 3, 3, 9, 4, 4).IsEmpty());
    // A circle of diameter 10: the corner pixel is out, the middle of each side is in.
    const Region circle = Region::FromRoundRect(0, 0, 10, 10, 10, 10);
    EXPECT_FALSE(circle.Contains(0, 0));
    EXPECT_TRUE(circle.Contains(0, 4));
    EXPECT_TRUE(circle.Contains(5, 0));
    EXPECT_TRUE(circle.Contains(9, 5));
    EXPECT_FALSE(circle.Contains(9, 9));
    EXPECT_EQ(circle.Bounds(), (Rect{0, 0, 10, 10}));
    // An ellipse larger than the rectangle is limited to it, and negative sizes count as positive.
    EXPECT_EQ(Region::FromRoundRect(0, 0, 10, 10, 500, 500), circle);
    EXPECT_EQ(Region::FromRoundRect(10, 10, 0, 0, -10, -10), circle);
    // Only the corners change: the middle rows and columns stay whole.
    const Region rr = Region::FromRoundRect(-5, 20, 105, 80, 40, 30);
    EXPECT_TRUE(rr.Contains(-5, 50));
    EXPECT_TRUE(rr.Contains(50, 20));
    EXPECT_TRUE(rr.Contains(104, 35));
    EXPECT_FALSE(rr.Contains(-5, 20));
    EXPECT_FALSE(rr.Contains(104, 79));
}

TEST(RoundRect, ClipLimitsTheRowsAndColumnsBuilt)
{
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> c(-30, 80);
    for (int round = 0; round < 300; ++round) {
        const int l = c(rng), t = c(rng), r = c(rng), b = c(rng);
        const int ew = c(rng), eh = c(rng);
        const Rect clip = Rect{c(rng) / 2, c(rng) / 2, 30 + c(rng) / 2, 30 + c(rng) / 2}.Normalized();
        const Region clipped = Region::FromRoundRect(l, t, r, b, ew, eh, clip);
        ASSERT_TRUE(clipped.SelfCheck());
        ASSERT_EQ(clipped, Region::Combined(Region::FromRoundRect(l, t, r, b, ew, eh), Region::FromRect(clip),
                                            CombineMode::And));
    }
    // The arc styles use shapes far beyond the picture; clipped, only the picture's rows count.
    const Region huge = Region::FromRoundRect(-5, -100000, 1925, 2000000000, 1930, 2000000000, Rect{0, 0, 1920, 1080});
    EXPECT_TRUE(huge.SelfCheck());
    EXPECT_EQ(huge.Bounds().bottom, 1080);
    EXPECT_FALSE(huge.Contains(0, 0)) << "near the top of a tall ellipse only the middle is inside";
    EXPECT_TRUE(huge.Contains(960, 0));
}
