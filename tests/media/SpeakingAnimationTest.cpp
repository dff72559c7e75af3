// Talking animations over a real animation and a real headless sound, in
// the window's frames: the start event, talking events while the sound
// plays, the end event, and the ways a talk ends early.
#include "SequenceSupport.h"
#include "graphics/RefreshScreen.h"
#include "media/SpeakingAnimation.h"

#include <gtest/gtest.h>

using namespace mediatest;

namespace {

// The events an animation starts, by name.
struct Events : CPlayableObserver {
    explicit Events(CAnimo& a) : animation(a) { a.addNotifier(this); }
    ~Events() override { animation.removeNotifier(this); }
    bool onPlayableStarted(CPlayable*) override
    {
        played.push_back(animation.getCurrentEventName().c_str());
        return false;
    }
    CAnimo& animation;
    std::vector<std::string> played;
};

class CSpeakingAnimationTest : public SequenceFixture {
protected:
    void SetUp() override
    {
        SequenceFixture::SetUp();
        face.reset(new CAnimo(window.get()));
        addFrames(*face, window.get(), 2);
        for (const char* e : {"T_START", "T_1", "X", "T_2", "T_END", "1", "START", "T_STOP"})
            addEvent(*face, e, {0, 1});
        face->SetFPS(25);
        events.reset(new Events(*face));
        soundFile("LINE.WAV", 600);
        talk.reset(new CSpeakingAnimation(window.get(), resources.get()));
        talk->setName("talk");
        talk->substAnimation(face.get());
        talk->apply(CXString("LINE.WAV"));
        talk->setGenericNotifier(&reports);
        line = static_cast<CSound4*>(talk->getSound());
    }
    void TearDown() override
    {
        talk.reset();
        events.reset();
        face.reset();
        SequenceFixture::TearDown();
    }
    // The events played, the start's and end's apart from the talk's.
    std::string played()
    {
        std::string out;
        for (const std::string& e : events->played)
            out += e + " ";
        events->played.clear();
        return out;
    }

    Named reports;
    std::unique_ptr<CAnimo> face;
    std::unique_ptr<Events> events;
    std::unique_ptr<CSpeakingAnimation> talk;
    CSound4* line = nullptr;
};

// The start event first, the sound when it has ended, talking events of
// the prefix while the sound plays, the end event, then the finish.
TEST_F(CSpeakingAnimationTest, StartTalkEndAndFinish)
{
    talk->setPrefix("T");
    talk->setStarting(true);
    talk->setEnding(true);
    talk->play();
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S talk"}));
    EXPECT_EQ(played(), "T_START ");
    EXPECT_FALSE(line->IsPlaying());
    EXPECT_TRUE(talk->isPlaying());
    frames(5, 20);
    EXPECT_TRUE(line->IsPlaying());

    // Talking events until the sound has ended, then the end event, whose
    // end is the talk's.
    std::string talked;
    int endAt = -1, frame = 0;
    for (; frame < 100 && reports.log.empty(); ++frame) {
        frames(1, 20);
        const std::string now = played();
        if (now.find("T_END") != std::string::npos) {
            EXPECT_FALSE(line->IsPlaying());
            endAt = frame;
        }
        talked += now;
    }
    ASSERT_GE(talked.size(), 14u);
    EXPECT_EQ(talked.substr(talked.size() - 6), "T_END ");
    talked.resize(talked.size() - 6);
    EXPECT_EQ(talked.find_first_not_of("T_12 "), std::string::npos) << talked;
    EXPECT_NE(talked.find("T_1"), std::string::npos);
    EXPECT_NE(talked.find("T_2"), std::string::npos);
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"F talk"}));
    EXPECT_GT(frame - 1, endAt);
    EXPECT_FALSE(talk->isPlaying());
    EXPECT_FALSE(face->isPlaying());
}

// Without a prefix only events whose names begin with a digit are talked;
// without start and end events the talk begins and ends with the sound.
TEST_F(CSpeakingAnimationTest, WithoutPrefixStartOrEnd)
{
    talk->play();
    EXPECT_TRUE(line->IsPlaying());
    std::string talked = played();
    for (int i = 0; i < 40 && talk->isPlaying(); ++i) {
        frames(1, 20);
        talked += played();
    }
    EXPECT_EQ(talked.find_first_not_of("1 "), std::string::npos) << talked;
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S talk", "F talk"}));
    EXPECT_FALSE(face->isPlaying());
}

// Stopped with a report during the start event: one finished report, and
// the sound never starts. Hidden when the sound ends: finished at once,
// without the end event. Without an animation: started, nothing more.
TEST_F(CSpeakingAnimationTest, EndingEarly)
{
    talk->setPrefix("T");
    talk->setStarting(true);
    talk->setEnding(true);
    talk->play();
    talk->stop(true);
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S talk", "F talk"}));
    frames(10, 20);
    EXPECT_FALSE(line->IsPlaying());
    EXPECT_FALSE(talk->isPlaying());
    EXPECT_TRUE(reports.taken().empty());

    talk->setStarting(false);
    talk->play();
    while (line->IsPlaying())
        frames(1, 20);
    face->Visible(false);
    played();
    frames(10, 20);
    EXPECT_EQ(played().find("T_END"), std::string::npos);
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S talk", "F talk"}));

    // Placing and moving it places and moves the animation.
    talk->setPosition(30, 40);
    talk->move(5, 5);
    EXPECT_EQ(face->getGlobalOrigin(), CXPoint(35, 45));

    talk->substAnimation(nullptr);
    talk->play();
    EXPECT_EQ(reports.taken(), (std::vector<std::string>{"S talk"}));
    EXPECT_FALSE(talk->isPlaying());
}

// Animations shared under their file names are put on the screen at 1000,
// except "PIXEL.ANN", which only times the talk; sounds taken under a file
// name are given back, one made without a resources manager is deleted,
// another element's is left to it.
TEST_F(CSpeakingAnimationTest, WhatItTakesAndGivesBack)
{
    ASSERT_EQ(window->CreateSurface(nullptr), 0);
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    animationFile("FACE.ANN", {{"1", 2}});
    CSpeakingAnimation other(window.get(), resources.get());
    other.setAnimation("FACE.ANN");
    ASSERT_NE(other.getAnimation(), nullptr);
    EXPECT_EQ(other.getAnimation()->GetNOE(), 1);
    EXPECT_EQ(screen->GetPriority(other.getAnimation()), 1000);
    other.setAnimation("pixel.ann");
    ASSERT_NE(other.getAnimation(), nullptr);
    EXPECT_EQ(screen->GetPriority(other.getAnimation()), -1);

    // The first sound goes back when another is taken.
    other.apply(CXString("LINE.WAV"));
    EXPECT_EQ(other.getSound(), line);
    other.apply(CXString("OTHER.WAV"));
    EXPECT_EQ(resources->get("LINE.WAV"), line);
    EXPECT_FALSE(resources->remove(line));

    CSpeakingAnimation alone(window.get(), nullptr);
    alone.apply(CXString("LINE.WAV"));
    EXPECT_NE(alone.getSound(), line);
    alone.apply(CXString("AGAIN.WAV"));
    alone.setAnimation("FACE.ANN");
    EXPECT_EQ(alone.getAnimation(), nullptr);

    {
        CSpeakingAnimation borrowing(window.get(), resources.get());
        borrowing.apply(line);
        borrowing.substAnimation(face.get());
        borrowing.play();
        EXPECT_TRUE(line->IsPlaying());
    }
    EXPECT_EQ(line->getNotifiers()->getSize(), 0);
    EXPECT_TRUE(resources->contains(line));
}

} // namespace
