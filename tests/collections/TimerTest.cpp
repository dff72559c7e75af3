#include "RunnerCalls.h"
#include "base/EngineTimer.h"
#include "base/XTimer.h"
#include "collections/Timer.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include <memory>

using namespace scripttest;
using collectionstest::call;

namespace {

// Makes the registry the engine's for as long as it lives.
struct InstalledRegistry {
    explicit InstalledRegistry(CXTimer* registry) { setEngineTimer(registry); }
    ~InstalledRegistry() { setEngineTimer(nullptr); }
};

class CMC_TimerTest : public ::testing::Test {
protected:
    CMC_TimerTest()
    {
        runs().clear();
        for (const char* n : {"TICKED", "SECOND"})
            scene.addObject(new FakeBehaviour(&scene, CXString(n), CXString()));
    }
    CMC_Timer* make(const char* name, std::vector<std::pair<const char*, const char*>> properties)
    {
        std::unique_ptr<CMElement> e(record(name, properties));
        CMC_Timer* t = new CMC_Timer(&scene, e.get());
        scene.addObject(t);
        return t;
    }
    // One frame of the window after the clock moved on.
    void frame(uint32_t ms)
    {
        clock.advance(ms);
        registry.domodal();
    }
    std::string run(CMC_Timer* t, const char* method, std::vector<std::string> args = {})
    {
        return call(&scene, t, method, args);
    }
    std::vector<std::string> takeRuns()
    {
        std::vector<std::string> r = runs();
        runs().clear();
        return r;
    }

    using Runs = std::vector<std::string>;
    collectionstest::Runtime runtime;
    platform::ManualClock clock{5000};
    platform::ScopedClock scoped{&clock};
    CXTimer registry;
    InstalledRegistry installed{&registry};
    Types types;
    TestScene scene{"SCENE"};
};

TEST_F(CMC_TimerTest, TicksAreNumberedAndStopAtTheLimit)
{
    CMC_Timer* t = make("T", {{"ELAPSE", "1000"}, {"TICKS", "3"}, {"ONTICK", "TICKED"}, {"ONTICK^2", "SECOND"}});
    frame(999);
    EXPECT_EQ(takeRuns(), Runs{});
    frame(1);
    frame(1000);
    frame(1000);
    EXPECT_EQ(takeRuns(), (Runs{"TICKED@T", "SECOND@T", "TICKED@T"}));
    frame(1000);
    frame(5000);
    EXPECT_EQ(takeRuns(), Runs{});
    EXPECT_EQ(run(t, "GETTICKS"), "I:3");
    EXPECT_FALSE(t->isEnabled());

    // A new series, counted from 1 and one whole interval away.
    frame(300);
    run(t, "ENABLE");
    frame(999);
    EXPECT_EQ(takeRuns(), Runs{});
    frame(1);
    frame(1000);
    EXPECT_EQ(takeRuns(), (Runs{"TICKED@T", "SECOND@T"}));
}

TEST_F(CMC_TimerTest, FiresAtMostOncePerFrame)
{
    CMC_Timer* slow = make("SLOW", {{"ELAPSE", "100"}});
    CMC_Timer* every = make("EVERY", {{"ELAPSE", "0"}});
    frame(1000); // ten intervals missed: one tick, no catch-up
    frame(0);
    frame(0);
    EXPECT_EQ(slow->getTick(), 1);
    EXPECT_EQ(every->getTick(), 3);
    frame(100);
    EXPECT_EQ(slow->getTick(), 2);
}

TEST_F(CMC_TimerTest, DisableKeepsTheCountUntilResumeOrEnable)
{
    CMC_Timer* t = make("T", {{"ELAPSE", "100"}, {"ONTICK", "TICKED"}});
    frame(100);
    frame(100);
    run(t, "DISABLE");
    frame(100);
    EXPECT_EQ(t->getTick(), 2);
    run(t, "RESUME");
    frame(100);
    EXPECT_EQ(t->getTick(), 3);
    run(t, "DISABLE");
    run(t, "ENABLE");
    frame(100);
    EXPECT_EQ(t->getTick(), 1);
    run(t, "ENABLE"); // already enabled: the count stays
    EXPECT_EQ(t->getTick(), 1);
    EXPECT_EQ(takeRuns().size(), 4u);
}

TEST_F(CMC_TimerTest, SetAndResetRestartTheIntervalAndSetTheCount)
{
    CMC_Timer* t = make("T", {{"ELAPSE", "100"}, {"TICKS", "3"}});
    frame(100);
    frame(60);
    run(t, "SET", {"5"});
    frame(99);
    EXPECT_EQ(t->getTick(), 5);
    // Past the limit the count never equals it again: no end.
    for (int i = 0; i < 5; ++i)
        frame(100);
    EXPECT_EQ(t->getTick(), 10);
    EXPECT_TRUE(t->isEnabled());

    run(t, "RESET");
    EXPECT_EQ(run(t, "GETTICKS"), "I:0");
    run(t, "SET"); // without its argument nothing happens
    EXPECT_EQ(t->getTick(), 0);
}

TEST_F(CMC_TimerTest, PauseAndResumeHoldEveryRegisteredTimer)
{
    CMC_Timer* a = make("A", {{"ELAPSE", "1000"}});
    frame(300);
    CMC_Timer* b = make("B", {{"ELAPSE", "1000"}});
    frame(200); // A is 500 ms into its interval, B 200 ms
    run(a, "PAUSE");
    EXPECT_FALSE(a->isEnabled());
    clock.advance(60000);
    run(a, "RESUME");
    frame(499);
    EXPECT_EQ(a->getTick() + b->getTick(), 0);
    frame(1);
    EXPECT_EQ(a->getTick(), 1);
    frame(299);
    EXPECT_EQ(b->getTick(), 0);
    frame(1);
    EXPECT_EQ(b->getTick(), 1);
}

TEST_F(CMC_TimerTest, DefinitionOptions)
{
    CMC_Timer* off = make("OFF", {{"ELAPSE", "100"}, {"ENABLED", "FALSE"}});
    CMC_Timer* on = make("ON", {{"ELAPSE", "100"}, {"ENABLED", "True"}});
    CMC_Timer* never = make("NEVER", {{"TICKS", "2"}});
    CMC_Timer* text = make("TEXT", {{"ELAPSE", "abc"}});
    frame(100);
    EXPECT_EQ(off->getTick(), 0);
    EXPECT_EQ(on->getTick(), 1);
    EXPECT_EQ(text->getTick(), 1); // no number: due every frame
    EXPECT_EQ(registry.find(never->getTimerId()), nullptr);
    run(never, "ENABLE");
    run(never, "SETELAPSE", {"10"});
    frame(100);
    EXPECT_EQ(never->getTick(), 0);

    // A timer without behaviours counts and stops all the same.
    CMC_Timer* limited = make("LIMITED", {{"ELAPSE", "100"}, {"TICKS", "2"}});
    for (int i = 0; i < 4; ++i)
        frame(100);
    EXPECT_EQ(limited->getTick(), 2);
    EXPECT_FALSE(limited->isEnabled());
}

TEST_F(CMC_TimerTest, SetElapseChangesTheInterval)
{
    CMC_Timer* t = make("T", {{"ELAPSE", "1000"}});
    run(t, "SETELAPSE", {"100"});
    frame(100);
    EXPECT_EQ(t->getTick(), 1);
    EXPECT_EQ(registry.find(t->getTimerId())->getInterval(), 100u);
}

TEST_F(CMC_TimerTest, DeletedTimerLeavesTheRegistry)
{
    CMC_Timer* t = make("T", {{"ELAPSE", "100"}, {"ONTICK", "TICKED"}});
    int id = t->getTimerId();
    scene.removeObject(t);
    delete t;
    frame(100); // must not call the deleted timer
    EXPECT_EQ(registry.find(id), nullptr);
    EXPECT_EQ(takeRuns(), Runs{});
}

TEST_F(CMC_TimerTest, SnapshotKeepsIntervalAndLimitAndStartsEnabled)
{
    CMC_Timer* t = make("T", {{"ELAPSE", "250"}, {"TICKS", "4"}, {"ENABLED", "FALSE"}});
    std::string bytes = archived([t](CXArchive* ar) { t->serialize(ar); });
    CMC_Timer* restored = new CMC_Timer(&scene);
    EXPECT_EQ(unarchive(bytes, [restored](CXArchive* ar) { restored->serialize(ar); }), 0);
    scene.addObject(restored);
    EXPECT_EQ(restored->getName(), "T");
    EXPECT_TRUE(restored->isEnabled());
    EXPECT_EQ(restored->getMaxTicks(), 4);
    ASSERT_NE(registry.find(restored->getTimerId()), nullptr);
    EXPECT_EQ(registry.find(restored->getTimerId())->getInterval(), 250u);
}

} // namespace
