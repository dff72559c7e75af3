// The script EDITBOX: made from definitions on the scenes' own screen unit
// with a FONT object of a font the engine compiled, the events its
// behaviours hear from clicks and keys fed to the platform, its methods,
// a FONT that names no font, its snapshot record, and its field going
// before it or with it.
#include "EditSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "base/FileStream.h"
#include "graphics/RefreshScreen.h"
#include "ui/ScriptEditBox.h"
#include "ui/MultilineText6.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace edittest;

class CMC_EditBoxTest : public EditTest {
protected:
    explicit CMC_EditBoxTest(int depth = 16) : EditTest(depth) {}
    // The FONT F of the block font, the 1 x 5 green cursor image CUR and the
    // STRING LOG the behaviours write to.
    void fontAndCursor()
    {
        define({"F:TYPE=FONT", "F:DEF_Block_Standard_9=blocks.fnt", "LOG:TYPE=STRING"});
        picture("CUR", CXPoint(0, 0), CXSize(1, 5), 0x07E0, 5);
    }
    CMC_EditBox* editBox(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_EDITBOX) << name;
        return o && o->getType() == MC_EDITBOX ? static_cast<CMC_EditBox*>(o) : nullptr;
    }
    CEditBox6* field(const char* name) { return editBox(name)->getEditBox(); }
    int priorityOf(const char* name)
    {
        return window->GetRefreshScreenInterface()->GetPriority(field(name)->getDisplay()->getGraphics());
    }
    // Each event adds its word to LOG.
    static std::string logs(const char* event, const char* word)
    {
        return std::string("E:") + event + "={LOG^ADD(\"" + word + "\");}";
    }
};

TEST_F(CMC_EditBoxTest, BehavioursHearClicksAndKeys)
{
    fontAndCursor();
    const std::string on = logs("ONFOCUSON", "on."), off = logs("ONFOCUSOFF", "off."),
                      changed = logs("ONCHANGED", "changed."), enter = logs("ONENTER", "enter."),
                      esc = logs("ONESC", "esc.");
    define({"E:TYPE=EDITBOX", "E:RECT=100,100,120,130", "E:FONT=F", "E:TEXT=l", "E:CURSOR=CUR", on.c_str(),
            off.c_str(), changed.c_str(), enter.c_str(), esc.c_str()});
    ASSERT_NE(field("E"), nullptr);
    EXPECT_EQ(editBox("E")->LastError(), 0);
    EXPECT_EQ(static_cast<CMultilineText6*>(field("E")->getDisplay())->getFont(), scene->getFont("F"));
    clickAt(110, 110);
    // "l" is 3 wide.
    EXPECT_EQ(image("CUR")->GetPosition(), CXPoint(103, 101));
    typeKeys("A{ENTER}{ESC}");
    clickAt(400, 400);
    EXPECT_EQ(text("LOG"), "on.changed.enter.esc.off.");
    EXPECT_EQ(call("E", "GETTEXT"), "lA|");
}

// A RECT naming a graphics object takes its bounding box, and PRIORITY
// stays the field's priority.
TEST_F(CMC_EditBoxTest, TheRectangleFromAnObjectOrALiteral)
{
    fontAndCursor();
    picture("FRAME", CXPoint(50, 60), CXSize(30, 20), 0, 3);
    define({"E:TYPE=EDITBOX", "E:RECT=FRAME", "E:PRIORITY=7", "E:FONT=F", "G:TYPE=EDITBOX", "G:RECT=10,20,30,40",
            "G:FONT=F"});
    EXPECT_EQ(field("E")->getBoundingRect(), CXRect(50, 60, 80, 80));
    EXPECT_EQ(priorityOf("E"), 7);
    EXPECT_EQ(field("G")->getBoundingRect(), CXRect(10, 20, 30, 40));
    EXPECT_EQ(priorityOf("G"), 0);
    EXPECT_EQ(field("G")->getCursor(), nullptr);
}

TEST_F(CMC_EditBoxTest, Methods)
{
    fontAndCursor();
    const std::string on = logs("ONFOCUSON", "on."), off = logs("ONFOCUSOFF", "off.");
    define({"E:TYPE=EDITBOX", "E:RECT=100,100,120,130", "E:FONT=F", "E:PRIORITY=2", on.c_str(), off.c_str()});
    CEditBox6* box = field("E");
    EXPECT_EQ(call("E", "SETTEXT", {"\"AB\""}), "-");
    EXPECT_EQ(call("E", "ADDTEXT", {"\"C\""}), "-");
    EXPECT_EQ(call("E", "GETTEXT"), "ABC");
    call("E", "MOVE", {"5", "6"});
    EXPECT_EQ(box->getBoundingRect(), CXRect(105, 106, 125, 136));
    call("E", "SETPOSITION", {"10", "20"});
    EXPECT_EQ(box->getBoundingRect(), CXRect(10, 20, 30, 50));
    EXPECT_EQ(box->getDisplay()->getGraphics()->GetPosition(), CXPoint(10, 20));
    call("E", "SETRECT", {"100", "100", "120", "130"});
    EXPECT_EQ(box->getBoundingRect(), CXRect(100, 100, 120, 130));
    call("E", "SETPRIORITY", {"9"});
    EXPECT_EQ(priorityOf("E"), 9);
    call("E", "SETCURSORPOS", {"1"});
    EXPECT_EQ(box->getCursorPos(), 1);
    // The cursor stays within the text.
    call("E", "SETCURSORPOS", {"-5"});
    EXPECT_EQ(box->getCursorPos(), 0);
    call("E", "SETCURSORPOS", {"1000"});
    EXPECT_EQ(box->getCursorPos(), 3);

    call("E", "ACTIVE");
    EXPECT_TRUE(box->isActive());
    EXPECT_EQ(box->getCursorPos(), 3);
    call("E", "DEACTIVE");
    EXPECT_EQ(text("LOG"), "on.off.");
    call("E", "DISABLE");
    EXPECT_FALSE(box->isEnabled());
    call("E", "ENABLE");
    EXPECT_TRUE(box->isEnabled());

    // The read-only and no-new-line flags hold while typing.
    call("E", "SETTEXT", {"\"\""});
    call("E", "ENABLENL", {"FALSE"});
    EXPECT_TRUE(box->getNoNewLines());
    call("E", "ACTIVE");
    typeKeys("A{ENTER}");
    call("E", "ENABLENL", {"TRUE"});
    EXPECT_FALSE(box->getNoNewLines());
    typeKeys("{ENTER}");
    call("E", "SETREADONLY", {"TRUE"});
    EXPECT_TRUE(box->isReadOnly());
    typeKeys("A{BS}");
    EXPECT_EQ(call("E", "GETTEXT"), "A|");
    // Other ids are the common methods'.
    EXPECT_EQ(call("E", "GETNAME"), "E");
}

class CMC_EditBoxColourTest : public CMC_EditBoxTest, public ::testing::WithParamInterface<int> {
protected:
    CMC_EditBoxColourTest() : CMC_EditBoxTest(GetParam()) {}
};

// Red as a 5-5-5 word on a 15-bit screen, as a sign-extended 5-6-5 word on
// any other.
TEST_P(CMC_EditBoxColourTest, SetColorPacksForTheScreensDepth)
{
    fontAndCursor();
    define({"E:TYPE=EDITBOX", "E:RECT=100,100,120,130", "E:FONT=F"});
    call("E", "SETCOLOR", {"255", "0", "0"});
    EXPECT_EQ(static_cast<CMultilineText6*>(field("E")->getDisplay())->getColor(), GetParam() == 15 ? 0x7C00 : -2048);
}

INSTANTIATE_TEST_SUITE_P(Depths, CMC_EditBoxColourTest, ::testing::Values(15, 16, 32));

// A FONT naming no object, or an object that is no FONT, gives a field that
// measures nothing and draws nothing, and says so.
TEST_F(CMC_EditBoxTest, AFontThatIsNoFontGivesAFieldWithoutOne)
{
    fontAndCursor();
    testsupport::DebugCapture debug;
    define({"N:TYPE=INTEGER", "E:TYPE=EDITBOX", "E:RECT=100,100,120,130", "E:FONT=NOSUCH", "E:TEXT=AAAA",
            "G:TYPE=EDITBOX", "G:RECT=200,100,220,130", "G:FONT=N"});
    for (const char* name : {"E", "G"}) {
        ASSERT_NE(field(name), nullptr) << name;
        EXPECT_EQ(editBox(name)->LastError(), CMC_EditBox::ERROR_NO_FONT) << name;
    }
    int told = 0;
    for (const std::string& line : debug.lines)
        told += line.find("EDITBOX") != std::string::npos;
    EXPECT_EQ(told, 2);
    clickAt(110, 110);
    typeKeys("AAAA");
    EXPECT_EQ(call("E", "GETTEXT"), "AAAAAAAA");
    frame();
    const uint32_t background = shownAt(799, 599);
    for (int y = 100; y < 130; ++y)
        for (int x = 100; x < 120; ++x)
            ASSERT_EQ(shownAt(x, y), background) << x << "," << y;
}

// The record after the base part: the font's name, the rectangle, the text
// as it is now and the cursor's name. Read back, the field is made again
// as the definition made it, at priority 0.
TEST_F(CMC_EditBoxTest, SnapshotRecordRoundTrip)
{
    fontAndCursor();
    define({"E:TYPE=EDITBOX", "E:RECT=100,100,120,130", "E:FONT=F", "E:TEXT=l", "E:CURSOR=CUR", "E:PRIORITY=7",
            "E:ONCHANGED={LOG^ADD(\"c\");}"});
    clickAt(110, 110);
    typeKeys("A");
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    auto write = [](CMC_EditBox* e, const char* file) {
        CFile f(nullptr, file, 0x16);
        CXArchive ar(&f, true);
        e->serialize(&ar);
        ar.Close();
    };
    write(editBox("E"), "T:\\first.bin");
    std::string bytes = tmp.read("first.bin");
    auto int32 = [](int v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const std::string tail = int32(1) + "F" + int32(100) + int32(100) + int32(120) + int32(130) + int32(2) + "lA" +
                             int32(3) + "CUR";
    ASSERT_GT(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);

    bytes += '\0';
    CFile_Stream stream(&bytes[0], int(bytes.size() - 1));
    CXArchive reader(&stream, false);
    CMC_EditBox* restored = new CMC_EditBox(scene);
    EXPECT_EQ(restored->getName(), "temp");
    restored->setScene(scene);
    restored->serialize(&reader);
    EXPECT_EQ(reader.LastError(), 0);
    write(restored, "T:\\second.bin");
    EXPECT_EQ(tmp.read("second.bin"), tmp.read("first.bin"));
    CEditBox6* again = restored->getEditBox();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(restored->getName(), "E");
    EXPECT_EQ(again->getBoundingRect(), field("E")->getBoundingRect());
    EXPECT_EQ(again->getText(), "lA");
    EXPECT_EQ(again->getCursor(), image("CUR"));
    EXPECT_EQ(static_cast<CMultilineText6*>(again->getDisplay())->getFont(), scene->getFont("F"));
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(again->getDisplay()->getGraphics()), 0);
    EXPECT_EQ(priorityOf("E"), 7);
    delete restored;
}

// The object going takes its field out of the unit, the active one
// included; a field that the unit deleted first (its scene was left) is
// forgotten by the object, whose methods then do nothing.
TEST_F(CMC_EditBoxTest, TheFieldGoesWithTheObjectOrBeforeIt)
{
    fontAndCursor();
    define({"E:TYPE=EDITBOX", "E:RECT=100,100,120,130", "E:FONT=F", "G:TYPE=EDITBOX", "G:RECT=200,100,220,130",
            "G:FONT=F", "G:ONFOCUSOFF={LOG^ADD(\"off\");}"});
    clickAt(110, 110);
    EXPECT_EQ(screenUnit->getCurrentEditBox(), field("E"));
    CMC_EditBox* e = editBox("E");
    scene->removeObject(e);
    delete e;
    EXPECT_EQ(screenUnit->getCurrentEditBox(), nullptr);
    EXPECT_EQ(screenUnit->getEditBoxCount(), 1);
    typeKeys("A");

    screenUnit->flushEditBoxes();
    EXPECT_EQ(editBox("G")->getEditBox(), nullptr);
    EXPECT_EQ(text("LOG"), "");
    EXPECT_EQ(call("G", "GETTEXT"), "");
    EXPECT_EQ(call("G", "ACTIVE"), "-");
}

} // namespace
