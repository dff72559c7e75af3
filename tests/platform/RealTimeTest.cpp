// The holds that put a headless run on the real clock, and the pacer of
// its frames. Times are checked from below (a loaded machine only makes
// them longer), with wide margins above.
#include "platform/RealTime.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(RealTimeHoldTest, CountsEachHolderOnceAndLetsGoWhenDestroyed)
{
    const int before = RealTimeHold::count();
    const uint64_t takenBefore = RealTimeHold::taken();
    {
        RealTimeHold a, b;
        a.set(true);
        a.set(true);
        b.set(true);
        EXPECT_EQ(RealTimeHold::count(), before + 2);
        b.set(false);
        b.set(false);
        EXPECT_EQ(RealTimeHold::count(), before + 1);
        b.set(true); // taken again: seen even if let go before anyone looked
        EXPECT_EQ(RealTimeHold::taken(), takenBefore + 3);
    }
    EXPECT_EQ(RealTimeHold::count(), before);
}

// What the pacer answers adds up to the real time passed, fractions of a
// millisecond included, and no frame comes before its step.
TEST(FramePacerTest, FollowsTheRealClockWithoutDrift)
{
    const auto start = Clock::now();
    FramePacer pacer(5);
    long long answered = 0;
    for (int frame = 0; frame < 40; ++frame)
        answered += pacer.wait();
    const long long passed = msSince(start);
    EXPECT_GE(answered, 40 * 5);
    EXPECT_NEAR(double(answered), double(passed), 1.5);
}

// A frame that ran late is answered at once, and the next one keeps its
// step instead of coming at once to catch up.
TEST(FramePacerTest, ALateFrameRestartsTheSchedule)
{
    FramePacer pacer(20);
    pacer.wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GE(pacer.wait(), 100u);
    const auto start = Clock::now();
    EXPECT_GE(pacer.wait(), 19u);
    EXPECT_GE(msSince(start), 19);
}

// A wake brings the next frame forward, but not sooner than a quarter step
// after the previous one.
TEST(FramePacerTest, AWakeBringsTheFrameForwardAfterAQuarterStep)
{
    const auto start = Clock::now();
    FramePacer pacer(1000);
    std::thread waker([] { wakeFrame(); });
    const uint32_t answered = pacer.wait();
    waker.join();
    EXPECT_GE(msSince(start), 250);
    EXPECT_GE(answered, 250u);
    EXPECT_LT(answered, 900u);
}

} // namespace
