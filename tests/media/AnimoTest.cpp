// An animation shows and plays its frames: where a frame is drawn, which
// frame is held open, and the reports of playing, stopping and pausing.
#include "AnimoSupport.h"
#include "base/Compression.h"
#include "graphics/RefreshScreen.h"
#include "media/Animo6.h"
#include "media/CollisionInspector.h"
#include "media/Sound4.h"

#include <gtest/gtest.h>
#include <type_traits>

using namespace mediatest;

namespace {

// Owning classes are copied only on purpose: the sharing copy of an
// animation and the copying constructors of a frame are explicit.
static_assert(!std::is_copy_constructible<CAnimo>::value && !std::is_copy_assignable<CAnimo>::value, "");
static_assert(!std::is_copy_constructible<CAnimo6>::value && !std::is_copy_assignable<CAnimo6>::value, "");
static_assert(!std::is_copy_constructible<CFrame>::value && !std::is_copy_assignable<CFrame>::value, "");
static_assert(!std::is_convertible<CAnimo&, CAnimo>::value && !std::is_convertible<CFrame&, CFrame>::value, "");
static_assert(!std::is_copy_constructible<CAnimoPieces>::value, "");
static_assert(!std::is_copy_constructible<CCollisionInspector>::value, "");
static_assert(!std::is_copy_constructible<CMonitoredObject>::value, "");

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
    EXPECT_EQ(log.codes, (std::vector<int>{2, 1, 4, 3}));
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

// The global origin is where the animation stands (less its anchor); a
// frame shows at the origin plus its own position plus its position's
// offset. Move repaints the old and the new box together; SetPosition
// places every frame.
TEST_F(CAnimoTest, PositionsOfTheAnimationAndItsFrames)
{
    ASSERT_EQ(window->CreateSurface(nullptr), 0);
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    CAnimo a(window.get());
    build(a);
    EXPECT_EQ(a.GetPosition(), CXPoint(0, 0));
    EXPECT_EQ(a.GetBoundingBox(), CXRect(0, 0, 0, 0));
    screen->put(&a, 0);
    a.setAnchor(5, 5);
    a.SetGlobalPosition(105, 205);
    EXPECT_EQ(a.getPosition(), CXPoint(100, 200));
    a.SetEventFrame(1, 0);
    EXPECT_EQ(a.GetPosition(), CXPoint(101, 201));
    EXPECT_EQ(a.GetBoundingBox(), CXRect(101, 201, 103, 203));
    EXPECT_EQ(a.ClientCoords(CXPoint(102, 202)), CXPoint(1, 1));
    EXPECT_EQ(a.getCurrFramePosition(), CXPoint(0, 0));

    screen->validate();
    a.Move(10, 0);
    CRefreshRegion* dirty = screen->getRefreshList();
    ASSERT_EQ(dirty->getSize(), 1);
    EXPECT_EQ(*dirty->rectAt(0), CXRect(101, 201, 113, 203));
    a.move(CXPoint(-10, 0));
    EXPECT_EQ(a.getPosition(), CXPoint(100, 200));
    a.setPosition(CXPoint(5, 5));
    EXPECT_EQ(a.getPosition(), CXPoint(0, 0));

    a.SetPosition(40, 50);
    for (int i = 0; i < a.GetNOF(); ++i) {
        EXPECT_EQ(a.GetFrame(i)->GetFramePosition(), CXPoint(40, 50));
        EXPECT_EQ(a.GetFrame(i)->getPosOffset(), CXPoint(0, 0));
    }
    EXPECT_EQ(a.GetPosition(), CXPoint(41, 51));
    // The clipping rectangle is in the frame's own pixels.
    a.SetClippingRect(CXRect(1, 0, 2, 2));
    EXPECT_EQ(a.GetBoundingBox(), CXRect(42, 51, 43, 53));
    a.SetClippingRect(CXRect());

    // The hit tests take the current frame in its own place.
    EXPECT_TRUE(a.isInside(40, 50, false));
    EXPECT_FALSE(a.isInside(42, 52, false));
    CAnimo empty(window.get());
    EXPECT_FALSE(empty.isInside(0, 0, false));
}

// Events and positions found by number and by name, position codes and
// the names positions answer to.
TEST_F(CAnimoTest, LookupsByNumberAndByName)
{
    CAnimo a(window.get());
    build(a);
    addEvent(a, "jump", {0, 1, 0});
    a.GetFrameInfo(2, 1)->frameName = CXString("Up");
    a.GetFrameInfo(2, 2)->frameName = CXString("");
    a.GetEventInfo(2)->loopStart = 1;
    a.GetEventInfo(2)->loopEnd = 2;
    a.GetEventInfo(2)->loopCount = 4;
    EXPECT_EQ(a.getFirstEvent(), 1);
    EXPECT_EQ(a.GetEventName(2), "jump");
    EXPECT_EQ(a.GetEventName(3), "");
    EXPECT_EQ(a.GetNOFInEvent(CXString("JUMP")), 3);
    EXPECT_EQ(a.GetNOFInEvent(CXString("fly")), 0);
    EXPECT_EQ(a.GetNOFInEvent(7), 0);
    EXPECT_EQ(a.GetEventFrame(2, 1), 1);
    EXPECT_EQ(a.GetEventFrame(2, 3), -1);
    EXPECT_EQ(a.GetEventNo(CXString("Walk")), 1);
    CXPoint loop;
    EXPECT_EQ(a.GetLoop(2, loop), 4);
    EXPECT_EQ(loop, CXPoint(1, 2));
    EXPECT_EQ(a.GetLoop(9, loop), 0);

    a.SetEventFrame(CXString("JUMP"), 2);
    EXPECT_EQ(a.getCurrentEventName(), "jump");
    EXPECT_EQ(a.GetEventNo(-1), 2);
    EXPECT_EQ(a.GetFrameNo(), 0);
    EXPECT_EQ(a.GetFrameNo(-1, CAnimo::POSITION_LAST), 2);
    EXPECT_EQ(a.GetFrameNo(-1, CAnimo::POSITION_FIRST), 0);
    EXPECT_EQ(a.GetFrameNo(-1, CAnimo::POSITION_CURRENT), 2);
    EXPECT_EQ(a.GetFrameNo(-1, 1), 1);
    EXPECT_EQ(a.GetFrameNo(2, CXString("Up")), 1);
    EXPECT_EQ(a.GetFrameNo(2, CXString("up")), -1);
    EXPECT_EQ(a.getFrameName(-1, 1), "Up");
    EXPECT_EQ(a.getFrameName(-1, -1), "");
    EXPECT_EQ(a.GetName(2, 1, CXString("Default")), "Up");
    EXPECT_EQ(a.GetName(2, 2, CXString("Default")), "Frame 2");
    EXPECT_EQ(a.GetName(2, 0, CXString("none")), "none");
    EXPECT_EQ(a.getFrameNo(CXString("UP")), 1);
    EXPECT_EQ(a.getFrame(CXString("up")), a.GetFrame(1));
    EXPECT_EQ(a.getFrameNo(CXString("down")), -1);
    EXPECT_EQ(a.getFrame(CXString("down")), nullptr);

    EXPECT_EQ(a.SetEventFrame(2, CXString("UP")), 1);
    EXPECT_EQ(a.GetCurrentFrameInSequence(), 1);
    EXPECT_EQ(a.SetEventFrame(-1, CXString("down")), -1);
    EXPECT_EQ(a.GetCurrentFrameInSequence(), 1);
    // Without a name a position answers to the empty text.
    EXPECT_EQ(a.SetEventFrame(2, CXString("")), 0);
    EXPECT_EQ(a.getCenterPoint(), CXPoint(1, 1));
}

// Frames and events added, exchanged and taken out; the tables follow.
TEST_F(CAnimoTest, EditingFramesAndEvents)
{
    CAnimo a(window.get());
    build(a);
    CGraphicsObject picture(window.get(), CXSize(4, 1), 16);
    reinterpret_cast<uint16_t*>(picture.GetDataPtr())[2] = 0x1234;
    picture.SetPosition(7, 8);
    CFrame* added = a.AddFrame(&picture);
    ASSERT_EQ(a.GetNOF(), 3);
    EXPECT_EQ(a.GetFrame(2), added);
    EXPECT_NE(added->GetDataPtr(), picture.GetDataPtr());
    EXPECT_EQ(pixelsOf(added), pixelsOf(&picture));
    EXPECT_EQ(added->GetFramePosition(), CXPoint(7, 8));
    EXPECT_EQ(a.AddFrame(nullptr), nullptr);
    EXPECT_EQ(a.AddFrame(1, 2, 3), nullptr);

    // A frame an event shows stays; one none shows goes, and the frames
    // after it move down in every table.
    EXPECT_FALSE(a.RemoveFrame(0));
    _annEventInfo3 jump;
    jump.setName("jump");
    jump.frames = {2, 1};
    EXPECT_EQ(a.AddEvent(&jump), 2);
    EXPECT_EQ(a.GetFrameInfo(2, 1)->userInt1, -1);
    EXPECT_FALSE(a.RemoveFrame(2));
    a.RemoveFrame(2, 0);
    EXPECT_EQ(a.GetEventInfo(2)->frames, std::vector<uint16_t>{1});
    a.GetEventInfo(1)->frames = {1, 2};
    EXPECT_TRUE(a.RemoveFrame(0));
    EXPECT_EQ(a.GetNOF(), 2);
    EXPECT_EQ(a.GetEventInfo(1)->frames, (std::vector<uint16_t>{0, 1}));
    EXPECT_EQ(a.GetEventInfo(2)->frames, std::vector<uint16_t>{0});
    EXPECT_EQ(a.GetFrame(1), added);

    a.GetFrameInfo(1, 0)->frameName = CXString("a");
    a.ExchangeFrames(1, 0, 1);
    EXPECT_EQ(a.GetEventInfo(1)->frames, (std::vector<uint16_t>{1, 0}));
    EXPECT_EQ(a.getFrameName(1, 1), "a");
    a.ExchangeFrames(1, 0, 5);
    EXPECT_EQ(a.GetEventInfo(1)->frames, (std::vector<uint16_t>{1, 0}));
    a.GetFrameInfo(1, 1)->sounds = CXString("a.wav");
    a.ClearWAVEntry(1, 1);
    EXPECT_FALSE(a.GetFrameInfo(1, 1)->sounds.has_value());

    a.RemoveAllFrames(1);
    EXPECT_EQ(a.GetNOFInEvent(1), 0);
    EXPECT_EQ(a.GetFrameInfo(1, 0), nullptr);
    a.SetEventFrame(2, 0);
    a.RemoveEvent(0);
    EXPECT_EQ(a.GetNOE(), 2);
    EXPECT_EQ(a.GetCurrentEvent(), 1);
    EXPECT_EQ(a.GetEventName(1), "jump");
    a.RemoveAllEvents();
    EXPECT_EQ(a.GetNOE(), 0);
    EXPECT_EQ(a.GetNOF(), 2);

    a.Convert(15);
    EXPECT_EQ(a.GetBpp(), 15);
    EXPECT_EQ(a.GetFrame(1)->GetBpp(), 15);
}

// A position's sound object is replaced (the old one stops); a sound
// list's sounds take the scene animation's volume, panning and frequency.
TEST_F(CAnimoTest, FrameSoundsAreReplacedAndTakeTheAnimationsSettings)
{
    CAnimo6 built(window.get());
    build(built);
    built.GetFrameInfo(1, 0)->sounds = CXString("a.wav");
    built.GetFrameInfo(1, 1)->sounds = CXString("b.wav");
    CAnimo6 a(window.get());
    ASSERT_EQ(loadBytes(a, saved(built)), 0);
    ASSERT_TRUE(a.hasSoundTables());
    a.setVolume(-300);
    a.setPanning(20);
    a.setFrequency(11025);
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(a.getSoundFX(1, p)->getVolume(), -300);
        EXPECT_EQ(a.getSoundFX(1, p)->getPanning(), 20);
        EXPECT_EQ(a.getSoundFX(1, p)->getFrequency(), 11025);
    }
    CSound4* other = new CSound4(window.get());
    a.UpdateSoundFX(1, 1, other);
    EXPECT_EQ(a.getSoundFX(1, 1), other);
    a.UpdateSoundFX(1, 9, nullptr);
}

// A copy shows and plays the source's frames and events without copying
// them, reports to its own observers, and keeps them after the source has
// gone.
TEST_F(CAnimoTest, ACopySharesTheFramesAndOutlivesItsSource)
{
    std::unique_ptr<CAnimo6> source(new CAnimo6(window.get()));
    build(*source);
    source->SetGlobalPosition(2, 2);
    source->SetEventFrame(1, 1);
    Log sourceLog;
    source->addNotifier(&sourceLog);
    std::unique_ptr<CAnimo6> copy(static_cast<CAnimo6*>(source->clone()));
    EXPECT_TRUE(source->ownsItsData());
    EXPECT_FALSE(copy->ownsItsData());
    EXPECT_EQ(copy->GetFrame(0), source->GetFrame(0));
    EXPECT_EQ(copy->GetEventInfo(1), source->GetEventInfo(1));
    EXPECT_EQ(copy->getGlobalOrigin(), CXPoint(2, 2));
    EXPECT_EQ(copy->Current(), 0);
    EXPECT_EQ(copy->GetBoundingBox(), source->GetBoundingBox());
    EXPECT_EQ(copy->getGfxType(), CAnimo6::GFX_TYPE);

    Log copyLog;
    copy->addNotifier(&copyLog);
    copy->Play(CXString("walk"), 0, 15);
    EXPECT_EQ(copyLog.codes, (std::vector<int>{2, 1}));
    EXPECT_TRUE(sourceLog.codes.empty());
    EXPECT_FALSE(source->isPlaying());
    EXPECT_EQ(source->Current(), 0);

    source.reset();
    CGraphicsObject screen(window.get(), CXSize(8, 8), 16);
    copy->SetDestiny(&screen);
    copy->SetEventFrame(1, 1);
    copy->Redraw();
    EXPECT_EQ(screen.GetPixel(5, 6).getPixel() & 0xFFFF, 0x100);
    copy->Flush();
    EXPECT_TRUE(copy->ownsItsData());
    EXPECT_EQ(copy->GetNOF(), 0);
}

} // namespace
