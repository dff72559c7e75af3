#include "AppSupport.h"
#include "script/CNVLoader.h"

using namespace scripttest;

namespace {

using Names = std::vector<std::string>;

class CMC_CNVLoaderTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        types.add("TEXT", &makeThing<MC_TEXT>);
        writeTitle();
        start();
        game = script();
        loader = game->getObject("CNVLOADER");
        // LOAD reads from the folder the running scene made current.
        writeData("A/extra.cnv", "OBJECT=T\nT:TYPE=TEXT\nT:ONINIT={note}\n"
                                 "OBJECT=V\nV:TYPE=INTEGER\nV:VALUE=3\n");
        runs().clear();
        lifecycle().clear();
    }
    void load(const char* file) { call(loader, "LOAD", {text(file)}); }
    void release(const char* file) { call(loader, "RELEASE", {text(file)}); }

    CMC_Application* game = nullptr;
    CMC_Object* loader = nullptr;
};

TEST_F(CMC_CNVLoaderTest, LoadsAFileOnceAndReleasesItsObjectsAfterTheirClones)
{
    int before = game->getElementsNo();
    load("extra.cnv");
    ASSERT_NE(game->getObject("extra.cnv"), nullptr);
    // Each object once, its anonymous behaviour once; initialised on loading.
    EXPECT_EQ(memberNames(game->getObject("extra.cnv")), (Names{"beh_T_ONINIT", "T", "V"}));
    EXPECT_EQ(runs(), (Names{"beh_T_ONINIT@T"}));
    EXPECT_EQ(static_cast<CMC_Integer*>(game->getObject("V"))->getValue(), 3);
    EXPECT_EQ(game->getElementsNo(), before + 4);

    load("extra.cnv");
    EXPECT_EQ(game->getElementsNo(), before + 4);
    EXPECT_EQ(runs().size(), 1u);

    game->getObject("T")->clone(2);
    ASSERT_NE(game->getObject("T_2"), nullptr);
    release("extra.cnv");
    EXPECT_EQ(lifecycle(), (Names{"done T_1", "~T_1", "done T_2", "~T_2", "done T", "~T"}));
    EXPECT_EQ(game->getObject("extra.cnv"), nullptr);
    EXPECT_EQ(game->getObject("V"), nullptr);
    EXPECT_EQ(game->getElementsNo(), before);

    // Released, it can be loaded again.
    load("extra.cnv");
    EXPECT_NE(game->getObject("T"), nullptr);
    EXPECT_EQ(runs().size(), 2u);
}

// A member's "ONDONE" runs behaviours listed before it (its own inline one,
// a named one of the file) while it is released outside any script, when
// they would be deleted at once: the file's behaviours go last.
TEST_F(CMC_CNVLoaderTest, AReleasedObjectsDoneRunsBehavioursListedBeforeIt)
{
    writeData("A/done.cnv", "OBJECT=BYE\nBYE:TYPE=BEHAVIOUR\n"
                            "OBJECT=T\nT:TYPE=TEXT\nT:ONDONE={note}\n"
                            "OBJECT=U\nU:TYPE=TEXT\nU:ONDONE=BYE\n");
    const int before = game->getElementsNo();
    load("done.cnv");
    EXPECT_EQ(memberNames(game->getObject("done.cnv")), (Names{"BYE", "beh_T_ONDONE", "T", "U"}));
    release("done.cnv");
    EXPECT_EQ(runs(), (Names{"beh_T_ONDONE@T", "BYE@U"}));
    EXPECT_EQ(lifecycle(), (Names{"done T", "~T", "done U", "~U"}));
    EXPECT_EQ(game->getElementsNo(), before);
}

TEST_F(CMC_CNVLoaderTest, UnreadableFilesAndUnknownGroupsDoNothing)
{
    int before = game->getElementsNo();
    load("missing.cnv");
    EXPECT_EQ(static_cast<CMC_CNVLoader*>(loader)->getLastFile(), "missing.cnv");
    release("missing.cnv");
    // A group name that finds an object of another type.
    release("RANDOM");
    EXPECT_NE(game->getObject("RANDOM"), nullptr);
    EXPECT_EQ(game->getElementsNo(), before);

    // A member a script already removed is not touched again.
    load("extra.cnv");
    CMC_Object* v = game->getObject("V");
    game->removeObject(v);
    delete v;
    release("extra.cnv");
    EXPECT_EQ(game->getElementsNo(), before);
}

} // namespace
