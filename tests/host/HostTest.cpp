#include "HostTitle.h"
#include "base/File.h"
#include "graphics/Window.h"
#include "host/Host.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using HostTest = testsupport::HostTitle;

TEST_F(HostTest, SettingsOfSectionMainWithTheirDefaults)
{
    ASSERT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
    quarnel::HostSettings none = quarnel::readHostSettings();
    EXPECT_EQ(none.title, "DovirAvura");
    EXPECT_EQ(none.ini, "Quarnel.ini");
    EXPECT_EQ(none.subFolder, "");
    tmp.write("Quarnel.ini", "[MAIN]\r\nTITLE=Demo\r\nINI=Demo.ini\r\nSUBDIR=games\r\n");
    quarnel::HostSettings s = quarnel::readHostSettings();
    EXPECT_EQ(s.title, "Demo");
    EXPECT_EQ(s.ini, "Demo.ini");
    EXPECT_EQ(s.subFolder, "games");
}

TEST_F(HostTest, AFolderWithoutATitleEndsWithAMessage)
{
    std::string message;
    EXPECT_EQ(run("-nogfx", &message), 1);
    EXPECT_NE(message.find(tmp.path() + "/Rara"), std::string::npos) << message;
    EXPECT_NE(message.find("application.def"), std::string::npos) << message;

    // "SUBDIR" names the title folder unless the command line names one.
    testsupport::makeDirs(tmp.file("sub"));
    testsupport::makeDirs(tmp.file("other"));
    tmp.write("Quarnel.ini", "[MAIN]\r\nSUBDIR=sub\r\n");
    EXPECT_EQ(run("-nogfx", &message), 1);
    EXPECT_NE(message.find(tmp.path() + "/sub/Rara"), std::string::npos) << message;
    EXPECT_EQ(run("-nogfx -path other", &message), 1);
    EXPECT_NE(message.find(tmp.path() + "/other/Rara"), std::string::npos) << message;
}

// It plays nothing: the settings file records no visit of any scene.
TEST_F(HostTest, WritingTheSnapshotEndsTheRun)
{
    title({{"Rara/application.def", oneScene()}, {"Rara/S/S.cnv", kept("N")}});
    EXPECT_EQ(run("-nogfx -2bin"), 0);
    EXPECT_FALSE(tmp.read("Rara/application.bin").empty());
    EXPECT_FALSE(tmp.read("Rara/S/S.bin").empty());
    EXPECT_FALSE(std::filesystem::exists(tmp.file("Quarnel.ini")));
}

// A scene's REMOVE of a class instance from inside the instance's own
// method: the method runs to its end, but the instance and its objects are
// gone for it at once (PAGES is found no more). What a script removed right
// before the title ends still raises its "ONDONE".
TEST_F(HostTest, AnInstanceRemovedByItsOwnMethodIsGoneForTheRestOfTheRun)
{
    title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                     "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n"},
           {"Rara/S/S.cnv", "OBJECT=BOOK\nBOOK:TYPE=CLASS\nBOOK:DEF=BOOK.def\n"
                            "OBJECT=LEFT\nLEFT:TYPE=INTEGER\nLEFT:VALUE=0\nLEFT:TOINI=TRUE\n"
                            "OBJECT=X\nX:TYPE=INTEGER\nX:ONDONE=NOTE\n"
                            "OBJECT=NOTE\nNOTE:TYPE=BEHAVIOUR\nNOTE:CODE={LEFT^ADD(10);}\n"
                            "OBJECT=GO\nGO:TYPE=BEHAVIOUR\n"
                            "GO:CODE={BOOK^NEW(\"NOVEL\");NOVEL^GONE();S^REMOVE(\"X\");GAME^EXIT();}\n"
                            "OBJECT=S\nS:ONINIT=GO\n"},
           {"COMMON/CLASSES/BOOK.def", "OBJECT=PAGES\nPAGES:TYPE=INTEGER\nPAGES:VALUE=6\n"
                                       "OBJECT=GONE\nGONE:TYPE=BEHAVIOUR\n"
                                       "GONE:CODE={S^REMOVE(\"NOVEL\");PAGES^INC();LEFT^SET(PAGES);LEFT^ADD(1);}\n"}});
    EXPECT_EQ(run("-nogfx"), 0);
    EXPECT_EQ(setting("S", "LEFT"), "11");
}

// RESTART from a script of a child that is not the start child: that child
// leaves at the frame step, not under the script that asked.
TEST_F(HostTest, ARestartAskedByAScriptWaitsForTheFrameStep)
{
    title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E1,E2\n"
                                     "OBJECT=E1\nE1:TYPE=EPISODE\nE1:SCENES=S1\n"
                                     "OBJECT=E2\nE2:TYPE=EPISODE\nE2:SCENES=S2\n"
                                     "OBJECT=S1\nS1:TYPE=SCENE\nS1:PATH=\\S1\n"
                                     "OBJECT=S2\nS2:TYPE=SCENE\nS2:PATH=\\S2\n"},
           {"Rara/GAME.cnv", "OBJECT=N1\nN1:TYPE=INTEGER\nN1:TOINI=TRUE\n"
                             "OBJECT=N2\nN2:TYPE=INTEGER\nN2:TOINI=TRUE\n"},
           {"Rara/S1/S1.cnv", "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={N1^INC();GAME^GOTO(\"E2\");}\n"
                              "OBJECT=S1\nS1:ONINIT=GO\n"},
           {"Rara/S2/S2.cnv", "OBJECT=GO\nGO:TYPE=BEHAVIOUR\n"
                              "GO:CODE={N2^INC();@IF(\"N2'3\",{GAME^EXIT();},{GAME^RESTART();N2^INC();});}\n"
                              "OBJECT=S2\nS2:ONINIT=GO\n"}});
    EXPECT_EQ(run("-nogfx"), 0);
    EXPECT_EQ(setting("GAME", "N1"), "2");
    EXPECT_EQ(setting("GAME", "N2"), "3");
}

// STRUCT|FIELD in statements: a field written, read into a variable,
// compared in IF, and reached through a database's cursor, whose fields
// change with the row it shows.
TEST_F(HostTest, StatementsReachTheFieldsOfAStructure)
{
    title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                     "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n"},
           {"Rara/S/S.cnv", "OBJECT=P\nP:TYPE=STRUCT\nP:FIELDS=NAME<STRING>,SCORE<INTEGER>\n"
                            "OBJECT=DB\nDB:TYPE=DATABASE\nDB:MODEL=P\n"
                            "OBJECT=FIRST\nFIRST:TYPE=STRING\nFIRST:TOINI=TRUE\n"
                            "OBJECT=SECOND\nSECOND:TYPE=STRING\nSECOND:TOINI=TRUE\n"
                            "OBJECT=SCORES\nSCORES:TYPE=STRING\nSCORES:TOINI=TRUE\n"
                            "OBJECT=HITS\nHITS:TYPE=INTEGER\nHITS:VALUE=0\nHITS:TOINI=TRUE\n"
                            "OBJECT=NEXTROW\nNEXTROW:TYPE=BEHAVIOUR\n"
                            "NEXTROW:CODE={SECOND^ADD(DB_CURSOR|NAME);DB^NEXT();}\n"
                            "OBJECT=GO\nGO:TYPE=BEHAVIOUR\n"
                            "GO:CODE={P^SET(\"Ann\",12);P|SCORE^SET(44);P|SCORE^ADD(1);DB^ADD(P);"
                            "P^SET(\"Bob\",7);P|NAME^ADD(\"by\");DB^ADD(P);"
                            "FIRST^SET(P|NAME);@IF(P|SCORE'7,{HITS^ADD(1);},{HITS^ADD(100);});"
                            "@IF(P|SCORE>7,{HITS^ADD(100);},\"\");"
                            "DB^SELECT(0);@IF(DB_CURSOR|SCORE,>,40,{HITS^ADD(10);});"
                            "NEXTROW^RUN();NEXTROW^RUN();"
                            "DB_CURSOR|SCORE^SET(8);DB^SELECT(1);SCORES^SET(DB_CURSOR|SCORE);"
                            "DB^SELECT(0);SCORES^ADD(DB_CURSOR|SCORE);GAME^EXIT();}\n"
                            "OBJECT=S\nS:ONINIT=GO\n"}});
    EXPECT_EQ(run("-nogfx"), 0);
    EXPECT_EQ(setting("S", "FIRST"), "Bobby");
    EXPECT_EQ(setting("S", "HITS"), "11");
    // One statement met the cursor on both rows; the write went to the row
    // the cursor showed then (NEXT came round to the first).
    EXPECT_EQ(setting("S", "SECOND"), "AnnBobby");
    EXPECT_EQ(setting("S", "SCORES"), "78");
}

TEST_F(HostTest, TheHostSwitchesForTheVirtualClock)
{
    quarnel::HostSwitches s;
    CXString message;
    ASSERT_TRUE(quarnel::readHostSwitches("-nogfx", &s, &message));
    EXPECT_EQ(s.stepMs, 16u);
    EXPECT_EQ(s.frameBound, 0);
    ASSERT_TRUE(quarnel::readHostSwitches("-path x  -step 40 /frames 1000", &s, &message));
    EXPECT_EQ(s.stepMs, 40u);
    EXPECT_EQ(s.frameBound, 1000);
    for (const char* bad : {"-step", "-step 0", "-step 1001", "-step 12ms", "-frames -3", "-frames 0", "-frames"}) {
        message = "";
        EXPECT_FALSE(quarnel::readHostSwitches(bad, &s, &message)) << bad;
        EXPECT_TRUE(message.IsString()) << bad;
    }
    std::string text;
    EXPECT_EQ(run("-nogfx -step x", &text), quarnel::EXIT_FAILED);
    EXPECT_NE(text.find("-step"), std::string::npos) << text;
}

// A title that never ends runs on the virtual clock until the frame bound:
// the step sets how much time its frames take, and the run ends with the
// bound's own exit code, its settings kept.
TEST_F(HostTest, AFrameBoundEndsATitleThatNeverEnds)
{
    title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                     "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n"},
           {"Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\nN:TOINI=TRUE\n"
                            "OBJECT=TICK\nTICK:TYPE=BEHAVIOUR\nTICK:CODE={N^INC();}\n"
                            "OBJECT=CLOCK\nCLOCK:TYPE=TIMER\nCLOCK:ELAPSE=100\nCLOCK:ONTICK=TICK\n"}});
    platform::Clock* before = platform::currentClock();
    std::string message;
    EXPECT_EQ(run("-nogfx -frames 50 -step 20", &message), quarnel::EXIT_FRAME_BOUND);
    EXPECT_NE(message.find("50 frames"), std::string::npos) << message;
    EXPECT_EQ(platform::currentClock(), before);
    EXPECT_EQ(platform::currentPlatform(), nullptr);
    int twenty = std::atoi(setting("S", "N").c_str());
    // 50 frames of 20 ms: a second, ten ticks of 100 ms (give or take the
    // frame the scene starts in).
    EXPECT_GE(twenty, 9);
    EXPECT_LE(twenty, 10);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 50 -step 50"), quarnel::EXIT_FRAME_BOUND);
    int fifty = std::atoi(setting("S", "N").c_str());
    EXPECT_GE(fifty, 24);
    EXPECT_LE(fifty, 25);
    // The same run gives the same result.
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 50 -step 50"), quarnel::EXIT_FRAME_BOUND);
    EXPECT_EQ(std::atoi(setting("S", "N").c_str()), fifty);
}

TEST_F(HostTest, TheProgramEndsAtItsFrameBound)
{
    title({{"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                     "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n"},
           {"Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n"}});
    std::string command = "timeout 120 " + std::string(QUARNEL_HOST_PROGRAM) + " -path " + tmp.path() +
                          " -nogfx -frames 100 2>" + tmp.file("err.txt");
    int status = testsupport::shell(command);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), int(quarnel::EXIT_FRAME_BOUND));
    EXPECT_NE(tmp.read("err.txt").find("Quarnel: the title had not ended after 100 frames"), std::string::npos);
}

TEST_F(HostTest, TheProgramReportsAMissingTitle)
{
    std::string command = std::string(QUARNEL_HOST_PROGRAM) + " -path " + tmp.path() + " -nogfx 2>" +
                          tmp.file("err.txt");
    int status = testsupport::shell(command);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(tmp.read("err.txt").find("Quarnel: no title to start in"), std::string::npos);
}

} // namespace
