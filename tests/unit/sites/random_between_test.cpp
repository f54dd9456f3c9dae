// Tests of the random-bounds convention: negative bounds count as 0, either order, both bounds included.
#include "sites/random_between.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct BoundsCase {
    int low;
    int high;
    int expectedLow;
    int expectedHigh;
};

TEST(RandomBetween, StaysWithinTheBoundsAndReachesBoth)
{
    const BoundsCase cases[] = {
        {2, 5, 2, 5},
        {1, 11, 1, 11},
        {5, 2, 2, 5},
        {-3, 2, 0, 2},
        {2, -3, 0, 2},
        {-5, -1, 0, 0},
        {4, 4, 4, 4},
        {0, 0, 0, 0},
    };
    std::mt19937 random(7);
    for (const auto& c : cases) {
        std::set<int> seen;
        for (int k = 0; k < 400; ++k) {
            const int value = kc::sites::RandomBetween(random, c.low, c.high);
            ASSERT_GE(value, c.expectedLow) << c.low << ".." << c.high;
            ASSERT_LE(value, c.expectedHigh) << c.low << ".." << c.high;
            seen.insert(value);
        }
        // Every value of the range turns up in 400 seeded draws over at most eleven values.
        EXPECT_EQ(seen.size(), static_cast<size_t>(c.expectedHigh - c.expectedLow + 1)) << c.low << ".." << c.high;
    }
}

} // namespace
