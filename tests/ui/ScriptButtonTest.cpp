// The script BUTTON: its definition, the events its behaviours hear from
// mouse records on the real road, its methods, its snapshot record, its
// clones and the buttons made at run time.
#include "InputSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "base/FileStream.h"
#include "media/MediaSupport.h"
#include "media/Sound4.h"
#include "objects/ScriptSound.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/ScriptButton.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

class CMC_ButtonTest : public InputTest {
protected:
    CMC_Button* button(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_BUTTON) << name;
        return o && o->getType() == MC_BUTTON ? static_cast<CMC_Button*>(o) : nullptr;
    }
    CSound4* sound(const char* name) { return static_cast<CMC_Sound*>(scene->getObject(name))->getSound(); }
    // The images STD (blue), OVER (green) and DOWN (red) at (100, 100),
    // 40 x 20, on priorities 1 to 3, and the STRING LOG the behaviours
    // write to.
    void faces()
    {
        picture("STD", CXPoint(100, 100), CXSize(40, 20), 0x001F, 1);
        picture("OVER", CXPoint(100, 100), CXSize(40, 20), 0x07E0, 2);
        picture("DOWN", CXPoint(100, 100), CXSize(40, 20), 0xF800, 3);
        define({"LOG:TYPE=STRING"});
    }
    // Each event adds its word to LOG ("ON", "OFF" ...).
    static std::string logs(const char* event, const char* word)
    {
        return std::string("B:") + event + "={LOG^ADD(\"" + word + "\");}";
    }
};

TEST_F(CMC_ButtonTest, BehavioursHearTheMouseThroughTheWindowHotSpotAndButton)
{
    faces();
    const std::string on = logs("ONFOCUSON", "ON."), off = logs("ONFOCUSOFF", "OFF."),
                      clicked = logs("ONCLICKED", "CLICKED."), released = logs("ONRELEASED", "RELEASED."),
                      action = logs("ONACTION", "ACTION.");
    define({"B:TYPE=BUTTON", "B:GFXSTANDARD=STD", "B:GFXONMOVE=OVER", "B:GFXONCLICK=DOWN", "B:ENABLE=TRUE",
            on.c_str(), off.c_str(), clicked.c_str(), released.c_str(), action.c_str()});
    ASSERT_NE(button("B"), nullptr);
    moveTo(110, 110);
    moveTo(300, 300);
    moveTo(110, 110);
    click();
    EXPECT_EQ(text("LOG"), "ON.OFF.ON.CLICKED.RELEASED.ACTION.");
    // The default unit hears the button too.
    EXPECT_EQ(unit->clicks, 1);

    // The right button and a press outside the priority window raise
    // nothing (the button's priority is its standard image's, 1); inside it
    // the press is the button's again. The right press took the focus, so
    // the move over it raises nothing either.
    call("LOG", "SET", {"\"\""});
    click(1);
    call("S", "SETMINHSPRIORITY", {"2"});
    click();
    EXPECT_EQ(text("LOG"), "");
    EXPECT_EQ(call("S", "GETMINHSPRIORITY"), "2");
    call("S", "SETMAXHSPRIORITY", {"1"});
    call("S", "SETMINHSPRIORITY", {"1"});
    moveTo(111, 110);
    click();
    EXPECT_EQ(text("LOG"), "CLICKED.RELEASED.ACTION.");
}

TEST_F(CMC_ButtonTest, WithoutEnableAButtonIsDeafUntilEnabled)
{
    faces();
    const std::string clicked = logs("ONCLICKED", "CLICKED.");
    define({"B:TYPE=BUTTON", "B:GFXSTANDARD=STD", "B:RECT=100,100,140,120", clicked.c_str()});
    frame();
    EXPECT_FALSE(image("STD")->IsVisible());
    moveTo(110, 110);
    click();
    EXPECT_EQ(text("LOG"), "");
    call("B", "ENABLE");
    EXPECT_TRUE(image("STD")->IsVisible());
    click();
    EXPECT_EQ(text("LOG"), "CLICKED.");
    // Only the bound events are raised: nothing is bound to the others.
    EXPECT_FALSE(button("B")->isEventBound(CMC_Button::EVENT_ONRELEASED));
}

TEST_F(CMC_ButtonTest, TheRectangleFromAnObjectOrALiteral)
{
    faces();
    define({"B:TYPE=BUTTON", "B:RECT=OVER", "B:PRIORITY=7", "B:ENABLE=TRUE", "C:TYPE=BUTTON", "C:RECT=10.20|30,40",
            "C:PRIORITY=7"});
    // An object's bounding box and screen priority, whatever PRIORITY says.
    EXPECT_EQ(button("B")->getButton()->GetActiveRect(), CXRect(100, 100, 140, 120));
    EXPECT_EQ(call("B", "GETPRIORITY"), "2");
    EXPECT_EQ(button("B")->getPriority(), 2);
    EXPECT_EQ(button("C")->getButton()->GetActiveRect(), CXRect(10, 20, 30, 40));
    EXPECT_EQ(call("C", "GETPRIORITY"), "7");
}

// A name that finds nothing, or an object of another type, gives no image
// or sound; the button is made and clicks all the same.
TEST_F(CMC_ButtonTest, MissingOrWrongTypedImagesAndSoundsGiveNone)
{
    faces();
    tmp.write("click.wav", mediatest::pcmWav(mediatest::ramp(2205)));
    tmp.write("over.wav", tmp.read("click.wav"));
    const std::string clicked = logs("ONCLICKED", "CLICKED.");
    define({"N:TYPE=INTEGER", "CLICK:TYPE=SOUND", "CLICK:FILENAME=click.wav",
            "CLICK:ONSTARTED={LOG^ADD(\"click.\");}", "OVERSOUND:TYPE=SOUND", "OVERSOUND:FILENAME=over.wav",
            "OVERSOUND:ONSTARTED={LOG^ADD(\"over.\");}", "B:TYPE=BUTTON", "B:GFXSTANDARD=N", "B:GFXONMOVE=NOSUCH",
            "B:GFXONCLICK=LOG", "B:SNDONMOVE=N", "B:SNDONCLICK=LOG", "B:ACCENT=N", "B:DRAGGABLE=TRUE",
            "B:DRAG=NOSUCH", "B:RECT=NOSUCH", "B:ENABLE=TRUE", clicked.c_str()});
    CButton* b = button("B")->getButton();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetStandard(), nullptr);
    EXPECT_EQ(b->GetOnMove(), nullptr);
    EXPECT_EQ(b->GetOnClick(), nullptr);
    EXPECT_EQ(b->GetSOOnMove(), nullptr);
    EXPECT_EQ(b->GetSOOnClick(), nullptr);
    EXPECT_EQ(b->GetDragging(), nullptr);
    EXPECT_TRUE(b->GetActiveRect().IsEmpty()); // "NOSUCH" read as a rectangle
    call("B", "SETRECT", {"100", "100", "140", "120"});
    moveTo(110, 110);
    click();
    EXPECT_EQ(text("LOG"), "CLICKED.");

    // The sounds of sound objects are the button's, and their objects hear
    // them start: the move's once, the click's for the click and again for
    // the pressed face.
    define({"C:TYPE=BUTTON", "C:SNDONMOVE=OVERSOUND", "C:SNDONCLICK=CLICK", "C:RECT=200,200,220,220", "C:ENABLE=TRUE"});
    EXPECT_EQ(button("C")->getButton()->GetSOOnMove(), sound("OVERSOUND"));
    call("LOG", "SET", {"\"\""});
    moveTo(210, 210);
    click();
    EXPECT_EQ(text("LOG"), "over.click.click.");
}

TEST_F(CMC_ButtonTest, Methods)
{
    faces();
    define({"SND:TYPE=SOUND", "B:TYPE=BUTTON", "B:GFXSTANDARD=STD", "B:GFXONMOVE=OVER", "B:SNDONMOVE=SND",
            "B:SNDONCLICK=SND", "B:RECT=1,2,3,4", "B:ENABLE=TRUE"});
    CButton* b = button("B")->getButton();
    struct {
        const char* method;
        std::initializer_list<const char*> args;
        CXRect rect;
    } rects[] = {
        {"SETRECT", {"\"DOWN\""}, CXRect(100, 100, 140, 120)},
        {"SETRECT", {"\"NOSUCH\""}, CXRect()},
        {"SETRECT", {"5", "6", "7", "8"}, CXRect(5, 6, 7, 8)},
    };
    for (const auto& c : rects) {
        EXPECT_EQ(call("B", c.method, c.args), "-");
        EXPECT_EQ(b->GetActiveRect(), c.rect) << *c.args.begin();
    }

    EXPECT_EQ(call("B", "GETSTD"), "STD");
    EXPECT_EQ(call("B", "GETONMOVE"), "OVER");
    EXPECT_EQ(call("B", "GETONCLICK"), "UNKNOWN");
    // SETSTD takes the old image off the screen unless told not to.
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    call("B", "SETSTD", {"\"DOWN\"", "FALSE"});
    EXPECT_EQ(screen->GetPriority(image("STD")), 1);
    call("B", "SETSTD", {"\"STD\""});
    EXPECT_EQ(screen->GetPriority(image("DOWN")), -1);
    EXPECT_EQ(call("B", "GETSTD"), "STD");
    // The faces change, the sounds stay.
    call("B", "SETONMOVE", {"\"DOWN\""});
    call("B", "SETONCLICK", {"\"OVER\""});
    EXPECT_EQ(call("B", "GETONMOVE"), "DOWN");
    EXPECT_EQ(call("B", "GETONCLICK"), "OVER");
    EXPECT_EQ(b->GetSOOnMove(), sound("SND"));
    EXPECT_EQ(b->GetSOOnClick(), sound("SND"));

    call("B", "SETPRIORITY", {"42"});
    EXPECT_EQ(call("B", "GETPRIORITY"), "42");
    call("B", "DISABLE");
    EXPECT_FALSE(b->IsEnabled());
    call("B", "DISABLEBUTVISIBLE");
    EXPECT_FALSE(b->getHotSpot()->IsEnabled());
    EXPECT_TRUE(image("STD")->IsVisible());
    call("B", "ENABLE");
    call("B", "ENABLEDRAGGING");
    EXPECT_TRUE(b->IsDraggingEnabled());
    call("B", "DISABLEDRAGGING");
    EXPECT_FALSE(b->IsDraggingEnabled());
    call("B", "ACCENT", {"\"OVER\""});
    EXPECT_EQ(b->GetAccent(), image("OVER"));
    call("B", "ACCENT", {"\"NOSUCH\""});
    EXPECT_EQ(b->GetAccent(), nullptr);
    // SYN matches the hit record with the mouse's position.
    call("B", "SETRECT", {"0", "0", "10", "10"});
    call("B", "SYN");
    EXPECT_TRUE(b->getHitRecord());
    // Other ids are the common methods'.
    EXPECT_EQ(call("B", "GETNAME"), "B");
}

TEST_F(CMC_ButtonTest, SnapshotRecordRoundTrip)
{
    faces();
    define({"SND:TYPE=SOUND", "B:TYPE=BUTTON", "B:ACCENT=DOWN", "B:GFXSTANDARD=STD", "B:GFXONMOVE=OVER",
            "B:GFXONCLICK=DOWN", "B:SNDSTANDARD=SND", "B:SNDONMOVE=SND", "B:SNDONCLICK=SND", "B:DRAG=OVER",
            "B:RECT=OVER", "B:ENABLE=TRUE", "B:DRAGGABLE=TRUE", "B:PRIORITY=9", "B:ONCLICKED={LOG^ADD(\"c\");}"});
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    auto write = [](CMC_Button* b, const char* file) {
        CFile f(nullptr, file, 0x16);
        CXArchive ar(&f, true);
        b->serialize(&ar);
        ar.Close();
    };
    write(button("B"), "T:\\first.bin");
    std::string bytes = tmp.read("first.bin");
    // The record ends with the nine names, the two flags and the priority
    // taken from the RECT object.
    const std::string tail = std::string("\x04\0\0\0OVER", 8) + "\x01\x01" + std::string("\x02\0\0\0", 4);
    ASSERT_GT(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);

    bytes += '\0';
    CFile_Stream stream(&bytes[0], int(bytes.size() - 1));
    CXArchive reader(&stream, false);
    CMC_Button* restored = new CMC_Button(scene);
    restored->setScene(scene);
    restored->serialize(&reader);
    EXPECT_EQ(reader.LastError(), 0);
    write(restored, "T:\\second.bin");
    EXPECT_EQ(tmp.read("second.bin"), tmp.read("first.bin"));

    // The same engine button.
    CButton* a = button("B")->getButton();
    CButton* b = restored->getButton();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetActiveRect(), a->GetActiveRect());
    EXPECT_EQ(b->GetStandard(), a->GetStandard());
    EXPECT_EQ(b->GetOnMove(), a->GetOnMove());
    EXPECT_EQ(b->GetOnClick(), a->GetOnClick());
    EXPECT_EQ(b->GetAccent(), a->GetAccent());
    EXPECT_EQ(b->GetDragging(), a->GetDragging());
    EXPECT_EQ(b->GetSOOnClick(), a->GetSOOnClick());
    EXPECT_EQ(b->IsEnabled(), a->IsEnabled());
    EXPECT_EQ(b->IsDraggingEnabled(), a->IsDraggingEnabled());
    EXPECT_EQ(b->getPriority(), a->getPriority());
    EXPECT_EQ(restored->getName(), "B");
    delete restored;
}

TEST_F(CMC_ButtonTest, ClonesAndButtonsMadeAtRunTime)
{
    faces();
    const std::string clicked = logs("ONCLICKED", "CLICKED.");
    define({"B:TYPE=BUTTON", "B:GFXSTANDARD=STD", "B:RECT=100,100,140,120", "B:ENABLE=TRUE", clicked.c_str()});
    call("B", "CLONE", {"1"});
    CMC_Button* copy = button("B_1");
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->getRectText().IsString() == false);
    EXPECT_EQ(call("B_1", "GETSTD"), "STD");
    // No area of its own until it is given one; then its clicks are its.
    call("B", "DISABLE");
    call("B_1", "ENABLE");
    call("B_1", "SETRECT", {"100", "100", "140", "120"});
    moveTo(110, 110);
    click();
    EXPECT_EQ(text("LOG"), "CLICKED.");

    // A BUTTON a script makes: no area, heard by the default unit, and its
    // images never deleted by it.
    call("S", "CREATEOBJECT", {"\"BUTTON\"", "\"RUN\""});
    CMC_Button* made = button("RUN");
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->getButton()->GetActiveRect().IsEmpty());
    call("RUN", "SETSTD", {"\"DOWN\""});
    call("RUN", "SETRECT", {"300", "300", "320", "320"});
    moveTo(310, 310);
    click();
    EXPECT_EQ(unit->clicks, 1);
    scene->removeObject(made);
    delete made;
    EXPECT_NE(image("DOWN"), nullptr);
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(image("DOWN")), 3);
}

TEST_F(CMC_ButtonTest, DraggingRecordsTheDraggedNameInTheScene)
{
    faces();
    const std::string start = logs("ONSTARTDRAGGING", "START."), end = logs("ONENDDRAGGING", "END.");
    define({"B:TYPE=BUTTON", "B:GFXSTANDARD=STD", "B:RECT=100,100,140,120", "B:DRAGGABLE=TRUE", "B:DRAG=OVER",
            "B:ENABLE=TRUE", start.c_str(), end.c_str()});
    moveTo(110, 110);
    mouse().button(0, true);
    frame();
    EXPECT_TRUE(unit->dragging);
    EXPECT_EQ(unit->dragged, image("OVER"));
    EXPECT_EQ(scene->getDraggedName(), "OVER");
    unit->endDrag(CXPoint(150, 150));
    EXPECT_EQ(scene->getDraggedName(), "");
    EXPECT_EQ(text("LOG"), "START.END.");
}

} // namespace
