// Titles with KEYBOARD, MOUSE and JOYSTICK objects played by the host, with
// keys, mouse records and a game controller fed between frames through the
// headless platform: the behaviours bound in the scenes' definitions hear
// them, from the definitions and from the scenes' snapshots alike.
#include "HostTitle.h"
#include "platform/headless/Headless.h"

#include <cstdio>
#include <string>

namespace {

using CMC_InputTitle = testsupport::HostTitle;

using testsupport::FeedInUse;

void tap(platform::Keyboard& keys, uint32_t code)
{
    keys.key(code, true);
    keys.key(code, false);
}

// Enter, Space, a left and a right click away from the button, then F1,
// whose behaviour clicks the button with the MOUSE.
void keysAndClicks(platform::HeadlessPlatform& platform, uint64_t pass, void*)
{
    platform::Keyboard& keys = platform.input().keyboard();
    platform::Mouse& mouse = platform.input().mouse();
    switch (pass) {
    case 1: tap(keys, 0x1C); break;
    case 2: tap(keys, 0x39); break;
    case 3:
        mouse.moveTo(300, 300);
        mouse.button(0, true);
        mouse.button(0, false);
        break;
    case 4:
        mouse.button(1, true);
        mouse.button(1, false);
        break;
    case 5: tap(keys, 0x3B); break;
    default: break;
    }
}

// The name forms come first: Enter and the left press run only theirs,
// Space and the right press the plain events; MOUSE^CLICK at the button's
// place presses the button, not the MOUSE.
TEST_F(CMC_InputTitle, KeysAndClicksReachTheirBehaviours)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") +
                                "OBJECT=KEYS\nKEYS:TYPE=KEYBOARD\nKEYS:ONKEYDOWN^ENTER={N^ADD(1);}\n"
                                "KEYS:ONKEYDOWN={N^ADD(10);}\n"
                                "KEYS:ONKEYDOWN^F1={MOUSE^CLICK(50,30);MOUSE^MOUSERELEASE(50,30);}\n"
                                "OBJECT=MOUSE\nMOUSE:TYPE=MOUSE\nMOUSE:ONCLICK^LEFT={N^ADD(100);}\n"
                                "MOUSE:ONCLICK={N^ADD(1000);}\n"
                                "OBJECT=B\nB:TYPE=BUTTON\nB:RECT=10,10,100,50\nB:ENABLE=TRUE\n"
                                "B:ONCLICKED={N^ADD(10000);}\nB:ONRELEASED={N^ADD(100000);GAME^EXIT();}\n"}});
    FeedInUse feed(&keysAndClicks, nullptr);
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    EXPECT_EQ(setting("S", "N"), "111111");

    EXPECT_EQ(run("-nogfx -2bin"), 0);
    ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 50"), 0);
    EXPECT_EQ(setting("S", "N"), "111111");
}

// What the feed saw of the cursor, pass by pass.
struct Seen {
    bool hidden = false;
    platform::Rect clipInFirstScene;
    bool clippedInSecondScene = true;
};

// A controller is attached while the first scene runs; Enter enters the
// second scene, whose JOYSTICK takes it. Then the stick goes right and
// back, and the first button is pressed and released.
void controller(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
{
    Seen* seen = static_cast<Seen*>(data);
    platform::Mouse& mouse = platform.input().mouse();
    platform::Joystick* pad = platform.input().joystick(0);
    switch (pass) {
    case 1:
        seen->hidden = !mouse.isCursorShown();
        mouse.cursorClip(&seen->clipInFirstScene);
        platform.input().attachJoystick("Pad", 2, 2);
        tap(platform.input().keyboard(), 0x1C);
        break;
    case 2:
        seen->clippedInSecondScene = mouse.cursorClip(nullptr);
        pad->setAxis(0, 32767);
        break;
    case 3: pad->setAxis(0, 0); break;
    case 4: pad->setButton(0, true); break;
    case 5: pad->setButton(0, false); break;
    default: break;
    }
}

// The first scene clips and hides the cursor through its MOUSE; leaving it
// frees the cursor, which stays hidden. The JOYSTICK of "PORT" 0 hears the
// controller; the one without "PORT" looks for a second one and answers
// from its first state.
TEST_F(CMC_InputTitle, AJoystickOfTheSceneHearsTheController)
{
    title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E1,E2\n"
                                     "OBJECT=E1\nE1:TYPE=EPISODE\nE1:SCENES=S1\n"
                                     "OBJECT=E2\nE2:TYPE=EPISODE\nE2:SCENES=S2\n"
                                     "OBJECT=S1\nS1:TYPE=SCENE\nS1:PATH=\\S1\n"
                                     "OBJECT=S2\nS2:TYPE=SCENE\nS2:PATH=\\S2\n"},
           {"Rara/GAME.cnv", kept("N") + "OBJECT=LEFT\nLEFT:TYPE=STRING\nLEFT:TOINI=TRUE\n"},
           {"Rara/S1/S1.cnv", "OBJECT=MOUSE\nMOUSE:TYPE=MOUSE\nOBJECT=KEYS\nKEYS:TYPE=KEYBOARD\n"
                              "KEYS:ONKEYDOWN^ENTER={GAME^GOTO(\"E2\");}\n"
                              "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={MOUSE^SETCLIPRECT(10,20,110,220);MOUSE^HIDE();}\n"
                              "OBJECT=S1\nS1:ONINIT=GO\n"},
           {"Rara/S2/S2.cnv", "OBJECT=J\nJ:TYPE=JOYSTICK\nJ:PORT=0\nJ:ONMOVE^RIGHT={N^ADD(1);}\n"
                              "J:ONMOVE^X={N^ADD(10);}\nJ:ONBUTTONDOWN^0={N^ADD(100);}\n"
                              "J:ONBUTTONUP={N^ADD(1000);GAME^EXIT();}\nOBJECT=NONE\nNONE:TYPE=JOYSTICK\n"
                              "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={LEFT^SET(NONE^ISLEFT());}\n"
                              "OBJECT=S2\nS2:ONINIT=GO\n"}});
    for (bool fromSnapshot : {false, true}) {
        if (fromSnapshot) {
            EXPECT_EQ(run("-nogfx -2bin"), 0);
            ASSERT_EQ(std::remove(tmp.file("Rara/S1/S1.cnv").c_str()), 0);
            ASSERT_EQ(std::remove(tmp.file("Rara/S2/S2.cnv").c_str()), 0);
            tmp.write("Quarnel.ini", "");
        }
        Seen seen;
        FeedInUse feed(&controller, &seen);
        EXPECT_EQ(run("-nogfx -frames 50"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("GAME", "N"), "1111");
        EXPECT_EQ(setting("GAME", "LEFT"), "TRUE");
        EXPECT_TRUE(seen.hidden);
        EXPECT_EQ(seen.clipInFirstScene.left, 10);
        EXPECT_EQ(seen.clipInFirstScene.bottom, 220);
        EXPECT_FALSE(seen.clippedInSecondScene);
    }
}

} // namespace
