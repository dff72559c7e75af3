// The manual clock's listeners and the virtual clock of headless runs.
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace platform;

struct Recorder : ClockListener {
    std::vector<std::pair<uint32_t, uint32_t>> calls;
    ManualClock* clock = nullptr;
    ClockListener* removeOnCall = nullptr;
    void clockAdvanced(uint32_t now, uint32_t elapsed) override
    {
        calls.push_back({now, elapsed});
        if (removeOnCall)
            clock->removeListener(removeOnCall);
    }
};

TEST(ManualClockTest, ListenersHearItMoveForward)
{
    ManualClock clock(100);
    Recorder a, b;
    clock.addListener(&a);
    clock.addListener(&b);
    clock.advance(5);
    clock.set(120);
    clock.set(120); // no move
    clock.set(50);  // backwards: nobody is told
    clock.advance(0);
    ASSERT_EQ(a.calls.size(), 2u);
    EXPECT_EQ(a.calls[0], std::make_pair(105u, 5u));
    EXPECT_EQ(a.calls[1], std::make_pair(120u, 15u));
    EXPECT_EQ(b.calls, a.calls);
    EXPECT_EQ(clock.elapsedTotal(), 20u);
    EXPECT_EQ(clock.tickCount(), 50u);
    // A listener that removes another while it is called.
    a.clock = &clock;
    a.removeOnCall = &b;
    clock.advance(1);
    EXPECT_EQ(a.calls.size(), 3u);
    EXPECT_EQ(b.calls.size(), 2u);
    clock.removeListener(&a);
    clock.advance(1);
    EXPECT_EQ(a.calls.size(), 3u);
    // The tick wraps like the Windows tick.
    clock.set(0xFFFFFFF0u);
    clock.advance(0x20);
    EXPECT_EQ(clock.tickCount(), 0x10u);
}

TEST(VirtualClockTest, MovesAFixedStepEachFrame)
{
    VirtualClock clock;
    EXPECT_EQ(clock.step(), 16u);
    EXPECT_EQ(clock.tickCount(), 60000u);
    EXPECT_EQ(clock.unixTime(), VirtualClock::DEFAULT_START_UNIX);
    for (int i = 0; i < 62; ++i)
        clock.nextFrame();
    EXPECT_EQ(clock.frames(), 62u);
    EXPECT_EQ(clock.tickCount(), 60000u + 62u * 16u);
    EXPECT_EQ(clock.unixTime(), VirtualClock::DEFAULT_START_UNIX); // 992 ms
    clock.nextFrame();
    EXPECT_EQ(clock.unixTime(), VirtualClock::DEFAULT_START_UNIX + 1);
    clock.setStep(0);
    EXPECT_EQ(clock.step(), 1u);

    VirtualClock other(40, 5, 1000);
    other.nextFrame();
    EXPECT_EQ(other.tickCount(), 45u);
    EXPECT_EQ(other.unixTime(), 1000);
    ScopedClock inUse(&other);
    EXPECT_EQ(GetTickCount(), 45u);
    EXPECT_EQ(GetUnixTime(), 1000);
}

} // namespace
