#include "AppSupport.h"

using namespace scripttest;

namespace {

using Names = std::vector<std::string>;

class CMC_EpisodeTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        writeTitle();
        start();
        ep = script()->getCurrentScene();
        ran();
    }
    // One frame of the title.
    void frame() { app->domodal(); }
    std::string now() { return running(ep); }

    CMC_Scene* ep = nullptr;
};

TEST_F(CMC_EpisodeTest, OnlyTheLastTargetOfAFrameIsEnteredNextFrame)
{
    EXPECT_EQ(textOf(call(ep, "GETLATESTSCENE")), "");
    call(ep, "NEXT");
    call(ep, "GOTO", {text("C")});
    call(ep, "PREV");
    EXPECT_EQ(now(), "A");
    frame();
    // PREV at the first scene recorded nothing: GOTO C was the last target.
    EXPECT_EQ(now(), "C");
    EXPECT_EQ(textOf(call(ep, "GETLATESTSCENE")), "A");
    EXPECT_EQ(textOf(call(ep, "GETCURRENTSCENE")), "C");

    call(ep, "NEXT"); // at the last scene: nothing
    frame();
    EXPECT_EQ(now(), "C");
    call(ep, "PREV");
    frame();
    EXPECT_EQ(now(), "B");
}

TEST_F(CMC_EpisodeTest, BackTwiceGoesToTheSameScene)
{
    call(ep, "NEXT");
    frame();
    EXPECT_EQ(now(), "B");
    call(ep, "BACK");
    frame();
    EXPECT_EQ(now(), "A");
    call(ep, "BACK");
    frame();
    EXPECT_EQ(now(), "A");
    EXPECT_EQ(ran(), (Names{"SCENEDONE@A", "__INIT__@B", "BINIT@B", "__INIT__@A", "AINIT@A", "SCENEDONE@A",
                            "__INIT__@A", "AINIT@A"}));

    // With one history entry BACK does nothing.
    CMC_Episode fresh(link.window());
    fresh.back();
    fresh.domodal();
    EXPECT_EQ(fresh.getCurrentScene(), nullptr);
}

TEST_F(CMC_EpisodeTest, WithoutARunningSceneOfItsOwnNextGoesToTheFirst)
{
    // The episode leaves its scene: nothing runs, GETCURRENTSCENE is empty.
    ep->unload(nullptr);
    EXPECT_EQ(textOf(call(ep, "GETCURRENTSCENE")), "");
    call(ep, "PREV");
    frame();
    EXPECT_EQ(now(), "");
    call(ep, "NEXT");
    frame();
    EXPECT_EQ(now(), "A");
}

} // namespace

namespace {

class CMC_EpisodeSwitchTest : public AppFixture {};

TEST_F(CMC_EpisodeSwitchTest, ATargetRecordedWhileASceneIsEnteredIsKept)
{
    writeTitle();
    writeData("GAME.cnv", tmp.read("hdd/title/Rara/GAME.cnv") + "OBJECT=HOP\nHOP:TYPE=BEHAVIOUR\n");
    writeData("B/B.cnv", "OBJECT=B\nB:ONINIT=HOP\n");
    start();
    CMC_Scene* ep = script()->getCurrentScene();
    static_cast<FakeBehaviour*>(script()->getObject("HOP"))->action = [ep](CMC_Object*) {
        call(ep, "GOTO", {text("C")});
    };
    call(ep, "NEXT");
    app->domodal();
    EXPECT_EQ(running(ep), "B");
    app->domodal();
    EXPECT_EQ(running(ep), "C");
}

} // namespace
