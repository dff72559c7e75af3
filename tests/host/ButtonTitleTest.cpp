// A title with a BUTTON played by the host, with mouse input fed between
// frames through the headless platform: the click reaches the behaviours
// bound in the scene's definition, from the definitions and from the
// scene's snapshot alike.
#include "HostTitle.h"
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

} // namespace
