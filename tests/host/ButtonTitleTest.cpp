// A title with a BUTTON played by the host, with mouse input fed between
// frames through the headless platform: the click reaches the behaviours
// bound in the scene's definition, from the definitions and from the
// scene's snapshot alike.
#include "HostTitle.h"
#include "objects/AnimoFiles.h"
#include "platform/headless/Headless.h"

#include <cstdio>
#include <string>

namespace {

using CMC_ButtonTitle = testsupport::HostTitle;

// Over the button in the second frame: a right click, then a left press
// and, a frame later, its release.
void clickTheButton(platform::HeadlessPlatform& platform, uint64_t call, void*)
{
    platform::Mouse& mouse = platform.input().mouse();
    if (call == 2) {
        mouse.moveTo(50, 30);
        mouse.button(1, true);
        mouse.button(1, false);
        mouse.button(0, true);
    } else if (call == 3) {
        mouse.button(0, false);
    }
}

TEST_F(CMC_ButtonTitle, AClickRunsTheBehavioursBoundInTheDefinitionAndInTheSnapshot)
{
    // Its images and sounds name nothing, or objects of other types: the
    // button is made without them and clicks all the same.
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") +
                                "OBJECT=PRESSED\nPRESSED:TYPE=BEHAVIOUR\nPRESSED:CODE={N^ADD(10);}\n"
                                "OBJECT=B\nB:TYPE=BUTTON\nB:RECT=10,10,100,50\nB:ENABLE=TRUE\nB:GFXSTANDARD=N\n"
                                "B:GFXONCLICK=NOSUCH\nB:SNDONCLICK=N\nB:SNDONMOVE=PRESSED\nB:ONCLICKED=PRESSED\n"
                                "B:ONRELEASED={N^ADD(1);GAME^EXIT();}\n"}});
    testsupport::FeedInUse feed(&clickTheButton, nullptr);
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    // The right click raised nothing; the press and the release theirs.
    EXPECT_EQ(setting("S", "N"), "11");

    // Played again from the snapshot alone.
    EXPECT_EQ(run("-nogfx -2bin"), 0);
    EXPECT_NE(tmp.read("Rara/S/S.bin").find("10,10,100,50"), std::string::npos);
    ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    EXPECT_EQ(setting("S", "N"), "11");
}

// The colour shown at (15, 15) before the mouse comes over the button and
// once it is there.
struct Hover {
    uint32_t before = 0, over = 0;
    static void feed(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
    {
        Hover* h = static_cast<Hover*>(data);
        const platform::Surface* shown = platform.shownFrame(0);
        if (pass == 5 && shown)
            h->before = shown->pixelAt(15, 15);
        if (pass == 5)
            platform.input().mouse().moveTo(20, 20);
        if (pass == 10 && shown)
            h->over = shown->pixelAt(15, 15);
    }
};

// The images a button names are ANIMO objects of the scene: from the
// snapshot as from the definitions, the button finds them, whatever the
// order the snapshot's records come in, and shows its image for the mouse
// over it.
TEST_F(CMC_ButtonTitle, ItsImagesAreTheScenesObjectsFromTheDefinitionAndFromTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=B\nB:TYPE=BUTTON\nB:RECT=10,10,30,30\nB:ENABLE=TRUE\nB:GFXSTANDARD=PLAIN\n"
                            "B:GFXONMOVE=LIT\n"
                            "OBJECT=PLAIN\nPLAIN:TYPE=ANIMO\nPLAIN:FILENAME=plain.ann\nPLAIN:TOCANVAS=TRUE\n"
                            "PLAIN:VISIBLE=TRUE\n"
                            "OBJECT=LIT\nLIT:TYPE=ANIMO\nLIT:FILENAME=lit.ann\n"
                            "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=300\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/plain.ann"), {{20, 20, 10, 10, 0xF800}},
                                          {{"FACE", {0}}}));
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/lit.ann"), {{20, 20, 10, 10, 0x07E0}},
                                          {{"FACE", {0}}}));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        Hover hover;
        testsupport::FeedInUse feed(&Hover::feed, &hover);
        EXPECT_EQ(run("-nogfx -frames 100"), 0);
        EXPECT_EQ(hover.before, 0xF800u) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(hover.over, 0x07E0u) << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
