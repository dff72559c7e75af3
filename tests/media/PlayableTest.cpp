// The playable base: reports to observers (copied list, generic one last)
// and named event parameters.
#include "media/Playable.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Thing : CPlayable {
    Thing() : CPlayable(nullptr) {}
    using CPlayable::play;
    void play() override { played.push_back(getParam().c_str()); }
    void stop(bool notify) override { stops.push_back(notify); }
    void pause() override {}
    void resume() override {}
    void seek(int p) override { position = p == SEEK_NEXT ? position + 1 : p; }
    std::vector<std::string> played;
    std::vector<bool> stops;
};

struct Observer : CPlayableObserver {
    Observer(std::vector<std::string>* log, const char* name, bool answer) : log(log), name(name), answer(answer) {}
    bool onPlayableStarted(CPlayable*) override { return note("started"); }
    bool onPlayableTick(CPlayable*) override { return note("tick"); }
    bool onPlayableFinished(CPlayable* p) override
    {
        // Taking itself out while told changes nothing for this report.
        p->removeNotifier(this);
        return note("finished");
    }
    bool onPlayableResumed(CPlayable*) override { return note("resumed"); }
    bool note(const char* what)
    {
        log->push_back(std::string(name) + " " + what);
        return answer;
    }
    std::vector<std::string>* log;
    const char* name;
    bool answer;
};

TEST(CPlayableTest, ReportsReachTheObserversInOrderAndTheGenericOneLast)
{
    Thing t;
    std::vector<std::string> log;
    Observer a(&log, "a", true), b(&log, "b", true), generic(&log, "g", false);
    EXPECT_TRUE(t.notify(CPlayable::NOTIFY_FINISHED)); // nobody to tell
    t.addNotifier(&a);
    t.addNotifier(&b);
    t.addNotifier(&a);
    t.setGenericNotifier(&generic);
    EXPECT_TRUE(t.notify(0));
    EXPECT_TRUE(t.notify(5));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(t.notify(CPlayable::NOTIFY_FINISHED));
    EXPECT_EQ(log, (std::vector<std::string>{"a finished", "b finished", "g finished"}));
    EXPECT_EQ(t.getNotifiers()->getSize(), 0);
    t.addNotifier(&a);
    t.setNotifier(&b);
    log.clear();
    t.notify(CPlayable::NOTIFY_TICK);
    EXPECT_EQ(log, (std::vector<std::string>{"b tick", "g tick"}));
}

TEST(CPlayableTest, EventParametersAreFoundInAnyCaseAndChangedOnlyByTheirExactName)
{
    Thing t;
    t.addEvent("WALK", "1");
    t.addEvent("WALK", "2");
    t.play(CXString("walk"));
    EXPECT_EQ(t.stops, (std::vector<bool>{false}));
    EXPECT_EQ(t.played, (std::vector<std::string>{"1"}));
    EXPECT_EQ(t.getLastPlayedEvent(), "walk");
    EXPECT_EQ(t.getStatus(), CPlayable::STATUS_PLAYING);
    t.setParameter(CXString("walk"), CXString("9"));
    EXPECT_EQ(t.getParameter(CXString("Walk")), "1");
    t.setParameter(CXString("WALK"), CXString("9"));
    EXPECT_EQ(t.getParameter(CXString("walk")), "9");
    EXPECT_EQ(t.getParameter(CXString("run")), "");
    EXPECT_EQ(t.getFPS(), 10);
    EXPECT_TRUE(t.isParent());
    EXPECT_EQ(t.next(), 0);
}

} // namespace
