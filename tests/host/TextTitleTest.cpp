// A title with a TEXT in a FONT played by the host: the text is justified
// into its rectangle, coloured by the scene's script and drawn on the
// screen pixel for pixel, from the definitions and from the scene's
// snapshot alike.
#include "HostTitle.h"
#include "platform/headless/Headless.h"
#include "ui/TextSupport.h"

#include <string>
#include <vector>

namespace {

using CMC_TextTitle = testsupport::HostTitle;

const int AREA_W = 120, AREA_H = 60;
const uint32_t RED = 0xF800;

// The top left of the screen as last shown.
struct Shown {
    std::vector<uint32_t> pixels;
    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        Shown* s = static_cast<Shown*>(data);
        const platform::Surface* shown = platform.shownFrame(0);
        if (!shown)
            return;
        s->pixels.clear();
        for (int y = 0; y < AREA_H; ++y)
            for (int x = 0; x < AREA_W; ++x)
                s->pixels.push_back(shown->pixelAt(x, y));
    }
};

// "aa" (9 wide, one line 7 high) at the right and bottom of (0, 0, 100,
// 50) stands at (91, 43); its two letters ink columns 91 to 93 and 95 to
// 97 over rows 44 to 48, in the red the scene's "ONINIT" gave it. The rest
// is the screen's background.
TEST_F(CMC_TextTitle, AJustifiedTextInItsFontFromTheDefinitionsAndFromTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", onInit("T^SETCOLOR(255,0,0);") +
                                "OBJECT=F\nF:TYPE=FONT\nF:DEF_Blocks_STANDARD_7=standard.fnt\n"
                                "OBJECT=T\nT:TYPE=TEXT\nT:FONT=F\nT:TEXT=aa\nT:RECT=0,0,100,50\n"
                                "T:HJUSTIFY=RIGHT\nT:VJUSTIFY=BOTTOM\nT:TOCANVAS=TRUE\nT:VISIBLE=TRUE\nT:PRIORITY=5\n"
                                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=300\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    texttest::compileBlocks(nullptr, platform::toEnginePath(tmp.file("Rara/S/standard.fnt")),
                            texttest::standardInk(), "STANDARD");
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        Shown shown;
        testsupport::FeedInUse feed(&Shown::feed, &shown);
        EXPECT_EQ(run("-nogfx -frames 1000"), 0) << "from the snapshot " << fromSnapshot;
        ASSERT_EQ(shown.pixels.size(), size_t(AREA_W * AREA_H)) << "from the snapshot " << fromSnapshot;
        const uint32_t background = shown.pixels[0];
        EXPECT_NE(background, RED);
        int wrong = 0;
        for (int y = 0; y < AREA_H; ++y)
            for (int x = 0; x < AREA_W; ++x) {
                const bool ink = y >= 44 && y <= 48 && ((x >= 91 && x <= 93) || (x >= 95 && x <= 97));
                const uint32_t pixel = shown.pixels[size_t(y * AREA_W + x)];
                if (pixel != (ink ? RED : background) && ++wrong <= 5)
                    ADD_FAILURE() << "(" << x << ", " << y << ") is " << std::hex << pixel << ", from the snapshot "
                                  << fromSnapshot;
            }
        EXPECT_EQ(wrong, 0) << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
