// The holds that put a headless run on the real clock, and the pacer of
// its frames. Times on the real clock are checked from below (a loaded
// machine only makes them longer), with wide margins above; the sums of
// the pacer's answers on a clock of the test's own.
#include "platform/RealTime.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

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

// A clock that goes only as the test moves it: a sleep ends at its
// deadline, late by the next of `late` in turn (the system wakes a thread
// when it can), and a frame's own work moves it on between waits.
class TestClock : public FramePacer::Clock {
public:
    explicit TestClock(std::vector<std::chrono::microseconds> late) : late(std::move(late)) {}
    FramePacer::Time now() override { return time; }
    void sleepUntil(std::unique_lock<std::mutex>&, std::condition_variable&, FramePacer::Time until) override
    {
        time = std::max(time, until) + late[sleeps++ % late.size()];
    }

    FramePacer::Time time{std::chrono::hours(1)};
    std::vector<std::chrono::microseconds> late;
    size_t sleeps = 0;
};

// What the pacer answers adds up to the time passed on its clock, the
// fractions of a millisecond carried from frame to frame, whether a sleep
// ends late or a frame's work outlasts the step (the schedule then starts
// again from that frame); and no run of frames comes sooner than its
// steps. The clock is the test's own, so that a loaded machine, which
// wakes the pacer late, changes nothing here.
TEST(FramePacerTest, FollowsTheRealClockWithoutDrift)
{
    using std::chrono::microseconds;
    TestClock clock({microseconds(300), microseconds(0), microseconds(1700), microseconds(50), microseconds(999)});
    const microseconds work[] = {microseconds(400), microseconds(0), microseconds(12300), microseconds(2600)};
    const FramePacer::Time start = clock.time;
    FramePacer pacer(5, &clock);
    long long answered = 0;
    for (int frame = 0; frame < 40; ++frame) {
        answered += pacer.wait();
        const long long passed = std::chrono::duration_cast<std::chrono::milliseconds>(clock.time - start).count();
        ASSERT_EQ(answered, passed) << "frame " << frame;
        clock.time += work[frame % 4];
    }
    EXPECT_GE(answered, 40 * 5);
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
