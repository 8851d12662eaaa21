// Picture and sound order, and the mouse-movement exit rule.

#include <random>

#include <gtest/gtest.h>

#include "slideshow/exitmouse.h"
#include "slideshow/showorder.h"

namespace qel::slideshow {
namespace {

RandomIndex Seeded(unsigned seed)
{
    auto engine = std::make_shared<std::mt19937>(seed);
    return [engine](int n) { return int((*engine)() % unsigned(n)); };
}

TEST(NextIndex, ListOrderStartsAtTheFirstAndWrapsAfterTheLast)
{
    const RandomIndex never = [](int) -> int {
        ADD_FAILURE() << "drew in list order";
        return 0;
    };
    EXPECT_EQ(NextIndex(-1, 3, false, never), 0);
    EXPECT_EQ(NextIndex(0, 3, false, never), 1);
    EXPECT_EQ(NextIndex(1, 3, false, never), 2);
    EXPECT_EQ(NextIndex(2, 3, false, never), 0);
}

TEST(NextIndex, FewerThanTwoEntriesAlwaysGiveTheFirst)
{
    const RandomIndex never = [](int) -> int {
        ADD_FAILURE() << "drew for a single entry";
        return 0;
    };
    EXPECT_EQ(NextIndex(0, 1, true, never), 0);
    EXPECT_EQ(NextIndex(-1, 1, false, never), 0);
    EXPECT_EQ(NextIndex(0, 1, false, never), 0);
}

TEST(NextIndex, RandomOrderNeverRepeatsAndReachesEveryEntry)
{
    const RandomIndex draw = Seeded(7);
    for (int count : {2, 3, 5}) {
        std::vector<int> seen(std::size_t(count), 0);
        int current = -1;
        for (int i = 0; i < 400; ++i) {
            const int next = NextIndex(current, count, true, draw);
            ASSERT_GE(next, 0);
            ASSERT_LT(next, count);
            ASSERT_NE(next, current) << "count " << count;
            if (count == 2 && current >= 0) {
                EXPECT_EQ(next, 1 - current) << "two entries alternate strictly";
            }
            ++seen[std::size_t(next)];
            current = next;
        }
        for (int n : seen)
            EXPECT_GT(n, 0);
    }
}

TEST(MouseExitRule, TenPixelsAreToleratedElevenAreNot)
{
    MouseExitRule rule;
    EXPECT_FALSE(rule.MovedTooFar(100, 100));  // the first position seen
    EXPECT_FALSE(rule.MovedTooFar(110, 100));
    EXPECT_FALSE(rule.MovedTooFar(90, 90));
    EXPECT_FALSE(rule.MovedTooFar(100, 110));
    EXPECT_TRUE(rule.MovedTooFar(111, 100));
    EXPECT_TRUE(rule.MovedTooFar(100, 89));
}

TEST(MouseExitRule, SlowDriftAddsUpAgainstTheFirstPosition)
{
    MouseExitRule rule;
    bool ended = false;
    for (int x = 0; x <= 11 && !ended; ++x)
        ended = rule.MovedTooFar(50 + x, 50);
    EXPECT_TRUE(ended);
}

TEST(MouseExitRule, ResetMakesTheNextPositionTheNewOrigin)
{
    MouseExitRule rule;
    EXPECT_FALSE(rule.MovedTooFar(0, 0));
    rule.Reset();
    EXPECT_FALSE(rule.MovedTooFar(500, 500));
    EXPECT_FALSE(rule.MovedTooFar(505, 495));
    EXPECT_TRUE(rule.MovedTooFar(489, 500));
}

}  // namespace
}  // namespace qel::slideshow
