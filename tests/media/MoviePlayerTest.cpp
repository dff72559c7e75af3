// The movie player on the headless backend, with videos that FFmpeg's own
// encoders write: frames reach the window's screen, through its refresh
// and the player's 40 ms timer, with their colours, the sound track reaches
// the mixer, loops and seeks land where they should, files that cannot play
// report finished at once, and the worker stops cleanly whenever the player
// stops or goes.
#include "MediaSupport.h"
#include "graphics/RefreshScreen.h"
#include "media/MoviePlayer.h"
#include "media/Sound4.h"
#include "platform/ffmpeg/DecodedVideo.h"
#include "support/VideoWriter.h"

#include <cstdlib>

using namespace mediatest;

namespace {

using testsupport::nearColour;

struct MovieReports : CPlayableObserver {
    bool onPlayableStarted(CPlayable*) override { return add(1); }
    bool onPlayableTick(CPlayable*) override
    {
        ++ticks;
        return false;
    }
    bool onPlayableFinished(CPlayable*) override { return add(3); }
    bool add(int code)
    {
        codes.push_back(code);
        return false;
    }
    std::vector<int> codes;
    int ticks = 0;
};

uint16_t word(CGraphicsObject& g, int x, int y)
{
    return reinterpret_cast<uint16_t*>(g.GetDataPtr())[y * g.GetPitch() + x];
}

const std::vector<uint32_t> COLOURS = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
// A frame of the 25 frames a second the tests write, in stream time.
const int64_t FRAME = 400000;

class CMoviePlayerTest : public MediaFixture {
protected:
    void SetUp() override
    {
        MediaFixture::SetUp();
        if (!platform::videoDecoding())
            GTEST_SKIP() << "built without FFmpeg";
        ASSERT_EQ(window->CreateSurface(nullptr), 0);
    }

    // A video of COLOURS (200 ms) with a 500 Hz tone at 22050 Hz, the
    // sound device's own rate.
    std::string movie(const char* name = "movie.avi")
    {
        video.colours = COLOURS;
        video.toneHz = 500;
        EXPECT_TRUE(testsupport::writeTestVideo(tmp.file(name), video));
        return platform::toEnginePath(tmp.file(name));
    }
    // Window frames of 10 ms, the worker's period, for ms milliseconds:
    // each moves the clock (and so runs the worker's pass), then runs the
    // window's tick (and so the timer).
    void run(int ms) { frames(ms / 10, 10); }
    // The player on the window's screen, its top left at (100, 60).
    void show(CMoviePlayer& p)
    {
        p.SetPosition(100, 60);
        window->GetRefreshScreenInterface()->put(&p, 10);
    }
    // The colour in the middle of the player in the last frame shown.
    uint32_t colour(CMoviePlayer& p)
    {
        const platform::Surface* shown = headless.shownFrame(0);
        CXPoint at = p.GetPosition();
        if (!shown)
            return 0xBAD;
        return platform::Surface::toRgb(shown->pixelAt(at.x + p.getWidth() / 2, at.y + p.getHeight() / 2),
                                        shown->bitsPerPixel());
    }

    testsupport::TestVideo video;
    MovieReports reports;
};

TEST_F(CMoviePlayerTest, EachFrameReachesTheDrawableWithItsColour)
{
    CMoviePlayer player(window.get(), movie().c_str());
    show(player);
    ASSERT_TRUE(player.hasStream());
    EXPECT_EQ(player.getWidth(), 64);
    EXPECT_EQ(player.getHeight(), 48);
    player.addNotifier(&reports);
    player.play();
    EXPECT_EQ(reports.codes, std::vector<int>{1});
    EXPECT_TRUE(player.isPlaying());
    run(20);
    for (size_t i = 0; i < COLOURS.size(); ++i) {
        EXPECT_TRUE(nearColour(colour(player), COLOURS[i])) << i << ": " << std::hex << colour(player);
        if (i == 1) {
            // The whole screen: the picture in its place, nothing around it.
            const platform::Surface* shown = headless.shownFrame(0);
            int wrong = 0;
            for (int y = 0; y < shown->height(); ++y)
                for (int x = 0; x < shown->width(); ++x) {
                    bool inside = x >= 100 && x < 164 && y >= 60 && y < 108;
                    uint32_t rgb = platform::Surface::toRgb(shown->pixelAt(x, y), shown->bitsPerPixel());
                    wrong += inside ? !nearColour(rgb, COLOURS[1]) : rgb != 0;
                }
            EXPECT_EQ(wrong, 0);
        }
        // Surfaces lost on the way (a display mode change) are restored.
        if (i == 2)
            headless.loseSurfaces();
        run(40);
    }
    // The pass at the movie's end (200 ms) marks it, the timer of the
    // same frame reports it, once; a tick came for each frame.
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3}));
    EXPECT_EQ(reports.ticks, 5);
    EXPECT_FALSE(player.isPlaying());
    run(100);
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3}));

    // Drawn into a drawable that is no display surface, where it is
    // clipped: the rectangle at the drawable's position, nothing outside.
    player.play();
    player.seek(int(3 * FRAME));
    run(10);
    CGraphicsObject target(window.get(), CXSize(100, 80), 16);
    player.SetPosition(10, 20);
    player.SetClippingRect(2, 1, 8, 4);
    player.redraw(&target);
    EXPECT_EQ(word(target, 11, 21), 0);
    EXPECT_EQ(word(target, 12, 21), 0xFFFF);
    EXPECT_EQ(word(target, 17, 23), 0xFFFF);
    EXPECT_EQ(word(target, 18, 23), 0);
    EXPECT_EQ(word(target, 17, 24), 0);
    // Without a clipping rectangle, nothing.
    player.SetPosition(0, 0);
    player.SetClippingRect(0, 0, 0, 0);
    player.redraw(&target);
    EXPECT_EQ(word(target, 5, 5), 0);
}

TEST_F(CMoviePlayerTest, TheToneReachesTheMixerInStepWithThePictures)
{
    CMoviePlayer player(window.get(), movie().c_str());
    show(player);
    headless.captureAudio(true);
    run(80);
    player.play();
    run(160);
    std::vector<int16_t> heard = left(headless.takeCapturedAudio());
    ASSERT_EQ(heard.size(), 6u * 882u);
    // Silence before the play, then the tone from its first sample.
    for (size_t i = 0; i < 2 * 882; ++i)
        ASSERT_EQ(heard[i], 0) << i;
    for (size_t i = 0; i < 4 * 882; ++i)
        ASSERT_NEAR(heard[2 * 882 + i], testsupport::toneSample(video, int64_t(i)), 2) << i;

    // Paused, silent; resumed, the tone goes on where it stood.
    player.pause();
    run(80);
    std::vector<int16_t> paused = left(headless.takeCapturedAudio());
    EXPECT_EQ(std::count(paused.begin(), paused.end(), 0), long(paused.size()));
    player.resume();
    run(40);
    std::vector<int16_t> resumed = left(headless.takeCapturedAudio());
    ASSERT_EQ(resumed.size(), 882u);
    for (size_t i = 0; i < resumed.size(); ++i)
        ASSERT_NEAR(resumed[i], testsupport::toneSample(video, int64_t(4 * 882 + i)), 2) << i;
}

TEST_F(CMoviePlayerTest, LoopEndMinusOneRepeatsTheWholeMovie)
{
    CMoviePlayer player(window.get(), movie().c_str());
    show(player);
    player.addNotifier(&reports);
    player.setLoop(0, -1);
    EXPECT_EQ(player.getLoopEnd(), -1);
    player.play();
    run(20);
    for (size_t k = 0; k < 3 * COLOURS.size(); ++k) {
        EXPECT_TRUE(nearColour(colour(player), COLOURS[k % COLOURS.size()])) << k;
        run(40);
    }
    EXPECT_EQ(reports.codes, std::vector<int>{1});
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(reports.ticks, 15);

    // A section loop: from 40 ms, back once the time passed 120 ms.
    player.setLoop(40, 120);
    EXPECT_EQ(player.getLoopStart(), 400000);
    EXPECT_EQ(player.getLoopEnd(), 1200000);
    player.play();
    run(60);
    for (int i = 0; i < 30; ++i) {
        uint32_t c = colour(player);
        EXPECT_TRUE(nearColour(c, COLOURS[1]) || nearColour(c, COLOURS[2]) || nearColour(c, COLOURS[3])) << i;
        run(10);
    }
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 1}));
}

TEST_F(CMoviePlayerTest, SeekLandsOnTheFrameOfItsTime)
{
    CMoviePlayer player(window.get(), movie().c_str());
    show(player);
    player.addNotifier(&reports);
    player.play();
    run(10);
    player.pause();
    // Each frame is on the screen by the frame after the next timer.
    for (int i : {3, 1, 4, 2, 0}) {
        player.seek(int(i * FRAME + FRAME / 4));
        run(50);
        EXPECT_TRUE(nearColour(colour(player), COLOURS[size_t(i)])) << i << ": " << std::hex << colour(player);
    }
    // Paused, the movie stays where it is and does not finish.
    player.seek(int(4 * FRAME));
    run(400);
    EXPECT_TRUE(nearColour(colour(player), COLOURS[4]));
    EXPECT_EQ(reports.codes, std::vector<int>{1});
    player.resume();
    run(80);
    EXPECT_EQ(reports.codes, (std::vector<int>{1, 3}));
}

// A file that cannot be played gives a player without a stream, which
// reports finished as soon as it is played, and never started.
TEST_F(MediaFixture, AMovieThatDoesNotOpenReportsFinishedAtOnce)
{
    std::string wav = write("sound.wav", pcmWav(ramp(2205)));
    std::string junk = write("junk.avi", std::string(4096, '\x5A'));
    for (const std::string& name : {std::string("missing.avi"), wav, junk, std::string()}) {
        MovieReports reports;
        CMoviePlayer player(window.get());
        EXPECT_FALSE(player.load(name.c_str())) << name;
        EXPECT_FALSE(player.hasStream());
        player.addNotifier(&reports);
        player.play();
        EXPECT_EQ(reports.codes, std::vector<int>{3}) << name;
        EXPECT_FALSE(player.isPlaying());
        frames(3, 40);
        EXPECT_EQ(reports.codes, std::vector<int>{3}) << name;
    }
}

TEST_F(CMoviePlayerTest, AFileCutShortEndsAtItsLastFrame)
{
    std::string name = movie();
    std::string bytes = testsupport::readFile(tmp.file("movie.avi"));
    for (size_t keep : {bytes.size() * 2 / 3, bytes.size() / 2, size_t(600)}) {
        std::string cut = write("cut.avi", bytes.substr(0, keep));
        MovieReports reports;
        CMoviePlayer player(window.get(), cut.c_str());
        player.addNotifier(&reports);
        player.play();
        run(400);
        EXPECT_EQ(reports.codes.back(), 3) << keep;
        EXPECT_LE(reports.ticks, 5);
    }
}

// While the window is inactive the worker decodes nothing; the stream
// runs on, and the first pass after shows the frame of its time.
TEST_F(CMoviePlayerTest, AnInactiveWindowHoldsThePicture)
{
    CMoviePlayer player(window.get(), movie().c_str());
    show(player);
    player.addNotifier(&reports);
    player.play();
    run(50);
    EXPECT_EQ(reports.ticks, 2);
    window->OnActivateApp(false);
    run(80);
    EXPECT_TRUE(nearColour(colour(player), COLOURS[1]));
    window->OnActivateApp(true);
    run(40);
    EXPECT_TRUE(nearColour(colour(player), COLOURS[3]));
    EXPECT_EQ(reports.ticks, 3);
    EXPECT_EQ(reports.codes, std::vector<int>{1});
}

// The worker ends when the player stops, loads another file or goes, and
// the timer entry goes with it.
TEST_F(CMoviePlayerTest, TheWorkerStopsWithThePlayer)
{
    std::string name = movie();
    {
        CMoviePlayer player(window.get(), name.c_str());
        show(player);
        player.addNotifier(&reports);
        player.play();
        run(50);
        player.stop(false);
        EXPECT_FALSE(player.isPlaying());
        uint32_t shown = colour(player);
        EXPECT_TRUE(nearColour(shown, COLOURS[1]));
        run(100);
        EXPECT_EQ(colour(player), shown);
        EXPECT_EQ(reports.codes, std::vector<int>{1});
        player.play();
        run(50);
        EXPECT_TRUE(player.load(name.c_str()));
        EXPECT_FALSE(player.isPlaying());
        player.play();
        run(50);
        player.play(); // again while playing: a new run from the start
        run(10);
        EXPECT_TRUE(nearColour(colour(player), COLOURS[0]));
    }
    // Gone while playing: its timer entry must not fire.
    auto* playing = new CMoviePlayer(window.get(), name.c_str());
    show(*playing);
    playing->play();
    run(50);
    delete playing;
    run(100);
}

} // namespace
