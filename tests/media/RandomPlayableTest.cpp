// Random playables on the window's timer and the engine's virtual clock,
// with the seeded generator: waits and run lengths, starts of random or
// named events, what notifiers decide, and entries and playables that go;
// random sound sets of real headless sounds.
#include "SequenceSupport.h"
#include "base/XTimer.h"
#include "media/RandomPlayable.h"
#include "media/RandomSoundSet.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <set>

using namespace mediatest;

namespace {

// Records each start it is asked about ("<ms>:<event>/<starts in run>")
// and answers as told.
struct Deciding : CRandomPlayableNotifier {
    explicit Deciding(platform::ManualClock& c) : clock(c), since(c.tickCount()) {}
    bool onRandomPlayableStarted(CPlayable*, int run) override
    {
        starts.push_back(std::to_string(clock.tickCount() - since) + "/" + std::to_string(run));
        return allow;
    }
    bool onRandomPlayableFinished(CPlayable*, int) override
    {
        ++finishes;
        return again;
    }
    platform::ManualClock& clock;
    uint32_t since;
    bool allow = true;
    bool again = false;
    int finishes = 0;
    std::vector<std::string> starts;
};

class CRandomPlayableTest : public SequenceFixture {
protected:
    void SetUp() override
    {
        SequenceFixture::SetUp();
        animation.reset(new CAnimo(window.get()));
        addFrames(*animation, window.get(), 2);
        for (const char* e : {"a", "b", "c", "d"})
            addEvent(*animation, e, {0, 1});
        animation->SetFPS(25);
        events.reset(new Steps(*animation));
    }
    void TearDown() override
    {
        random.reset();
        events.reset();
        animation.reset();
        SequenceFixture::TearDown();
    }
    CRandomPlayable* make()
    {
        random.reset(new CRandomPlayable(window.get(), nullptr));
        return random.get();
    }
    std::unique_ptr<CAnimo> animation;
    std::unique_ptr<Steps> events;
    std::unique_ptr<CRandomPlayable> random;
};

// The wait is 1 to 60 / probability seconds (exactly 1 from 60 a minute
// on; never for 0 or less); a run is 1 to interval - 1 starts, so 1 for an
// interval of 1 or 2.
TEST_F(CRandomPlayableTest, WaitsAndRunLengths)
{
    const struct {
        double probability;
        int interval;
        int waitLow, waitHigh, runLow, runHigh;
    } cases[] = {
        {1.0, 1, 1, 60, 0, 0},  {60.0, 2, 1, 1, 0, 0},   {500.0, 5, 1, 1, 0, 3},
        {4.0, 3, 1, 15, 0, 1},  {0.0, 5, -1, -1, 0, 3},  {-2.0, 1, -1, -1, 0, 0},
        {1e-12, 1, 1, INT_MAX, 0, 0},
    };
    CRandomPlayable* r = make();
    for (const auto& c : cases) {
        int waitLow = INT_MAX, waitHigh = INT_MIN, runLow = INT_MAX, runHigh = INT_MIN;
        for (int i = 0; i < 400; ++i) {
            clockNow.advance(1);
            r->add(animation.get(), c.probability, c.interval, "");
            CRandomPlayableEntry* e = r->getEntry(r->getSize() - 1);
            waitLow = std::min(waitLow, e->getCountdown());
            waitHigh = std::max(waitHigh, e->getCountdown());
            runLow = std::min(runLow, e->getRunLength());
            runHigh = std::max(runHigh, e->getRunLength());
            r->remove(animation.get());
        }
        // A range of a minute or less is met end to end.
        EXPECT_GE(waitLow, c.waitLow) << c.probability;
        EXPECT_LE(waitHigh, c.waitHigh) << c.probability;
        if (c.waitHigh <= 60) {
            EXPECT_EQ(waitLow, c.waitLow) << c.probability;
            EXPECT_EQ(waitHigh, c.waitHigh) << c.probability;
        }
        EXPECT_EQ(runLow, c.runLow) << c.probability;
        EXPECT_EQ(runHigh, c.runHigh) << c.probability;
    }
}

// Once a second the wait counts down while the animation is idle; a run
// starts random events of the animation one a second, then a new wait.
TEST_F(CRandomPlayableTest, RunsOfRandomEventsOnTheClock)
{
    CRandomPlayable* r = make();
    Deciding decide(clockNow);
    r->addNotifier(&decide);
    r->add(animation.get(), 60.0, 4, "");
    CRandomPlayableEntry* e = r->getEntry(0);
    frames(9, 100);
    EXPECT_TRUE(decide.starts.empty());
    frames(1, 100);
    EXPECT_EQ(decide.starts, (std::vector<std::string>{"1000/1"}));
    EXPECT_TRUE(animation->isPlaying());

    std::set<std::string> names;
    std::vector<int> runs;
    int previous = 0;
    for (int second = 0; second < 40; ++second) {
        if (animation->isPlaying())
            names.insert(animation->getCurrentEventName().c_str());
        if (e->getSeqTime() < previous)
            runs.push_back(previous);
        previous = e->getSeqTime();
        frames(10, 100);
    }
    EXPECT_EQ(names, (std::set<std::string>{"a", "b", "c", "d"}));
    ASSERT_GE(runs.size(), 5u);
    for (int n : runs)
        EXPECT_TRUE(n >= 1 && n <= 3) << n;
    EXPECT_GT(decide.finishes, 30);

    // A named event plays itself.
    r->remove(animation.get());
    r->add(animation.get(), 60.0, 1, "c");
    events->text.clear();
    frames(30, 100);
    EXPECT_EQ(animation->getCurrentEventName(), "c");
    EXPECT_NE(events->text.find('S'), std::string::npos);
}

// Without notifiers nothing starts; a start forbidden begins a new wait
// (the entry starts again once allowed); a notifier that asks for more
// gets a start at the next tick; of several, the last answer counts.
TEST_F(CRandomPlayableTest, NotifiersDecide)
{
    CRandomPlayable* r = make();
    r->add(animation.get(), 60.0, 1, "a");
    frames(50, 100);
    EXPECT_TRUE(events->text.empty());

    Deciding first(clockNow), last(clockNow);
    last.allow = false;
    r->addNotifier(&first);
    r->addNotifier(&last);
    frames(30, 100);
    EXPECT_EQ(last.starts.size(), 3u);
    EXPECT_TRUE(events->text.empty());
    last.allow = true;
    frames(10, 100);
    EXPECT_FALSE(events->text.empty());

    // Asked for more, the entry starts at every tick the animation is idle.
    last.again = true;
    first.again = false;
    last.starts.clear();
    frames(50, 100);
    EXPECT_GE(last.starts.size(), 4u);
    r->removeNotifier(&last);
    r->removeNotifier(&first);
}

// An entry taken out, or a set deleted, no longer hears its playable; an
// animation deleted first is forgotten. Entries that cannot start never
// do; other playables play themselves.
TEST_F(CRandomPlayableTest, EntriesAndPlayablesThatGo)
{
    CRandomPlayable* r = make();
    Deciding decide(clockNow);
    r->addNotifier(&decide);
    r->add(animation.get(), 60.0, 1, "a");
    frames(10, 100);
    ASSERT_TRUE(animation->isPlaying());
    r->remove(animation.get());
    EXPECT_EQ(r->getSize(), 0);
    frames(5, 100);
    EXPECT_FALSE(animation->isPlaying());
    EXPECT_EQ(decide.finishes, 0);

    // Probability 0, and an animation without events.
    CAnimo empty(window.get());
    r->add(animation.get(), 0.0, 3, "");
    r->add(&empty, 60.0, 3, "");
    decide.starts.clear();
    frames(30, 100);
    EXPECT_EQ(decide.starts.size(), 2u);
    EXPECT_FALSE(animation->isPlaying());
    r->remove(&empty);

    // A sound plays itself; its end is heard.
    soundFile("S.WAV", 1500);
    CSound4 sound(window.get(), CXString("S.WAV"), false, false);
    r->add(&sound, 60.0, 1, "");
    frames(10, 100);
    EXPECT_TRUE(sound.IsPlaying());
    frames(17, 100);
    EXPECT_EQ(decide.finishes, 1);
    r->remove(&sound);

    // The animation goes first.
    r->add(animation.get(), 60.0, 1, "a");
    events.reset();
    animation.reset();
    frames(30, 100);
    EXPECT_EQ(r->getEntry(1)->getPlayable(), nullptr);

    // The set leaves the timer.
    const int id = r->getTimerId();
    random.reset();
    frames(1, 100);
    EXPECT_EQ(window->GetTimerInterface()->find(id), nullptr);
}

// Each play picks one of the set's sounds; the set follows the one picked
// last. Names with a drive are taken as they are.
TEST_F(CRandomPlayableTest, RandomSoundSets)
{
    soundFile("A.WAV", 100);
    soundFile("B.WAV", 100);
    const std::string b = platform::toEnginePath(tmp.file("B.WAV"));
    CRandomSoundSet set(window.get(), CXString(("A.WAV;" + b).c_str()), false, false);
    ASSERT_EQ(set.getCount(), 2);
    EXPECT_EQ(set.getSound(0)->getFileName(), CXString(platform::toEnginePath(tmp.file("A.WAV")).c_str()));
    EXPECT_EQ(set.getSound(1)->getFileName(), CXString(b.c_str()));
    EXPECT_FALSE(set.IsPlaying());

    std::set<CSound4*> picked;
    for (int seed = 0; seed < 8; ++seed) {
        CXRandom::seed(uint32_t(seed));
        set.Play();
        ASSERT_NE(set.getCurrent(), nullptr);
        picked.insert(set.getCurrent());
        EXPECT_TRUE(set.IsPlaying());
        EXPECT_TRUE(set.getCurrent()->IsPlaying());
        set.Stop();
        EXPECT_FALSE(set.IsPlaying());
    }
    EXPECT_EQ(picked.size(), 2u);
    set.setVolume(-300);
    EXPECT_EQ(set.getSound(0)->getVolume(), -300);
    EXPECT_EQ(set.getSound(1)->getVolume(), -300);

    CRandomSoundSet none(window.get(), CXString(""), false, false);
    none.Play();
    EXPECT_FALSE(none.IsPlaying());
    EXPECT_EQ(none.getCurrent(), nullptr);
}

} // namespace
