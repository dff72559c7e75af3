// The script MOVIE in a scene with the engine's screen unit, playing the
// headless platform's solid-frame videos: frames on the window's screen,
// the events in their order and on the frames' thread, loops and seeks in
// stream time, stops and pauses, methods without their arguments, and the
// snapshot record. A title played by the host is in MovieTitleTest.
#include "ScriptAnimoSupport.h"
#include "media/MoviePlayer.h"
#include "objects/ScriptMovie.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Frame f of a video is a colour of its own among 2048, in 5-6-5 too, all
// of them full blue, unlike the screen's background.
uint32_t colourOf(int f)
{
    return uint32_t((f & 31) << 19 | ((f >> 5) & 63) << 10 | 0xF8);
}

class CMC_MovieTest : public animotest::AnimoTest {
protected:
    CMC_MovieTest()
    {
        for (int f = 0; f < 2048; ++f)
            video.colours.push_back(colourOf(f));
    }
    // A video of frames of 100 ms, 32 x 24 pixels.
    void addVideo(const char* name, int frames)
    {
        video.width = 32;
        video.height = 24;
        video.frames = frames;
        video.frameMs = 100;
        backend.addFakeVideo(name, video);
    }
    CMC_Movie* movie(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_MOVIE) << name;
        return o && o->getType() == MC_MOVIE ? static_cast<CMC_Movie*>(o) : nullptr;
    }
    // Window frames of 10 ms, the worker's period, for ms milliseconds.
    void run(int ms)
    {
        for (int i = 0; i < ms / 10; ++i) {
            clockNow.advance(10);
            window->Tick();
        }
    }
    // The frame whose colour the screen shows at (x, y); -1 for another.
    int frameAt(int x, int y)
    {
        const uint32_t shown = shownAt(x, y);
        for (int f = 0; f < 2048; ++f)
            if (platform::Surface::fromRgb(colourOf(f), 16) == shown)
                return f;
        return -1;
    }

    platform::FakeVideo video;
};

// A movie at its POSITION on the screen, its events in order: started,
// a new frame for each frame of the video, finished once at the end, each
// raised on the thread that runs the frames. The last frame stays. At
// PRIORITY -1 the movie plays off the screen with its events all the same;
// an event bound only in a caret form is never raised.
TEST_F(CMC_MovieTest, FramesReachTheScreenAndTheEventsFollowInOrder)
{
    addVideo("intro.avi", 5);
    define({"LOG:TYPE=STRING", "M:TYPE=MOVIE", "M:FILENAME=intro.avi", "M:POSITION=100,50",
            "M:ONSTARTED={LOG^ADD(\"s\");}", "M:ONFRAMEUPDATED={LOG^ADD(\"t\");}", "M:ONFINISHED={LOG^ADD(\"f\");}",
            "H:TYPE=MOVIE", "H:FILENAME=INTRO.AVI", "H:PRIORITY=-1", "H:ONSTARTED={LOG^ADD(\"S\");}",
            "H:ONFINISHED^X={LOG^ADD(\"X\");}"});
    CMoviePlayer* player = movie("M")->getPlayer();
    ASSERT_TRUE(player->hasStream());
    EXPECT_EQ(player->GetPosition().x, 100);
    EXPECT_EQ(player->GetPosition().y, 50);

    std::thread::id raisedOn;
    struct Watch : CPlayableObserver {
        std::thread::id* on;
        bool onPlayableTick(CPlayable*) override { return *on = std::this_thread::get_id(), false; }
    } watch;
    watch.on = &raisedOn;
    player->addNotifier(&watch);

    EXPECT_EQ(call("M", "PLAY"), "-");
    EXPECT_EQ(call("H", "PLAY"), "-");
    EXPECT_EQ(logged(), "sS");
    EXPECT_EQ(call("M", "ISPLAYING"), "TRUE");
    std::vector<int> seen;
    for (int i = 0; i < 60; ++i) {
        run(10);
        const int f = frameAt(116, 62);
        if (f >= 0 && (seen.empty() || seen.back() != f))
            seen.push_back(f);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(logged(), "tttttf");
    EXPECT_EQ(raisedOn, std::this_thread::get_id());
    EXPECT_EQ(call("M", "ISPLAYING"), "FALSE");
    EXPECT_EQ(call("H", "ISPLAYING"), "FALSE");
    EXPECT_EQ(frameAt(100, 50), 4);
    EXPECT_EQ(frameAt(131, 73), 4);
    EXPECT_EQ(frameAt(132, 62), -1);
    EXPECT_EQ(frameAt(0, 0), -1);
    player->removeNotifier(&watch);
}

// Without a stream (no FILENAME, or one that does not open) PLAY reports
// the end at once and never the start; SEEK, PAUSE and RESUME do nothing.
// LOAD gives the player the file, and FALSE for a file that does not open
// or no name at all, which leaves it without a stream. Methods missing
// their arguments change nothing.
TEST_F(CMC_MovieTest, WithoutAStreamAndWithoutArguments)
{
    addVideo("intro.avi", 5);
    define({"LOG:TYPE=STRING", "M:TYPE=MOVIE", "M:ONSTARTED={LOG^ADD(\"s\");}", "M:ONFINISHED={LOG^ADD(\"f\");}",
            "N:TYPE=MOVIE", "N:FILENAME=missing.avi", "N:ONFINISHED={LOG^ADD(\"n\");}"});
    CMoviePlayer* player = movie("M")->getPlayer();
    EXPECT_FALSE(player->hasStream());
    for (const char* method : {"SEEK", "PAUSE", "RESUME", "SETPOSITION", "SETLOOP"})
        EXPECT_EQ(call("M", method, {"1500", "20"}), "-") << method;
    EXPECT_EQ(call("M", "PLAY"), "-");
    EXPECT_EQ(call("N", "PLAY"), "-");
    EXPECT_EQ(logged(), "fn");
    EXPECT_EQ(call("M", "ISPLAYING"), "FALSE");

    EXPECT_EQ(call("M", "LOAD"), "FALSE");
    EXPECT_EQ(call("M", "LOAD", {"\"intro.avi\""}), "TRUE");
    EXPECT_EQ(player->getWidth(), 32);
    EXPECT_EQ(call("M", "SETPOSITION", {"10"}), "-");
    EXPECT_EQ(call("M", "SEEK"), "-");
    EXPECT_EQ(player->GetPosition().x, 1500);
    EXPECT_EQ(player->GetPosition().y, 20);
    EXPECT_EQ(call("M", "LOAD", {"\"missing.avi\""}), "FALSE");
    EXPECT_FALSE(player->hasStream());
    call("M", "PLAY");
    EXPECT_EQ(logged(), "f");
}

// STOP(FALSE) ends the play silently, STOP with no argument reports the
// end at once. A paused movie stands on its frame however long it stays
// paused, at its end too, and is not reported finished; resumed it plays
// on to its end.
TEST_F(CMC_MovieTest, StopsAndPauses)
{
    addVideo("intro.avi", 5);
    define({"LOG:TYPE=STRING", "M:TYPE=MOVIE", "M:FILENAME=intro.avi", "M:ONSTARTED={LOG^ADD(\"s\");}",
            "M:ONFINISHED={LOG^ADD(\"f\");}"});
    call("M", "PLAY");
    run(100);
    call("M", "STOP", {"FALSE"});
    EXPECT_EQ(call("M", "ISPLAYING"), "FALSE");
    run(1000);
    EXPECT_EQ(logged(), "s");
    call("M", "PLAY");
    call("M", "STOP");
    EXPECT_EQ(logged(), "sf");
    run(1000);
    EXPECT_EQ(logged(), "");

    call("M", "PLAY");
    run(150);
    call("M", "PAUSE");
    EXPECT_EQ(call("M", "ISPLAYING"), "FALSE");
    run(200);
    const int paused = frameAt(16, 12);
    EXPECT_EQ(paused, 1);
    run(1000);
    EXPECT_EQ(frameAt(16, 12), paused);
    call("M", "SEEK", {"500"});
    run(1000);
    EXPECT_EQ(logged(), "s");
    call("M", "SEEK", {"300"});
    call("M", "RESUME");
    EXPECT_EQ(call("M", "ISPLAYING"), "TRUE");
    run(300);
    EXPECT_EQ(logged(), "f");
    EXPECT_EQ(frameAt(16, 12), 4);
}

// A title that plays its movie again from "ONFINISHED" (raised by the
// player's timer) sees it start and end anew each time.
TEST_F(CMC_MovieTest, PlayedAgainFromItsEnd)
{
    addVideo("intro.avi", 3);
    define({"LOG:TYPE=STRING", "N:TYPE=INTEGER", "M:TYPE=MOVIE", "M:FILENAME=intro.avi",
            "M:ONSTARTED={LOG^ADD(\"s\");}",
            "M:ONFINISHED={LOG^ADD(\"f\");N^INC();@IF(N<3,{M^PLAY();},\"\");}"});
    call("M", "PLAY");
    run(2000);
    EXPECT_EQ(logged(), "sfsfsf");
    EXPECT_EQ(call("M", "ISPLAYING"), "FALSE");
    EXPECT_EQ(frameAt(16, 12), 2);
}

// SETLOOP(1000, 5000) plays from 1 s to 5 s over and over; SETLOOP(0, 0)
// lets the movie end again; SETLOOP with no argument starts it again from
// the beginning at each end. SEEK takes milliseconds to stream time,
// beyond the 32 bits of 100 ns units as well.
TEST_F(CMC_MovieTest, LoopsAndSeeksInStreamTime)
{
    addVideo("long.avi", 4000); // 400 s
    addVideo("short.avi", 60);  // 6 s
    define({"LOG:TYPE=STRING", "L:TYPE=MOVIE", "L:FILENAME=long.avi", "S:TYPE=MOVIE", "S:FILENAME=short.avi",
            "S:POSITION=100,100", "S:ONFINISHED={LOG^ADD(\"f\");}"});
    call("L", "PLAY");
    call("L", "PAUSE");
    for (int ms : {1500, 300000, 250}) {
        call("L", "SEEK", {std::to_string(ms).c_str()});
        run(60);
        EXPECT_EQ(frameAt(16, 12), ms / 100 % 2048) << ms;
    }
    call("L", "STOP", {"FALSE"});

    call("S", "SETLOOP", {"1000", "5000"});
    call("S", "PLAY");
    // Twice round the loop after the first pass to 5 s.
    int lowest = 100, highest = -1;
    for (int i = 0; i < 1400; ++i) {
        run(10);
        const int f = frameAt(116, 112);
        if (i >= 600) {
            lowest = std::min(lowest, f);
            highest = std::max(highest, f);
        }
    }
    EXPECT_EQ(lowest, 10);
    EXPECT_GE(highest, 49);
    EXPECT_LE(highest, 50);
    EXPECT_EQ(logged(), "");
    call("S", "SETLOOP", {"0", "0"});
    run(6000);
    EXPECT_EQ(logged(), "f");
    call("S", "SETLOOP");
    call("S", "PLAY");
    run(15000);
    EXPECT_EQ(logged(), "");
    EXPECT_EQ(call("S", "ISPLAYING"), "TRUE");
}

// The record of a MOVIE is the base object's; read back, the object is
// there with its behaviours and a player without a stream until LOAD, and
// the objects written after it are read too.
TEST_F(CMC_MovieTest, TheSnapshotRecordIsReadBack)
{
    addVideo("intro.avi", 5);
    define({"LOG:TYPE=STRING", "M:TYPE=MOVIE", "M:FILENAME=intro.avi", "M:ONSTARTED={LOG^ADD(\"s\");}",
            "M:ONFINISHED={LOG^ADD(\"f\");}", "AFTER:TYPE=MOVIE"});
    const std::string bytes = writeSnapshot();
    // After the bindings of M's record.
    EXPECT_GT(bytes.find("AFTER"), bytes.rfind("beh_M_"));
    EXPECT_LT(bytes.find("AFTER"), bytes.size());
    reread(bytes);
    ASSERT_NE(movie("M"), nullptr);
    ASSERT_NE(movie("AFTER"), nullptr);
    call("M", "PLAY");
    EXPECT_EQ(logged(), "f");
    EXPECT_EQ(call("M", "LOAD", {"\"intro.avi\""}), "TRUE");
    call("M", "PLAY");
    run(1000);
    EXPECT_EQ(logged(), "sf");
    EXPECT_EQ(frameAt(16, 12), 4);
}

} // namespace
