// Sequences over real children (events of animations, sounds, nested
// sequences) stepped by the window's frames: runs of children that do not
// wait, parameters that select and pass on, random choice, what is passed
// on to children, and what the sequence holds and deletes.
#include "SequenceSupport.h"
#include "media/AnimationManager.h"
#include "media/AnimoEventPlayable.h"

#include <gtest/gtest.h>

using namespace mediatest;

namespace {

class CSequencedPlayableTest : public SequenceFixture {
protected:
    // An animation of its own with one event of n frames, played at 25
    // steps a second.
    CAnimo* animation(int n)
    {
        animations.emplace_back(new CAnimo(window.get()));
        CAnimo* a = animations.back().get();
        addFrames(*a, window.get(), n);
        std::vector<uint16_t> shown;
        for (int i = 0; i < n; ++i)
            shown.push_back(uint16_t(i));
        addEvent(*a, "e", shown);
        a->SetFPS(25);
        return a;
    }
    // A child playing an animation of its own of n frames.
    CPlayable* child(const char* name, int n, bool wait = true)
    {
        CAnimoEventPlayable* p = new CAnimoEventPlayable(window.get(), animation(n));
        p->setName(name);
        p->setWaitMode(wait);
        p->setGenericNotifier(&reports);
        return p;
    }
    CSequencedPlayable* sequence(const char* name, int mode)
    {
        CSequencedPlayable* s = new CSequencedPlayable(window.get());
        s->setName(name);
        s->setMode(mode);
        s->setGenericNotifier(&reports);
        return s;
    }
    void TearDown() override
    {
        animations.clear();
        SequenceFixture::TearDown();
    }

    Named reports;
    std::vector<std::unique_ptr<CAnimo>> animations;
};

// A run starts children at once up to the first that waits; the next one
// starts when the last one started finished, and the last one's end ends
// the sequence. Its step finds a child that ended without a report.
TEST_F(CSequencedPlayableTest, RunsOfChildrenUpToOneThatWaits)
{
    std::unique_ptr<CSequencedPlayable> s(sequence("S", CPlayable::MODE_SEQUENCE));
    s->addChild(child("a", 8, false));
    s->addChild(child("b", 3));
    s->addChild(child("c", 2));
    s->play();
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S S", "S a", "S b"}));
    EXPECT_EQ(s->getCurrent(), 1);
    frames(50, 10);
    // The child that did not wait ends last, after the sequence: its report
    // ends nothing more.
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S c", "F b", "F S", "F c", "F a"}));
    EXPECT_FALSE(s->isPlaying());

    // Without waits every child starts at once; the step of a child that
    // stopped unreported goes on with nothing left and stops the sequence.
    std::unique_ptr<CSequencedPlayable> all(sequence("ALL", CPlayable::MODE_SEQUENCE));
    all->addChild(child("x", 2, false));
    all->addChild(child("y", 2, false));
    all->addChild(child("z", 2, false));
    all->play();
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S ALL", "S x", "S y", "S z"}));
    EXPECT_EQ(all->next(), 2);
    static_cast<CAnimoEventPlayable*>(all->getChild(2))->getAnimation()->Stop();
    frames(11, 10);
    EXPECT_FALSE(all->isPlaying());

    // An empty sequence, in any mode, reports started and finished at once
    // and does not play, also when it was asked for by an event.
    for (int mode : {CPlayable::MODE_SEQUENCE, CPlayable::MODE_RANDOM, CPlayable::MODE_PARAMETER}) {
        std::unique_ptr<CSequencedPlayable> none(sequence("NONE", mode));
        reports.taken();
        none->play();
        EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S NONE", "F NONE"})) << mode;
        EXPECT_FALSE(none->isPlaying());
        none->play(CXString("GO"));
        EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S NONE", "F NONE"})) << mode;
        EXPECT_FALSE(none->isPlaying()) << mode;
    }
}

// Each child is given the parameter the child before it finished with.
TEST_F(CSequencedPlayableTest, AFinishedChildsParameterGoesToTheNext)
{
    std::unique_ptr<CSequencedPlayable> s(sequence("S", CPlayable::MODE_SEQUENCE));
    s->addChild(child("a", 2));
    s->addChild(child("b", 2));
    s->addEvent("GO", "P");
    s->play("go");
    EXPECT_EQ(s->getChild(0)->getParam(), "P");
    s->getChild(0)->setParameter(CXString("Q"));
    frames(20, 10);
    EXPECT_EQ(s->getChild(1)->getParam(), "Q");
}

// The parameter's first character selects a child: "1".."9", "A".."Z",
// "a" on, and what lies between them; "0", other characters below "1" and
// bytes from 128 select none. The child gets the rest.
TEST_F(CSequencedPlayableTest, AParameterSelectsAChild)
{
    CAnimo* shared = animation(2);
    std::unique_ptr<CSequencedPlayable> s(sequence("S", CPlayable::MODE_PARAMETER));
    for (int i = 0; i < 40; ++i) {
        CPlayable* c = new CAnimoEventPlayable(window.get(), shared);
        c->setName(std::to_string(i).c_str());
        c->setGenericNotifier(&reports);
        s->addChild(c);
    }
    const struct {
        std::string parameter;
        const char* started;
        const char* given;
    } cases[] = {
        {"1", "0", ""},     {"9x", "8", "x"}, {"A", "9", ""},   {"B2", "10", "2"}, {"Z", "34", ""},
        {"a", "35", ""},    {"?", "7", ""},   {"@", "8", ""},   {"e", "39", ""},   {"0", "", ""},
        {"!", "", ""},      {"\xc8", "", ""}, {"", "", ""},
    };
    for (const auto& c : cases) {
        s->stop(false);
        reports.taken();
        s->setParameter(CXString(c.parameter.c_str()));
        s->play();
        std::vector<std::string> log = reports.taken();
        const std::string started = log.size() > 1 ? log[1].substr(2) : "";
        EXPECT_EQ(log.at(0), "S S") << c.parameter;
        EXPECT_EQ(started, c.started) << c.parameter;
        EXPECT_EQ(s->isPlaying(), started != "") << c.parameter;
        if (started != "") {
            EXPECT_EQ(s->getChild(std::stoi(started))->getParam(), c.given) << c.parameter;
        }
    }
    for (int i = 0; i < 40; ++i) {
        s->stop(false);
        reports.taken();
        s->setParameter(CXString(std::string(1, CMultimediaSequenceCreator::getParameter(i)).c_str()));
        s->play();
        EXPECT_EQ(reports.taken().at(1), "S " + std::to_string(i));
    }

    // The selected child's end ends the sequence.
    s->stop(false);
    s->setParameter(CXString("3"));
    s->play();
    reports.taken();
    frames(20, 10);
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"F S", "F 2"}));
}

// One child drawn by the seeded generator; one child always plays.
TEST_F(CSequencedPlayableTest, RandomPlaysOneChild)
{
    std::unique_ptr<CSequencedPlayable> s(sequence("S", CPlayable::MODE_RANDOM));
    s->addChild(child("a", 2));
    for (int seed = 0; seed < 5; ++seed) {
        CXRandom::seed(uint32_t(seed));
        s->play();
        EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S S", "S a"}));
        frames(20, 10);
        EXPECT_EQ(reports.taken(), (std::vector<std::string>{"F S", "F a"}));
    }
    s->addChild(child("b", 2));
    s->addChild(child("c", 2));
    std::string drawn;
    for (int seed = 0; seed < 6; ++seed) {
        CXRandom::seed(uint32_t(seed));
        const int expected = CXRandom::rand15() % 3;
        CXRandom::seed(uint32_t(seed));
        s->play();
        drawn += reports.taken().at(1).substr(2);
        EXPECT_EQ(s->getCurrent(), expected);
        frames(20, 10);
    }
    EXPECT_EQ(drawn.find_first_not_of("abc"), std::string::npos);
}

// Volume and panning reach every child started, the frequency only when it
// is above 0; visibility and moves reach the animations.
TEST_F(CSequencedPlayableTest, WhatChildrenAreGiven)
{
    soundFile("V.WAV", 50);
    CSound4* v = new CSound4(window.get(), CXString(platform::toEnginePath(tmp.file("V.WAV")).c_str()), false, false);
    v->setName("V");
    v->setGenericNotifier(&reports);
    v->setFrequency(11025);
    std::unique_ptr<CSequencedPlayable> s(sequence("S", CPlayable::MODE_SEQUENCE));
    s->addChild(v);
    s->addChild(child("a", 2));
    s->setVolume(-500);
    s->setPanning(300);
    s->play();
    EXPECT_TRUE(v->isPlaying());
    EXPECT_EQ(v->getVolume(), -500);
    EXPECT_EQ(v->getPanning(), 300);
    EXPECT_EQ(v->getFrequency(), 11025);
    s->stop(true);
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S S", "S V"}));
    s->setFrequency(22050);
    s->play();
    EXPECT_EQ(v->getFrequency(), 22050);
    s->stop(false);

    CAnimo* a = static_cast<CAnimoEventPlayable*>(s->getChild(1))->getAnimation();
    s->move(5, -5);
    EXPECT_EQ(a->getGlobalOrigin(), CXPoint(5, -5));
    s->hide();
    EXPECT_FALSE(a->IsVisible());
    s->show();
    EXPECT_TRUE(a->IsVisible());
    std::unique_ptr<CXArray> all(s->getAllAnimations());
    ASSERT_EQ(all->getSize(), 1);
    EXPECT_EQ(all->at(0), static_cast<void*>(a));
    std::unique_ptr<CXArray> sounds(s->getAllOfType(CSound4::TYPE_SOUND));
    ASSERT_EQ(sounds->getSize(), 1);
    EXPECT_EQ(sounds->at(0), static_cast<void*>(static_cast<CPlayable*>(v)));
    EXPECT_EQ(s->getBoundingBox(1), a->GetBoundingBox());
    EXPECT_EQ(s->getPosition(2), CXPoint(0, 0));

    // The sound is left alive and reports to the sequence no more.
    s.reset();
    EXPECT_EQ(v->getNotifiers()->getSize(), 0);
    EXPECT_EQ(v->getGenericNotifier(), nullptr);
    delete v;
}

// Pausing holds the current child; seeking stops it and starts another
// without a parameter; a child two sequences list is deleted by the last.
TEST_F(CSequencedPlayableTest, PauseSeekAndSharedChildren)
{
    std::unique_ptr<CSequencedPlayable> s(sequence("S", CPlayable::MODE_SEQUENCE));
    s->addChild(child("a", 4));
    s->addChild(child("b", 4));
    s->play();
    s->pause();
    EXPECT_TRUE(s->isPaused());
    CAnimo* a = static_cast<CAnimoEventPlayable*>(s->getChild(0))->getAnimation();
    const int at = a->GetCurrentFrameInSequence();
    frames(20, 10);
    EXPECT_EQ(a->GetCurrentFrameInSequence(), at);
    s->resume();
    EXPECT_FALSE(s->isPaused());
    reports.taken();
    s->seek(1);
    EXPECT_EQ(s->getCurrent(), 1);
    EXPECT_TRUE(s->getChild(1)->isPlaying());
    frames(30, 10);
    EXPECT_FALSE(s->isPlaying());

    std::unique_ptr<CSequencedPlayable> other(sequence("O", CPlayable::MODE_SEQUENCE));
    CPlayable* shared = s->getChild(1);
    other->addChild(shared);
    EXPECT_EQ(shared->getParentsNo(), 2);
    s.reset();
    EXPECT_EQ(shared->getParentsNo(), 1);
    EXPECT_EQ(other->getChild(0), shared);
}

} // namespace
