#include "AppSupport.h"
#include "script/StructureParser.h"
#include "script/VariableFactory.h"

using namespace scripttest;

namespace {

class CMC_StructureParserTest : public AppFixture {
protected:
    std::unique_ptr<CMC_StructureParser> parse(const std::string& definitions)
    {
        writeData("application.def", definitions);
        EXPECT_TRUE(platform::setCurrentDirectory("H:\\title\\Rara"));
        return std::unique_ptr<CMC_StructureParser>(new CMC_StructureParser(link.window(), "application.def"));
    }
    static std::vector<std::string> children(CMC_Scene* s)
    {
        std::vector<std::string> out;
        for (int i = 0; s && i < s->getSubScenes()->getSize(); ++i)
            out.push_back(static_cast<CMC_Scene*>((*s->getSubScenes())[i])->getName().c_str());
        return out;
    }
};

TEST_F(CMC_StructureParserTest, BuildsScenesThenEpisodesThenTheApplication)
{
    auto parser = parse("OBJECT=DEMO\nDEMO:TYPE=APPLICATION\nDEMO:EPISODES=E1 E2\nDEMO:SCENES=S5\n"
                        "OBJECT=E1\nE1:TYPE=EPISODE\nE1:SCENES=S1,NOSUCH,S2\nE1:STARTWITH=S2\n"
                        "OBJECT=E2\nE2:TYPE=EPISODE\nE2:SCENES=S2,S3,E1\n"
                        "OBJECT=S1\nS1:TYPE=SCENE\nOBJECT=S2\nS2:TYPE=SCENE\nOBJECT=S3\nS3:TYPE=SCENE\n"
                        "OBJECT=S4\nS4:TYPE=scene\nOBJECT=S5\nS5:TYPE=SCENE\nOBJECT=S6\nS6:TYPE=SCENE\n");
    EXPECT_TRUE(CMC_RunnerFactory::isReady());
    EXPECT_NE(CMC_VariableFactory::getPoolSize(MC_INTEGER), 0);
    CMC_Application* game = parser->getMCApplication();
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->getName(), "GAME");
    // A name the parser does not know is skipped; a scene another episode
    // took first is not taken again, nor is an episode by an episode.
    EXPECT_EQ(children(game), (std::vector<std::string>{"E1", "E2", "S5"}));
    CMC_Scene* e1 = static_cast<CMC_Scene*>(parser->get("E1"));
    CMC_Scene* e2 = static_cast<CMC_Scene*>(parser->get("E2"));
    EXPECT_EQ(children(e1), (std::vector<std::string>{"S1", "S2"}));
    EXPECT_EQ(children(e2), (std::vector<std::string>{"S3"}));
    EXPECT_EQ(static_cast<CMC_Episode*>(e1)->getStartScene()->getName(), "S2");
    EXPECT_EQ(game->getStartChild(), e1);
    // The application lists the episodes' scenes by name, not the episodes.
    EXPECT_EQ(game->getObject("S3"), parser->get("S3"));
    EXPECT_EQ(game->getObject("E1"), nullptr);
    // The lower-case type made nothing; S6, listed nowhere, is gone.
    EXPECT_EQ(parser->get("S4"), nullptr);
    EXPECT_EQ(parser->get("S6"), nullptr);

    CMC_Application* built = game;
    delete built;
    parser.reset();
    EXPECT_FALSE(CMC_RunnerFactory::isReady());
}

TEST_F(CMC_StructureParserTest, OnlyTheLastApplicationRecordIsBuilt)
{
    auto parser = parse("OBJECT=demo\ndemo:TYPE=APPLICATION\ndemo:SCENES=S1\n"
                        "OBJECT=S1\nS1:TYPE=SCENE\n"
                        "OBJECT=SECOND\nSECOND:TYPE=APPLICATION\nSECOND:SCENES=S1\n");
    CMC_Application* game = parser->getMCApplication();
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->getName(), "SECOND");
    EXPECT_EQ(children(game), (std::vector<std::string>{"S1"}));
    delete game;
}

// A start that names no child (a scene nobody took, which the parser then
// deletes, or another episode's scene) gives the first child.
TEST_F(CMC_StructureParserTest, AStartThatIsNoChildGivesTheFirstChild)
{
    auto parser = parse("OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E1\nGAME:SCENES=S2\n"
                        "GAME:STARTWITH=LOOSE\n"
                        "OBJECT=E1\nE1:TYPE=EPISODE\nE1:SCENES=S1\nE1:STARTWITH=S2\n"
                        "OBJECT=E2\nE2:TYPE=EPISODE\nE2:SCENES=S3\nE2:STARTWITH=LOOSE\n"
                        "OBJECT=S1\nS1:TYPE=SCENE\nOBJECT=S2\nS2:TYPE=SCENE\nOBJECT=S3\nS3:TYPE=SCENE\n"
                        "OBJECT=LOOSE\nLOOSE:TYPE=SCENE\n");
    CMC_Application* game = parser->getMCApplication();
    ASSERT_NE(game, nullptr);
    CMC_Episode* e1 = static_cast<CMC_Episode*>(parser->get("E1"));
    ASSERT_NE(e1, nullptr);
    EXPECT_EQ(game->getStartChild(), e1);
    EXPECT_EQ(e1->getStartScene(), parser->get("S1"));
    delete game;

    // A scene of one of its episodes may start the application.
    parser = parse("OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E1\nGAME:STARTWITH=S2\n"
                   "OBJECT=E1\nE1:TYPE=EPISODE\nE1:SCENES=S1,S2\n"
                   "OBJECT=S1\nS1:TYPE=SCENE\nOBJECT=S2\nS2:TYPE=SCENE\n");
    game = parser->getMCApplication();
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->getStartChild(), parser->get("S2"));
    delete game;
}

TEST_F(CMC_StructureParserTest, WithoutAnApplicationRecordNothingIsLeft)
{
    auto parser = parse("OBJECT=E1\nE1:TYPE=EPISODE\nE1:SCENES=S1\nOBJECT=S1\nS1:TYPE=SCENE\n");
    EXPECT_EQ(parser->getMCApplication(), nullptr);
    EXPECT_EQ(parser->get("E1"), nullptr);
    EXPECT_EQ(parser->get("S1"), nullptr);

    // No file at all.
    std::unique_ptr<CMC_StructureParser> none(new CMC_StructureParser(link.window(), "missing.def"));
    EXPECT_EQ(none->getMCApplication(), nullptr);
}

} // namespace
