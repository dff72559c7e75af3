// The script runtime where its pieces meet, played by the host on small
// titles: timed runs that outlive their container, clones removed by name,
// scenes restored from their snapshot and the definition loader's groups.
#include "HostTitle.h"

#include <string>

namespace {

using CMC_BehaviourTitle = testsupport::HostTitle;

// Counts into N: 10 the first time, 1 each later time.
const std::string countOnce = "@IF(\"N'0\",{N^ADD(10);},{N^INC();});";

// A timed run whose code holds blocks with calls: its anonymous behaviours
// live in the scene, and the run ends (and the title with it) before the
// window sweeps its trash, after the scene is gone.
TEST_F(CMC_BehaviourTitle, ATimedRunWithBlocksEndsCleanlyAtExit)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") + onInit("@RUNONTIMER(5,3,{" + countOnce + "},{GAME^EXIT();});")}});
    EXPECT_EQ(run("-nogfx"), 0);
    EXPECT_EQ(setting("S", "N"), "12");
}

// The same in a class instance that DELETE removes once the run has ended;
// the window's sweep every 10 s comes later, while the title plays on.
TEST_F(CMC_BehaviourTitle, ATimedRunEndedInADeletedInstanceIsSweptLater)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=BOOK\nBOOK:TYPE=CLASS\nBOOK:DEF=BOOK.def\n" + kept("N") +
                                onInit("BOOK^NEW(\"NOVEL\");NOVEL^READ();@RUNONTIMER(100,1,{BOOK^DELETE(\"NOVEL\");},\"\");"
                                       "@RUNONTIMER(25000,1,{N^ADD(100);},{GAME^EXIT();});")},
           {"COMMON/CLASSES/BOOK.def",
            "OBJECT=READ\nREAD:TYPE=BEHAVIOUR\nREAD:CODE={@RUNONTIMER(5,2,{" + countOnce + "},\"\");}\n"}});
    EXPECT_EQ(run("-nogfx"), 0);
    EXPECT_EQ(setting("S", "N"), "111");
}

// BREAK on a behaviour that is not on a timer takes it out of its container
// and keeps it until the title ends: its instance, and then its scene, are
// deleted first.
TEST_F(CMC_BehaviourTitle, ABrokenBehaviourOutlivesItsContainer)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=BOOK\nBOOK:TYPE=CLASS\nBOOK:DEF=BOOK.def\n" + kept("N") +
                                "OBJECT=TWICE\nTWICE:TYPE=BEHAVIOUR\nTWICE:CODE={" + countOnce + "}\n" +
                                onInit("BOOK^NEW(\"NOVEL\");NOVEL^READ();BOOK^DELETE(\"NOVEL\");"
                                       "TWICE^RUN();TWICE^BREAK();TWICE^RUN();GAME^EXIT();")},
           {"COMMON/CLASSES/BOOK.def", "OBJECT=PAGE\nPAGE:TYPE=BEHAVIOUR\nPAGE:CODE={" + countOnce + "}\n"
                                       "OBJECT=READ\nREAD:TYPE=BEHAVIOUR\nREAD:CODE={PAGE^RUN();PAGE^BREAK();}\n"}});
    EXPECT_EQ(run("-nogfx"), 0);
    // PAGE: 10; TWICE: 11. After BREAK the name finds nothing to run.
    EXPECT_EQ(setting("S", "N"), "11");
}

using CMC_Scene_RunnerTitle = testsupport::HostTitle;

// The clones' names come from the object's name, whatever its text form
// (an INTEGER's value, an ARRAY's elements).
TEST_F(CMC_Scene_RunnerTitle, RemoveClonesOfValuesAndArrays)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=X\nX:TYPE=INTEGER\nX:VALUE=5\nOBJECT=L\nL:TYPE=ARRAY\n" + kept("BEFORE") +
                                kept("AFTER") +
                                onInit("X^CLONE(3);L^ADD(7);L^CLONE(2);BEFORE^SET(S^GETELEMENTSNO());"
                                       "S^REMOVECLONES(\"X\",-1,2);S^REMOVECLONES(\"L\",-1,-1);"
                                       "AFTER^SET(S^GETELEMENTSNO());GAME^EXIT();")}});
    EXPECT_EQ(run("-nogfx"), 0);
    // X_1, X_2, L_1 and L_2 are gone; X_3 stays.
    EXPECT_EQ(std::stoi(setting("S", "BEFORE")) - std::stoi(setting("S", "AFTER")), 4);
}

// The scene's queries fill groups and arrays of the engine's own types:
// the running timers are the enabled ones, GETOBJECTS finds by type, and
// RANDOM's values go to a real array.
TEST_F(CMC_Scene_RunnerTitle, QueriesFillRealGroupsAndArrays)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=ON\nON:TYPE=TIMER\nON:ELAPSE=1000\n"
                            "OBJECT=OFF\nOFF:TYPE=TIMER\nOFF:ELAPSE=1000\nOFF:ENABLED=FALSE\n"
                            "OBJECT=G\nG:TYPE=GROUP\nOBJECT=L\nL:TYPE=ARRAY\n" +
                                kept("RUNNING") + kept("TIMERS") + kept("DRAWN") +
                                onInit("S^GETRUNNINGTIMER(\"G\");RUNNING^SET(G^GETSIZE());"
                                       "S^GETOBJECTS(\"TIMER\",\"G\");TIMERS^SET(G^GETSIZE());"
                                       "RANDOM^GETPLENTY(\"L\",5,0,5,TRUE);DRAWN^SET(L^GETSIZE());GAME^EXIT();")}});
    EXPECT_EQ(run("-nogfx"), 0);
    EXPECT_EQ(setting("S", "RUNNING"), "1");
    EXPECT_EQ(setting("S", "TIMERS"), "2");
    EXPECT_EQ(setting("S", "DRAWN"), "5");
}

using CMC_SceneSnapshotTitle = testsupport::HostTitle;

// A structure, a database and a multi-array come back from the snapshot as
// they were written, and the timer recorded after them still ends the title.
TEST_F(CMC_SceneSnapshotTitle, CollectionsBeforeATimerPlayFromTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            "OBJECT=P\nP:TYPE=STRUCT\nP:FIELDS=NAME<STRING>,SCORE<INTEGER>\n"
            "OBJECT=DB\nDB:TYPE=DATABASE\nDB:MODEL=P\n"
            "OBJECT=MA\nMA:TYPE=MULTIARRAY\nMA:DIMENSIONS=3\n" +
                kept("SCORE") + kept("ROWS") + kept("CELL") + kept("SIZE") +
                "OBJECT=DONE\nDONE:TYPE=BEHAVIOUR\nDONE:CODE={GAME^EXIT();}\n"
                "OBJECT=T\nT:TYPE=TIMER\nT:ELAPSE=20\nT:TICKS=1\nT:ONTICK=DONE\n" +
                onInit("P^SETFIELD(\"SCORE\",7);DB^ADD(\"P\");DB^ADD(\"P\");DB^SELECT(1);"
                       "SCORE^SET(DB_CURSOR^GETFIELD(\"SCORE\"));ROWS^SET(DB^GETROWSNO());"
                       "MA^SET(1,2,40,42);CELL^SET(MA^GET(1,2,40));SIZE^SET(MA^GETSIZE(2));")}});
    auto played = [this](const char* switches) {
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run(switches), 0);
        return setting("S", "SCORE") + " " + setting("S", "ROWS") + " " + setting("S", "CELL") + " " +
               setting("S", "SIZE");
    };
    const std::string results = "7 2 42 64";
    EXPECT_EQ(played("-nogfx"), results);
    EXPECT_EQ(run("-nogfx -2bin"), 0);
    ASSERT_FALSE(tmp.read("Rara/S/S.bin").empty());
    EXPECT_EQ(played("-nogfx"), results);
}

using CMC_CNVLoaderTitle = testsupport::HostTitle;

// The definition loader keeps a file's objects in a group named after the
// file: the group answers for them and sends them methods, a second LOAD
// while it exists makes nothing, and after RELEASE the file loads afresh.
TEST_F(CMC_CNVLoaderTitle, LoadUseReleaseAndLoadAgain)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/extra.cnv", "OBJECT=X\nX:TYPE=INTEGER\nX:VALUE=1\n"
                                "OBJECT=B\nB:TYPE=BEHAVIOUR\nB:CODE={X^ADD(100);}\n"},
           {"Rara/S/S.cnv", kept("N") + kept("SIZE") +
                                onInit("CNVLOADER^LOAD(\"extra.cnv\");extra.cnv^INC();B^RUN();N^ADD(X);"
                                       "SIZE^SET(extra.cnv^GETSIZE());CNVLOADER^LOAD(\"extra.cnv\");"
                                       "extra.cnv^INC();N^ADD(X);CNVLOADER^RELEASE(\"extra.cnv\");B^RUN();"
                                       "CNVLOADER^LOAD(\"extra.cnv\");extra.cnv^INC();N^ADD(X);GAME^EXIT();")}});
    EXPECT_EQ(run("-nogfx"), 0);
    // The loaded objects are the application's. X: 1 + 1 + 100, then 103
    // (not loaded twice), then after RELEASE a fresh X: 2.
    EXPECT_EQ(setting("S", "N"), "207");
    EXPECT_EQ(setting("S", "SIZE"), "2");
}

} // namespace
