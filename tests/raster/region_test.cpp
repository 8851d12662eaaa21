#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "masks.h"
#include "raster/muldiv.h"
#include "raster/region.h"

using namespace qel::raster;
using qel::raster::test::Mask;

namespace qel::raster {
struct RegionTestAccess {
    static Region WithBoxes(std::vector<Rect> boxes)
    {
        Region r;
        r.boxes_ = std::move(boxes);
        return r;
    }
};
}  // namespace qel::raster

namespace {

const Rect kWindow{-25, -25, 75, 75};

bool Expected(CombineMode mode, bool a, bool b)
{
    switch (mode) {
    case CombineMode::Or: return a || b;
    case CombineMode::And: return a && b;
    case CombineMode::Xor: return a != b;
    case CombineMode::Diff: return a && !b;
    }
    return false;
}

// A random shape: rectangle (either way round), triangle, small polygon or rounded rectangle,
// partly outside the 0..50 square now and then.
Region RandomShape(std::mt19937& rng)
{
    std::uniform_int_distribution<int> c(-15, 65);
    switch (rng() % 4) {
    case 0: return Region::FromRect(c(rng), c(rng), c(rng), c(rng));
    case 1: return Region::FromPolygon({{c(rng), c(rng)}, {c(rng), c(rng)}, {c(rng), c(rng)}});
    case 2: {
        std::vector<Point> pts(3 + rng() % 5);
        for (Point& p : pts) {
            p = {c(rng), c(rng)};
        }
        return Region::FromPolygon(pts);
    }
    default: return Region::FromRoundRect(c(rng), c(rng), c(rng), c(rng), int(rng() % 60) - 10, int(rng() % 60) - 10);
    }
}

void ExpectMatches(const Region& r, const Mask& m, const std::string& what)
{
    ASSERT_TRUE(r.SelfCheck()) << what;
    ASSERT_TRUE(Mask::Of(r, kWindow) == m) << what;
    ASSERT_EQ(r, m.ToRegion()) << what << ": same pixels must give the same boxes";
}

}  // namespace

TEST(Region, SetOperationsAgreeWithAPixelModel)
{
    // Random shapes joined by random modes, checked pixel by pixel after every operation.
    std::mt19937 rng(20261207);
    const CombineMode modes[] = {CombineMode::Or, CombineMode::And, CombineMode::Xor, CombineMode::Diff};
    for (int round = 0; round < 150; ++round) {
        Region acc = RandomShape(rng);
        Mask model = Mask::Of(acc, kWindow);
        for (int step = 0; step < 8; ++step) {
            const Region shape = RandomShape(rng);
            const Mask shapeMask = Mask::Of(shape, kWindow);
            ASSERT_TRUE(shape.SelfCheck());
            const CombineMode mode = modes[rng() % 4];
            const Region combined = Region::Combined(acc, shape, mode);
            acc.Combine(shape, mode);
            ASSERT_EQ(acc, combined);
            for (int y = kWindow.top; y < kWindow.bottom; ++y) {
                for (int x = kWindow.left; x < kWindow.right; ++x) {
                    model.Set(x, y, Expected(mode, model.Get(x, y), shapeMask.Get(x, y)));
                }
            }
            ExpectMatches(acc, model, "round " + std::to_string(round) + " step " + std::to_string(step));
        }
    }
}

TEST(Region, OperationsWithEmptyAndIdenticalOperands)
{
    const Region a = Region::FromPolygon({{0, 0}, {20, 3}, {6, 17}});
    const Region empty;
    EXPECT_EQ(Region::Combined(a, empty, CombineMode::Or), a);
    EXPECT_EQ(Region::Combined(empty, a, CombineMode::Or), a);
    EXPECT_EQ(Region::Combined(a, empty, CombineMode::Xor), a);
    EXPECT_EQ(Region::Combined(empty, a, CombineMode::Xor), a);
    EXPECT_EQ(Region::Combined(a, empty, CombineMode::Diff), a);
    EXPECT_TRUE(Region::Combined(empty, a, CombineMode::Diff).IsEmpty());
    EXPECT_TRUE(Region::Combined(a, empty, CombineMode::And).IsEmpty());
    EXPECT_TRUE(Region::Combined(empty, a, CombineMode::And).IsEmpty());
    for (CombineMode mode : {CombineMode::Or, CombineMode::And, CombineMode::Xor, CombineMode::Diff}) {
        Region self = a;
        self.Combine(self, mode);  // the operand is the region itself
        const bool keeps = mode == CombineMode::Or || mode == CombineMode::And;
        EXPECT_EQ(self, keeps ? a : Region());
        Region copy = a;
        copy.Combine(Region(a), mode);
        EXPECT_EQ(copy, self);
    }
}

TEST(Region, BuildingFromTheTopDownOrInAnyOrderGivesTheSameRegion)
{
    // Squares in a grid, joined top-down (the cheap path), bottom-up, and all at once.
    std::vector<Rect> squares;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            squares.push_back(Rect{x * 7 + (y % 2) * 3, y * 6, x * 7 + (y % 2) * 3 + 5, y * 6 + 6});
        }
    }
    Region down;
    for (const Rect& r : squares) {
        down.Combine(Region::FromRect(r), CombineMode::Or);
    }
    Region up;
    for (auto it = squares.rbegin(); it != squares.rend(); ++it) {
        up.Combine(Region::FromRect(*it), CombineMode::Or);
    }
    const Region all = Region::FromRects(squares);
    EXPECT_TRUE(down.SelfCheck());
    EXPECT_EQ(down, up);
    EXPECT_EQ(down, all);
    Mask model(Rect{0, 0, 80, 80});
    for (const Rect& r : squares) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                model.Set(x, y, true);
            }
        }
    }
    EXPECT_TRUE(Mask::Of(all, model.Window()) == model);
}

TEST(Region, RectanglesAreNormalisedAndTouchingPartsMerge)
{
    const Region r = Region::FromRect(10, 8, 2, 3);
    ASSERT_EQ(r.Rects().size(), 1u);
    EXPECT_EQ(r.Rects().front(), (Rect{2, 3, 10, 8}));
    EXPECT_TRUE(Region::FromRect(3, 3, 3, 9).IsEmpty());
    EXPECT_TRUE(Region::FromRect(Rect{}).IsEmpty());
    // Two halves side by side and one below make one box again.
    Region joined = Region::FromRect(0, 0, 5, 4);
    joined.Combine(Region::FromRect(5, 0, 9, 4), CombineMode::Or);
    joined.Combine(Region::FromRect(0, 4, 9, 6), CombineMode::Or);
    ASSERT_EQ(joined.Rects().size(), 1u);
    EXPECT_EQ(joined.Rects().front(), (Rect{0, 0, 9, 6}));
    // A hole splits bands: 3 bands, 4 boxes.
    joined.Combine(Region::FromRect(3, 2, 5, 3), CombineMode::Diff);
    EXPECT_EQ(joined.Rects().size(), 4u);
    EXPECT_TRUE(joined.SelfCheck());
}

TEST(Region, BoundsContainsAndOffset)
{
    Region r = Region::FromRect(0, 0, 4, 2);
    r.Combine(Region::FromRect(10, 5, 12, 9), CombineMode::Or);
    r.Combine(Region::FromRect(-3, 7, 1, 8), CombineMode::Or);
    EXPECT_EQ(r.Bounds(), (Rect{-3, 0, 12, 9}));
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(3, 1));
    EXPECT_FALSE(r.Contains(4, 1));
    EXPECT_FALSE(r.Contains(3, 2));
    EXPECT_TRUE(r.Contains(-3, 7));
    EXPECT_TRUE(r.Contains(11, 7));
    EXPECT_FALSE(r.Contains(5, 7));
    EXPECT_FALSE(r.Contains(11, 9));
    r.Offset(5, -1);
    EXPECT_EQ(r.Bounds(), (Rect{2, -1, 17, 8}));
    EXPECT_TRUE(r.Contains(2, 6));
    EXPECT_TRUE(r.SelfCheck());
    EXPECT_EQ(Region().Bounds(), Rect{});
    EXPECT_FALSE(Region().Contains(0, 0));
}

TEST(Region, OffsetPastTheIntegerRangeCutsInsteadOfWrapping)
{
    Region r = Region::FromRect(0, 0, 10, 4);
    r.Combine(Region::FromRect(20, 0, 30, 4), CombineMode::Or);
    r.Offset(INT_MAX - 25, 0);
    ASSERT_TRUE(r.SelfCheck());
    EXPECT_EQ(r, Region::Combined(Region::FromRect(INT_MAX - 25, 0, INT_MAX - 15, 4),
                                  Region::FromRect(INT_MAX - 5, 0, INT_MAX, 4), CombineMode::Or));
    r.Offset(100, INT_MIN);
    ASSERT_TRUE(r.SelfCheck());
    EXPECT_TRUE(r.IsEmpty()) << "everything left the range to the right";
    Region down = Region::FromRect(0, -4, 3, 8);
    down.Offset(0, INT_MIN + 2);
    EXPECT_EQ(down, Region::FromRect(0, INT_MIN, 3, INT_MIN + 10));
}

TEST(Region, SelfCheckCatchesBrokenInvariants)
{
    // Through the public surface a broken region cannot be made, so the boxes are set directly.
    const auto check = [](std::vector<Rect> boxes) {
        return RegionTestAccess::WithBoxes(std::move(boxes)).SelfCheck();
    };
    EXPECT_TRUE(check({{0, 0, 2, 2}, {3, 0, 5, 2}, {0, 2, 5, 3}}));
    EXPECT_TRUE(check({{0, 0, 2, 2}, {0, 3, 2, 4}}));   // a gap between equal bands is fine
    EXPECT_FALSE(check({{0, 0, 0, 2}}));                // empty box
    EXPECT_FALSE(check({{0, 0, 2, 2}, {2, 0, 5, 2}}));  // touching boxes
    EXPECT_FALSE(check({{3, 0, 5, 2}, {0, 0, 2, 2}}));  // out of order
    EXPECT_FALSE(check({{0, 0, 2, 2}, {3, 0, 5, 3}}));  // ragged band
    EXPECT_FALSE(check({{0, 0, 2, 2}, {0, 1, 2, 3}}));  // overlapping bands
    EXPECT_FALSE(check({{0, 0, 2, 2}, {0, 2, 2, 3}}));  // not coalesced
}

TEST(Region, ScaledMapsEveryEdgeWithMulDiv)
{
    // A 200 x 100 picture stretched onto (10, 20) - (410, 170).
    const Rect src{0, 0, 200, 100};
    const Rect dst{10, 20, 410, 170};
    Region r = Region::FromRect(0, 0, 50, 10);
    r.Combine(Region::FromRect(100, 33, 101, 34), CombineMode::Or);
    const Region s = Scaled(r, src, dst);
    ASSERT_TRUE(s.SelfCheck());
    ASSERT_EQ(s.Rects().size(), 2u);
    EXPECT_EQ(s.Rects()[0], (Rect{10, 20, 110, 35}));
    EXPECT_EQ(s.Rects()[1], (Rect{10 + MulDiv(100, 400, 200), 20 + MulDiv(33, 150, 100), 10 + MulDiv(101, 400, 200),
                                  20 + MulDiv(34, 150, 100)}));
    // Shrinking five one-pixel columns 5:1: only the column at 2 maps onto a whole column (0);
    // the others map onto nothing and vanish.
    Region lines;
    for (int x = 0; x < 10; x += 2) {
        lines.Combine(Region::FromRect(x, 0, x + 1, 4), CombineMode::Or);
    }
    const Region shrunk = Scaled(lines, Rect{0, 0, 10, 4}, Rect{0, 0, 2, 4});
    EXPECT_TRUE(shrunk.SelfCheck());
    EXPECT_EQ(shrunk, Region::FromRect(0, 0, 1, 4));
    // Random rectangles against MulDiv itself, shrinking and growing, with negative coordinates.
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> c(-300, 300);
    for (int i = 0; i < 500; ++i) {
        const Rect from = Rect{c(rng), c(rng), c(rng), c(rng)}.Normalized();
        const Rect to = Rect{c(rng), c(rng), c(rng), c(rng)}.Normalized();
        const Rect box = Rect{c(rng), c(rng), c(rng), c(rng)}.Normalized();
        if (from.IsEmpty() || to.IsEmpty()) {
            continue;
        }
        const auto mx = [&](int x) { return to.left + MulDiv(x - from.left, to.Width(), from.Width()); };
        const auto my = [&](int y) { return to.top + MulDiv(y - from.top, to.Height(), from.Height()); };
        ASSERT_EQ(Scaled(Region::FromRect(box), from, to),
                  Region::FromRect(Rect{mx(box.left), my(box.top), mx(box.right), my(box.bottom)}.Normalized()));
    }
    EXPECT_TRUE(Scaled(r, Rect{}, dst).IsEmpty());
    EXPECT_TRUE(Scaled(r, src, Rect{5, 5, 5, 9}).IsEmpty());
    EXPECT_EQ(Scaled(r, src, src), r);
}
