// An animation shows and plays its frames: where a frame is drawn, which
// frame is held open, and the reports of playing, stopping and pausing.
#include "AnimoSupport.h"
#include "base/Compression.h"

#include <gtest/gtest.h>

using namespace mediatest;

namespace {

// What an animation reported, in order.
struct Log : CPlayableObserver {
    bool onPlayableStarted(CPlayable*) override { return add(1); }
    bool onPlayableTick(CPlayable*) override { return add(2); }
    bool onPlayableFinished(CPlayable*) override { return add(3); }
    bool onPlayableResumed(CPlayable*) override { return add(4); }
    bool add(int code)
    {
        codes.push_back(code);
        return true;
    }
    std::vector<int> codes;
};

class CAnimoTest : public AnimoFixture {
protected:
    // Two frames of 2 x 2 pixels at (3, 4) and (0, 0); "walk" shows 1, 0
    // with an offset of (1, 1) at its first position, "none" has no frames.
    void build(CAnimo& a)
    {
        a.appendFrame(plainFrame(window.get(), 2, 2, 3, 4, false, 0x100));
        a.appendFrame(plainFrame(window.get(), 2, 2, 0, 0, false, 0x200));
        addEvent(a, "none", {});
        addEvent(a, "walk", {1, 0});
        a.GetFrameInfo(1, 0)->dx = 1;
        a.GetFrameInfo(1, 0)->dy = 1;
    }
};

TEST_F(CAnimoTest, PlayingReportsATickForTheFirstFrameAndThenStarted)
{
    CAnimo a(window.get());
    build(a);
    Log log;
    a.addNotifier(&log);
    a.Play(CXString("NONE"), 0, 15);
    a.Play(CXString("nothing"), 0, 15);
    EXPECT_TRUE(log.codes.empty());
    EXPECT_FALSE(a.isPlaying());
    a.SetFPS(0);
    EXPECT_EQ(a.getFPS(), 1);
    a.Play(CXString("Walk"), 0, 15);
    EXPECT_EQ(log.codes, (std::vector<int>{2, 1}));
    EXPECT_TRUE(a.isPlaying());
    EXPECT_EQ(a.getStatus(), CPlayable::STATUS_PLAYING);
    EXPECT_EQ(a.GetCurrentEvent(), 1);
    EXPECT_EQ(a.Current(), 1);

    a.pause();
    EXPECT_EQ(a.GetStatus(), CAnimo::ANIMO_PAUSED);
    EXPECT_TRUE(a.isPaused());
    a.resume();
    EXPECT_EQ(a.GetStatus(), CAnimo::ANIMO_PLAYING);
    a.stop(true);
    EXPECT_EQ(a.GetStatus(), CAnimo::ANIMO_STOPPED);
    EXPECT_EQ(a.getStatus(), 0);
    EXPECT_EQ(log.codes, (std::vector<int>{2, 1, 3}));
}

TEST_F(CAnimoTest, AnEventThatMayNotBeInterruptedIgnoresPlayUntilItStops)
{
    CAnimo a(window.get());
    build(a);
    a.GetEventInfo(1)->flags = EVENT_NOT_INTERRUPTIBLE;
    addEvent(a, "other", {0});
    a.Play(CXString("walk"), 1, 15);
    a.Play(CXString("other"), 0, 15);
    EXPECT_EQ(a.GetCurrentEvent(), 1);
    EXPECT_EQ(a.GetCurrentFrameInSequence(), 1);
    a.Stop();
    a.Play(CXString("other"), 0, 15);
    EXPECT_EQ(a.GetCurrentEvent(), 2);
}

// A frame is drawn at the frame's own position plus its position's offset;
// the frame keeps its own place and clipping afterwards. The record's
// opacity is taken when the animation is opaque, else the event's.
TEST_F(CAnimoTest, TheCurrentFrameIsDrawnInTheAnimationsPlace)
{
    CAnimo a(window.get());
    build(a);
    a.GetFrameInfo(1, 1)->opacity = 255;
    a.GetEventInfo(1)->opacity = 255;
    CGraphicsObject screen(window.get(), CXSize(8, 8), 16);
    a.SetDestiny(&screen);
    a.SetEventFrame(1, 0);
    EXPECT_EQ(a.GetBoundingBox(), CXRect(1, 1, 3, 3));
    a.Redraw();
    EXPECT_EQ(screen.GetPixel(1, 1).getPixel() & 0xFFFF, 0x200);
    EXPECT_EQ(screen.GetPixel(2, 2).getPixel() & 0xFFFF, 0x203);
    EXPECT_EQ(a.getLastRefreshed(), a.GetFrame(1));
    EXPECT_EQ(a.GetFrame(1)->getRect(), CXRect(0, 0, 2, 2));

    a.SetEventFrame(1, 1);
    EXPECT_EQ(a.GetBoundingBox(), CXRect(3, 4, 5, 6));
    a.Redraw();
    EXPECT_EQ(screen.GetPixel(4, 5).getPixel() & 0xFFFF, 0x103);
    EXPECT_EQ(a.getLastRefreshed(), a.GetFrame(0));

    a.GetFrameInfo(1, 0)->opacity = 100;
    a.SetEventFrame(1, 0);
    EXPECT_EQ(a.GetOpacity(), 100);
    a.SetEventFrame(1, 1);
    EXPECT_EQ(a.GetOpacity(), 100);
    a.SetOpacity(255);
    a.GetEventInfo(1)->opacity = 50;
    a.SetEventFrame(1, 1);
    EXPECT_EQ(a.GetOpacity(), 50);
}

// Frames stay packed in memory; drawing opens the frame shown and packs
// the one drawn before, so at most one frame is open at a time.
TEST_F(CAnimoTest, AtMostOneFrameIsHeldOpen)
{
    CAnimo a(window.get());
    for (int i = 0; i < 3; ++i) {
        CFrame* f = plainFrame(window.get(), 4, 4, 0, 0, true, uint16_t(0x1000 * (i + 1)));
        f->Compress(COMPRESSION_RLE2);
        a.appendFrame(f);
    }
    addEvent(a, "all", {0, 1, 2});
    ASSERT_EQ(a.GetFrame(0)->GetCompression(), COMPRESSION_RLE2);
    CGraphicsObject screen(window.get(), CXSize(4, 4), 16);
    a.SetDestiny(&screen);
    for (int p = 0; p < 3; ++p) {
        a.SetEventFrame(0, p);
        a.Redraw();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(a.GetFrame(i)->GetCompression(), i == p ? COMPRESSION_NONE : COMPRESSION_RLE2) << p << i;
        EXPECT_EQ(screen.GetPixel(0, 0).getPixel() & 0xFFFF, 0x1000 * (p + 1));
        EXPECT_EQ(pixelsOf(&a), pixelsOf(a.GetFrame(p)));
    }
}

} // namespace
