// The script IMAGE in a scene with the engine's screen unit: its definition
// keys, the picture shared per file through the unit's cache and the uses
// its clones take, the mouse on the window's real road, collisions and the
// snapshot record.
#include "ScriptImageSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "base/ResourcesManager.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ValidationQuene.h"
#include "graphics/Window.h"
#include "script/BehaviourBase.h"
#include "script/SceneSnapshot.h"

#include <gtest/gtest.h>

namespace {

using namespace imagetest;

using CMC_ImageTest = ImageTest;

// The file is read at once unless PRELOAD says otherwise; SHOW reads a
// picture not read yet. VISIBLE and TOCANVAS are off unless set; the
// starting position is where the picture lay once read.
TEST_F(CMC_ImageTest, DefinitionKeysAndTheirDefaults)
{
    tmp.write("b.img", tmp.read("pic.img"));
    tmp.write("c.img", tmp.read("pic.img"));
    define({"A:TYPE=IMAGE", "A:FILENAME=pic.img", "B:TYPE=IMAGE", "B:FILENAME=b.img", "B:PRELOAD=FALSE",
            "B:TOCANVAS=TRUE", "B:PRIORITY=7", "C:TYPE=IMAGE", "C:FILENAME=c.img", "C:PRELOAD=TRUE",
            "C:VISIBLE=TRUE", "C:FLUSHAFTERPLAYED=TRUE", "C:ASBUTTON=TRUE"});
    struct {
        const char* name;
        const char* width;
        const char* visible;
        int priority;
    } cases[] = {
        {"A", "50", "FALSE", -1},
        {"B", "0", "FALSE", 7},
        {"C", "50", "TRUE", -1},
    };
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    for (const auto& c : cases) {
        EXPECT_EQ(call(c.name, "GETWIDTH"), c.width) << c.name;
        EXPECT_EQ(call(c.name, "ISVISIBLE"), c.visible) << c.name;
        EXPECT_EQ(screen->GetPriority(picture(c.name)), c.priority) << c.name;
    }
    EXPECT_TRUE(picture("C")->releaseAfterUse());
    EXPECT_TRUE(object("C")->isButton());
    EXPECT_FALSE(object("A")->isButton());

    call("B", "SHOW");
    EXPECT_EQ(call("B", "GETWIDTH") + call("B", "GETHEIGHT") + call("B", "ISVISIBLE"), "5030TRUE");
    call("B", "SETPOSITION", {"100", "40"});
    call("B", "RESETPOSITION");
    EXPECT_EQ(call("B", "GETPOSITIONX") + "," + call("B", "GETPOSITIONY"), "0,0");
}

// Objects on one file share the cache's picture. LOAD always makes the
// object show a new picture: of the same file, the cache's one again while
// another object uses it, else a fresh one read anew. A clone shows an
// owned copy (put on the refresh only when the picture is there) and takes
// one more use of the cached picture, which the object's next LOAD gives
// back; the object's unload gives back its own use only.
TEST_F(CMC_ImageTest, PicturesSharedThroughTheCacheAndTheUsesOfClones)
{
    define({"A:TYPE=IMAGE", "A:FILENAME=pic.img", "A:TOCANVAS=TRUE", "A:PRIORITY=3", "B:TYPE=IMAGE",
            "B:FILENAME=PIC.IMG", "C:TYPE=IMAGE", "C:FILENAME=red.img"});
    CImage* shared = picture("A");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(picture("B"), shared);
    EXPECT_TRUE(cache()->contains(shared));

    call("A", "LOAD", {"\"pic.img\""});
    EXPECT_EQ(picture("A"), shared);
    EXPECT_EQ(call("A", "GETWIDTH"), "50");

    // C is the only user of red.img: a LOAD of it reads a new picture,
    // which keeps C off the refresh.
    call("C", "SETOPACITY", {"7"});
    call("C", "LOAD", {"\"red.img\""});
    EXPECT_EQ(call("C", "GETOPACITY"), "255");
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(picture("C")), -1);

    call("A", "CLONE", {"2"});
    call("C", "CLONE", {"1"});
    CImage* copy = picture("A_1");
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, shared);
    EXPECT_FALSE(cache()->contains(copy));
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(copy), 3);
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(picture("C_1")), -1);
    EXPECT_EQ(call("A_1", "GETWIDTH"), "50");
    EXPECT_FALSE(object("A_1")->isButton());

    // A's use, its clones' two and B's: A's LOAD gives back three.
    call("A", "LOAD", {"\"red.img\""});
    EXPECT_TRUE(cache()->contains(shared));
    EXPECT_EQ(picture("A"), picture("C"));
    unloadObject("B");
    EXPECT_FALSE(cache()->contains(shared));
    // The clones' copies go with them.
    unloadObject("A_1");
    unloadObject("A_2");
    EXPECT_EQ(call("A", "GETWIDTH"), "20");
}

// A button ("ASBUTTON") with only an ONCLICK behaviour listens, takes every
// button's press inside its box (raising the button's form first), keeps
// the cursor on moves and never hovers; an image without ONCLICK lets the
// press through to the one below; a release is raised but never taken.
// The window's pause changes nothing. SETASBUTTON leaves the object a
// button whatever its first argument; its second stops cursor changes.
TEST_F(CMC_ImageTest, AButtonOnTheMouseRoad)
{
    tmp.write("i.img", tmp.read("red.img"));
    int active = 0;
    window->SetActiveCursor(&active);
    define({"LOG:TYPE=STRING", "UNDER:TYPE=IMAGE", "UNDER:FILENAME=pic.img", "UNDER:VISIBLE=TRUE",
            "UNDER:PRIORITY=1", "UNDER:ASBUTTON=TRUE", "UNDER:ONCLICK={LOG^ADD(\"under.\");}",
            "B:TYPE=IMAGE", "B:FILENAME=red.img", "B:VISIBLE=TRUE", "B:PRIORITY=5", "B:ASBUTTON=TRUE",
            "B:ONCLICK^LEFT={LOG^ADD(\"L.\");}", "B:ONCLICK={LOG^ADD(\"C.\");}", "R:TYPE=IMAGE",
            "R:FILENAME=pic.img", "R:VISIBLE=TRUE", "R:PRIORITY=9", "R:ASBUTTON=TRUE",
            "R:ONRELEASE^LEFT={LOG^ADD(\"R.\");}", "I:TYPE=IMAGE", "I:FILENAME=i.img", "I:ASBUTTON=TRUE",
            "I:ONINIT={LOG^ADD(\"\");}"});
    EXPECT_TRUE(object("B")->isListening());
    EXPECT_TRUE(object("R")->isListening());
    EXPECT_FALSE(object("I")->isListening());
    const auto before = window->GetCursor();

    moveTo(10, 5);
    EXPECT_FALSE(object("B")->isHovered());
    EXPECT_EQ(window->GetCursor(), before);
    click(0);
    click(1);
    click(2);
    EXPECT_EQ(logged(), "L.R.C.C.");

    // The window's pause does not stop a button.
    CWindow::setPaused(true);
    click(0);
    CWindow::setPaused(false);
    EXPECT_EQ(logged(), "L.R.");

    // Outside B (its right edge is outside) the press reaches UNDER.
    moveTo(20, 5);
    click(0);
    EXPECT_EQ(logged(), "under.R.");

    call("B", "SETASBUTTON", {"FALSE", "FALSE"});
    EXPECT_TRUE(object("B")->isButton());
    EXPECT_FALSE(object("B")->changesCursor());
    moveTo(10, 5);
    click(0);
    EXPECT_EQ(logged(), "L.R.");
    call("B", "HIDE");
    click(0);
    EXPECT_EQ(logged(), "under.R.");
}

// Hovering raises ONFOCUSON and ONFOCUSOFF once each way and shows the
// active cursor, unless the object keeps the cursor.
TEST_F(CMC_ImageTest, FocusEventsAndTheCursor)
{
    int active = 0;
    window->SetActiveCursor(&active);
    define({"LOG:TYPE=STRING", "F:TYPE=IMAGE", "F:FILENAME=pic.img", "F:VISIBLE=TRUE", "F:ASBUTTON=TRUE",
            "F:ONFOCUSON={LOG^ADD(\"in.\");}", "F:ONFOCUSOFF={LOG^ADD(\"out.\");}"});
    moveTo(10, 10);
    moveTo(11, 10);
    EXPECT_TRUE(object("F")->isHovered());
    EXPECT_EQ(window->GetCursor(), &active);
    moveTo(60, 10);
    EXPECT_EQ(logged(), "in.out.");

    int other = 0;
    window->SetCursor(&other);
    call("F", "SETASBUTTON", {"TRUE", "FALSE"});
    moveTo(10, 10);
    EXPECT_EQ(logged(), "in.");
    EXPECT_EQ(window->GetCursor(), &other);
}

// A collision of the picture that moved raises "ONCOLLISION^<other>", else
// "ONCOLLISION" with the two names as $1 and $2; likewise when it ends.
TEST_F(CMC_ImageTest, CollisionsRaiseTheirTwoForms)
{
    tmp.write("m2.img", tmp.read("pic.img"));
    define({"LOG:TYPE=STRING", "T:TYPE=IMAGE", "T:FILENAME=red.img", "T:MONITORCOLLISION=TRUE", "M1:TYPE=IMAGE",
            "M1:FILENAME=pic.img", "M1:ONCOLLISION^T={LOG^ADD(\"1other.\");}", "M1:ONCOLLISION={LOG^ADD(\"1.\");}",
            "M1:ONCOLLISIONFINISHED={LOG^ADD(\"1end-$1-$2.\");}", "M2:TYPE=IMAGE", "M2:FILENAME=m2.img",
            "M2:ONCOLLISION={LOG^ADD(\"2-$1-$2.\");}"});
    call("T", "SETPOSITION", {"300", "300"});
    call("M1", "MONITORCOLLISION", {"FALSE"});
    frame();
    EXPECT_EQ(logged(), "");
    call("M1", "SETPOSITION", {"290", "290"});
    frame();
    call("M1", "SETPOSITION", {"0", "0"});
    frame();
    EXPECT_EQ(logged(), "1other.1end-M1-T.");
    call("M1", "REMOVEMONITORCOLLISION");
    call("M2", "MONITORCOLLISION", {"FALSE"});
    call("M2", "SETPOSITION", {"310", "305"});
    frame();
    EXPECT_EQ(logged(), "2-M2-T.");
}

// The record keeps the flags, the file, the place on the refresh, the
// visibility and the priority; whether the file had been read and the
// starting position follow in the state trailer. Without the trailer a
// file read at once because PRELOAD was absent is not read at once.
TEST_F(CMC_ImageTest, TheSnapshotRecordRestoresTheObject)
{
    tmp.write("b.img", tmp.read("pic.img"));
    define({"LOG:TYPE=STRING", "A:TYPE=IMAGE", "A:FILENAME=pic.img", "A:TOCANVAS=TRUE", "A:PRIORITY=4",
            "A:VISIBLE=TRUE", "A:ASBUTTON=TRUE", "A:MONITORCOLLISIONALPHA=TRUE", "A:FLUSHAFTERPLAYED=TRUE",
            "A:PRELOAD=TRUE", "A:ONCLICK={LOG^ADD(\"A.\");}", "B:TYPE=IMAGE", "B:FILENAME=b.img"});
    call("B", "SETRESETPOSITION", {"7", "9"});
    const std::string bytes = writeSnapshot();
    const int mark = CMC_SnapshotTypes::STATE_MARK;
    const size_t trailer = bytes.find(std::string(reinterpret_cast<const char*>(&mark), 4));
    ASSERT_NE(trailer, std::string::npos);
    reread(bytes);
    ASSERT_NE(object("A"), nullptr);
    EXPECT_EQ(call("A", "GETWIDTH"), "50");
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(picture("A")), 4);
    EXPECT_EQ(call("A", "ISVISIBLE"), "TRUE");
    EXPECT_TRUE(object("A")->isButton());
    EXPECT_TRUE(object("A")->isListening());
    EXPECT_TRUE(picture("A")->releaseAfterUse());
    EXPECT_TRUE(picture("A")->getMonitorCollisionsFlag());
    EXPECT_EQ(call("B", "GETWIDTH"), "50");
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(picture("B")), -1);
    call("B", "RESETPOSITION");
    EXPECT_EQ(call("B", "GETPOSITIONX") + "," + call("B", "GETPOSITIONY"), "7,9");
    moveTo(10, 10);
    click(0);
    EXPECT_EQ(logged(), "A.");

    reread(bytes.substr(0, trailer));
    EXPECT_EQ(call("A", "GETWIDTH"), "50");
    EXPECT_EQ(call("B", "GETWIDTH"), "0");
}

} // namespace
