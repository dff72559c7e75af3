// The script ANIMO in a scene with the engine's screen unit: its definition
// keys, the animation shared per file through the unit's cache, the events
// its animation and the collision inspector report, the mouse on the
// window's real road, clones, CREATE and the snapshot record.
#include "ScriptAnimoSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "base/ResourcesManager.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ValidationQuene.h"
#include "media/AnimoEventPlayable.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/SceneSnapshot.h"

#include <gtest/gtest.h>

namespace {

using namespace animotest;

using CMC_AnimoTest = AnimoTest;

// FPS absent or 0 plays at 15, below 0 at 1; the file is read at once
// unless PRELOAD says otherwise (showing reads it then); VISIBLE and
// TOCANVAS are off unless set.
TEST_F(CMC_AnimoTest, DefinitionKeysAndTheirDefaults)
{
    for (const char* name : {"b.ann", "c.ann", "d.ann"})
        tmp.write(name, tmp.read("hero.ann"));
    define({"A:TYPE=ANIMO", "A:FILENAME=hero.ann", "B:TYPE=ANIMO", "B:FILENAME=b.ann", "B:FPS=0", "B:PRELOAD=yes",
            "C:TYPE=ANIMO", "C:FILENAME=c.ann", "C:FPS=-5", "C:PRELOAD=true", "C:TOCANVAS=TRUE", "C:PRIORITY=7",
            "D:TYPE=ANIMO", "D:FILENAME=d.ann", "D:FPS=30", "D:PRELOAD=FALSE", "D:VISIBLE=TRUE"});
    struct {
        const char* name;
        const char* fps;
        const char* frames;
        const char* visible;
        const char* priority;
    } cases[] = {
        {"A", "15", "8", "FALSE", "-1"},
        {"B", "15", "0", "FALSE", "-1"},
        {"C", "1", "8", "FALSE", "7"},
        {"D", "30", "8", "TRUE", "-1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(call(c.name, "GETFPS"), c.fps) << c.name;
        EXPECT_EQ(call(c.name, "GETNOF"), c.frames) << c.name;
        EXPECT_EQ(call(c.name, "ISVISIBLE"), c.visible) << c.name;
        EXPECT_EQ(call(c.name, "GETPRIORITY"), c.priority) << c.name;
    }
}

// Two objects on one file (in any letter case) show one animation of the
// unit's cache, used twice: a LOAD of "" gives the first a new empty
// animation and gives the shared one's use back without freeing it, and
// the second's unload frees it. A LOAD of the same name changes nothing.
TEST_F(CMC_AnimoTest, ObjectsOnOneFileShareOneAnimationOfTheCache)
{
    define({"A:TYPE=ANIMO", "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:PRIORITY=3", "B:TYPE=ANIMO",
            "B:FILENAME=HERO.ANN", "B:TOCANVAS=TRUE", "B:PRIORITY=5"});
    CAnimo6* shared = animation("A");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(animation("B"), shared);
    EXPECT_TRUE(cache()->contains(shared));
    // The second put on the refresh keeps the first priority.
    EXPECT_EQ(call("B", "GETPRIORITY"), "3");

    call("A", "LOAD", {"\"Hero.Ann\""});
    EXPECT_EQ(animation("A"), shared);

    call("A", "LOAD", {"\"\""});
    CAnimo6* empty = animation("A");
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(empty, shared);
    EXPECT_EQ(empty->GetNOF(), 0);
    // The new one took the old one's place on the refresh; the shared one
    // stays there for B.
    EXPECT_EQ(call("A", "GETPRIORITY"), "3");
    EXPECT_TRUE(cache()->contains(shared));
    EXPECT_EQ(call("B", "GETNOF"), "8");
    EXPECT_EQ(call("B", "GETPRIORITY"), "3");

    // B's unload gives the last use back: the animation goes, and with it
    // its place on the screen.
    unloadObject("B");
    EXPECT_FALSE(cache()->contains(shared));
    EXPECT_EQ(window->GetRefreshScreenInterface()->getRefreshQuene()->getSize(), 1);
    unloadObject("A");
    EXPECT_FALSE(cache()->contains(empty));
    EXPECT_EQ(window->GetRefreshScreenInterface()->getRefreshQuene()->getSize(), 0);
}

// A play reports its start, each frame and its end, the "^" form with the
// event's name (a "_REVERSE" ending left out) or the frame's name first,
// the plain one only when no behaviour took it; a frame without a name
// tries "ONFRAMECHANGEDFRAME^" and its number first. Playing one event
// twice raises its events once.
TEST_F(CMC_AnimoTest, PlayReportsStartsFramesAndEndsInTheirForms)
{
    define({"LOG:TYPE=STRING", "A:TYPE=ANIMO", "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE",
            "A:ONSTARTED^WALK={LOG^ADD(\"S-WALK.\");}", "A:ONSTARTED={LOG^ADD(\"S.\");}",
            "A:ONFINISHED^RUN={LOG^ADD(\"F-RUN.\");}", "A:ONFINISHED={LOG^ADD(\"F.\");}",
            "A:ONFRAMECHANGED^LEFT={LOG^ADD(\"left.\");}", "A:ONFRAMECHANGED^WALK={LOG^ADD(\"walk.\");}",
            "A:ONFRAMECHANGEDFRAME^7={LOG^ADD(\"seven.\");}", "A:ONFRAMECHANGED={LOG^ADD(\"frame.\");}"});
    call("A", "PLAY", {"\"walk\""});
    call("A", "PLAY", {"\"WALK\""});
    EXPECT_EQ(logged(), "left.S-WALK.left.S-WALK.");
    steps(3);
    // Position 1 has no name; position 2 "Right" has no behaviour.
    EXPECT_EQ(logged(), "walk.walk.F.");

    call("A", "PLAY", {"\"Run_Reverse\""});
    steps(2);
    EXPECT_EQ(logged(), "frame.S.frame.F-RUN.");

    call("A", "PLAY", {"\"JUMP\""});
    steps(4);
    EXPECT_EQ(logged(), "frame.S.frame.frame.seven.F.");
    // Frames shown by a method report too.
    call("A", "SETFRAME", {"\"WALK\"", "\"left\""});
    EXPECT_EQ(logged(), "left.");
}

// A collision of the animation that moved raises, for the mover only,
// "ONCOLLISION^<event>^<other>", else "ONCOLLISION^<other>", else
// "ONCOLLISION" with the two names as $1 and $2; likewise when it ends.
TEST_F(CMC_AnimoTest, CollisionsRaiseTheirThreeForms)
{
    for (const char* name : {"m1.ann", "m2.ann", "m3.ann", "t.ann"})
        tmp.write(name, tmp.read("hero.ann"));
    define({"LOG:TYPE=STRING", "T:TYPE=ANIMO", "T:FILENAME=t.ann", "T:MONITORCOLLISION=TRUE",
            "T:ONCOLLISION={LOG^ADD(\"target.\");}", "M1:TYPE=ANIMO", "M1:FILENAME=m1.ann",
            "M1:ONCOLLISION^STAND^T={LOG^ADD(\"1event.\");}", "M1:ONCOLLISION^T={LOG^ADD(\"1other.\");}",
            "M1:ONCOLLISIONFINISHED={LOG^ADD(\"1end-$1-$2.\");}", "M2:TYPE=ANIMO", "M2:FILENAME=m2.ann",
            "M2:ONCOLLISION^T={LOG^ADD(\"2other.\");}", "M2:ONCOLLISION={LOG^ADD(\"2plain.\");}",
            "M3:TYPE=ANIMO", "M3:FILENAME=m3.ann", "M3:ONCOLLISION={LOG^ADD(\"3-$1-$2.\");}"});
    call("T", "SETPOSITION", {"300", "300"});
    const char* movers[] = {"M1", "M2", "M3"};
    for (int i = 0; i < 3; ++i) {
        call(movers[i], "SETPOSITION", {std::to_string(100 * i).c_str(), "0"});
        call(movers[i], "MONITORCOLLISION", {"FALSE"});
    }
    frame();
    EXPECT_EQ(logged(), "");
    for (int i = 0; i < 3; ++i) {
        call(movers[i], "SETPOSITION", {"320", "310"});
        frame();
        call(movers[i], "SETPOSITION", {std::to_string(100 * i).c_str(), "0"});
        frame();
    }
    EXPECT_EQ(logged(), "1event.1end-M1-T.2other.3-M3-T.");
    // Watched no more, a mover reports nothing.
    call("M3", "REMOVEMONITORCOLLISION");
    call("M3", "SETPOSITION", {"320", "310"});
    frame();
    EXPECT_EQ(logged(), "");
}

// A button (ASBUTTON, over frame 0's box with ONFIRSTFRAME) on the real
// mouse road: hovering plays its focus events and shows the active cursor;
// a press inside plays its "ONCLICK" event, raises the button's form first
// and is taken from the listeners below; a release is never taken; the
// box's right and bottom edges are outside; hovering does not interrupt the
// click's event.
TEST_F(CMC_AnimoTest, AButtonOnTheMouseRoad)
{
    int active = 0;
    window->SetActiveCursor(&active);
    for (const char* name : {"b.ann", "u.ann", "n.ann"})
        tmp.write(name, tmp.read("hero.ann"));
    define({"LOG:TYPE=STRING", "U:TYPE=ANIMO", "U:FILENAME=u.ann", "U:VISIBLE=TRUE", "U:PRIORITY=5",
            "U:ASBUTTON=TRUE", "U:ONFIRSTFRAME=TRUE", "U:ONCLICK={LOG^ADD(\"under.\");}",
            "U:ONINIT={U^SETPOSITION(100,100);}", "B:TYPE=ANIMO", "B:FILENAME=b.ann", "B:VISIBLE=TRUE",
            "B:PRIORITY=10", "B:ASBUTTON=TRUE", "B:ONFIRSTFRAME=TRUE", "B:ONINIT={B^SETPOSITION(100,100);}",
            "B:ONCLICK^LEFT={LOG^ADD(\"L.\");}", "B:ONCLICK={LOG^ADD(\"C.\");}",
            "B:ONRELEASE^LEFT={LOG^ADD(\"R.\");}", "B:ONFOCUSON={LOG^ADD(\"in.\");}",
            "B:ONFOCUSOFF={LOG^ADD(\"out.\");}", "B:ONSTARTED^ONFOCUSON={LOG^ADD(\"start.\");}",
            // Not a button: listening, but it takes nothing.
            "N:TYPE=ANIMO", "N:FILENAME=n.ann", "N:VISIBLE=TRUE", "N:PRIORITY=20",
            "N:ONCLICK={LOG^ADD(\"N.\");}", "N:ONINIT={N^SETPOSITION(100,100);}",
            // Only ONINIT: never a listener.
            "I:TYPE=ANIMO", "I:FILENAME=n.ann", "I:ASBUTTON=TRUE", "I:ONINIT={LOG^ADD(\"\");}"});
    EXPECT_TRUE(animo("N")->isListening());
    EXPECT_FALSE(animo("I")->isListening());

    moveTo(150, 130);
    EXPECT_EQ(call("B", "GETEVENTNAME"), "ONFOCUSON");
    EXPECT_EQ(call("U", "GETEVENTNAME"), "ONFOCUSON");
    EXPECT_EQ(window->GetCursor(), &active);
    EXPECT_EQ(logged(), "start.in.");
    click(0);
    EXPECT_EQ(call("B", "GETEVENTNAME"), "ONCLICK");
    EXPECT_EQ(logged(), "L.R.");
    // "ONCLICK" plays on: the right press does not start it again.
    click(2);
    EXPECT_EQ(logged(), "C.");
    // Out while "ONCLICK" plays: the focus-off event waits.
    moveTo(151, 130);
    EXPECT_EQ(call("B", "GETEVENTNAME"), "ONCLICK");
    EXPECT_EQ(logged(), "out.");
    moveTo(100, 131);
    click(0);
    EXPECT_EQ(logged(), "");

    // Without ASBUTTON B lets the press through to U.
    call("B", "SETASBUTTON", {"FALSE", "TRUE"});
    moveTo(100, 100);
    click(0);
    EXPECT_EQ(logged(), "under.");
}

// The record keeps the flags, the file, the place on the refresh, the
// visibility and the priority; the rate, the first-frame flag and whether
// the file had been read follow in the state trailer. Without the trailer
// a file read at once because PRELOAD was absent is not read at once (the
// record's preload is false). An object off the refresh stays off it; a
// restored button listens again.
TEST_F(CMC_AnimoTest, TheSnapshotRecordRestoresTheObject)
{
    tmp.write("b.ann", tmp.read("hero.ann"));
    define({"LOG:TYPE=STRING", "A:TYPE=ANIMO", "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:PRIORITY=4",
            "A:VISIBLE=TRUE", "A:ASBUTTON=TRUE", "A:ONFIRSTFRAME=TRUE", "A:FPS=20", "A:MONITORCOLLISIONALPHA=TRUE",
            "A:FLUSHAFTERPLAYED=TRUE", "A:PRELOAD=TRUE", "A:ONCLICK={LOG^ADD(\"A.\");}", "B:TYPE=ANIMO",
            "B:FILENAME=b.ann"});
    EXPECT_EQ(call("B", "GETNOF"), "8");
    const std::string bytes = writeSnapshot();
    const int mark = CMC_SnapshotTypes::STATE_MARK;
    const size_t trailer = bytes.find(std::string(reinterpret_cast<const char*>(&mark), 4));
    ASSERT_NE(trailer, std::string::npos);
    reread(bytes);
    CMC_Animo* a = animo("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(call("A", "GETNOF"), "8");
    EXPECT_EQ(call("A", "GETPRIORITY"), "4");
    EXPECT_EQ(call("A", "ISVISIBLE"), "TRUE");
    EXPECT_EQ(call("A", "GETFPS"), "20");
    EXPECT_TRUE(a->isButton());
    EXPECT_TRUE(a->getOnFirstFrame());
    EXPECT_TRUE(a->getAnimo()->releaseAfterUse());
    EXPECT_TRUE(a->getAnimo()->getMonitorCollisionsFlag());
    EXPECT_TRUE(a->isListening());
    EXPECT_EQ(call("B", "GETNOF"), "8");
    EXPECT_EQ(call("B", "ISVISIBLE"), "FALSE");
    EXPECT_EQ(call("B", "GETPRIORITY"), "-1");
    // The button answers the mouse as before.
    moveTo(10, 10);
    click(0);
    EXPECT_EQ(logged(), "A.");

    reread(bytes.substr(0, trailer));
    EXPECT_EQ(call("A", "GETNOF"), "8");
    EXPECT_EQ(call("A", "GETFPS"), "15");
    EXPECT_FALSE(animo("A")->getOnFirstFrame());
    EXPECT_EQ(call("B", "GETNOF"), "0");
}

// LOAD from a behaviour that the animation's own report runs replaces the
// animation while it is still stepping: the old one goes only after the
// step, whether the cache or the object held it.
TEST_F(CMC_AnimoTest, LoadFromTheAnimationsOwnReport)
{
    tmp.write("next.ann", tmp.read("hero.ann"));
    define({"LOG:TYPE=STRING", "A:TYPE=ANIMO", "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE",
            "A:ONFINISHED^WALK={A^LOAD(\"next.ann\");A^PLAY(\"JUMP\");LOG^ADD(\"loaded.\");}",
            "RELOAD:TYPE=BEHAVIOUR", "RELOAD:CODE={A_1^LOAD(\"hero.ann\");LOG^ADD(\"clone.\");}"});
    CAnimo6* first = animation("A");
    call("A", "PLAY", {"\"WALK\""});
    steps(3);
    EXPECT_EQ(logged(), "loaded.");
    EXPECT_NE(animation("A"), first);
    EXPECT_EQ(call("A", "GETEVENTNAME"), "JUMP");
    EXPECT_TRUE(cache()->contains(first));
    // What waits is freed by the application's frame.
    CMC_Disposal::freeWaiting();
    EXPECT_FALSE(cache()->contains(first));

    // A clone owns its copy: hidden and off the screen at once, deleted
    // later.
    call("A", "CLONE", {"1"});
    call("A_1", "ADDBEHAVIOUR", {"\"ONFINISHED\"", "\"RELOAD\""});
    CAnimo6* copy = animation("A_1");
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(cache()->contains(copy));
    call("A_1", "PLAY", {"\"STAND\""});
    steps(1);
    EXPECT_EQ(logged(), "clone.");
    EXPECT_NE(animation("A_1"), copy);
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(copy), -1);
    EXPECT_FALSE(copy->IsVisible());
    CMC_Disposal::freeWaiting();
}

// The same from a sequence element's report of the end it heard from the
// animation: the script that runs from it loads another file.
struct RunsAtTheEnd : CPlayableObserver {
    CMC_BehaviourBase* behaviour;
    bool onPlayableFinished(CPlayable*) override
    {
        behaviour->run(nullptr, nullptr, false);
        return false;
    }
};
TEST_F(CMC_AnimoTest, LoadFromASequenceElementsReport)
{
    tmp.write("next.ann", tmp.read("hero.ann"));
    define({"LOG:TYPE=STRING", "A:TYPE=ANIMO", "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE",
            "RELOAD:TYPE=BEHAVIOUR", "RELOAD:CODE={A^LOAD(\"next.ann\");LOG^ADD(\"loaded.\");}"});
    CAnimoEventPlayable element(window.get(), animo("A"));
    CSceneAnimoLink::addSeq(animo("A"), &element);
    RunsAtTheEnd end;
    end.behaviour = static_cast<CMC_BehaviourBase*>(scene->getObject("RELOAD"));
    element.addNotifier(&end);
    element.setEventIndex(1);
    element.play();
    steps(3);
    EXPECT_EQ(logged(), "loaded.");
    EXPECT_EQ(element.getAnimation(), animation("A"));
    CMC_Disposal::freeWaiting();
    EXPECT_EQ(call("A", "GETNOF"), "8");
}

// Sequence elements over the object, listed with it as the sequences list
// theirs, play each new animation it shows and none once it is done; an
// element deleted first leaves the list. An animation handed to the unit's random
// playables may go: the set forgets it.
TEST_F(CMC_AnimoTest, SequenceElementsAndRandomPlayingFollowTheAnimation)
{
    tmp.write("b.ann", tmp.read("hero.ann"));
    define({"LOG:TYPE=STRING", "A:TYPE=ANIMO", "A:FILENAME=hero.ann"});
    std::unique_ptr<CAnimoEventPlayable> kept(new CAnimoEventPlayable(window.get(), animo("A")));
    std::unique_ptr<CAnimoEventPlayable> dropped(new CAnimoEventPlayable(window.get(), animo("A")));
    for (CPlayable* element : {static_cast<CPlayable*>(kept.get()), static_cast<CPlayable*>(dropped.get())})
        CSceneAnimoLink::addSeq(animo("A"), element);
    EXPECT_EQ(CSceneAnimoLink::getAnimo(animo("A")), animation("A"));
    EXPECT_EQ(CSceneAnimoLink::getAnimo(scene->getObject("LOG")), nullptr);
    EXPECT_EQ(kept->getAnimation(), animation("A"));
    dropped.reset();
    call("A", "LOAD", {"\"b.ann\""});
    EXPECT_EQ(kept->getAnimation(), animation("A"));

    CAnimo6* b = animation("A");
    const int observers = b->getNotifiers()->getSize();
    call("A", "PLAYRAND", {"\"WALK\"", "30", "2"});
    EXPECT_EQ(b->getNotifiers()->getSize(), observers + 1);
    // The last use of b.ann goes: the animation is deleted.
    call("A", "LOAD", {"\"\""});
    EXPECT_EQ(call("A", "GETNOF"), "0");
    EXPECT_EQ(kept->getAnimation(), animation("A"));
    steps(20);

    unloadObject("A");
    EXPECT_EQ(kept->getAnimation(), nullptr);
}

} // namespace
