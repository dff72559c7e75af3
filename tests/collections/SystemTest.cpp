#include "RunnerCalls.h"
#include "collections/System.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Processor.h"
#include "support/TestSupport.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace scripttest;
using collectionstest::call;

namespace {

class CMC_SystemTest : public ::testing::Test {
protected:
    CMC_SystemTest() { scene.addObject(system); }
    std::string run(const char* method, std::vector<std::string> args = {})
    {
        return call(&scene, system, method, args);
    }

    collectionstest::Runtime runtime;
    platform::ManualClock clock;
    platform::ScopedClock scoped{&clock};
    TestScene scene{"APP"};
    CMC_System* system = new CMC_System(&scene);
};

TEST_F(CMC_SystemTest, CalendarInUtc)
{
    struct Case {
        int64_t unixTime;
        const char* method;
        const char* expected;
    } cases[] = {
        // Friday, 15 April 2005, 09:05:07 UTC.
        {1113555907, "GETDATE", "I:50415"},
        {1113555907, "GETDATESTRING", "S:15/Kwiecien/2005"},
        {1113555907, "GETDAY", "I:15"},
        {1113555907, "GETDAYOFWEEK", "I:6"},
        {1113555907, "GETDAYOFWEEKSTRING", "S:Piatek"},
        {1113555907, "GETMONTH", "I:4"},
        {1113555907, "GETMONTHSTRING", "S:Kwiecien"},
        {1113555907, "GETYEAR", "I:2005"},
        {1113555907, "GETTIMESTRING", "S:9:5"},
        {1113555907, "GETHOUR", "I:9"},
        {1113555907, "GETMINUTES", "I:5"},
        {1113555907, "GETSECONDS", "I:7"},
        // Sunday, 1 January 2006, midnight.
        {1136073600, "GETTIMESTRING", "S:0:0"},
        {1136073600, "GETDAYOFWEEK", "I:1"},
        {1136073600, "GETDAYOFWEEKSTRING", "S:Niedziela"},
        {1136073600, "GETMONTHSTRING", "S:Styczen"},
        // 31 December 1999, 23:59:59: before 2000 the date number is negative.
        {946684799, "GETDATE", "I:-8769"},
        {946684799, "GETDAY", "I:31"},
        {946684799, "GETMONTH", "I:12"},
        {946684799, "GETDATESTRING", "S:31/Grudzien/1999"},
        {946684799, "GETTIMESTRING", "S:23:59"},
    };
    for (const Case& c : cases) {
        clock.setUnixTime(c.unixTime);
        EXPECT_EQ(run(c.method, {"1"}), c.expected) << c.method << " at " << c.unixTime;
    }
    clock.setUnixTime(1113555907);
    EXPECT_EQ(CMC_System::getDateString(), "15/Kwiecien/2005");
}

TEST_F(CMC_SystemTest, SystemTimeIsTheSignedTickCount)
{
    clock.set(1234);
    EXPECT_EQ(run("GETSYSTEMTIME"), "I:1234");
    clock.set(0x80000010u); // after about 24.8 days of up time
    EXPECT_EQ(run("GETSYSTEMTIME"), "I:-2147483632");
}

TEST_F(CMC_SystemTest, DelayWaitsOnlyForPositiveTimes)
{
    auto elapsed = [this](std::vector<std::string> args) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run("DELAY", args), "-");
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    EXPECT_GE(elapsed({"20"}), 20);
    EXPECT_LT(elapsed({"-1"}), 1000);
    EXPECT_LT(elapsed({"0"}), 1000);
    EXPECT_LT(elapsed({}), 1000);
}

TEST_F(CMC_SystemTest, CopyFileReplacesTheTarget)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    tmp.write("a.txt", "abc");
    tmp.write("b.txt", "old contents");
    EXPECT_EQ(run("COPYFILE", {"\"T:\\a.txt\"", "\"T:\\b.txt\""}), "B:TRUE");
    EXPECT_EQ(tmp.read("b.txt"), "abc");
    EXPECT_EQ(run("COPYFILE", {"\"T:\\none.txt\"", "\"T:\\c.txt\""}), "B:FALSE");
    EXPECT_EQ(run("COPYFILE", {"\"T:\\a.txt\""}), "-");
}

TEST_F(CMC_SystemTest, ProcessorClockRestoresThePriorities)
{
    uint32_t priorityClass = platform::GetPriorityClass();
    int threadPriority = platform::GetThreadPriority();
    std::string mhz = run("GETMHZ");
    ASSERT_EQ(mhz.substr(0, 2), "I:");
    EXPECT_GT(std::stoi(mhz.substr(2)), 0);
    EXPECT_EQ(platform::GetPriorityClass(), priorityClass);
    EXPECT_EQ(platform::GetThreadPriority(), threadPriority);
    EXPECT_EQ(CMC_System::measureCpuMHz(0, 50, 15, 0x100), 0);
    EXPECT_EQ(CMC_System::measureCpuMHz(1, 0, 15, 0x100), 0);
}

TEST_F(CMC_SystemTest, AnswersOnlyItsOwnMethods)
{
    EXPECT_EQ(run("GETNAME"), "-");
    EXPECT_EQ(run("NOSUCHMETHOD"), "-");
    EXPECT_EQ(system->getName(), "SYSTEM");
    EXPECT_EQ(system->getType(), MC_SYSTEM);
}

} // namespace
