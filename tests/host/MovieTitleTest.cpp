// A title with a MOVIE played by the host, from the definitions and from
// the scene's snapshot: a small video that FFmpeg's encoders write, its
// frames on the screen in their place and its events in order.
#include "HostTitle.h"
#include "platform/ffmpeg/DecodedVideo.h"
#include "platform/headless/Headless.h"
#include "support/VideoWriter.h"

#include <string>
#include <vector>

namespace {

using CMC_MovieTitle = testsupport::HostTitle;

const std::vector<uint32_t> COLOURS = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};

// The colours shown at the middle of the movie, each once in turn, and
// whether anything else was seen beside it.
struct Shown {
    std::vector<uint32_t> colours;
    bool outside = false;
    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        Shown* s = static_cast<Shown*>(data);
        const platform::Surface* shown = platform.shownFrame(0);
        if (!shown)
            return;
        auto at = [shown](int x, int y) { return platform::Surface::toRgb(shown->pixelAt(x, y), shown->bitsPerPixel()); };
        const uint32_t middle = at(132, 84);
        if (s->colours.empty() || !testsupport::nearColour(middle, s->colours.back()))
            s->colours.push_back(middle);
        // Left of and below the picture (64 x 48 at 100, 60), the screen's
        // background, as at its top left.
        const uint32_t background = at(0, 0);
        s->outside = s->outside || at(99, 84) != background || at(132, 108) != background;
    }
};

// The scene loads the video, places it and plays it when it starts (a
// snapshot keeps no file name): the start, a new frame for each of the
// five frames, then the end reach the behaviours, and the screen shows the
// five colours in turn.
TEST_F(CMC_MovieTitle, AVideoPlaysOnTheScreenFromTheDefinitionsAndFromTheSnapshot)
{
    if (!platform::videoDecoding())
        GTEST_SKIP() << "built without FFmpeg";
    testsupport::TestVideo video;
    video.colours = COLOURS;
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", onInit("LOG^ADD(M^LOAD(\"movie.avi\"));M^SETPOSITION(100,60);M^PLAY();") +
                                "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:VALUE=.\nLOG:TOINI=TRUE\n"
                                "OBJECT=M\nM:TYPE=MOVIE\nM:FILENAME=none.avi\nM:POSITION=10,10\n"
                                "M:ONSTARTED={LOG^ADD(\"s\");}\nM:ONFRAMEUPDATED={LOG^ADD(\"t\");}\n"
                                "M:ONFINISHED={LOG^ADD(\"f\");}\n"
                                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(testsupport::writeTestVideo(tmp.file("Rara/S/movie.avi"), video));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        Shown shown;
        testsupport::FeedInUse feed(&Shown::feed, &shown);
        EXPECT_EQ(run("-nogfx -step 10 -frames 1000"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "LOG"), ".TRUEstttttf") << "from the snapshot " << fromSnapshot;
        ASSERT_GE(shown.colours.size(), COLOURS.size()) << "from the snapshot " << fromSnapshot;
        // What the screen showed there before the movie's first frame.
        const size_t first = shown.colours.size() - COLOURS.size();
        for (size_t i = 0; i < COLOURS.size(); ++i)
            EXPECT_TRUE(testsupport::nearColour(shown.colours[first + i], COLOURS[i]))
                << i << ": " << std::hex << shown.colours[first + i] << ", from the snapshot " << fromSnapshot;
        EXPECT_FALSE(shown.outside) << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
