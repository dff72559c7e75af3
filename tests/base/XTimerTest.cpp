#include "base/XTimer.h"

#include "platform/Clock.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

class Target : public CTimerNotificator {
public:
    void onTimer(int id) override
    {
        ids.push_back(id);
        if (hook)
            hook(id);
    }
    std::vector<int> ids;
    std::function<void(int)> hook;
};

class Unit : public CTimerUnit {
public:
    bool isActive() override { return active; }
    bool wasInitiallyUpdated() override { return updated; }
    void onTimer(int id) override { ids.push_back(id); }
    bool active = true, updated = true;
    std::vector<int> ids;
};

class Window : public CTimerWindow {
public:
    void OnTimer(int id) override { ids.push_back(id); }
    std::vector<int> ids;
};

class CXTimerTest : public ::testing::Test {
protected:
    CXTimerTest() : scoped(&clock) {}
    ~CXTimerTest() override { CXTimer::enable(true); }
    // Runs one frame after moving the clock.
    void frame(uint32_t ms)
    {
        clock.advance(ms);
        timer.domodal();
    }

    platform::ManualClock clock{1000};
    platform::ScopedClock scoped;
    CXTimer timer;
    Target target;
};

TEST_F(CXTimerTest, FiresAtMostOncePerFrameWithoutCatchUp)
{
    timer.add(1, 0, &target);
    timer.add(2, 100, &target);
    frame(0);
    EXPECT_EQ(target.ids, (std::vector<int>{1}));
    frame(99);
    EXPECT_EQ(target.ids, (std::vector<int>{1, 1}));
    target.ids.clear();
    for (int i = 0; i < 3; ++i)
        frame(250);
    EXPECT_EQ(target.ids, (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(timer.find(2)->getCount(), 3);
    EXPECT_EQ(timer.find(2)->getLast(), clock.tickCount());
}

TEST_F(CXTimerTest, PeriodRestartsAfterTheCallback)
{
    timer.add(1, 100, &target);
    target.hook = [this](int) { clock.advance(30); }; // a slow callback
    frame(100);
    EXPECT_EQ(target.ids.size(), 1u);
    frame(99);
    EXPECT_EQ(target.ids.size(), 1u);
    frame(1);
    EXPECT_EQ(target.ids.size(), 2u);
}

TEST_F(CXTimerTest, SurvivesTheTickCounterWrap)
{
    clock.set(0xFFFFFFC0u);
    timer.add(7, 100, &target);
    frame(10); // last + interval has wrapped, now has not
    EXPECT_EQ(target.ids.size(), 0u);
    frame(100); // now has wrapped, last has not
    EXPECT_EQ(target.ids.size(), 1u);
    for (int i = 0; i < 3; ++i)
        frame(250);
    EXPECT_EQ(target.ids.size(), 4u);
    frame(50);
    EXPECT_EQ(target.ids.size(), 4u);
}

TEST_F(CXTimerTest, RemoveFromItsOwnCallbackAndAddDuringAPass)
{
    target.hook = [this](int id) {
        if (id == 1) {
            timer.remove(1);
            timer.add(3, 0, &target);
        }
    };
    timer.add(1, 0, &target);
    timer.add(2, 0, &target);
    frame(10);
    EXPECT_EQ(target.ids, (std::vector<int>{1, 2})); // 3 waits for the next frame
    ASSERT_NE(timer.find(1), nullptr);
    frame(10);
    EXPECT_EQ(timer.find(1), nullptr);
    EXPECT_EQ(target.ids, (std::vector<int>{1, 2, 2, 3}));
    timer.remove(99); // unknown: nothing happens
    timer.reset(99);
}

// Entries fire in the order they were added, through removals (of entries
// still ahead in the pass too) and ids added again; an id finds its first
// entry until the pass deletes that one. Pausing from a callback after the
// pass deleted entries touches only those left.
TEST_F(CXTimerTest, FiresInTheOrderAddedThroughRemovalsAndIdsAddedAgain)
{
    for (int id = 1; id <= 6; ++id)
        timer.add(id, 0, &target);
    timer.remove(2);
    timer.remove(4);
    timer.add(2, 50, &target);
    EXPECT_EQ(timer.find(2)->getInterval(), 0u); // the marked one, first
    std::vector<unsigned> seen;
    target.hook = [&](int id) {
        if (id == 1 && target.ids.size() == 1) {
            timer.remove(5);
            timer.add(5, 7, &target);
        }
        if (id == 6) {
            timer.remove(1);
            timer.pause();
            timer.resume();
            seen.push_back(timer.find(5)->getInterval());
            seen.push_back(timer.find(2)->getInterval());
        }
    };
    frame(100);
    EXPECT_EQ(target.ids, (std::vector<int>{1, 3, 6, 2}));
    EXPECT_EQ(seen, (std::vector<unsigned>{7, 50}));
    ASSERT_NE(timer.find(1), nullptr);
    target.ids.clear();
    frame(100);
    EXPECT_EQ(target.ids, (std::vector<int>{3, 6, 2, 5}));
    EXPECT_EQ(timer.find(1), nullptr);
    EXPECT_EQ(timer.find(4), nullptr);
    EXPECT_EQ(timer.find(5)->getCount(), 1);
}

TEST_F(CXTimerTest, OperationsByIdActOnTheFirstEntry)
{
    Target second;
    timer.add(5, 100, &target);
    timer.add(5, 100, &second);
    frame(60);
    timer.reset(5);
    frame(40);
    EXPECT_TRUE(target.ids.empty());
    EXPECT_EQ(second.ids.size(), 1u);
    timer.remove(5);
    frame(200);
    frame(200);
    EXPECT_TRUE(target.ids.empty());
    EXPECT_EQ(second.ids.size(), 3u);
    EXPECT_EQ(timer.find(5)->getCount(), 3);
}

// Added, removed, added and removed again before a pass: both entries go.
TEST_F(CXTimerTest, RemovePassesOverAnEntryAlreadyMarked)
{
    timer.add(4, 10, &target);
    timer.remove(4);
    timer.add(4, 10, &target);
    timer.remove(4);
    frame(20);
    EXPECT_TRUE(target.ids.empty());
    EXPECT_EQ(timer.find(4), nullptr);
}

TEST_F(CXTimerTest, PausedTimeDoesNotCount)
{
    timer.add(1, 1000, &target);
    clock.advance(500);
    timer.pause();
    clock.advance(5000);
    timer.resume();
    frame(499);
    EXPECT_TRUE(target.ids.empty());
    frame(1);
    EXPECT_EQ(target.ids.size(), 1u);
}

TEST_F(CXTimerTest, DisabledTimersKeepTheirTimesAndFireOnceAfter)
{
    timer.add(1, 100, &target);
    CXTimer::enable(false);
    frame(350);
    EXPECT_TRUE(target.ids.empty());
    CXTimer::enable(true);
    frame(0);
    frame(0);
    EXPECT_EQ(target.ids.size(), 1u);
}

TEST_F(CXTimerTest, UnitsAndWindowsAsTargets)
{
    Unit guarded, free;
    Window window;
    guarded.active = false;
    free.active = false;
    timer.add(1, 100, &guarded);
    timer.add(2, 100, &free, false);
    timer.add(3, 100, &window);
    frame(100);
    EXPECT_TRUE(guarded.ids.empty());
    EXPECT_EQ(timer.find(1)->getCount(), 1); // the period is used up silently
    EXPECT_EQ(free.ids, (std::vector<int>{2}));
    EXPECT_EQ(window.ids, (std::vector<int>{3}));

    guarded.active = true;
    guarded.updated = false;
    frame(100);
    EXPECT_TRUE(guarded.ids.empty());
    guarded.updated = true;
    frame(100);
    EXPECT_EQ(guarded.ids, (std::vector<int>{1}));

    timer.add(4, 0, static_cast<CTimerNotificator*>(nullptr));
    EXPECT_EQ(timer.find(4), nullptr);
}

} // namespace
