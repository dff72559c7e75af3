#include "RunnerCalls.h"
#include "base/XRandom.h"
#include "collections/Random.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

using namespace scripttest;
using collectionstest::call;

namespace {

// An array stand-in that records what the array's add is given.
class FakeArray : public CMC_Object {
public:
    explicit FakeArray(const char* name) : CMC_Object(CXString(name), MC_ARRAY) {}
    std::vector<int> values;
    static void add(CMC_Object* array, CMC_Object* member)
    {
        EXPECT_EQ(member->getType(), MC_INTEGER);
        EXPECT_EQ(member->getName(), "temp");
        static_cast<FakeArray*>(array)->values.push_back(static_cast<CMC_Integer*>(member)->getValue());
    }
};

class CMC_Rand_RunnerTest : public ::testing::Test {
protected:
    CMC_Rand_RunnerTest() : savedAdder(CMC_Runner::getMemberAdder(MC_ARRAY))
    {
        CMC_Runner::setMemberAdder(MC_ARRAY, &FakeArray::add);
        scene.addObject(random);
        scene.addObject(array);
        scene.addObject(new CMC_Object(CXString("OTHER"), MC_GROUP));
    }
    ~CMC_Rand_RunnerTest() override { CMC_Runner::setMemberAdder(MC_ARRAY, savedAdder); }

    std::string get(std::vector<std::string> args) { return call(&scene, random, "GET", args); }
    std::vector<int> plenty(std::vector<std::string> args)
    {
        array->values.clear();
        EXPECT_EQ(call(&scene, random, "GETPLENTY", args), "-");
        return array->values;
    }
    // Draws n values of GET(args) as numbers.
    std::set<int> draws(std::vector<std::string> args, int n)
    {
        std::set<int> seen;
        for (int i = 0; i < n; ++i) {
            std::string r = get(args);
            EXPECT_EQ(r.substr(0, 2), "I:");
            seen.insert(std::stoi(r.substr(2)));
        }
        return seen;
    }

    CMC_Runner::MemberAdder savedAdder;
    collectionstest::Runtime runtime;
    TestScene scene{"APP"};
    CMC_Object* random = new CMC_Object(CXString("RANDOM"), MC_RANDOM);
    FakeArray* array = new FakeArray("ARR");
};

TEST_F(CMC_Rand_RunnerTest, GetRangesAndGuards)
{
    EXPECT_EQ(get({}), "I:0");
    EXPECT_EQ(get({"0"}), "I:0");
    EXPECT_EQ(get({"1"}), "I:0");
    EXPECT_EQ(get({"10", "0"}), "I:10"); // a span of 0: the low end
    EXPECT_EQ(draws({"1", "6"}, 300), (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(draws({"10", "5", "99"}, 200), (std::set<int>{10, 11, 12, 13, 14}));
    EXPECT_EQ(draws({"3"}, 100), (std::set<int>{0, 1, 2}));
}

TEST_F(CMC_Rand_RunnerTest, NeverNegativeOnceTheTickCountPassesHalfItsRange)
{
    platform::ManualClock clock(0x80000123u);
    platform::ScopedClock scoped(&clock);
    std::set<int> seen = draws({"7"}, 200);
    EXPECT_GE(*seen.begin(), 0);
    EXPECT_LE(*seen.rbegin(), 6);
}

TEST_F(CMC_Rand_RunnerTest, GetPlentyAppendsDistinctDrawsWhenTheyExist)
{
    std::vector<int> v = plenty({"\"ARR\"", "5", "0", "5", "TRUE"});
    std::sort(v.begin(), v.end());
    EXPECT_EQ(v, (std::vector<int>{0, 1, 2, 3, 4}));

    // More distinct values than the span holds: the span's values, once each.
    v = plenty({"\"ARR\"", "10", "7", "3", "TRUE"});
    std::sort(v.begin(), v.end());
    EXPECT_EQ(v, (std::vector<int>{7, 8, 9}));

    v = plenty({"\"ARR\"", "50", "-5", "3", "FALSE"});
    ASSERT_EQ(v.size(), 50u);
    for (int x : v)
        EXPECT_TRUE(x >= -5 && x <= -3) << x;

    EXPECT_EQ(plenty({"\"ARR\"", "3", "4", "0", "FALSE"}), (std::vector<int>{4, 4, 4}));
    EXPECT_EQ(plenty({"\"ARR\"", "3", "4", "0", "TRUE"}), std::vector<int>{});
}

TEST_F(CMC_Rand_RunnerTest, GetPlentyAppendsNothingForBadArguments)
{
    testsupport::DebugCapture debug;
    struct Case {
        std::vector<std::string> args;
    } cases[] = {
        {{"\"ARR\"", "0", "0", "5", "FALSE"}},
        {{"\"ARR\"", "-3", "0", "5", "FALSE"}},
        {{"\"ARR\"", "10001", "0", "5", "FALSE"}},
        {{"\"NONE\"", "3", "0", "5", "FALSE"}},
        {{"\"OTHER\"", "3", "0", "5", "FALSE"}},
        {{"\"ARR\"", "3", "0", "5"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plenty(c.args), std::vector<int>{}) << c.args[0] << " " << c.args[1];
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"Arguments error: Random::getPlenty( )\n"}));
}

} // namespace
