// Periodic timers on their own thread, following a manual clock.
#include "platform/Timers.h"

#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace platform;

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<uint32_t> lastId{0};
    std::thread::id thread;
    std::mutex lock;
    std::vector<uint32_t> order;
};

void count(uint32_t id, void* user)
{
    Counter* c = static_cast<Counter*>(user);
    {
        std::lock_guard<std::mutex> g(c->lock);
        c->thread = std::this_thread::get_id();
        c->order.push_back(id);
    }
    c->lastId = id;
    ++c->calls;
}

TEST(PeriodicTimersTest, FiresOnlyWhenTheClockAdvances)
{
    ManualClock clock(5000);
    PeriodicTimers timers(clock);
    Counter c;
    uint32_t id = timers.start(50, 10, &count, &c);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(timers.count(), 1);
    // Real time passing does nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(c.calls, 0);
    clock.advance(49);
    EXPECT_EQ(c.calls, 0);
    // advance returns once what fell due has run.
    clock.advance(1);
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(c.lastId, id);
    clock.advance(100);
    EXPECT_EQ(c.calls, 3);
    clock.advance(16);
    clock.advance(16);
    clock.advance(16);
    EXPECT_EQ(c.calls, 3);
    clock.advance(2);
    EXPECT_EQ(c.calls, 4);
    {
        std::lock_guard<std::mutex> g(c.lock);
        EXPECT_NE(c.thread, std::this_thread::get_id());
    }
    EXPECT_TRUE(timers.kill(id));
    clock.advance(1000);
    EXPECT_EQ(c.calls, 4);
    EXPECT_FALSE(timers.kill(id));
    EXPECT_EQ(timers.count(), 0);
}

TEST(PeriodicTimersTest, DueTimersFireInTimeOrderAndCatchUpIsBounded)
{
    ManualClock clock(0xFFFFFF00u); // the tick wraps on the way
    PeriodicTimers timers(clock);
    Counter c;
    uint32_t slow = timers.start(30, 10, &count, &c);
    uint32_t fast = timers.start(20, 10, &count, &c);
    clock.advance(60);
    {
        std::lock_guard<std::mutex> g(c.lock);
        // Due at 20 (fast), 30 (slow), 40 (fast), 60 (fast, slow: the earlier id first).
        std::vector<uint32_t> expected = {fast, slow, fast, slow, fast};
        EXPECT_EQ(c.order, expected);
        c.order.clear();
    }
    EXPECT_TRUE(timers.kill(slow));
    // A jump of 500 periods fires ten times, then the period counts anew.
    c.calls = 0;
    clock.advance(10000);
    EXPECT_EQ(c.calls, int(PeriodicTimers::MAX_CATCH_UP));
    clock.advance(19);
    EXPECT_EQ(c.calls, int(PeriodicTimers::MAX_CATCH_UP));
    clock.advance(1);
    EXPECT_EQ(c.calls, int(PeriodicTimers::MAX_CATCH_UP) + 1);
}

struct Blocking {
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false, release = false;
    std::atomic<bool> finished{false};
};

void block(uint32_t, void* user)
{
    Blocking* b = static_cast<Blocking*>(user);
    std::unique_lock<std::mutex> l(b->lock);
    b->entered = true;
    b->changed.notify_all();
    b->changed.wait(l, [b] { return b->release; });
    b->finished = true;
}

TEST(PeriodicTimersTest, KillWaitsForARunningCallback)
{
    ManualClock clock(0);
    PeriodicTimers timers(clock);
    Blocking b;
    uint32_t id = timers.start(50, 10, &block, &b);
    std::thread mover([&clock] { clock.advance(50); });
    {
        std::unique_lock<std::mutex> l(b.lock);
        b.changed.wait(l, [&b] { return b.entered; });
    }
    std::atomic<bool> killed{false};
    std::atomic<bool> finishedWhenKilled{false};
    std::thread killer([&] {
        EXPECT_TRUE(timers.kill(id));
        finishedWhenKilled = b.finished.load();
        killed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(killed);
    {
        std::lock_guard<std::mutex> l(b.lock);
        b.release = true;
        b.changed.notify_all();
    }
    killer.join();
    mover.join();
    EXPECT_TRUE(killed);
    EXPECT_TRUE(finishedWhenKilled);
}

struct SelfKill {
    PeriodicTimers* timers;
    uint32_t id = 0;
    std::atomic<int> calls{0};
    std::atomic<bool> killedItself{false};
    uint32_t started = 0;
};

void killSelf(uint32_t id, void* user)
{
    SelfKill* s = static_cast<SelfKill*>(user);
    ++s->calls;
    s->killedItself = s->timers->kill(id);
    // A callback may start a timer too.
    s->started = s->timers->start(10, 1, &killSelf, user);
}

TEST(PeriodicTimersTest, ACallbackMayKillItselfAndStartAnother)
{
    ManualClock clock(100);
    PeriodicTimers timers(clock);
    SelfKill s;
    s.timers = &timers;
    s.id = timers.start(10, 1, &killSelf, &s);
    clock.advance(10);
    EXPECT_EQ(s.calls, 1);
    EXPECT_TRUE(s.killedItself);
    EXPECT_NE(s.started, 0u);
    EXPECT_NE(s.started, s.id);
    EXPECT_EQ(timers.count(), 1);
    clock.advance(10);
    EXPECT_EQ(s.calls, 2);
}

TEST(PeriodicTimersTest, BadArgumentsStartNothing)
{
    ManualClock clock(0);
    PeriodicTimers timers(clock);
    Counter c;
    EXPECT_EQ(timers.start(0, 10, &count, &c), 0u);
    EXPECT_EQ(timers.start(1000001, 10, &count, &c), 0u);
    EXPECT_EQ(timers.start(50, 10, nullptr, &c), 0u);
    EXPECT_FALSE(timers.kill(0));
    EXPECT_FALSE(timers.kill(77));
    // Advancing a clock without timers is free.
    clock.advance(100);
}

TEST(PeriodicTimersTest, OnTheSystemClockTheyFireInRealTime)
{
    PeriodicTimers timers;
    Counter c;
    uint32_t id = timers.start(5, 1, &count, &c);
    ASSERT_NE(id, 0u);
    for (int i = 0; i < 400 && c.calls < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(c.calls, 3);
    EXPECT_TRUE(timers.kill(id));
    int after = c.calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(c.calls, after);
}

// A worker paced by a manual clock: each move of a period or more is one
// pass, finished before advance returns; shorter moves add up.
TEST(ThreadPacerTest, OnAManualClockTheMoverWaitsForThePass)
{
    ManualClock clock(100);
    PeriodicTimers timers(clock);
    std::unique_ptr<ThreadPacer> pacer = timers.makePacer(10);
    std::atomic<int> passes{0};
    std::thread worker([&] {
        while (pacer->wait()) {
            // A slow pass: the mover must still find it done.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ++passes;
        }
    });
    clock.advance(10);
    EXPECT_EQ(passes, 1);
    clock.advance(4);
    clock.advance(4);
    EXPECT_EQ(passes, 1);
    clock.advance(4);
    EXPECT_EQ(passes, 2);
    clock.advance(1000);
    EXPECT_EQ(passes, 3);
    pacer->stop();
    worker.join();
    // Stopped, a move waits for nobody.
    clock.advance(10);
    EXPECT_EQ(passes, 3);
    pacer.reset();
    clock.advance(10);
}

TEST(ThreadPacerTest, OnTheSystemClockItSleepsAndStopsAtOnce)
{
    PeriodicTimers timers;
    std::unique_ptr<ThreadPacer> pacer = timers.makePacer(20);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(pacer->wait());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pacer->stop();
    });
    while (pacer->wait()) {
    }
    stopper.join();
    EXPECT_FALSE(pacer->wait());
}

} // namespace
