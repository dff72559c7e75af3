// The script PATTERN in a scene with the engine's screen unit: the
// definition keys, the cell table through the methods and their two hit
// searches, the mouse on the window's real road, the snapshot record, and
// done emptying the cells.
#include "CanvasSupport.h"
#include "graphics/Pattern.h"
#include "graphics/RefreshScreen.h"
#include "objects/ScriptPattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The pattern P at (100, 50), 100 x 40 in cells of 20 x 10 (5 columns, 4
// rows) and two layers, with the 20 x 10 pictures I (red) and J (blue)
// and the 50 x 30 picture K (its last ten columns transparent), all shown.
const std::vector<const char*> grid = {
    "LOG:TYPE=STRING", "ARR:TYPE=ARRAY",   "I:TYPE=IMAGE",    "I:FILENAME=red.img", "I:VISIBLE=TRUE",
    "J:TYPE=IMAGE",    "J:FILENAME=j.img", "J:VISIBLE=TRUE", "K:TYPE=IMAGE",       "K:FILENAME=pic.img",
    "K:VISIBLE=TRUE",  "P:TYPE=PATTERN",   "P:TOCANVAS=TRUE", "P:VISIBLE=TRUE",     "P:PRIORITY=4",
    "P:WIDTH=100",     "P:HEIGHT=40",      "P:GRIDX=20",      "P:GRIDY=10",         "P:LAYERS=2"};

class CMC_PatternTest : public canvastest::CanvasTest {
protected:
    CMC_PatternTest() { EXPECT_TRUE(imagetest::writeImage(tmp.file("j.img"), 20, 10, imagetest::plain(0x001F))); }
    // The grid below and further lines.
    void defineGrid(std::initializer_list<const char*> more = {})
    {
        std::vector<const char*> lines = grid;
        lines.insert(lines.end(), more.begin(), more.end());
        recordstest::defineObjectLines(scene, lines);
    }
    // The values ARR holds, joined with '|'; ARR is emptied.
    std::string drain()
    {
        std::string out;
        const int n = std::stoi(call("ARR", "GETSIZE"));
        for (int i = 0; i < n; ++i)
            out += (i ? "|" : "") + call("ARR", "GET", {std::to_string(i).c_str()});
        call("ARR", "REMOVEALL");
        return out;
    }
};

CMC_Pattern* patternObject(CMC_ObjectsContainer* scene, const char* name)
{
    CMC_Object* o = scene->getObject(name);
    EXPECT_TRUE(o && o->getType() == MC_PATTERN) << name;
    return o && o->getType() == MC_PATTERN ? static_cast<CMC_Pattern*>(o) : nullptr;
}

// The keys as read: a step of 0 or below is 1, fewer than one layer is
// one, no "VISIBLE" hides the pattern and no "TOCANVAS" keeps it off the
// screen.
TEST_F(CMC_PatternTest, DefinitionKeys)
{
    define({"A:TYPE=PATTERN", "A:WIDTH=100", "A:HEIGHT=40", "A:GRIDX=0", "A:GRIDY=-4", "A:LAYERS=0",
            "B:TYPE=PATTERN", "B:WIDTH=60", "B:HEIGHT=30", "B:GRIDX=20", "B:GRIDY=10", "B:LAYERS=3",
            "B:TOCANVAS=TRUE", "B:VISIBLE=TRUE", "B:PRIORITY=7", "C:TYPE=PATTERN", "C:WIDTH=-5", "C:HEIGHT=9",
            "D:TYPE=PATTERN", "D:WIDTH=20", "D:HEIGHT=20", "D:GRIDX=10", "D:GRIDY=10", "D:TOCANVAS=TRUE",
            "D:PRIORITY=-3"});
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    struct {
        const char* name;
        int columns, rows, layers, priority;
        bool visible;
    } cases[] = {{"A", 100, 40, 1, -1, false}, {"B", 3, 3, 3, 7, true}, {"C", 0, 0, 1, -1, false},
                 {"D", 2, 2, 1, -3, false}};
    for (const auto& k : cases) {
        CMC_Pattern* o = patternObject(scene, k.name);
        ASSERT_TRUE(o && o->getPattern()) << k.name;
        CPattern* p = o->getPattern();
        EXPECT_EQ(p->getColumns(), k.columns) << k.name;
        EXPECT_EQ(p->getRows(), k.rows) << k.name;
        EXPECT_EQ(p->getLayers(), k.layers) << k.name;
        EXPECT_EQ(screen->GetPriority(p), k.priority) << k.name;
        EXPECT_EQ(p->IsVisible(), k.visible) << k.name;
    }
    EXPECT_EQ(call("C", "GETCELLCORD", {"3", "3", "\"ARR\""}), "FALSE");
    EXPECT_EQ(call("C", "ADD", {"\"a\"", "0", "0", "\"B\"", "0"}), "-");
}

// Overlapping entries of layers 0 and 1: GETGRAPHICSAT finds the upper
// one, GETALIASAT and GETINFOAT the lower one; a layer argument of the top
// layer searches all, a lower one only itself, one past the top nothing.
// ADD replaces a cell's entry; cells outside the table, names of nothing
// and missing arguments change nothing.
TEST_F(CMC_PatternTest, CellsAndHitSearches)
{
    defineGrid();
    CPattern* p = patternObject(scene, "P")->getPattern();
    call("P", "SETPOSITION", {"100", "50"});
    call("P", "ADD", {"\"a\"", "1", "1", "\"I\"", "7"});
    call("P", "ADD", {"\"b\"", "1", "1", "\"J\"", "8", "1"});
    call("P", "ADD", {"\"x\"", "9", "9", "\"J\"", "8"});
    call("P", "ADD", {"\"y\"", "2", "2", "\"NOTHING\"", "8"});
    call("P", "ADD", {"\"z\"", "2", "2", "\"J\""});
    EXPECT_EQ(call("P", "GETALIASATCELL", {"2", "2"}), "NULL");

    struct {
        const char* method;
        std::initializer_list<const char*> args;
        const char* expected;
    } cases[] = {
        {"GETGRAPHICSAT", {"125", "65", "FALSE", "FALSE"}, "J"},
        {"GETGRAPHICSAT", {"125", "65", "FALSE", "FALSE", "1"}, "J"},
        {"GETGRAPHICSAT", {"125", "65", "FALSE", "FALSE", "0"}, "I"},
        {"GETGRAPHICSAT", {"125", "65", "FALSE", "FALSE", "2"}, "NULL"},
        {"GETGRAPHICSAT", {"105", "55", "FALSE", "FALSE"}, "NULL"},
        {"GETGRAPHICSAT", {"125", "65", "FALSE"}, "-"},
        {"GETALIASAT", {"125", "65", "FALSE", "FALSE"}, "a"},
        {"GETALIASAT", {"141", "65", "FALSE", "FALSE"}, "NULL"},
        {"GETALIASATCELL", {"1", "1"}, "a"},
        {"GETALIASATCELL", {"1", "1", "1"}, "b"},
        {"GETALIASATCELL", {"1", "1", "2"}, "NULL"},
        {"GETALIASATCELL", {"-1", "1"}, "NULL"},
        {"GETALIASATCELL", {"1"}, "-"},
    };
    for (const auto& k : cases)
        EXPECT_EQ(call("P", k.method, k.args), k.expected) << k.method << " " << *k.args.begin();

    call("P", "GETINFOAT", {"125", "65", "FALSE", "FALSE", "\"ARR\""});
    EXPECT_EQ(drain(), "a|1|1|20|10|130|65");
    call("P", "GETALIASINFO", {"\"b\"", "\"ARR\""});
    call("P", "GETALIASINFO", {"\"none\"", "\"ARR\""});
    call("P", "GETINFOAT", {"125", "65", "FALSE", "FALSE", "\"LOG\""});
    EXPECT_EQ(drain(), "b|1|1|20|10|130|65");

    // A new step moves the entries' places, not the table.
    call("P", "SETGRID", {"30", "20"});
    call("P", "SETGRID", {"0", "5"});
    EXPECT_EQ(p->getGrid().cx, 30);
    EXPECT_EQ(p->getColumns(), 5);
    EXPECT_EQ(call("P", "GETALIASAT", {"135", "75", "FALSE", "FALSE"}), "a");
    call("P", "SETGRID", {"20", "10"});

    call("P", "ADD", {"\"c\"", "1", "1", "\"K\"", "0"});
    EXPECT_EQ(call("P", "GETALIASATCELL", {"1", "1"}), "c");
    // K's transparent columns: the box is hit, the pixels are not.
    EXPECT_EQ(call("P", "GETALIASAT", {"165", "65", "FALSE", "FALSE"}), "NULL");
    EXPECT_EQ(call("P", "GETALIASAT", {"165", "65", "FALSE", "TRUE"}), "c");
}

// GETCELLCORD appends the cell (toward zero) whether or not the point is
// on the pattern and answers whether it is, both far edges included.
TEST_F(CMC_PatternTest, CellCoordinates)
{
    defineGrid();
    call("P", "SETPOSITION", {"100", "50"});
    struct {
        const char *x, *y, *answer, *cell;
    } cases[] = {{"200", "90", "TRUE", "5|4"},  {"100", "50", "TRUE", "0|0"}, {"201", "60", "FALSE", "5|1"},
                 {"90", "55", "FALSE", "0|0"},  {"79", "55", "FALSE", "-1|0"}, {"150", "49", "FALSE", "2|0"}};
    for (const auto& k : cases) {
        EXPECT_EQ(call("P", "GETCELLCORD", {k.x, k.y, "\"ARR\""}), k.answer) << k.x << "," << k.y;
        EXPECT_EQ(drain(), k.cell) << k.x << "," << k.y;
    }
    EXPECT_EQ(call("P", "GETCELLCORD", {"150", "60", "\"NOARRAY\""}), "TRUE");
    EXPECT_EQ(call("P", "GETCELLCORD", {"150", "60"}), "-");
    call("P", "MOVE", {"-100", "-50"});
    EXPECT_EQ(call("P", "GETCELLCORD", {"40", "0", "\"ARR\""}), "TRUE");
    EXPECT_EQ(drain(), "2|0");
}

// REMOVE with an integer names a cell, with a text every entry of that
// alias; done empties every cell.
TEST_F(CMC_PatternTest, RemoveAndDone)
{
    defineGrid();
    CPattern* p = patternObject(scene, "P")->getPattern();
    call("P", "ADD", {"\"5\"", "0", "0", "\"I\""});
    call("P", "ADD", {"\"5\"", "0", "0", "\"I\"", "0"});
    call("P", "ADD", {"\"5\"", "1", "0", "\"J\"", "0", "1"});
    call("P", "ADD", {"\"k\"", "4", "2", "\"K\"", "0"});
    call("P", "ADD", {"\"k2\"", "3", "2", "\"K\"", "0", "1"});
    call("P", "REMOVE", {"4"});
    call("P", "REMOVE", {"3", "2"});
    call("P", "REMOVE", {});
    EXPECT_EQ(call("P", "GETALIASATCELL", {"4", "2"}), "k");
    EXPECT_EQ(call("P", "GETALIASATCELL", {"3", "2", "1"}), "k2");
    call("P", "REMOVE", {"\"5\""});
    EXPECT_EQ(call("P", "GETALIASATCELL", {"0", "0"}), "NULL");
    EXPECT_EQ(call("P", "GETALIASATCELL", {"1", "0", "1"}), "NULL");
    call("P", "REMOVE", {"4", "2", "0"});
    EXPECT_EQ(call("P", "GETALIASATCELL", {"4", "2"}), "NULL");
    EXPECT_TRUE(p->contains(image("K")));
    scene->getObject("P")->done(false);
    EXPECT_FALSE(p->contains(image("K")));
}

// The mouse: the pattern at (0, 0) over a button animation U at listener
// priority -1. A left press inside raises the "^LEFT" form only, another
// button the plain event; the press is taken, the release passed on. The
// hidden pattern Q at (0, 100) handles nothing.
TEST_F(CMC_PatternTest, MouseOnTheWindowsRoad)
{
    tmp.write("u.ann", tmp.read("hero.ann"));
    define({"LOG:TYPE=STRING", "P:TYPE=PATTERN", "P:TOCANVAS=TRUE", "P:VISIBLE=TRUE", "P:WIDTH=40",
            "P:HEIGHT=20", "P:GRIDX=10", "P:GRIDY=10", "P:ONCLICK^LEFT={LOG^ADD(\"L.\");}",
            "P:ONCLICK={LOG^ADD(\"C.\");}", "P:ONRELEASE={LOG^ADD(\"R.\");}", "P:ONFOCUSON={LOG^ADD(\"in.\");}",
            "P:ONFOCUSOFF={LOG^ADD(\"out.\");}", "Q:TYPE=PATTERN", "Q:WIDTH=40", "Q:HEIGHT=20",
            "Q:ONCLICK={LOG^ADD(\"Q.\");}", "Q:ONFOCUSON={LOG^ADD(\"Qin.\");}", "U:TYPE=ANIMO",
            "U:FILENAME=u.ann", "U:VISIBLE=TRUE", "U:TOCANVAS=TRUE", "U:ONFIRSTFRAME=TRUE", "U:PRIORITY=-1",
            "U:ASBUTTON=TRUE", "U:ONCLICK={LOG^ADD(\"U.\");}", "U:ONRELEASE={LOG^ADD(\"UR.\");}"});
    call("Q", "SETPOSITION", {"0", "100"});
    call("U", "SETPOSITION", {"0", "0"});
    logged();
    EXPECT_TRUE(patternObject(scene, "Q")->isListening());

    moveTo(10, 10);
    EXPECT_EQ(logged(), "in.");
    click(0);
    EXPECT_EQ(logged(), "L.R.UR.");
    click(2);
    EXPECT_EQ(logged(), "C.R.UR.");
    moveTo(40, 10);
    EXPECT_EQ(logged(), "out.");
    moveTo(10, 110);
    click(0);
    EXPECT_EQ(logged().find('Q'), std::string::npos);
}

// A pattern past what a definition may ask for is left out and named on
// standard error as the title names it, its code page 1250 letters in UTF-8
// as the terminal shows them.
TEST_F(CMC_PatternTest, APatternTooLargeIsNamedInUtf8)
{
    testing::internal::CaptureStderr();
    define({"W\x9A:TYPE=PATTERN", "W\x9A:LAYERS=2000000000"});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "Quarnel: object \"W\xC5\xA1\" of the definition file left out: it asks for 48000000000 bytes, "
                    "over the limit of 33554432 bytes (32 MiB) for one object\n");
    EXPECT_EQ(scene->getObject("W\x9A"), nullptr);
}

// The record keeps visibility, the screen priority (-1 off it), the size,
// the definition's grid step and the layers, not the cells; a restored
// pattern with a click behaviour listens again.
TEST_F(CMC_PatternTest, SnapshotRecord)
{
    defineGrid({"Q:TYPE=PATTERN", "Q:WIDTH=30", "Q:HEIGHT=10", "Q:GRIDX=0", "Q:GRIDY=5", "P:ONCLICK={LOG^ADD(\"P.\");}"});
    call("P", "ADD", {"\"a\"", "1", "1", "\"I\"", "7"});
    call("P", "SETGRID", {"25", "10"});
    reread(writeSnapshot());
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    struct {
        const char* name;
        int w, h, gx, gy, layers, priority;
        bool visible;
    } cases[] = {{"P", 100, 40, 20, 10, 2, 4, true}, {"Q", 30, 10, 1, 5, 1, -1, false}};
    for (const auto& k : cases) {
        CMC_Pattern* o = patternObject(scene, k.name);
        ASSERT_TRUE(o && o->getPattern()) << k.name;
        CPattern* p = o->getPattern();
        EXPECT_EQ(p->Width(), k.w) << k.name;
        EXPECT_EQ(p->Height(), k.h) << k.name;
        EXPECT_EQ(p->getGrid().cx, k.gx) << k.name;
        EXPECT_EQ(p->getGrid().cy, k.gy) << k.name;
        EXPECT_EQ(p->getLayers(), k.layers) << k.name;
        EXPECT_EQ(screen->GetPriority(p), k.priority) << k.name;
        EXPECT_EQ(p->IsVisible(), k.visible) << k.name;
    }
    EXPECT_EQ(call("P", "GETALIASATCELL", {"1", "1"}), "NULL");
    EXPECT_TRUE(patternObject(scene, "P")->isListening());
    moveTo(5, 5);
    click(0);
    EXPECT_EQ(logged(), "P.");
}

} // namespace
