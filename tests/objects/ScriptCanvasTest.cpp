// The script CANVAS in a scene with the engine's screen unit: the list of
// added objects through ADD, REMOVE, CLEAR, CAPTURE and clones; the
// pictures it composes, stamps, erases and saves; the mouse on the
// window's real road; the snapshot record; and an object after done.
#include "CanvasSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ValidationQuene.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace canvastest;
using CMC_CanvasTest = CanvasTest;

const uint16_t RED = 0xF800, BLUE = 0x001F;

// ADD remembers IMAGE (and TEXT) objects once, in order, and makes any
// drawable a child once; REMOVE and CLEAR take children off but keep the
// list; CAPTURE empties it, and with TRUE (or no argument) deletes the
// objects still in their scene. A clone lists the same objects: the
// second CAPTURE(TRUE) finds them gone and deletes nothing twice, also
// when a behaviour captures and the objects wait in the trash.
TEST_F(CMC_CanvasTest, AddedObjectsThroughRemoveClearCaptureAndAClone)
{
    for (const char* name : {"i.img", "j.img", "k.img"})
        ASSERT_TRUE(imagetest::writeImage(tmp.file(name), 4, 4, imagetest::plain(BLUE)));
    // SHARE shows I's picture, which the scene's cache lends to both.
    define({"C:TYPE=CANVAS", "C:WIDTH=40", "C:HEIGHT=30", "C:BACKGROUND=TRUE", "C:PRIORITY=3", "I:TYPE=IMAGE",
            "I:FILENAME=i.img", "J:TYPE=IMAGE", "J:FILENAME=j.img", "A:TYPE=ANIMO", "A:FILENAME=hero.ann",
            "SHARE:TYPE=IMAGE", "SHARE:FILENAME=i.img", "SHARE:TOCANVAS=TRUE", "SHARE:VISIBLE=TRUE",
            "SHARE:PRIORITY=9"});
    CMC_Canvas* c = canvasObject("C");
    ASSERT_NE(c, nullptr);
    CValidationQuene* children = c->getCanvas()->getEntries();
    CMC_Object* i = scene->getObject("I");
    CMC_Object* j = scene->getObject("J");
    using List = std::vector<CMC_Object*>;

    call("C", "ADD", {"\"I\""});
    call("C", "ADD", {"\"I\"", "7"});
    call("C", "ADD", {"\"A\""});
    call("C", "ADD", {"\"J\"", "5"});
    call("C", "ADD", {"\"NOTHING\""});
    EXPECT_EQ(c->getAddedObjects(), (List{i, j}));
    ASSERT_EQ(children->getSize(), 4);
    EXPECT_EQ(children->find(image("I"))->priority, 0);
    EXPECT_EQ(children->find(image("J"))->priority, 5);
    EXPECT_NE(children->find(animation("A")), nullptr);

    call("C", "REMOVE", {"\"I\""});
    EXPECT_EQ(children->find(image("I")), nullptr);
    EXPECT_EQ(c->getAddedObjects(), (List{i, j}));
    call("C", "CLEAR");
    ASSERT_EQ(children->getSize(), 1);
    EXPECT_EQ(children->elementAt(0)->drawable, c->getCanvas()->getBackground());
    EXPECT_EQ(c->getAddedObjects(), (List{i, j}));

    call("C", "ADD", {"\"J\""});
    call("C", "CAPTURE", {"FALSE"});
    EXPECT_TRUE(c->getAddedObjects().empty());
    EXPECT_EQ(children->getSize(), 1);
    EXPECT_EQ(scene->getObject("I"), i);
    EXPECT_EQ(scene->getObject("J"), j);

    for (const char* name : {"\"I\"", "\"J\"", "\"A\""})
        call("C", "ADD", {name});
    call("C", "CLONE");
    CMC_Canvas* copy = canvasObject("C_1");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->getAddedObjects(), (List{i, j}));
    EXPECT_EQ(copy->getCanvas()->getEntries()->getSize(), 4);
    EXPECT_EQ(call("C_1", "GETNAME"), "C_1");

    call("C", "CAPTURE");
    EXPECT_EQ(scene->getObject("I"), nullptr);
    EXPECT_EQ(scene->getObject("J"), nullptr);
    EXPECT_NE(scene->getObject("A"), nullptr);
    // J's picture went with its object, and the clone's child with it; I's
    // lives on for SHARE. The clone's list finds nothing left to delete.
    EXPECT_EQ(copy->getCanvas()->getEntries()->getSize(), 3);
    EXPECT_EQ(copy->getCanvas()->getEntries()->find(picture("SHARE"))->priority, 0);
    call("C_1", "CAPTURE", {"TRUE"});
    EXPECT_TRUE(copy->getAddedObjects().empty());
    // I gave its use of the shared picture back: SHARE still shows it.
    ASSERT_NE(picture("SHARE"), nullptr);
    EXPECT_EQ(picture("SHARE")->Width(), 4);
    frame();
    EXPECT_EQ(shownAt(2, 3), BLUE);

    // From a behaviour: the objects go to the trash, once.
    define({"K:TYPE=IMAGE", "K:FILENAME=k.img", "GO:TYPE=BEHAVIOUR",
            "GO:CODE={C^ADD(\"K\");C^CLONE(1);C^CAPTURE();C_2^CAPTURE(TRUE);}"});
    call("GO", "RUN");
    EXPECT_EQ(scene->getObject("K"), nullptr);
    CMC_Disposal::freeWaiting();
    EXPECT_EQ(scene->getObject("K"), nullptr);
}

const uint16_t GREY = 0x0020;

// The canvas at (100, 50) composes its children at their places in it: a
// CAPTURE keeps their picture in the background after they left; DRAW
// stamps a drawable's picture there (an animation's current frame); CLEAR
// wipes it all. Every frame is checked whole.
TEST_F(CMC_CanvasTest, ComposesCapturesStampsAndClears)
{
    ASSERT_TRUE(animotest::writeAnimation(window.get(), tmp.file("a.ann"), {{6, 4, 0, 0, RED}}, {{"IDLE", {0}}}));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("i.img"), 4, 4, imagetest::plain(BLUE), nullptr, CXPoint(2, 3)));
    // I is not on the screen: only the canvas shows it.
    define({"C:TYPE=CANVAS", "C:WIDTH=20", "C:HEIGHT=10", "C:BACKGROUND=TRUE", "C:PRIORITY=1", "I:TYPE=IMAGE",
            "I:FILENAME=i.img", "I:VISIBLE=TRUE", "A:TYPE=ANIMO", "A:FILENAME=a.ann", "A:VISIBLE=TRUE"});
    call("C", "SETPOSITION", {"100", "50"});
    call("C", "ADD", {"\"I\""});
    call("C", "ADD", {"\"A\"", "2"});
    auto shows = [&](const std::function<uint16_t(int, int)>& inCanvas, const char* name) {
        frame();
        return screentest::frameIs(
            backend.shownFrame(0),
            [&](int x, int y) -> uint32_t {
                return x >= 100 && x < 120 && y >= 50 && y < 60 ? inCanvas(x - 100, y - 50) : GREY;
            },
            name);
    };
    auto composed = [](int x, int y) -> uint16_t {
        if (x < 6 && y < 4)
            return RED;
        return x >= 2 && x < 6 && y >= 3 && y < 7 ? BLUE : 0;
    };
    EXPECT_TRUE(shows(composed, "canvas_composed"));

    call("C", "CAPTURE", {"FALSE"});
    call("A", "SETPOSITION", {"10", "0"});
    EXPECT_TRUE(shows(composed, "canvas_captured"));

    call("C", "DRAW", {"\"A\"", "12", "5"});
    EXPECT_EQ(call("A", "GETPOSITIONX"), "10");
    auto stamped = [&](int x, int y) -> uint16_t {
        return x >= 12 && x < 18 && y >= 5 && y < 9 ? RED : composed(x, y);
    };
    EXPECT_TRUE(shows(stamped, "canvas_stamped"));

    call("C", "CLEAR");
    EXPECT_TRUE(shows([](int, int) -> uint16_t { return 0; }, "canvas_cleared"));
}

// Two canvases in each other draw without end no more.
TEST_F(CMC_CanvasTest, CanvasesInEachOtherDrawOnce)
{
    define({"C:TYPE=CANVAS", "C:WIDTH=8", "C:HEIGHT=8", "D:TYPE=CANVAS", "D:WIDTH=8", "D:HEIGHT=8"});
    call("C", "ADD", {"\"D\""});
    call("D", "ADD", {"\"C\""});
    call("C", "ADD", {"\"C\""});
    EXPECT_EQ(canvas("C")->getEntries()->getSize(), 1);
    frame();
    frame();
}

// ERASE rubs the eraser's alpha (255, 254, ... row by row) out of the
// canvas's and the background's alpha planes where it lies on the canvas:
// each byte becomes its difference, 0 where the eraser's is not smaller.
// Colours stay. Without the planes nothing changes.
TEST_F(CMC_CanvasTest, EraseSubtractsTheErasersAlpha)
{
    ASSERT_TRUE(animotest::writeAnimation(window.get(), tmp.file("e.ann"), {{8, 2, 0, 0, 0x1234, true}},
                                          {{"IDLE", {0}}}));
    define({"C:TYPE=CANVAS", "C:WIDTH=20", "C:HEIGHT=10", "C:ALPHA=TRUE", "C:BACKGROUND=TRUE", "E:TYPE=ANIMO",
            "E:FILENAME=e.ann", "P:TYPE=CANVAS", "P:WIDTH=20", "P:HEIGHT=10", "I:TYPE=IMAGE", "I:FILENAME=red.img"});
    CCanvas* c = canvas("C");
    ASSERT_NE(c, nullptr);
    CGraphicsObject* back = c->getBackground();
    ASSERT_NE(c->GetChannelAlpha(), nullptr);
    ASSERT_NE(back->GetChannelAlpha(), nullptr);
    std::fill_n(c->GetChannelAlpha(), 200, char(250));
    std::fill_n(back->GetChannelAlpha(), 200, char(250));
    std::fill_n(reinterpret_cast<uint16_t*>(back->GetDataPtr()), 200, uint16_t(0x4321));

    call("C", "ERASE", {"\"E\"", "-2", "3"});
    for (CGraphicsObject* plane : {static_cast<CGraphicsObject*>(c), back})
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                int expected = 250;
                if (x < 6 && (y == 3 || y == 4)) {
                    const int eraser = 255 - ((y - 3) * 8 + x + 2);
                    expected = 250 > eraser ? 250 - eraser : 0;
                }
                ASSERT_EQ(alphaAt(plane, x, y), expected) << x << "," << y;
            }
    EXPECT_EQ(wordAt(back, 0, 3), 0x4321);

    // An eraser without alpha, a canvas without planes: nothing.
    call("C", "ERASE", {"\"I\"", "0", "0"});
    EXPECT_EQ(alphaAt(c, 0, 0), 250);
    call("P", "ERASE", {"\"E\"", "0", "0"});
    call("C", "ERASE", {"\"E\"", "0"});
    EXPECT_EQ(alphaAt(c, 19, 9), 250);
}

// SAVE writes a copy of the canvas as last composed: cut to the rectangle
// when it has an area, scaled when a factor is not 1.0; read back it holds
// those pixels. The canvas is not changed; a file that cannot be written
// is skipped.
TEST_F(CMC_CanvasTest, SaveCutsAndScalesACopyThatReadsBackTheSame)
{
    define({"C:TYPE=CANVAS", "C:WIDTH=20", "C:HEIGHT=10", "C:BACKGROUND=TRUE"});
    CCanvas* c = canvas("C");
    ASSERT_NE(c, nullptr);
    auto pattern = [](int x, int y) { return uint16_t(0x0841 * (x % 7) + 0x1000 * (y % 5) + x * 3); };
    uint16_t* words = reinterpret_cast<uint16_t*>(c->getBackground()->GetDataPtr());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            words[y * 20 + x] = pattern(x, y);
    c->getBackground()->Invalidate();
    frame();
    ASSERT_EQ(wordAt(c, 7, 3), pattern(7, 3));

    call("C", "SAVE", {"\"whole.img\""});
    call("C", "SAVE", {"\"part.img\"", "2.0", "1.0", "5", "4", "9", "7"});
    call("C", "SAVE", {"\"flat.img\"", "1.0", "1.0", "6", "6", "6", "9"});
    call("C", "SAVE", {"\"half.img\"", "0.5", "0.5"});
    call("C", "SAVE", {"\"nowhere/x.img\""});
    struct {
        const char* file;
        int w, h;
        std::function<uint16_t(int, int)> expected;
    } cases[] = {
        {"whole.img", 20, 10, pattern},
        {"flat.img", 20, 10, pattern},
        {"part.img", 8, 3, [&](int x, int y) { return pattern(5 + x / 2, 4 + y); }},
        {"half.img", 10, 5, [&](int x, int y) { return pattern(2 * x, 2 * y); }},
    };
    for (const auto& k : cases) {
        std::unique_ptr<CGraphicsObject> read = loadImage(k.file);
        ASSERT_NE(read, nullptr) << k.file;
        ASSERT_EQ(read->Width(), k.w) << k.file;
        ASSERT_EQ(read->Height(), k.h) << k.file;
        for (int y = 0; y < k.h; ++y)
            for (int x = 0; x < k.w; ++x)
                ASSERT_EQ(wordAt(read.get(), x, y), k.expected(x, y)) << k.file << " " << x << "," << y;
    }
    EXPECT_EQ(c->Width(), 20);
    EXPECT_EQ(wordAt(c, 7, 3), pattern(7, 3));
}

// The mouse: a canvas at (0, 0) over a button animation U at listener
// priority -1. Hovering raises the focus events and shows the active
// cursor; a press inside raises the button's form first, else the plain
// one, and is taken; a release is never taken. SETASBUTTON(FALSE)
// silences the canvas, (TRUE, FALSE) keeps its events but not the cursor.
// A canvas with only "ONCLICK^RIGHT" takes a left press without raising
// anything; one with no click behaviour takes none. A hidden canvas
// handles no move.
TEST_F(CMC_CanvasTest, MouseEventsOnTheWindowsRoad)
{
    int active = 0;
    window->SetActiveCursor(&active);
    for (const char* name : {"u.ann", "v.ann", "w.ann"})
        tmp.write(name, tmp.read("hero.ann"));
    auto button = [](const char* n, const char* file) {
        std::string p(n);
        return std::vector<std::string>{p + ":TYPE=ANIMO",
                                        p + ":FILENAME=" + file,
                                        p + ":VISIBLE=TRUE",
                                        p + ":TOCANVAS=TRUE",
                                        p + ":ONFIRSTFRAME=TRUE",
                                        p + ":PRIORITY=-1",
                                        p + ":ASBUTTON=TRUE",
                                        p + ":ONCLICK={LOG^ADD(\"" + n + ".\");}",
                                        p + ":ONRELEASE={LOG^ADD(\"" + n + "R.\");}"};
    };
    std::vector<std::string> lines = {"LOG:TYPE=STRING", "C:TYPE=CANVAS", "C:WIDTH=40", "C:HEIGHT=20",
                                      "C:ONCLICK^LEFT={LOG^ADD(\"L.\");}", "C:ONCLICK={LOG^ADD(\"C.\");}",
                                      "C:ONRELEASE^LEFT={LOG^ADD(\"R.\");}", "C:ONFOCUSON={LOG^ADD(\"in.\");}",
                                      "C:ONFOCUSOFF={LOG^ADD(\"out.\");}", "D:TYPE=CANVAS", "D:WIDTH=40",
                                      "D:HEIGHT=20", "D:ONCLICK^RIGHT={LOG^ADD(\"DR.\");}", "E:TYPE=CANVAS",
                                      "E:WIDTH=40", "E:HEIGHT=20", "E:ONRELEASE={LOG^ADD(\"ER.\");}"};
    for (const auto& b : {button("U", "u.ann"), button("V", "v.ann"), button("W", "w.ann")})
        lines.insert(lines.end(), b.begin(), b.end());
    std::vector<const char*> raw;
    for (const auto& l : lines)
        raw.push_back(l.c_str());
    recordstest::defineObjectLines(scene, raw);
    for (const char* name : {"D", "V"})
        call(name, "SETPOSITION", {"0", "100"});
    for (const char* name : {"E", "W"})
        call(name, "SETPOSITION", {"0", "200"});
    logged();

    moveTo(10, 10);
    EXPECT_EQ(logged(), "in.");
    EXPECT_EQ(window->GetCursor(), &active);
    click(0);
    EXPECT_EQ(logged(), "L.R.UR.");
    click(2);
    EXPECT_EQ(logged(), "C.UR.");
    // The right and bottom edges are outside.
    moveTo(40, 10);
    EXPECT_EQ(logged(), "out.");
    click(0);
    EXPECT_EQ(logged(), "U.UR.");

    moveTo(10, 110);
    click(0);
    EXPECT_EQ(logged(), "VR.");
    moveTo(10, 210);
    click(0);
    EXPECT_EQ(logged(), "W.ER.WR.");

    int other = 0;
    window->SetCursor(&other);
    call("U", "SETASBUTTON", {"TRUE", "FALSE"});
    call("C", "SETASBUTTON", {"TRUE", "FALSE"});
    moveTo(10, 10);
    EXPECT_EQ(logged(), "in.");
    EXPECT_EQ(window->GetCursor(), &other);
    call("C", "SETASBUTTON", {"FALSE"});
    click(0);
    moveTo(45, 10);
    EXPECT_EQ(logged(), "U.UR.");
    // The pointer left while the canvas was no button: the next move tells.
    call("C", "SETASBUTTON", {"TRUE"});
    moveTo(46, 10);
    EXPECT_EQ(logged(), "out.");
    // Hidden with the pointer outside, shown again with it inside: the
    // move while hidden was not seen.
    call("C", "HIDE");
    moveTo(10, 10);
    EXPECT_EQ(logged(), "");
    call("C", "SHOW");
    moveTo(11, 10);
    EXPECT_EQ(logged(), "in.");
}

// The record keeps the size, the priority on the screen (-1 off it) and
// the two layers, not the drawing; a restored canvas with a click
// behaviour listens again.
TEST_F(CMC_CanvasTest, TheSnapshotRecordRestoresSizePriorityAndLayers)
{
    define({"LOG:TYPE=STRING", "C:TYPE=CANVAS", "C:WIDTH=30", "C:HEIGHT=12", "C:PRIORITY=6", "C:ALPHA=TRUE",
            "C:BACKGROUND=TRUE", "C:ONCLICK={LOG^ADD(\"C.\");}", "D:TYPE=CANVAS", "O:TYPE=CANVAS_OBSERVER",
            "X:TYPE=CANVAS", "X:WIDTH=-5", "X:HEIGHT=7", "X:PRIORITY=2"});
    std::fill_n(reinterpret_cast<uint16_t*>(canvas("C")->getBackground()->GetDataPtr()), 360, uint16_t(RED));
    call("O", "REMOVE", {"\"X\""});
    reread(writeSnapshot());
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    struct {
        const char* name;
        int w, h, priority;
        bool alpha, background;
    } cases[] = {{"C", 30, 12, 6, true, true}, {"D", 0, 0, 0, false, false}, {"X", 0, 0, -1, false, false}};
    for (const auto& k : cases) {
        CCanvas* c = canvas(k.name);
        ASSERT_NE(c, nullptr) << k.name;
        EXPECT_EQ(c->Width(), k.w) << k.name;
        EXPECT_EQ(c->Height(), k.h) << k.name;
        EXPECT_EQ(screen->GetPriority(c), k.priority) << k.name;
        EXPECT_EQ(c->GetChannelAlpha() != nullptr, k.alpha) << k.name;
        EXPECT_EQ(c->getBackground() != nullptr, k.background) << k.name;
    }
    EXPECT_EQ(wordAt(canvas("C")->getBackground(), 3, 3), 0);
    EXPECT_TRUE(canvasObject("C")->isListening());
    moveTo(5, 5);
    click(0);
    EXPECT_EQ(logged(), "C.");
}

// After done the object has no canvas: its methods, mouse hooks and clone
// do nothing, and its destructor finds nothing more to release.
TEST_F(CMC_CanvasTest, AfterDoneNothingReachesTheCanvas)
{
    define({"LOG:TYPE=STRING", "C:TYPE=CANVAS", "C:WIDTH=30", "C:HEIGHT=12", "C:BACKGROUND=TRUE",
            "C:ONCLICK={LOG^ADD(\"C.\");}", "C:ONFOCUSON={LOG^ADD(\"in.\");}", "I:TYPE=IMAGE", "I:FILENAME=red.img"});
    CMC_Canvas* c = canvasObject("C");
    call("C", "ADD", {"\"I\""});
    c->done();
    EXPECT_EQ(c->getCanvas(), nullptr);
    EXPECT_EQ(scene->getGraphicsObject(CXString("C")), nullptr);
    for (const char* method : {"ADD", "REMOVE", "SHOW", "HIDE", "SETPRIORITY", "SETPOSITION", "MOVE", "CLEAR",
                               "CAPTURE", "SETOPACITY", "SETASBUTTON", "ERASE", "DRAW", "SAVE"})
        EXPECT_EQ(call("C", method, {"\"I\"", "1", "2", "3", "4", "5", "6"}), "-") << method;
    EXPECT_NE(scene->getObject("I"), nullptr);
    call("C", "CLONE");
    EXPECT_EQ(scene->getObject("C_1"), nullptr);
    moveTo(5, 5);
    click(0);
    EXPECT_EQ(logged(), "");
    frame();
}

} // namespace
