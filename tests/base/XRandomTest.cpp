#include "base/XRandom.h"

#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

class CXRandomTest : public ::testing::Test {
protected:
    CXRandomTest() : scoped(&clock) { CXRandom::seed(1); }
    platform::ManualClock clock{0};
    platform::ScopedClock scoped;
};

TEST_F(CXRandomTest, GeneratorGivesFifteenBitValuesOfTheClassicSequence)
{
    std::vector<int> first;
    for (int i = 0; i < 5; ++i)
        first.push_back(CXRandom::rand15());
    EXPECT_EQ(first, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    for (int i = 0; i < 100000; ++i) {
        int v = CXRandom::rand15();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST_F(CXRandomTest, DrawsStayInRangeAndNeverNegative)
{
    EXPECT_EQ(CXRandom::random(0), 0);
    EXPECT_EQ(CXRandom::random(1), 0);
    EXPECT_EQ(CXRandom::random(-4), 0);
    EXPECT_EQ(CXRandom::random(9, 0), 9);
    std::set<int> seen;
    for (int i = 0; i < 300; ++i) {
        clock.advance(7);
        int v = CXRandom::random(5, 3);
        ASSERT_GE(v, 5);
        ASSERT_LE(v, 7);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 3u);
    clock.set(0xFFFFFFF0u); // the sum of draw and tick wraps
    for (int i = 0; i < 1000; ++i) {
        ASSERT_GE(CXRandom::random(INT_MAX), 0);
        int v = CXRandom::random(1000);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 1000);
    }
}

TEST_F(CXRandomTest, UniqueVectorsArePermutations)
{
    int* area = CXRandom::random_vector(0, 10, 10, true);
    std::vector<int> values(area, area + 10);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // A count of 0 asks for n - base entries.
    area = CXRandom::random_vector(2, 5, 0, true);
    std::set<int> three(area, area + 3);
    EXPECT_EQ(three.size(), 3u);
    EXPECT_GE(*three.begin(), 2);
    EXPECT_LE(*three.rbegin(), 6);
}

// More distinct values than exist: the draw stops at n instead of looping.
TEST_F(CXRandomTest, UniqueVectorsEndWhenAskedForTooMany)
{
    int* area = CXRandom::random_vector(0, 3, 5, true);
    std::vector<int> values(area, area + 3);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<int>{0, 1, 2}));
    CXRandom::random_vector(-5, 3, 0, true); // count 0 means 8 here
    CXRandom::random_vector(0, 0, 4, true);
    area = CXRandom::random_vector(7, 0, 2, false);
    EXPECT_EQ(area[0], 7);
    EXPECT_EQ(area[1], 7);
}

TEST_F(CXRandomTest, TooLongAVectorIsRefused)
{
    testsupport::DebugCapture debug;
    int* area = CXRandom::random_vector(100, 1, 4, false);
    CXRandom::random_vector(0, 10, 10001, false);
    EXPECT_EQ(std::vector<int>(area, area + 4), (std::vector<int>{100, 100, 100, 100}));
    CXRandom::random_vector(-20000, 0, 0, false); // count 0 means 20000
    EXPECT_EQ(area[0], 100);
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"Arguments error: Random::getPlenty( )\n",
                                                       "Arguments error: Random::getPlenty( )\n"}));
}

} // namespace
