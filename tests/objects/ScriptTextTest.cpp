// The script TEXT on the engine's own FONT and IMAGE: the definition's
// layout and screen, the argument counts that pick a method's form, the
// colour packing of both screen depths, SETTEXTDOUBLE's cut, the word
// queries, calls that cannot act, and the snapshot record.
#include "ScriptImageSupport.h"
#include "graphics/RefreshScreen.h"
#include "objects/ScriptText.h"
#include "objects/TextRunner.h"
#include "script/SceneSnapshot.h"
#include "script/Values.h"
#include "ui/MultilineText6.h"
#include "ui/TextSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The block fonts: "a" 5 wide, a space 2, so "aaa a" is 20 wide.
const char* const FONT_LINES[] = {"F:TYPE=FONT", "F:DEF_Blocks_STANDARD_7=standard.fnt",
                                  "F:DEF_Blocks_BOLD_7=bold.fnt"};

class CMC_TextTest : public imagetest::ImageTest {
protected:
    CMC_TextTest()
    {
        texttest::compileBlocks(window.get(), platform::toEnginePath(tmp.file("standard.fnt")),
                                texttest::standardInk(), "STANDARD");
        texttest::compileBlocks(window.get(), platform::toEnginePath(tmp.file("bold.fnt")), texttest::boldInk(),
                                "BOLD");
        define({FONT_LINES[0], FONT_LINES[1], FONT_LINES[2]});
    }
    CMC_Text* object(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_TEXT) << name;
        return o && o->getType() == MC_TEXT ? static_cast<CMC_Text*>(o) : nullptr;
    }
    CMultilineText6* drawable(const char* name) { return object(name)->getText(); }
    int priorityOf(CGraphicsObject* g) { return window->GetRefreshScreenInterface()->GetPriority(g); }
    std::string place(const char* name) { return call(name, "GETPOSITIONX") + "," + call(name, "GETPOSITIONY"); }
};

// "aaa a" centred in (10, 20, 110, 70) ("left" is no word) on the screen at
// its priority; "a" at the right and bottom of an IMAGE's box, made off the
// screen, where neither SHOW nor SETPRIORITY puts it. A FONT that names
// nothing leaves the text without a font until SETFONT names one; a
// SETFONT that names nothing keeps it.
TEST_F(CMC_TextTest, TheDefinitionLaysTheTextOutInItsFontAndRect)
{
    define({"P:TYPE=IMAGE", "P:FILENAME=pic.img"});
    define({"T:TYPE=TEXT", "T:FONT=F", "T:TEXT=aaa a", "T:RECT=10,20,110,70", "T:HJUSTIFY=left", "T:VJUSTIFY=TOP",
            "T:TOCANVAS=TRUE", "T:PRIORITY=3", "T:VISIBLE=TRUE", "U:TYPE=TEXT", "U:FONT=F", "U:TEXT=a", "U:RECT=P",
            "U:HJUSTIFY=RIGHT", "U:VJUSTIFY=BOTTOM", "V:TYPE=TEXT", "V:FONT=NOFONT", "V:TEXT=aaa a", "V:RECT=0,0,100,50"});
    EXPECT_EQ(call("T", "GETWIDTH"), "20");
    EXPECT_EQ(place("T"), "50,20");
    EXPECT_EQ(priorityOf(drawable("T")), 3);
    EXPECT_TRUE(drawable("T")->IsVisible());
    EXPECT_EQ(drawable("T")->getHJustify(), CENTER);

    const int height = drawable("U")->Height();
    EXPECT_EQ(place("U"), "45," + std::to_string(30 - height));
    EXPECT_FALSE(drawable("U")->IsVisible());
    call("U", "SHOW");
    call("U", "SETPRIORITY", {"5"});
    EXPECT_EQ(priorityOf(drawable("U")), -1);
    EXPECT_TRUE(drawable("U")->IsVisible());

    EXPECT_EQ(call("V", "GETWIDTH"), "0");
    call("V", "SETFONT", {"\"F\""});
    EXPECT_EQ(call("V", "GETWIDTH"), "20");
    call("V", "SETFONT", {"\"NOFONT\""});
    EXPECT_EQ(call("V", "GETWIDTH"), "20");

    // Other objects find the drawable by the object's name, and the name by
    // the drawable.
    EXPECT_EQ(scene->getGraphicsObject(CXString("T")), drawable("T"));
    EXPECT_EQ(std::string(scene->getGraphicsObjectName(drawable("U"), false).c_str()), "U");
}

struct FormCase {
    const char* method;
    std::initializer_list<const char*> args;
    const char* place;    // the text's position afterwards
    const char* clipping; // its clipping rectangle afterwards
};

// "aaa a" (20 wide) in (0, 0, 100, 50) at the right and bottom; the IMAGE
// P's box is (100, 40, 150, 70). Each case follows the one before.
TEST_F(CMC_TextTest, ArgumentCountsPickTheForms)
{
    define({"P:TYPE=IMAGE", "P:FILENAME=pic.img", "T:TYPE=TEXT", "T:FONT=F", "T:TEXT=aaa a", "T:RECT=0,0,100,50",
            "T:HJUSTIFY=RIGHT", "T:VJUSTIFY=BOTTOM"});
    call("P", "SETPOSITION", {"100", "40"});
    const int h = drawable("T")->Height();
    const std::string atRight = "80," + std::to_string(50 - h), centred = "-10," + std::to_string(-h);
    const FormCase cases[] = {
        {"SETJUSTIFY", {"0", "0", "100", "50", "\"RIGHT\"", "\"BOTTOM\""}, atRight.c_str(), "0,0,0,0"},
        // Five arguments: the name form, the rest unread.
        {"SETJUSTIFY", {"\"P\"", "\"LEFT\"", "\"TOP\"", "1", "2"}, "100,40", "0,0,0,0"},
        {"SETRECT", {"200", "100"}, "100,40", "0,0,0,0"},
        {"SETRECT", {"200", "100", "300"}, "100,40", "0,0,0,0"},
        {"SETRECT", {"200", "100", "300", "150"}, "200,100", "0,0,0,0"},
        {"SETRECT", {"\"P\""}, "100,40", "0,0,0,0"},
        {"SETRECT", {"\"NOSUCH\""}, "100,40", "0,0,0,0"},
        {"SETCLIPPING", {"\"P\""}, "100,40", "100,40,150,70"},
        {"SETCLIPPING", {"\"NOSUCH\""}, "100,40", "100,40,150,70"},
        {"SETCLIPPING", {"1", "2"}, "100,40", "100,40,150,70"},
        {"SETCLIPPING", {"1", "2", "3", "4"}, "100,40", "1,2,3,4"},
        {"CLEARCLIPPING", {}, "100,40", "0,0,0,0"},
        {"MOVE", {"-10", "5"}, "90,45", "0,0,0,0"},
        {"SETPOSITION", {"7", "8"}, "7,8", "0,0,0,0"},
        // No such drawable: laid out in (0, 0, 0, 0), centred.
        {"SETJUSTIFY", {"\"NOSUCH\"", "\"CENTER\"", "\"BOTTOM\""}, centred.c_str(), "0,0,0,0"},
        // A word missing: nothing changes.
        {"SETJUSTIFY", {"\"P\"", "\"RIGHT\""}, centred.c_str(), "0,0,0,0"},
    };
    for (const FormCase& c : cases) {
        call("T", c.method, c.args);
        const CXRect clip = drawable("T")->GetClippingRect();
        EXPECT_EQ(place("T"), c.place) << c.method << " with " << c.args.size();
        EXPECT_EQ(std::to_string(clip.left) + "," + std::to_string(clip.top) + "," + std::to_string(clip.right) +
                      "," + std::to_string(clip.bottom),
                  c.clipping)
            << c.method << " with " << c.args.size();
    }
    EXPECT_EQ(call("T", "ISNEAR", {"\"P\"", "50"}), "FALSE");
    call("T", "SETPOSITION", {"110", "45"});
    EXPECT_EQ(call("T", "ISNEAR", {"\"P\"", "100"}), "TRUE");
    EXPECT_EQ(call("T", "ISNEAR", {"\"NOSUCH\"", "0"}), "FALSE");
    EXPECT_EQ(call("T", "ISNEAR", {"0", "0", "120", "100", "100"}), "FALSE");
    EXPECT_EQ(call("T", "ISNEAR", {"0", "0", "200", "100", "100"}), "TRUE");
}

// White is the 16-bit word 0xFFFF read as signed; on a 15-bit screen the
// 5-5-5 word. Components count by their low 8 bits.
TEST(CMC_Text_RunnerColour, PacksForTheScreensDepth)
{
    const struct {
        int depth, r, g, b, packed;
    } cases[] = {
        {16, 255, 255, 255, -1},          {15, 255, 255, 255, 0x7FFF}, {16, 0, 0, 0, 0},
        {15, 0, 0, 0, 0},                 {16, 128, 0, 0, -32768},      {16, 0, 255, 0, 0x07E0},
        {15, 0, 0, 255, 0x001F},          {16, 256 + 8, -1, 7, int16_t(0x0FE0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMC_Text_Runner::packColour(c.depth, c.r, c.g, c.b), c.packed)
            << c.depth << ": " << c.r << "," << c.g << "," << c.b;
}

// SETCOLOR and SETWORDCOLOR through the runner take the depth of the
// calling scene's screen.
class CMC_Text15Test : public uitest::UiTest {
protected:
    CMC_Text15Test() : UiTest(false, 15) {}
};

TEST_F(CMC_Text15Test, SetColorPacksFiveFiveFive)
{
    define({"T:TYPE=TEXT", "T:TEXT=a"});
    CMultilineText6* t = static_cast<CMC_Text*>(scene->getObject("T"))->getText();
    call("T", "SETCOLOR", {"255", "255", "255"});
    EXPECT_EQ(t->getColor(), 0x7FFF);
    call("T", "SETCOLOR", {"8", "16"});
    EXPECT_EQ(t->getColor(), 0x7FFF);
}

TEST_F(CMC_TextTest, SetColorPacksFiveSixFive)
{
    define({"T:TYPE=TEXT", "T:FONT=F", "T:TEXT=aaa a"});
    call("T", "SETCOLOR", {"255", "255", "255"});
    EXPECT_EQ(drawable("T")->getColor(), -1);
    call("T", "SETCOLOR", {"0", "0", "0"});
    EXPECT_EQ(drawable("T")->getColor(), 0);
}

// The value's text cut after the point, never rounded; the argument keeps
// its value.
TEST_F(CMC_TextTest, SetTextDoubleCutsTheDecimals)
{
    define({"T:TYPE=TEXT", "T:FONT=F", "D:TYPE=DOUBLE", "D:VALUE=3.14159"});
    call("T", "SETCOLOR", {"0", "0", "0"});
    const struct {
        int decimals;
        const char* shown;
    } cases[] = {{2, "3.14"}, {4, "3.1415"}, {0, "3."}, {-1, "3.14159"}, {9, "3.14159"}};
    CMC_Variable* d = static_cast<CMC_Variable*>(scene->getObject("D"));
    for (const auto& c : cases) {
        CXVector args;
        args.add(d);
        args.add(CMC_Integer::temporary(c.decimals));
        run("T", CMC_Text_Runner::SETTEXTDOUBLE, &args);
        CMC_Object::flush(static_cast<CMC_Variable*>(args.at(1)));
        EXPECT_EQ(std::string(drawable("T")->getText().c_str()), c.shown) << c.decimals;
    }
    EXPECT_EQ(text("D"), "3.14159");
    EXPECT_EQ(std::string(CMC_Text_Runner::cutDecimals(CXString("12"), 1).c_str()), "12");
}

// The word queries of the laid-out text, after a frame drew it.
TEST_F(CMC_TextTest, WordQueriesFindTheDrawnWords)
{
    define({"T:TYPE=TEXT", "T:FONT=F", "T:TEXT=aaa a", "T:RECT=10,20,110,70", "T:HJUSTIFY=LEFT",
            "T:VJUSTIFY=TOP", "T:TOCANVAS=TRUE", "T:VISIBLE=TRUE"});
    frame();
    CMultilineText6* t = drawable("T");
    const std::string last = call("T", "SEARCH", {"\"a\"", "0"});
    ASSERT_NE(last, "-1");
    const int word = std::stoi(last);
    EXPECT_EQ(call("T", "GETWORDAT", {last.c_str()}), "a");
    EXPECT_EQ(call("T", "GETWORDAT", {"0"}), "aaa");
    EXPECT_EQ(call("T", "SEARCH", {"\"b\"", "0"}), "-1");
    EXPECT_EQ(call("T", "GETWORDWIDTH", {last.c_str()}), std::to_string(t->getWordWidth(word)));
    const CXPoint at = t->getWordPosition(word);
    EXPECT_EQ(call("T", "GETWORDPOSX", {last.c_str()}) + "," + call("T", "GETWORDPOSY", {last.c_str()}),
              std::to_string(at.x) + "," + std::to_string(at.y));
    // The point of the word's ink: 25 is right of "aaa" (13) and a space.
    EXPECT_EQ(call("T", "GETWORDATXY", {"26", "22"}), last);
    EXPECT_EQ(call("T", "GETNUMWORDS"), std::to_string(t->getNumWords()));
}

// Calls missing an argument of their form change nothing and answer the
// empty value of their kind; ids the text does not have are the common
// methods'; an object restored without its record has no drawable and
// answers the empty values.
TEST_F(CMC_TextTest, CallsThatCannotActChangeNothing)
{
    define({"T:TYPE=TEXT", "T:FONT=F", "T:TEXT=aaa a", "T:RECT=0,0,100,50"});
    const std::string before = place("T");
    const CXString stored = drawable("T")->getText();
    for (int id = CMC_Text_Runner::SETTEXT; id <= CMC_Text_Runner::GETNUMWORDS; ++id) {
        CXVector none;
        run("T", id, &none);
        run("T", id, nullptr);
    }
    EXPECT_EQ(place("T"), before);
    EXPECT_EQ(drawable("T")->getText(), stored);
    EXPECT_EQ(call("T", "GETWORDAT"), "");
    EXPECT_EQ(call("T", "SEARCH", {"\"aaa\""}), "-1");
    EXPECT_EQ(call("T", "ISNEAR", {"0", "0", "100"}), "FALSE");
    EXPECT_EQ(run("T", CMC_Runner::GETNAME, nullptr), "T");

    CMC_Text* empty = new CMC_Text(scene);
    empty->setName(CXString("EMPTY"));
    scene->addObject(empty);
    EXPECT_EQ(empty->getText(), nullptr);
    for (int id = 0; id <= 110; ++id)
        run("EMPTY", id, nullptr);
    EXPECT_EQ(run("EMPTY", CMC_Text_Runner::GETWIDTH, nullptr), "0");
    EXPECT_EQ(run("EMPTY", CMC_Text_Runner::GETWORDATXY, nullptr), "-1");
}

// SETPRIORITY moves the drawable on the screen but the record keeps the
// definition's priority; the record keeps the justification words as
// read, whether the text was on the screen, its visibility and its text.
// The FONT and the IMAGE it names are found once they joined the scene.
TEST_F(CMC_TextTest, TheSnapshotRecordRebuildsTheText)
{
    define({"T:TYPE=TEXT", "T:FONT=F", "T:TEXT=a", "T:RECT=0,0,100,50", "T:HJUSTIFY=left", "T:VJUSTIFY=BOTTOM",
            "T:TOCANVAS=TRUE", "T:PRIORITY=3", "T:VISIBLE=TRUE", "P:TYPE=IMAGE", "P:FILENAME=pic.img",
            "U:TYPE=TEXT", "U:FONT=F", "U:TEXT=aaa", "U:RECT=P", "U:VISIBLE=TRUE"});
    call("T", "SETPRIORITY", {"9"});
    EXPECT_EQ(priorityOf(drawable("T")), 9);
    EXPECT_EQ(object("T")->getPriority(), 3);
    call("T", "SETTEXT", {"\"aaa a\""});
    call("T", "HIDE");
    reread(writeSnapshot());
    ASSERT_NE(object("T"), nullptr);
    EXPECT_EQ(std::string(object("T")->getHJustify().c_str()), "left");
    EXPECT_EQ(object("T")->getPriority(), 3);
    EXPECT_EQ(priorityOf(drawable("T")), 3);
    EXPECT_FALSE(drawable("T")->IsVisible());
    EXPECT_EQ(call("T", "GETWIDTH"), "20");
    EXPECT_EQ(place("T"), "40," + std::to_string(50 - drawable("T")->Height()));
    ASSERT_NE(object("U"), nullptr);
    EXPECT_EQ(priorityOf(drawable("U")), -1);
    EXPECT_TRUE(drawable("U")->IsVisible());
    EXPECT_EQ(call("U", "GETWIDTH"), "13");
    // Centred in the box of P (50 x 30), found once P joined the scene.
    EXPECT_EQ(place("U"), "18," + std::to_string((30 - drawable("U")->Height()) / 2));
}

} // namespace
