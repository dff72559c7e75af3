// Titles with ANIMO objects played by the host: the events of a play, of a
// shared animation that one object lets go of and of a collision, from the
// definitions and from the scene's snapshot; and the frames shown after a
// scripted sequence of moves and frames, against the expected pixels.
#include "FrameAfterDone.h"
#include "HostTitle.h"
#include "objects/AnimoFiles.h"

#include <cstdio>
#include <string>

namespace {

using CMC_AnimoTitle = testsupport::HostTitle;

// A and B share the animation of hero.ann; B lets go of it with LOAD of an
// empty name while A plays it: the start, the named frame and the end of
// the play raise A's events (1 + 10 + 100), and its end moves M onto T,
// whose collision (1000) ends the title.
TEST_F(CMC_AnimoTitle, PlayEventsSharingAndACollisionFromDefinitionsAndSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("N") + onInit("B^LOAD(\"\");T^SETPOSITION(300,300);M^MONITORCOLLISION(FALSE);A^PLAY(\"walk\");") +
                "OBJECT=A\nA:TYPE=ANIMO\nA:FILENAME=hero.ann\nA:TOCANVAS=TRUE\nA:VISIBLE=TRUE\n"
                "A:ONSTARTED^WALK={N^ADD(1);}\nA:ONFRAMECHANGED^LEFT={N^ADD(10);}\n"
                "A:ONFINISHED={N^ADD(100);M^SETPOSITION(320,310);}\n"
                "OBJECT=B\nB:TYPE=ANIMO\nB:FILENAME=HERO.ANN\n"
                "OBJECT=T\nT:TYPE=ANIMO\nT:FILENAME=t.ann\nT:MONITORCOLLISION=TRUE\n"
                "OBJECT=M\nM:TYPE=ANIMO\nM:FILENAME=m.ann\nM:ONCOLLISION^STAND^T={N^ADD(1000);GAME^EXIT();}\n"}});
    for (const char* name : {"hero.ann", "t.ann", "m.ann"})
        ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file(std::string("Rara/S/") + name), animotest::heroFrames(),
                                              animotest::heroEvents()));
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    EXPECT_EQ(setting("S", "N"), "1111");

    EXPECT_EQ(run("-nogfx -2bin"), 0);
    ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    EXPECT_EQ(setting("S", "N"), "1111");
}

const uint16_t RED = 0xF800, GREEN = 0x07E0, BLUE = 0x001F, GREY = 0x0020;

// The frame shown two frames after the behaviours set DONE: A's frame 1 (20 x 20, at (10, 5) of A at (150, 120)) over B's
// frame (60 x 40 at (150, 140)).
uint32_t expectedPixel(int x, int y)
{
    if (x >= 160 && x < 180 && y >= 125 && y < 145)
        return BLUE;
    if (x >= 150 && x < 210 && y >= 140 && y < 180)
        return GREEN;
    return GREY;
}

// Places set by SETPOSITION and MOVE, a play to its end, then a move and a
// frame set by SETFRAME from the end's behaviour: the screen shows the two
// animations there, by their priorities.
TEST_F(CMC_AnimoTitle, TheFrameShownAfterMovesAndFrames)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("DONE") +
                                onInit("A^SETPOSITION(100,100);A^MOVE(50,20);B^SETPOSITION(160,130);A^PLAY(\"GO\");") +
                                "OBJECT=A\nA:TYPE=ANIMO\nA:FILENAME=a.ann\nA:TOCANVAS=TRUE\nA:VISIBLE=TRUE\nA:PRIORITY=5\n"
                                "A:ONFINISHED={B^MOVE(-10,10);A^SETFRAME(\"IDLE\",0);A^SETFRAME(\"GO\",1);DONE^SET(1);}\n"
                                "OBJECT=B\nB:TYPE=ANIMO\nB:FILENAME=b.ann\nB:TOCANVAS=TRUE\nB:VISIBLE=TRUE\nB:PRIORITY=3\n"
                                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/a.ann"), {{40, 30, 0, 0, RED}, {20, 20, 10, 5, BLUE}},
                                          {{"IDLE", {0}}, {"GO", {0, 1, 0}}}));
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/b.ann"), {{60, 40, 0, 0, GREEN}}, {{"IDLE", {0}}}));
    testsupport::FrameAfterDone shot(&expectedPixel, "animo_moves");
    testsupport::FeedInUse feed(&testsupport::FrameAfterDone::feed, &shot);
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    EXPECT_EQ(shot.verdict, "shown");
}

} // namespace
