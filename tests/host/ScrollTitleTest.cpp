// A title with a SCROLL played by the host: two IMAGE objects and an ANIMO
// added to it and scrolled, from the definitions and from the scene's
// snapshot (which keeps the viewport but not the list: the title's start
// adds them again); the frame shown is cut to the viewport.
#include "FrameAfterDone.h"
#include "HostTitle.h"
#include "objects/AnimoFiles.h"
#include "objects/ImageFiles.h"

#include <string>

namespace {

using CMC_ScrollTitle = testsupport::HostTitle;

const uint16_t RED = 0xF800, GREEN = 0x07E0, BLUE = 0x001F, GREY = 0x0020;

// The frame shown two frames after the start set DONE, with the
// viewport (100, 100)-(200, 200): A (60 x 40, red) scrolled to (70, 110),
// B (40 x 30, green) to (90, 160), both cut at the viewport's left edge;
// C (20 x 20, blue) scrolled to (60, 95), wholly outside and hidden.
uint32_t expectedPixel(int x, int y)
{
    if (x < 100 || x >= 130)
        return GREY;
    if (y >= 110 && y < 150)
        return RED;
    if (y >= 160 && y < 190)
        return GREEN;
    return GREY;
}

TEST_F(CMC_ScrollTitle, TheFrameIsCutToTheViewport)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("DONE") +
                                onInit("A^SETPOSITION(130,120);B^SETPOSITION(150,170);"
                                       "C^SETPOSITION(120,105);V^ADD(\"A\");V^ADD(\"B\");"
                                       "V^ADD(\"C\");V^SCROLLLEFT(60);V^SCROLLUP(10);"
                                       "SHOWN^SET(C^ISVISIBLE());"
                                       "DONE^SET(1);") +
                                "OBJECT=SHOWN\nSHOWN:TYPE=STRING\nSHOWN:TOINI=TRUE\n"
                                "OBJECT=V\nV:TYPE=SCROLL\nV:VIEWPORT=100,100,200,200\n"
                                "OBJECT=A\nA:TYPE=IMAGE\nA:FILENAME=a.img\nA:TOCANVAS=TRUE\n"
                                "A:VISIBLE=TRUE\nA:PRIORITY=5\n"
                                "OBJECT=B\nB:TYPE=ANIMO\nB:FILENAME=b.ann\nB:TOCANVAS=TRUE\n"
                                "B:VISIBLE=TRUE\nB:PRIORITY=3\n"
                                "OBJECT=C\nC:TYPE=IMAGE\nC:FILENAME=c.img\nC:TOCANVAS=TRUE\n"
                                "C:VISIBLE=TRUE\nC:PRIORITY=4\n"
                                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\n"
                                "QUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/a.img"), 60, 40, [](int, int) { return RED; }));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/c.img"), 20, 20, [](int, int) { return BLUE; }));
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/b.ann"), {{40, 30, 0, 0, GREEN}}, {{"IDLE", {0}}}));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        testsupport::FrameAfterDone shot(&expectedPixel, "scroll_cut");
        testsupport::FeedInUse feed(&testsupport::FrameAfterDone::feed, &shot);
        EXPECT_EQ(run("-nogfx -frames 300"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(shot.verdict, "shown") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "SHOWN"), "FALSE") << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
