#include "AppSupport.h"
#include "base/Config.h"
#include "base/File.h"
#include "script/StructureParser.h"
#include "script/VariableFactory.h"

using namespace scripttest;

namespace {

using Names = std::vector<std::string>;

class CApplicationTest : public AppFixture {};

TEST_F(CApplicationTest, DefinitionsEnterTheStartEpisodeAndSceneBeforeTheFirstFrame)
{
    writeTitle();
    CApplication* engine = start();
    ASSERT_EQ(engine->LastError(), 0);
    ASSERT_NE(engine->getParser(), nullptr);
    EXPECT_TRUE(CMC_RunnerFactory::isReady());
    EXPECT_EQ(link.app, engine);
    EXPECT_EQ(link.soundFX, "H:\\title\\Wavs");
    EXPECT_EQ(CWindowPaths::getCDPath(), "H:\\title\\");
    EXPECT_EQ(engine->getWAVPath("a.wav"), "H:\\title\\Wavs\\a.wav");

    CMC_Application* game = script();
    EXPECT_EQ(game->getName(), "GAME");
    EXPECT_EQ(running(game), "EP");
    EXPECT_EQ(running(game->getCurrentScene()), "A");
    // The application first, then the episode, then the scene; "RANDOM",
    // "SYSTEM" and "CNVLOADER" exist.
    // "__INIT__" is looked up through the parents: the application's runs
    // for the episode and the scene, which have none of their own.
    EXPECT_EQ(ran(), (Names{"GAMEINIT@GAME", "__INIT__@GAME", "EPINIT@EP", "__INIT__@EP", "__INIT__@A", "AINIT@A"}));
    EXPECT_EQ(game->getObject("RANDOM")->getType(), MC_RANDOM);
    EXPECT_EQ(game->getObject("SYSTEM")->getType(), MC_SYSTEM);
    EXPECT_EQ(game->getObject("CNVLOADER")->getType(), MC_CNVLOADER);
    // A's value marked for the settings file is written there.
    EXPECT_EQ(CConfig("H:\\title\\Demo.ini").GetString("A", "SCORE"), "5");

    // A switch is made by the next frame, which always answers false.
    call(game->getCurrentScene(), "NEXT");
    EXPECT_EQ(running(game->getCurrentScene()), "A");
    EXPECT_FALSE(engine->domodal());
    EXPECT_EQ(running(game->getCurrentScene()), "B");
    EXPECT_EQ(ran(), (Names{"SCENEDONE@A", "__INIT__@B", "BINIT@B"}));

    call(game, "EXIT");
    call(game, "EXIT");
    EXPECT_EQ(link.quits, 2);
    EXPECT_EQ(ran(), (Names{"__ONEXIT__@GAME", "__ONEXIT__@GAME"}));
    EXPECT_FALSE(engine->domodal());

    app.reset();
    EXPECT_FALSE(CMC_RunnerFactory::isReady());
    EXPECT_EQ(link.app, nullptr);
}

TEST_F(CApplicationTest, SnapshotWrittenWithTwoBinStartsTheSameTitle)
{
    writeTitle("GAME:EPISODES=EP\nGAME:STARTWITH=EP\n");
    start("-2bin");
    ASSERT_NE(script(), nullptr);
    // Nothing was entered; the scenes loaded for their snapshot files raise
    // "ONDONE" when they are unloaded again.
    EXPECT_EQ(ran(), Names{"SCENEDONE@A"});
    EXPECT_EQ(script()->getCurrentScene(), nullptr);
    for (const char* f : {"application.bin", "GAME.bin", "EP.bin", "A/A.bin", "B/B.bin", "C/C.bin"})
        EXPECT_TRUE(CFile::fileExists(CXString("H:\\title\\Rara\\") + f)) << f;
    app.reset();

    // Without "forceCNV" the snapshot is read; the parser is never made.
    CApplication* engine = start();
    ASSERT_EQ(engine->LastError(), 0);
    EXPECT_EQ(engine->getParser(), nullptr);
    EXPECT_TRUE(CMC_RunnerFactory::isReady());
    CMC_Application* game = script();
    ASSERT_EQ(game->getSubScenes()->getSize(), 1);
    CMC_Scene* ep = game->getCurrentScene();
    ASSERT_NE(ep, nullptr);
    EXPECT_EQ(ep->getName(), "EP");
    Names scenes;
    for (int i = 0; i < ep->getSubScenes()->getSize(); ++i)
        scenes.push_back(static_cast<CMC_Scene*>((*ep->getSubScenes())[i])->getName().c_str());
    EXPECT_EQ(scenes, (Names{"A", "B", "C"}));
    EXPECT_EQ(ran(), (Names{"GAMEINIT@GAME", "__INIT__@GAME", "EPINIT@EP", "__INIT__@EP", "__INIT__@A", "AINIT@A"}));
    EXPECT_EQ(static_cast<CMC_Integer*>(ep->getCurrentScene()->getObject("SCORE"))->getValue(), 5);
    // Scenes are found by name from the application on both routes.
    EXPECT_EQ(game->getObject("C")->getType(), MC_SCENE);
    call(ep, "GOTO", {text("C")});
    engine->domodal();
    EXPECT_EQ(running(ep), "C");
    EXPECT_EQ(ran(), (Names{"SCENEDONE@A", "__INIT__@C", "CINIT@C"}));
    app.reset();
    EXPECT_FALSE(CMC_RunnerFactory::isReady());

    // "forceCNV" reads the definitions although a snapshot is there.
    EXPECT_NE(start("-forceCNV")->getParser(), nullptr);
}

// A snapshot written again where the disk fills up keeps the old files:
// a snapshot cut short would keep the title from starting at all.
TEST_F(CApplicationTest, AnInterruptedSnapshotKeepsTheOldFiles)
{
    writeTitle("GAME:EPISODES=EP\nGAME:STARTWITH=EP\n");
    start("-2bin");
    app.reset();
    const std::string application = tmp.read("hdd/title/Rara/application.bin");
    const std::string scene = tmp.read("hdd/title/Rara/A/A.bin");
    ASSERT_GT(application.size(), 16u);
    ASSERT_GT(scene.size(), 16u);
    {
        testsupport::FileSizeLimit limit(16);
        start("-2bin");
        app.reset();
    }
    EXPECT_EQ(tmp.read("hdd/title/Rara/application.bin"), application);
    EXPECT_EQ(tmp.read("hdd/title/Rara/A/A.bin"), scene);
    EXPECT_FALSE(CFile::fileExists("H:\\title\\Rara\\application.bin.tmp"));
    EXPECT_FALSE(CFile::fileExists("H:\\title\\Rara\\A\\A.bin.tmp"));
    EXPECT_EQ(start()->LastError(), 0);
    EXPECT_EQ(running(script()), "EP");
}

TEST_F(CApplicationTest, TitlesThatCannotStartReportError3000)
{
    struct Case {
        const char* what;
        std::function<void()> write;
        const char* switches;
    } cases[] = {
        {"no files", [] {}, ""},
        {"no application record", [this] { writeData("application.def", "OBJECT=A\nA:TYPE=SCENE\n"); }, ""},
        {"snapshot cut short",
         [this] {
             writeData("application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\n");
             tmp.write("hdd/title/Rara/application.bin", std::string("\x04\0\0\0GA", 6));
         },
         ""},
    };
    for (const Case& c : cases) {
        c.write();
        CApplication* engine = start(c.switches);
        EXPECT_EQ(engine->LastError(), CApplication::ERROR_NO_APPLICATION) << c.what;
        EXPECT_EQ(script(), nullptr) << c.what;
        engine->domodal();
        app.reset();
        EXPECT_FALSE(CMC_RunnerFactory::isReady()) << c.what;
    }
}

TEST_F(CApplicationTest, SnapshotOfAnApplicationWithADirectSceneIsRefused)
{
    writeTitle("GAME:EPISODES=EP\nGAME:SCENES=LOOSE\n");
    writeData("application.def", tmp.read("hdd/title/Rara/application.def") + "OBJECT=LOOSE\nLOOSE:TYPE=SCENE\n");
    start("-2bin");
    EXPECT_FALSE(CFile::fileExists("H:\\title\\Rara\\application.bin"));
    bool reported = false;
    for (const std::string& l : debug.lines)
        reported |= l.find("LOOSE, which is not an episode") != std::string::npos;
    EXPECT_TRUE(reported);
    ASSERT_NE(script(), nullptr);
    EXPECT_NE(script()->getStoreFailure().FindSubString("LOOSE, which is not an episode"), -1);
}

TEST_F(CApplicationTest, PathSwitchNamesTheTitleFolder)
{
    testsupport::makeDirs(tmp.file("cd/other/Rara"));
    tmp.write("cd/other/Rara/application.def", "OBJECT=GAME\r\nGAME:TYPE=APPLICATION\r\n");
    ASSERT_EQ(start("-path M:\\other")->LastError(), 0);
    EXPECT_EQ(CWindowPaths::getCDPath(), "M:\\other\\");
    EXPECT_EQ(CFile::getCurrentDirectory(), "M:\\other\\Rara\\");
    // Without children nothing is entered.
    EXPECT_EQ(script()->getCurrentScene(), nullptr);
}

class CMC_ApplicationTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        writeTitle("GAME:EPISODES=EP\n");
        start();
        ran();
    }
};

TEST_F(CMC_ApplicationTest, RestartEntersTheStartChildWithoutAHistoryEntry)
{
    CMC_Application* game = script();
    CMC_Scene* ep = game->getCurrentScene();
    // The start child is running: it restarts in place (its first scene
    // next frame).
    call(ep, "NEXT");
    app->domodal();
    call(game, "RESTART");
    app->domodal();
    EXPECT_EQ(running(ep), "A");
    int history = game->getHistory()->getSize();

    // Another child is running: it leaves and the start child is entered.
    CMC_Scene* other = new CMC_Episode(link.window());
    other->setName("OTHER");
    game->getSubScenes()->add(other);
    game->addObject(other);
    other->setParent(game);
    call(game, "GOTO", {text("OTHER")});
    app->domodal();
    EXPECT_EQ(running(game), "OTHER");
    ran();
    call(game, "RESTART");
    EXPECT_EQ(running(game), "EP");
    EXPECT_EQ(ran(), (Names{"EPINIT@EP", "__INIT__@EP", "__INIT__@A", "AINIT@A"}));
    EXPECT_EQ(game->getHistory()->getSize(), history + 1);
}

TEST_F(CMC_ApplicationTest, RunTakesTheBehaviourPathInAnyCase)
{
    CMC_Application* game = script();
    FakeBehaviour* b = appBehaviour(game, "JOB");
    runs().clear();
    for (const char* method : {"rUn", "RUNC", "run"})
        EXPECT_EQ(call(game, "RUN", {text("JOB"), text(method), number(7), text("x")}), nullptr);
    EXPECT_EQ(runs(), (Names{"JOB@GAME(7,x)", "JOB@GAME(7,x)", "JOB@GAME(7,x)"}));
    (void)b;
    // Any other method goes to the object's runner by name.
    // The episode is found by name from its scenes, not from the application.
    CMC_Scene* a = game->getCurrentScene()->getCurrentScene();
    EXPECT_EQ(textOf(call(game, "RUN", {text("EP"), text("GETCURRENTSCENE")}, a)), "A");
    EXPECT_EQ(call(game, "RUN", {text("EP"), text("GETCURRENTSCENE")}), nullptr);
    EXPECT_EQ(call(game, "RUN", {text("NOBODY"), text("RUN")}), nullptr);

    EXPECT_EQ(textOf(call(game, "EXISTSENV", {text("A"), text("AINIT")})), "TRUE");
    EXPECT_EQ(textOf(call(game, "EXISTSENV", {text("A"), text("SCORE")})), "FALSE");
    EXPECT_EQ(textOf(call(game, "EXISTSENV", {text("RANDOM"), text("AINIT")})), "FALSE");
    ran();
    call(game, "RUNENV", {text("A"), text("AINIT")});
    EXPECT_EQ(ran(), (Names{"AINIT@A"}));
    EXPECT_EQ(textOf(call(game, "NEEDSUPGRADE")), "FALSE");
    call(game, "UPGRADE", {text("NOSUCH")});
}

TEST_F(CMC_ApplicationTest, PrintTakesTheWholeScreenUnlessGivenARectangle)
{
    CMC_Application* game = script();
    call(game, "PRINT");
    call(game, "PRINT", {number(1), number(2)});
    call(game, "PRINT", {number(1), number(2), number(3)});
    call(game, "PRINT", {number(10), number(20), number(30), number(40)});
    call(game, "PRINT", {text("NOTHING")});
    ASSERT_EQ(link.printed.size(), 5u);
    for (int i : {0, 1, 2, 4})
        EXPECT_EQ(link.printed[size_t(i)], CXRect(0, 0, 800, 600)) << i;
    EXPECT_EQ(link.printed[3], CXRect(10, 20, 30, 40));

    call(game, "DISABLEMUSIC");
    call(game, "ENABLEMUSIC");
    EXPECT_EQ(link.music, (std::vector<bool>{false, true}));
}

} // namespace
