// Titles with IMAGE objects played by the host: a button's click, from the
// definitions and from the scene's snapshot, and the frame shown with a
// linked image, against the expected pixels.
#include "FrameAfterDone.h"
#include "HostTitle.h"
#include "graphics/ScreenSupport.h"
#include "objects/ImageFiles.h"
#include "platform/headless/Headless.h"
#include "script/Scene.h"
#include "ui/Unit6.h"

#include <cstdio>
#include <string>

namespace {

using CMC_ImageTitle = testsupport::HostTitle;

const uint16_t RED = 0xF800, GREEN = 0x07E0, BLUE = 0x001F, GREY = 0x0020;

// A left press over B in the second frame and its release in the third.
void clickB(platform::HeadlessPlatform& platform, uint64_t call, void*)
{
    platform::Mouse& mouse = platform.input().mouse();
    if (call == 2) {
        mouse.moveTo(310, 305);
        mouse.button(0, true);
    } else if (call == 3) {
        mouse.button(0, false);
    }
}

// B takes the press: OVER, a button above it without an ONCLICK behaviour,
// lets it through and raises its release.
TEST_F(CMC_ImageTitle, AButtonsClickFromTheDefinitionsAndTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") + onInit("B^SETPOSITION(300,300);OVER^SETPOSITION(300,300);") +
                                "OBJECT=B\nB:TYPE=IMAGE\nB:FILENAME=b.img\nB:TOCANVAS=TRUE\nB:VISIBLE=TRUE\n"
                                "B:PRIORITY=3\nB:ASBUTTON=TRUE\nB:ONCLICK^LEFT={N^ADD(1);}\n"
                                "OBJECT=OVER\nOVER:TYPE=IMAGE\nOVER:FILENAME=over.img\nOVER:TOCANVAS=TRUE\n"
                                "OVER:VISIBLE=TRUE\nOVER:PRIORITY=8\nOVER:ASBUTTON=TRUE\n"
                                "OVER:ONRELEASE={N^ADD(10);GAME^EXIT();}\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/b.img"), 30, 20, [](int, int) { return BLUE; }));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/over.img"), 30, 20, [](int, int) { return GREEN; }));
    testsupport::FeedInUse feed(&clickB, nullptr);
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    EXPECT_EQ(setting("S", "N"), "11");

    EXPECT_EQ(run("-nogfx -2bin"), 0);
    ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    EXPECT_EQ(setting("S", "N"), "11");
}

// The frame shown two frames after the behaviours set DONE: P (40 x 30 at (100, 100)) with its right half made transparent by
// MERGEALPHA2 and its red made blue after L was linked to it; L at
// (200, 100) shows the same; Q behind L shows where L is
// transparent.
uint32_t expectedPixel(int x, int y)
{
    if (y < 100 || y >= 130)
        return GREY;
    if ((x >= 100 && x < 120) || (x >= 200 && x < 220))
        return BLUE;
    if (x >= 220 && x < 240)
        return GREEN;
    return GREY;
}

TEST_F(CMC_ImageTitle, TheFrameShownWithALinkedImage)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("DONE") +
                onInit("P^SETPOSITION(100,100);P^MERGEALPHA2(20,0,\"HALF\");L^LINK(\"P\");L^MOVE(100,0);"
                       "P^REPLACECOLOR(0,255,0,0,0,0,255);Q^SETPOSITION(200,100);DONE^SET(1);") +
                "OBJECT=P\nP:TYPE=IMAGE\nP:FILENAME=p.img\nP:TOCANVAS=TRUE\nP:VISIBLE=TRUE\nP:PRIORITY=5\n"
                "OBJECT=L\nL:TYPE=IMAGE\nL:FILENAME=l.img\nL:TOCANVAS=TRUE\nL:VISIBLE=TRUE\nL:PRIORITY=6\n"
                "OBJECT=Q\nQ:TYPE=IMAGE\nQ:FILENAME=q.img\nQ:TOCANVAS=TRUE\nQ:VISIBLE=TRUE\nQ:PRIORITY=1\n"
                "OBJECT=HALF\nHALF:TYPE=IMAGE\nHALF:FILENAME=half.img\n"
                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/p.img"), 40, 30, [](int, int) { return RED; },
                                      [](int, int) { return uint8_t(255); }));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/l.img"), 10, 10, [](int, int) { return GREY; }));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/q.img"), 40, 30, [](int, int) { return GREEN; }));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/half.img"), 20, 30, [](int, int) { return uint16_t(0); },
                                      [](int, int) { return uint8_t(0); }));
    testsupport::FrameAfterDone shot(&expectedPixel, "image_link");
    testsupport::FeedInUse feed(&testsupport::FrameAfterDone::feed, &shot);
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    EXPECT_EQ(shot.verdict, "shown");
}

} // namespace
