// Playing an animation: the steps the window's tick and the animation
// manager take through its events (loops, ping-pong turns, chained events,
// reversed twins), pausing, stopping and the frame sounds, and the frames
// of a playing animation on the headless screen.
#include "AnimoSupport.h"
#include "base/Compression.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ScreenSupport.h"
#include "media/AnimationManager.h"
#include "media/Animo6.h"
#include "media/Sound4.h"

#include <gtest/gtest.h>

using namespace mediatest;

namespace {

class CAnimoPlayTest : public AnimoFixture {};

// Five frames; "loop" plays positions 1 to 3 three times at 25 frames a
// second (a step every 40 ms): the tick of the first position comes before
// the started report, the finished report once, after the third pass,
// and then the position after the loop shows; nothing steps afterwards.
TEST_F(CAnimoPlayTest, ALoopCountedThreeTimesFinishesOnceInTheWindowsFrames)
{
    CAnimo a(window.get());
    addFrames(a, window.get(), 5);
    addEvent(a, "loop", {0, 1, 2, 3, 4});
    _annEventInfo3* e = a.GetEventInfo(0);
    e->loopStart = 1;
    e->loopEnd = 3;
    e->loopCount = 3;
    a.SetFPS(25);
    Steps log(a, &clockNow);
    a.Play(CXString("loop"), 0, 15);
    frames(60, 10);
    EXPECT_EQ(log.text, "0:T0.0 0:S 40:T0.1 80:T0.2 120:T0.3 160:T0.1 200:T0.2 240:T0.3 280:T0.1 320:T0.2 360:T0.3 "
                        "400:F 400:T0.4 ");
    EXPECT_FALSE(a.isPlaying());
    EXPECT_EQ(a.Current(), 4);
    EXPECT_EQ(e->loopCounter, 0);

    // Played again, the pass it starts in counts as the first.
    Steps again(a);
    a.Play(CXString("loop"), 3, 15);
    frames(60, 10);
    EXPECT_EQ(again.text, "T0.3 S T0.1 T0.2 T0.3 T0.1 T0.2 T0.3 F T0.4 ");
}

// Steps through events of every shape, as the manager takes them while the
// animation plays (next(), or previous() where said).
TEST_F(CAnimoPlayTest, StepsThroughLoopsTurnsAndChainedEvents)
{
    struct Case {
        const char* what;
        std::vector<std::vector<uint16_t>> events;
        int loopStart, loopEnd, loopCount;
        uint32_t eventFlags, animoFlags;
        int startAt;
        bool backward;
        const char* reports;
        bool playingAfter;
    } cases[] = {
        {"without a loop it stops on its last position", {{0, 1, 2}}, 0, 0, 0, 0, 0, 0, false, "T0.0 S T0.1 T0.2 F ",
         false},
        {"chained events go on, the last stays on its last position", {{0, 1}, {2, 3}}, 0, 0, 0, 0,
         ANIMO_CHAIN_EVENTS, 0, false, "T0.0 S T0.1 T1.0 T1.1 T1.1 T1.1 T1.1 ", true},
        {"a chain stops before an event without frames", {{0, 1}, {}, {2}}, 0, 0, 0, 0, ANIMO_CHAIN_EVENTS, 0, false,
         "T0.0 S T0.1 F ", false},
        {"a loop count of 0 loops until stopped", {{0, 1, 2}}, 0, 1, 0, 0, 0, 0, false,
         "T0.0 S T0.1 T0.0 T0.1 T0.0 T0.1 T0.0 ", true},
        {"ping-pong turns at both ends of the loop", {{0, 1, 2, 3}}, 0, 3, 2, EVENT_PING_PONG, 0, 0, false,
         "T0.0 S T0.1 T0.2 T0.3 T0.2 T0.1 T0.0 ", true},
        {"a loop end past the event loops at its last position", {{0, 1, 2}}, 1, 9, 2, 0, 0, 0, false,
         "T0.0 S T0.1 T0.2 T0.1 T0.2 F ", false},
        {"backward without a loop it stops before position 0", {{0, 1, 2}}, 0, 0, 0, 0, 0, 2, true,
         "T0.2 S T0.1 T0.0 F ", false},
        {"backward a loop wraps to its end, whatever its count", {{0, 1, 2, 3}}, 1, 2, 1, 0, 0, 2, true,
         "T0.2 S T0.1 T0.2 T0.1 T0.2 T0.1 T0.2 ", true},
    };
    for (const Case& c : cases) {
        CAnimo a(window.get());
        addFrames(a, window.get(), 4);
        for (size_t i = 0; i < c.events.size(); ++i)
            addEvent(a, ("e" + std::to_string(i)).c_str(), c.events[i]);
        _annEventInfo3* e = a.GetEventInfo(0);
        e->loopStart = uint16_t(c.loopStart);
        e->loopEnd = uint16_t(c.loopEnd);
        e->loopCount = uint16_t(c.loopCount);
        e->flags = c.eventFlags;
        a.SetAnimoFlags(c.animoFlags);
        Steps log(a);
        a.Play(_animoevent(0), c.startAt, 15);
        for (int i = 0; i < 6 && a.isPlaying(); ++i)
            c.backward ? a.previous() : a.next();
        EXPECT_EQ(log.text, c.reports) << c.what;
        EXPECT_EQ(a.isPlaying(), c.playingAfter) << c.what;
    }
}

// An event played from its finished report is not overwritten by the
// position after the loop; a ping-pong event stopped on its way back does
// not make the next event play backward.
TEST_F(CAnimoPlayTest, WhatAReportStartsStands)
{
    CAnimo a(window.get());
    addFrames(a, window.get(), 4);
    addEvent(a, "twice", {0, 1, 2, 3});
    a.GetEventInfo(0)->loopEnd = 1;
    a.GetEventInfo(0)->loopCount = 1;
    struct Again : CPlayableObserver {
        bool onPlayableFinished(CPlayable* p) override
        {
            if (plays-- > 0)
                static_cast<CAnimo*>(p)->Play(_animoevent(0), 0, 15);
            return false;
        }
        int plays = 1;
    } again;
    Steps log(a);
    a.addNotifier(&again);
    a.Play();
    a.next();
    a.next();
    a.next();
    a.next();
    EXPECT_EQ(log.text, "T0.0 S T0.1 F T0.0 S T0.1 F T0.2 ");

    addEvent(a, "bounce", {0, 1, 2});
    addEvent(a, "plain", {0, 1, 2, 3});
    a.GetEventInfo(1)->loopEnd = 2;
    a.GetEventInfo(1)->flags = EVENT_PING_PONG;
    a.Play(CXString("bounce"), 2, 15);
    a.next();
    EXPECT_EQ(a.GetDirection(), CAnimo::DIRECTION_BACKWARD);
    a.Stop();
    log.text.clear();
    a.Play(CXString("plain"), 2, 15);
    a.next();
    EXPECT_EQ(log.text, "T2.2 S T2.3 ");
}

// The reversed twin is made once, from the event's table and records in
// reverse order, and plays forward; a name that ends in "_reverse" is the
// twin itself; an unknown name plays nothing.
TEST_F(CAnimoPlayTest, PlayReverseMakesTheTwinOnce)
{
    CAnimo a(window.get());
    addFrames(a, window.get(), 3);
    addEvent(a, "walk", {0, 1, 2});
    _annEventInfo3* walk = a.GetEventInfo(0);
    walk->loopEnd = 2;
    walk->loopCount = 1;
    walk->fps = 12;
    walk->flags = EVENT_HIDE_AT_STOP;
    walk->opacity = 200;
    walk->userWord = 0xBEEF;
    a.GetFrameInfo(0, 0)->frameName = CXString("first");
    a.GetFrameInfo(0, 0)->dx = 5;
    a.GetFrameInfo(0, 2)->sounds = CXString("step.wav");
    Steps log(a);

    a.playReverse(CXString("nothing"), 0);
    EXPECT_EQ(a.GetNOE(), 1);
    a.playReverse(CXString("walk"), 0);
    ASSERT_EQ(a.GetNOE(), 2);
    _annEventInfo3* twin = a.GetEventInfo(1);
    EXPECT_STREQ(twin->name, "walk_reverse");
    EXPECT_EQ(twin->frames, (std::vector<uint16_t>{2, 1, 0}));
    EXPECT_EQ(twin->loopEnd, 2);
    EXPECT_EQ(twin->loopCount, 1);
    EXPECT_EQ(twin->fps, 12);
    EXPECT_EQ(twin->flags, uint32_t(EVENT_HIDE_AT_STOP));
    EXPECT_EQ(twin->opacity, 200);
    EXPECT_EQ(twin->userWord, 0xBEEF);
    EXPECT_EQ(a.GetFrameInfo(1, 2)->frameName, CXString("first"));
    EXPECT_EQ(a.GetFrameInfo(1, 2)->dx, 5);
    EXPECT_EQ(a.GetFrameInfo(1, 0)->sounds, CXString("step.wav"));
    EXPECT_FALSE(a.GetFrameInfo(1, 1)->frameName.has_value());
    a.next();
    EXPECT_EQ(log.text, "T1.0 S T1.1 ");
    EXPECT_EQ(a.Current(), 1);

    a.Stop();
    a.playReverse(CXString("WALK"), 1);
    a.playReverse(CXString("walk_reverse"), 2);
    EXPECT_EQ(a.GetNOE(), 2);
    EXPECT_EQ(a.GetCurrentEvent(), 1);
    EXPECT_EQ(a.Current(), 0);
}

// A paused animation takes no steps; resuming reports 4 and it steps on
// from where it stood. The manager pauses and resumes every animation.
TEST_F(CAnimoPlayTest, PauseAndResumeThroughTheManager)
{
    CAnimo a(window.get());
    addFrames(a, window.get(), 4);
    addEvent(a, "run", {0, 1, 2, 3});
    a.GetEventInfo(0)->loopEnd = 3;
    a.SetFPS(25);
    Steps log(a, &clockNow);
    a.Play();
    frames(4, 10);
    a.pause();
    EXPECT_TRUE(a.isPaused());
    EXPECT_FALSE(a.isPlaying());
    frames(10, 10);
    a.Pause();
    a.resume();
    a.Resume();
    frames(4, 10);
    CAnimationManager* manager = application->getAnimoManagerIfc();
    manager->pause();
    frames(10, 10);
    manager->resume(nullptr);
    frames(4, 10);
    // After a pause the first step comes in the first frame.
    EXPECT_EQ(log.text, "0:T0.0 0:S 40:T0.1 140:R 150:T0.2 280:R 290:T0.3 ");
}

// stop(true) reports finished, stop(false) and StopNoNotify do not; an
// event with EVENT_HIDE_AT_STOP hides the animation when it stops; Continue
// plays on from the position shown, at the event's rate.
TEST_F(CAnimoPlayTest, StoppingAndContinuing)
{
    CAnimo a(window.get());
    addFrames(a, window.get(), 3);
    addEvent(a, "go", {0, 1, 2});
    a.GetEventInfo(0)->fps = 0;
    Steps log(a);
    a.Play();
    a.stop(false);
    a.Play();
    a.StopNoNotify();
    a.Play();
    a.stop(true);
    a.stop(true);
    EXPECT_EQ(log.text, "T0.0 S T0.0 S T0.0 S F F ");
    EXPECT_TRUE(a.IsVisible());

    a.GetEventInfo(0)->flags = EVENT_HIDE_AT_STOP;
    a.Play();
    a.Stop();
    EXPECT_FALSE(a.IsVisible());
    log.text.clear();
    a.SetFPS(3);
    a.Continue();
    EXPECT_EQ(log.text, "T0.1 ");
    EXPECT_TRUE(a.isPlaying());
    EXPECT_EQ(a.GetFPS(), CAnimo::DEFAULT_FPS);
    a.GetEventInfo(0)->fps = 20;
    a.Continue();
    EXPECT_EQ(a.GetFPS(), 20);
    EXPECT_EQ(log.text, "T0.1 T0.2 ");
}

class CAnimoSoundTest : public AnimoFixture {
protected:
    // An animation loaded from a file whose position 0 of "talk" plays
    // beep.wav (ms long) from the sound-effects folder, its positions 1
    // and 2 a loop.
    std::unique_ptr<CAnimo> talking(int ms, uint32_t eventFlags)
    {
        tmp.write("Wavs/beep.wav", pcmWav(ramp(22050 * ms / 1000)));
        window->SetSoundFXPath(CXString(platform::toEnginePath(tmp.file("Wavs")).c_str()));
        CAnimo built(window.get());
        addFrames(built, window.get(), 4);
        addEvent(built, "talk", {0, 1, 2, 3});
        built.GetEventInfo(0)->loopStart = 1;
        built.GetEventInfo(0)->loopEnd = 2;
        built.GetEventInfo(0)->flags = eventFlags;
        built.GetFrameInfo(0, 0)->sounds = CXString("beep.wav");
        std::unique_ptr<CAnimo> a(new CAnimo(window.get()));
        EXPECT_EQ(loadBytes(*a, saved(built)), 0);
        return a;
    }
};

// Playing position 0 starts its sound; stopping stops it unless the event
// lets it go on.
TEST_F(CAnimoSoundTest, AFrameSoundPlaysWithItsPositionAndStopsWithTheAnimation)
{
    for (uint32_t flags : {0u, uint32_t(EVENT_SOUND_GOES_ON)}) {
        std::unique_ptr<CAnimo> a = talking(200, flags);
        CSound4* beep = a->getSoundFX(0, 0);
        ASSERT_NE(beep, nullptr);
        EXPECT_FALSE(beep->IsPlaying());
        a->Play();
        EXPECT_EQ(a->getCurrentSound(), beep);
        EXPECT_TRUE(beep->IsPlaying());
        frames(2, 10);
        a->Stop();
        EXPECT_EQ(beep->IsPlaying(), flags != 0) << flags;
    }
}

// With EVENT_HOLD_WHILE_SOUND the loop holds while the frame sound plays;
// once it has ended the animation plays on and stops on its last position.
TEST_F(CAnimoSoundTest, TheLoopHoldsWhileTheFrameSoundPlays)
{
    std::unique_ptr<CAnimo> a = talking(90, EVENT_HOLD_WHILE_SOUND);
    a->SetFPS(50);
    Steps log(*a, &clockNow);
    a->Play();
    frames(20, 10);
    // The sound lasts 90 ms: the loop turns until the step after it ended.
    EXPECT_EQ(log.text, "0:T0.0 0:S 20:T0.1 40:T0.2 60:T0.1 80:T0.2 100:F 100:T0.3 ");
    EXPECT_FALSE(a->isPlaying());
}

// A playing animation on the screen: each frame shows the current frame at
// the global origin plus its own position plus its position's offset, with
// its alpha, flipped as the animation was, and the area it left shows the
// scenery again. A packed frame is opened to be drawn and packed again
// when the next one is.
TEST_F(CAnimoPlayTest, APlayingAnimationOnTheScreen)
{
    headless.setDesktopDepth(16);
    ASSERT_EQ(window->CreateSurface(nullptr), 0);
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    auto scenery = [](int x, int y) { return uint16_t((x * 7 + y * 13) ^ (y << 9)); };
    auto first = [](int x, int y) { return uint16_t(0xF800 | (x * 5 + y)); };
    auto firstAlpha = [](int x, int y) { return uint8_t((x + y) % 3 ? 255 : 0); };
    auto second = [](int x, int y) { return uint16_t(0x07E0 | (x + y * 3)); };
    auto picture = screentest::drawable(window.get(), 800, 600, scenery);
    screen->put(picture.get(), 0);

    CAnimo6 a(window.get());
    CFrame* f0 = new CFrame(window.get(), *screentest::drawable(window.get(), 12, 8, first, firstAlpha));
    f0->SetPosition(5, 6);
    a.appendFrame(f0);
    CFrame* f1 = new CFrame(window.get(), *screentest::drawable(window.get(), 10, 6, second));
    f1->SetPosition(30, 1);
    f1->Compress(COMPRESSION_RLE2);
    a.appendFrame(f1);
    addEvent(a, "show", {0, 1});
    a.GetFrameInfo(0, 0)->dx = 2;
    a.GetFrameInfo(0, 0)->dy = 3;
    a.SetGlobalPosition(100, 200);
    a.FlipH();
    a.SetFPS(25);
    screen->put(&a, 10);

    // Frame 0 at (107, 209), its rows upside down; frame 1 at (130, 201).
    int shown = 0;
    auto expected = [&](int x, int y) -> uint32_t {
        if (shown == 0) {
            const int sx = x - 107, sy = y - 209;
            if (sx >= 0 && sy >= 0 && sx < 12 && sy < 8 && firstAlpha(sx, 7 - sy))
                return first(sx, 7 - sy);
        } else {
            const int sx = x - 130, sy = y - 201;
            if (sx >= 0 && sy >= 0 && sx < 10 && sy < 6)
                return second(sx, 5 - sy);
        }
        return scenery(x, y);
    };
    a.Play();
    EXPECT_EQ(a.GetBoundingBox(), CXRect(107, 209, 119, 217));
    window->Tick();
    EXPECT_TRUE(screentest::frameIs(headless.shownFrame(0), expected, "animo_0"));
    frames(4, 10);
    shown = 1;
    EXPECT_EQ(a.GetBoundingBox(), CXRect(130, 201, 140, 207));
    window->Tick();
    EXPECT_TRUE(screentest::frameIs(headless.shownFrame(0), expected, "animo_1"));
    EXPECT_EQ(f1->GetCompression(), COMPRESSION_NONE);

    a.SetEventFrame(0, 0);
    shown = 0;
    window->Tick();
    EXPECT_TRUE(screentest::frameIs(headless.shownFrame(0), expected, "animo_2"));
    EXPECT_EQ(f1->GetCompression(), COMPRESSION_RLE2);
}

// An animation drawn at an opacity below 255 is blended into what lies
// under it: each channel (s x o + d x (256 - o)) >> 8.
TEST_F(CAnimoPlayTest, AnAnimationBlendsAtItsOpacity)
{
    CAnimo a(window.get());
    CFrame* f = plainFrame(window.get(), 2, 1, 0, 0, false, 0);
    reinterpret_cast<uint16_t*>(f->GetDataPtr())[0] = 0xFFFF;
    reinterpret_cast<uint16_t*>(f->GetDataPtr())[1] = 0x0000;
    a.appendFrame(f);
    addEvent(a, "half", {0});
    a.GetEventInfo(0)->opacity = 128;
    CGraphicsObject below(window.get(), CXSize(2, 1), 16);
    reinterpret_cast<uint16_t*>(below.GetDataPtr())[0] = 0x0000;
    reinterpret_cast<uint16_t*>(below.GetDataPtr())[1] = 0xFFFF;
    a.SetDestiny(&below);
    a.Play();
    EXPECT_EQ(a.GetOpacity(), 128);
    a.Redraw();
    // 31 x 128 >> 8 = 15, 63 x 128 >> 8 = 31; and 31 x 128 >> 8 over black.
    EXPECT_EQ(below.GetPixel(0, 0).getPixel() & 0xFFFF, (15u << 11) | (31u << 5) | 15u);
    EXPECT_EQ(below.GetPixel(1, 0).getPixel() & 0xFFFF, (15u << 11) | (31u << 5) | 15u);
}

} // namespace
