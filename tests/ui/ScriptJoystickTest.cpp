// The script JOYSTICK over the platform's game controllers: which one a
// definition chooses, the events its behaviours hear from the controller's
// state as the frames poll it (the name forms first), its methods, and a
// controller that is missing, lost or unplugged.
#include "InputSupport.h"
#include "ui/ScriptJoystick.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace uitest;

class CMC_JoystickTest : public InputTest {
protected:
    CMC_Joystick* joystick(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_JOYSTICK) << name;
        return o && o->getType() == MC_JOYSTICK ? static_cast<CMC_Joystick*>(o) : nullptr;
    }
    platform::Joystick* attach(const char* name) { return backend.input().attachJoystick(name, 4, 3); }
    // Frames with the stick's axis held at a position (-32768 .. 32767).
    void hold(platform::Joystick* pad, int axis, int position, int frames)
    {
        pad->setAxis(axis, position);
        for (int i = 0; i < frames; ++i)
            frame();
    }
    std::string took(const char* log)
    {
        std::string s = text(log);
        call(log, "SET", {"\"\""});
        return s;
    }
};

// The default index 1 is the second controller; a controller that is not
// there leaves the object without one, answering from its first state.
TEST_F(CMC_JoystickTest, ThePortChoosesTheController)
{
    platform::Joystick* first = attach("First");
    define({"LOG:TYPE=STRING", "J0:TYPE=JOYSTICK", "J0:PORT=0", "J1:TYPE=JOYSTICK", "J5:TYPE=JOYSTICK", "J5:PORT=5",
            "JM:TYPE=JOYSTICK", "JM:PORT=-1", "J1:ONMOVE={LOG^ADD(\"MOVED.\");}",
            "J1:ONBUTTONDOWN={LOG^ADD(\"PRESSED.\");}"});
    EXPECT_EQ(joystick("J0")->getDXIfc(), first);
    for (const char* missing : {"J1", "J5", "JM"})
        EXPECT_EQ(joystick(missing)->getDXIfc(), nullptr) << missing;
    first->setButton(0, true);
    hold(first, 0, 32767, 5);
    EXPECT_EQ(text("LOG"), "");
    EXPECT_EQ(call("J1", "GETPOSITION", {"\"X\""}), "0");
    EXPECT_EQ(call("J1", "ISLEFT"), "TRUE");
    EXPECT_EQ(call("J1", "ISRIGHT"), "FALSE");
    EXPECT_EQ(call("J1", "GETBUTTONSTATE", {"0"}), "0");

    platform::Joystick* second = attach("Second");
    define({"J2:TYPE=JOYSTICK"});
    EXPECT_EQ(joystick("J2")->getDXIfc(), second);
}

// Moves go to "ONMOVE^<direction>", then "ONMOVE^<axis>", then "ONMOVE",
// whichever is bound first.
TEST_F(CMC_JoystickTest, MovesFallBackFromDirectionToAxisToPlain)
{
    platform::Joystick* pad = attach("Pad");
    define({"LA:TYPE=STRING", "LB:TYPE=STRING", "LC:TYPE=STRING", "A:TYPE=JOYSTICK", "A:PORT=0",
            "A:ONMOVE={LA^ADD(\"MOVE.\");}", "B:TYPE=JOYSTICK", "B:PORT=0", "B:ONMOVE^X={LB^ADD(\"X.\");}",
            "B:ONMOVE={LB^ADD(\"MOVE.\");}", "C:TYPE=JOYSTICK", "C:PORT=0", "C:ONMOVE^RIGHT={LC^ADD(\"RIGHT.\");}",
            "C:ONMOVE^X={LC^ADD(\"X.\");}"});
    // Right from rest, back to the centre (0 is not right), then up.
    hold(pad, 0, 32767, 1);
    hold(pad, 0, 0, 1);
    hold(pad, 1, -32768, 4);
    EXPECT_EQ(took("LA"), "MOVE.MOVE.MOVE.");
    EXPECT_EQ(took("LB"), "X.X.MOVE.");
    EXPECT_EQ(took("LC"), "RIGHT.X.");
}

// X reports every change of more than 50; Y and Z a change of more than
// 300 from the last reported value seen in more than three ticks in a row.
TEST_F(CMC_JoystickTest, AxesReportTheirDirections)
{
    platform::Joystick* pad = attach("Pad");
    std::vector<std::string> lines = {"LOG:TYPE=STRING", "J:TYPE=JOYSTICK", "J:PORT=0"};
    for (const char* d : {"LEFT", "RIGHT", "UP", "DOWN", "IN", "OUT"})
        lines.push_back(std::string("J:ONMOVE^") + d + "={LOG^ADD(\"" + d + ".\");}");
    recordstest::defineObjectLines(scene, lines);
    // At rest nothing moves; 800 units of the device are 24 of the axis.
    hold(pad, 0, 0, 4);
    hold(pad, 0, 800, 1);
    EXPECT_EQ(took("LOG"), "");
    EXPECT_EQ(call("J", "ISRIGHT"), "FALSE");
    hold(pad, 0, 32767, 1);
    EXPECT_EQ(took("LOG"), "RIGHT.");
    EXPECT_EQ(call("J", "GETPOSITION", {"\"X\""}), "12");
    EXPECT_EQ(call("J", "ISRIGHT"), "TRUE");
    hold(pad, 0, -32768, 1);
    EXPECT_EQ(took("LOG"), "LEFT.");
    EXPECT_EQ(call("J", "ISLEFT"), "TRUE");

    hold(pad, 1, -32768, 3);
    hold(pad, 1, 0, 1);
    EXPECT_EQ(took("LOG"), "");
    hold(pad, 1, 32767, 3);
    EXPECT_EQ(took("LOG"), "");
    hold(pad, 1, 32767, 3);
    EXPECT_EQ(took("LOG"), "DOWN.");
    EXPECT_EQ(call("J", "GETPOSITION", {"\"Y\""}), "12");
    hold(pad, 2, 32767, 4);
    hold(pad, 2, 0, 4);
    EXPECT_EQ(took("LOG"), "IN.OUT.");
    EXPECT_EQ(call("J", "GETPOSITION", {"\"Z\""}), "0");
}

// "ONBUTTONDOWN^0" is the first button; a press and release between two
// ticks is not seen.
TEST_F(CMC_JoystickTest, ButtonsAndTheirStates)
{
    platform::Joystick* pad = attach("Pad");
    define({"LOG:TYPE=STRING", "J:TYPE=JOYSTICK", "J:PORT=0", "J:ONBUTTONDOWN^0={LOG^ADD(\"D0.\");}",
            "J:ONBUTTONDOWN={LOG^ADD(\"D.\");}", "J:ONBUTTONUP={LOG^ADD(\"U.\");}"});
    pad->setButton(0, true);
    frame();
    EXPECT_EQ(call("J", "GETBUTTONSTATE", {"0"}), "1");
    pad->setButton(0, false);
    pad->setButton(2, true);
    frame();
    EXPECT_EQ(call("J", "GETBUTTONSTATE", {"0"}), "0");
    EXPECT_EQ(call("J", "GETBUTTONSTATE", {"2"}), "1");
    pad->setButton(2, false);
    frame();
    pad->setButton(1, true);
    pad->setButton(1, false);
    frame();
    EXPECT_EQ(took("LOG"), "D0.U.D.U.");
    for (const char* outside : {"-1", "4", "128"})
        EXPECT_EQ(call("J", "GETBUTTONSTATE", {outside}), "0") << outside;
}

// A lost controller is acquired again on the next tick; an unplugged one
// raises nothing more and the object keeps its last answers.
TEST_F(CMC_JoystickTest, ALostOrUnpluggedController)
{
    platform::Joystick* pad = attach("Pad");
    define({"LOG:TYPE=STRING", "J:TYPE=JOYSTICK", "J:PORT=0", "J:ONMOVE={LOG^ADD(\"M.\");}"});
    pad->loseDevice();
    hold(pad, 0, 32767, 1);
    EXPECT_EQ(took("LOG"), "");
    hold(pad, 0, 32767, 1);
    EXPECT_EQ(took("LOG"), "M.");
    pad->unplug();
    hold(pad, 0, -32768, 3);
    EXPECT_EQ(took("LOG"), "");
    EXPECT_EQ(call("J", "ISRIGHT"), "TRUE");
}

} // namespace
