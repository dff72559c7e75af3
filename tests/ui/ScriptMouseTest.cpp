// The script MOUSE on the mouse's real road: events from mouse records fed
// to the platform (after the hot spots, the button's name form first), the
// positions it keeps, switching signals and input off, simulated presses
// through the window's dispatch, and what its methods ask of the platform:
// the cursor's visibility, position and clip rectangle, and the window's
// cursors.
#include "InputSupport.h"
#include "ui/ScriptMouse.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

std::string rectText(const platform::Rect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class CMC_MouseTest : public InputTest {
protected:
    CMC_Mouse* mouseObject(const char* name = "MOUSE")
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_MOUSE) << name;
        return o && o->getType() == MC_MOUSE ? static_cast<CMC_Mouse*>(o) : nullptr;
    }
    // A BUTTON over (100, 100)-(140, 120) that logs its press and release.
    void button()
    {
        define({"B:TYPE=BUTTON", "B:RECT=100,100,140,120", "B:ENABLE=TRUE", "B:ONCLICKED={LOG^ADD(\"PRESSED.\");}",
                "B:ONRELEASED={LOG^ADD(\"RELEASED.\");}"});
    }
    std::string position(const char* object = "MOUSE")
    {
        return call(object, "GETPOSX") + "," + call(object, "GETPOSY");
    }
    std::string lastClick() { return call("MOUSE", "GETLASTCLICKPOSX") + "," + call("MOUSE", "GETLASTCLICKPOSY"); }
    platform::Rect clip()
    {
        platform::Rect r(-1, -1, -1, -1);
        mouse().cursorClip(&r);
        return r;
    }
};

// The name form runs alone when it is bound; a button without a name form
// bound raises the plain event. Behaviours of later records join the
// earlier ones.
TEST_F(CMC_MouseTest, TheButtonsNameFormComesBeforeThePlainEvent)
{
    define({"LOG:TYPE=STRING", "MOUSE:TYPE=MOUSE", "MOUSE:ONCLICK^LEFT={LOG^ADD(\"L.\");}",
            "MOUSE:ONCLICK={LOG^ADD(\"C.\");}", "MOUSE:ONRELEASE^RIGHT={LOG^ADD(\"RR.\");}",
            "MOUSE:ONDBLCLICK={LOG^ADD(\"D1.\");}"});
    define({"MOUSE:TYPE=MOUSE", "MOUSE:ONDBLCLICK={LOG^ADD(\"D2.\");}"});
    moveTo(300, 200);
    click(0);
    EXPECT_EQ(logged(), "L.");
    click(1);
    EXPECT_EQ(logged(), "C.RR.");
    click(2);
    EXPECT_EQ(logged(), "C.");
    window->OnLButtonDblClk(CXPoint(300, 200), 0);
    EXPECT_EQ(logged(), "D1.D2.");
    // A code without a name tries "ONCLICK^" first.
    mouseObject()->onClick(7, CXPoint(1, 1));
    EXPECT_EQ(logged(), "C.");
    EXPECT_EQ(lastClick(), "300,200");
}

// A hot spot that takes the press hides it from the MOUSE; elsewhere the
// left press is kept, bound or not, signals on or off. The position is
// the last one that reached the object.
TEST_F(CMC_MouseTest, HotSpotsComeFirstAndThePositionsAreKept)
{
    mouse().moveTo(50, 60);
    define({"LOG:TYPE=STRING", "MOUSE:TYPE=MOUSE"});
    EXPECT_EQ(position(), "50,60");
    button();
    moveTo(110, 110);
    click(0);
    EXPECT_EQ(logged(), "PRESSED.RELEASED.");
    EXPECT_EQ(lastClick(), "0,0");
    call("MOUSE", "DISABLESIGNAL");
    moveTo(300, 310);
    click(0);
    EXPECT_EQ(lastClick(), "300,310");
    EXPECT_EQ(position(), "300,310");
    mouseObject()->onMouseMove(CXPoint(5, -10), true);
    EXPECT_EQ(position(), "305,300");
    mouseObject()->onMouseMove(CXPoint(5, 10), false);
    EXPECT_EQ(position(), "5,10");
}

// Without signals no click, release or double click is raised, moves
// still are; disabled, nothing is, and the window takes no mouse input at
// all, buttons included, until some MOUSE is enabled again.
TEST_F(CMC_MouseTest, SignalsAndInputOff)
{
    int waitCursor = 0, activeCursor = 0;
    window->SetWaitCursor(&waitCursor);
    window->SetActiveCursor(&activeCursor);
    button();
    define({"LOG:TYPE=STRING", "MOUSE:TYPE=MOUSE", "M2:TYPE=MOUSE", "MOUSE:ONMOVE={LOG^ADD(\"M.\");}",
            "MOUSE:ONCLICK={LOG^ADD(\"C.\");}", "MOUSE:ONRELEASE={LOG^ADD(\"R.\");}",
            "MOUSE:ONDBLCLICK={LOG^ADD(\"D.\");}"});
    call("MOUSE", "DISABLESIGNAL");
    moveTo(300, 300);
    click(0);
    window->OnLButtonDblClk(CXPoint(300, 300), 0);
    // One record for each axis that moved.
    EXPECT_EQ(logged(), "M.M.");
    call("MOUSE", "ENABLESIGNAL");
    click(0);
    EXPECT_EQ(logged(), "C.R.");

    call("MOUSE", "DISABLE");
    EXPECT_FALSE(window->isMouseEnabled());
    EXPECT_EQ(window->GetCursor(), &waitCursor);
    moveTo(110, 110);
    click(0);
    call("MOUSE", "CLICK", {"110", "110"});
    EXPECT_EQ(logged(), "");
    // Another object turns the window's input on; this one stays silent.
    call("M2", "ENABLE");
    EXPECT_TRUE(window->isMouseEnabled());
    click(0);
    EXPECT_EQ(logged(), "PRESSED.RELEASED.");
    moveTo(300, 300);
    EXPECT_EQ(logged(), "");
    call("MOUSE", "ENABLE");
    moveTo(310, 300);
    EXPECT_EQ(logged(), "M.");
}

// CLICK and MOUSERELEASE go through the window's dispatch at the point
// given, as the device's records would, without moving the cursor.
TEST_F(CMC_MouseTest, SimulatedPressesGoThroughTheWindow)
{
    button();
    define({"LOG:TYPE=STRING", "MOUSE:TYPE=MOUSE", "MOUSE:ONCLICK^RIGHT={LOG^ADD(\"RIGHT.\");}",
            "MOUSE:ONRELEASE^MIDDLE={LOG^ADD(\"MIDDLE.\");}"});
    moveTo(500, 500);
    call("MOUSE", "CLICK", {"110", "110"});
    call("MOUSE", "MOUSERELEASE", {"110", "110", "\"LEFT\""});
    EXPECT_EQ(logged(), "PRESSED.RELEASED.");
    call("MOUSE", "CLICK", {"110", "110", "\"SIDE\""});
    call("MOUSE", "CLICK", {"110", "110", "\"left\""});
    EXPECT_EQ(logged(), "");
    call("MOUSE", "CLICK", {"300", "300", "\"RIGHT\""});
    call("MOUSE", "MOUSERELEASE", {"300", "300", "\"MIDDLE\""});
    EXPECT_EQ(logged(), "RIGHT.MIDDLE.");
    EXPECT_EQ(mouse().cursorPosition().x, 500);
    EXPECT_EQ(mouse().cursorPosition().y, 500);
    // Presses tell no position.
    EXPECT_EQ(position(), "500,500");
}

// SHOW and HIDE move the system's cursor one step from what this object
// did last; SETPOSITION and MOVE put the cursor in the window's
// coordinates, inside the clip rectangle, which SETCLIPRECT sets for
// every MOUSE until it is cleared; the window's focus frees it and puts it
// back.
TEST_F(CMC_MouseTest, TheCursorOnThePlatform)
{
    define({"MOUSE:TYPE=MOUSE", "M2:TYPE=MOUSE"});
    call("M2", "SHOW");
    call("MOUSE", "HIDE");
    call("MOUSE", "HIDE");
    EXPECT_FALSE(mouse().isCursorShown());
    call("M2", "SHOW");
    EXPECT_FALSE(mouse().isCursorShown());
    call("MOUSE", "SHOW");
    EXPECT_TRUE(mouse().isCursorShown());

    call("MOUSE", "SETPOSITION", {"200", "300"});
    EXPECT_EQ(mouse().cursorPosition().x, 200);
    EXPECT_EQ(mouse().cursorPosition().y, 300);
    call("MOUSE", "MOVE", {"5", "-10"});
    EXPECT_EQ(position(), "205,290");
    EXPECT_EQ(mouse().cursorPosition().x, 205);
    EXPECT_EQ(mouse().cursorPosition().y, 290);
    // The cursor was put there: no move record for the window.
    frame();
    EXPECT_EQ(position("M2"), "0,0");

    call("MOUSE", "SETCLIPRECT", {"110", "220", "10", "20"});
    EXPECT_EQ(rectText(clip()), "10,20,110,220");
    call("M2", "SETPOSITION", {"300", "5"});
    EXPECT_EQ(position("M2"), "300,5");
    EXPECT_EQ(mouse().cursorPosition().x, 109);
    EXPECT_EQ(mouse().cursorPosition().y, 20);
    window->OnActivateApp(false);
    EXPECT_FALSE(mouse().cursorClip(nullptr));
    window->OnActivateApp(true);
    EXPECT_EQ(rectText(clip()), "10,20,110,220");
    call("M2", "SETCLIPRECT", {"0", "0", "0", "0"});
    EXPECT_FALSE(mouse().cursorClip(nullptr));
    window->OnActivateApp(false);
    window->OnActivateApp(true);
    EXPECT_FALSE(mouse().cursorClip(nullptr));
    // A rectangle without height clips at once, but is none afterwards.
    call("MOUSE", "SETCLIPRECT", {"0", "0", "100", "0"});
    EXPECT_EQ(rectText(clip()), "0,0,100,0");
    window->OnActivateApp(false);
    window->OnActivateApp(true);
    EXPECT_FALSE(mouse().cursorClip(nullptr));
}

TEST_F(CMC_MouseTest, CursorKindsAndButtonsDown)
{
    int waitCursor = 0, activeCursor = 0;
    window->SetWaitCursor(&waitCursor);
    window->SetActiveCursor(&activeCursor);
    define({"MOUSE:TYPE=MOUSE"});
    call("MOUSE", "SET", {"\"WAIT\""});
    EXPECT_EQ(window->GetCursor(), &waitCursor);
    call("MOUSE", "SET", {"\"ACTIVE\""});
    EXPECT_EQ(window->GetCursor(), &activeCursor);
    call("MOUSE", "SET", {"\"wait\""});
    call("MOUSE", "SET", {"7"});
    EXPECT_EQ(window->GetCursor(), &activeCursor);
    call("MOUSE", "LOCKACTIVECURSOR", {"TRUE"});
    call("MOUSE", "SET", {"\"WAIT\""});
    call("MOUSE", "SET", {"\"ACTIVE\""});
    EXPECT_EQ(window->GetCursor(), &waitCursor);
    call("MOUSE", "LOCKACTIVECURSOR", {"FALSE"});
    call("MOUSE", "SET", {"\"ACTIVE\""});
    EXPECT_EQ(window->GetCursor(), &activeCursor);

    mouse().button(0, true);
    frame();
    EXPECT_EQ(call("MOUSE", "ISLBUTTONDOWN"), "TRUE");
    EXPECT_EQ(call("MOUSE", "ISRBUTTONDOWN"), "FALSE");
    mouse().button(0, false);
    mouse().button(1, true);
    frame();
    EXPECT_EQ(call("MOUSE", "ISLBUTTONDOWN"), "FALSE");
    EXPECT_EQ(call("MOUSE", "ISRBUTTONDOWN"), "TRUE");
    mouse().button(1, false);
    frame();
}

} // namespace
