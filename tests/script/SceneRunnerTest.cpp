#include "AppSupport.h"
#include "base/EngineTimer.h"
#include "base/XTimer.h"
#include "script/SceneRunner.h"

using namespace scripttest;

namespace {

using Names = std::vector<std::string>;

TEST(CMC_Scene_RunnerValuesTest, ClockTextAndMusicLevels)
{
    for (auto c : std::vector<std::pair<int, const char*>>{
             {125, "0205"}, {3599, "5959"}, {0, "0000"}, {6000, "10000"}, {-5, "000-5"}})
        EXPECT_EQ(CMC_Scene_Runner::toTime(c.first), c.second) << c.first;
    for (auto c : std::vector<std::pair<int, int>>{
             {800, 0}, {0, -10000}, {26, -3096}, {25, -10000}, {900, 400}, {-2147483647, -10000}})
        EXPECT_EQ(CMC_Scene_Runner::volumeOf(c.first), c.second) << c.first;
    for (int level : {800, 26, 0, 400})
        EXPECT_EQ(CMC_Scene_Runner::levelOf(CMC_Scene_Runner::volumeOf(level)), level) << level;
    for (auto c : std::vector<std::pair<int, int>>{{400, 0}, {0, -800}, {1949, 3098}, {1950, 10000}, {2000, 10000}})
        EXPECT_EQ(CMC_Scene_Runner::panOf(c.first), c.second) << c.first;
}

// What the media and controls layers are asked.
std::vector<std::string>& asked()
{
    static std::vector<std::string> log;
    return log;
}

class CMC_Scene_RunnerTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        CApplicationLayers& l = CApplication::layers();
        saved = l;
        static int animations, sounds;
        l.makeAnimationManager = [] { return reinterpret_cast<CAnimationManager*>(&animations); };
        l.deleteAnimationManager = [](CAnimationManager*) {};
        l.makeSoundManager = [] { return reinterpret_cast<CSoundManager*>(&sounds); };
        l.deleteSoundManager = [](CSoundManager*) {};
        l.pauseAnimations = [](CAnimationManager*) { asked().push_back("pause animations"); };
        l.resumeAnimations = [](CAnimationManager*, CMC_GroupMembers* g) {
            asked().push_back(g ? "resume animations of a group" : "resume animations");
        };
        l.pauseSounds = [](CSoundManager*) { asked().push_back("pause sounds"); };
        l.resumeSounds = [](CSoundManager*) { asked().push_back("resume sounds"); };
        l.setMinHotSpotPriority = [](int p) { asked().push_back("min " + std::to_string(p)); };
        l.getMaxHotSpotPriority = [] { return 77; };
        asked().clear();
        setEngineTimer(&timer);
        writeTitle();
        start();
        scene = script()->getCurrentScene()->getCurrentScene();
        runs().clear();
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        CApplication::layers() = saved;
        CXTimer::enable(true);
        setEngineTimer(nullptr);
    }
    CMC_Variable* on(const char* method, std::vector<CMC_Variable*> args = {}) { return call(scene, method, args); }
    static CMC_Variable* flag(bool v) { return CMC_Bool::temporary(v); }

    CApplicationLayers saved;
    CXTimer timer;
    CMC_Scene* scene = nullptr;
};

TEST_F(CMC_Scene_RunnerTest, PauseAndResumeKeepOneStateForTheEngine)
{
    on("PAUSE", {flag(true)});
    EXPECT_TRUE(CXTimer::isEnabled());
    EXPECT_TRUE(link.paused);
    on("PAUSE");
    // The pause outlives the scene.
    call(script()->getCurrentScene(), "NEXT");
    app->domodal();
    scene = script()->getCurrentScene()->getCurrentScene();
    EXPECT_EQ(textOf(on("ISPAUSED")), "TRUE");
    on("RESUME", {flag(false)});
    EXPECT_FALSE(CXTimer::isEnabled());
    EXPECT_FALSE(link.paused);
    EXPECT_EQ(textOf(on("ISPAUSED")), "FALSE");
    on("RESUME");
    EXPECT_FALSE(CXTimer::isEnabled());
    EXPECT_EQ(asked(), (Names{"pause animations", "pause sounds", "resume animations", "resume sounds"}));

    asked().clear();
    scene->addObject(CMC_Groups::make(CXString("MOVING"), scene));
    on("PAUSE");
    EXPECT_FALSE(CXTimer::isEnabled());
    on("RESUMEONLY", {text("MOVING")});
    EXPECT_TRUE(CXTimer::isEnabled());
    on("RESUMEONLY", {text("MOVING")});
    EXPECT_EQ(asked(), (Names{"pause animations", "pause sounds", "resume animations of a group", "resume sounds"}));

    on("SETMINHSPRIORITY", {number(5)});
    EXPECT_EQ(textOf(on("GETMAXHSPRIORITY")), "77");
    EXPECT_EQ(textOf(on("GETMINHSPRIORITY")), "0");
    EXPECT_EQ(asked().back(), "min 5");
    on("SETMUSICVOLUME", {number(26)});
    EXPECT_EQ(link.volume, -3096);
    EXPECT_EQ(textOf(on("GETMUSICVOLUME")), "26");
    on("SETMUSICPAN", {number(0)});
    EXPECT_EQ(link.pan, -800);
}

TEST_F(CMC_Scene_RunnerTest, ClonesAreRunAndRemovedByNumber)
{
    types.add("TEXT", &makeThing<MC_TEXT>);
    Thing* t = new Thing(CXString("T"));
    t->setScene(scene);
    scene->addObject(t);
    t->clone(3);
    FakeBehaviour* job = new FakeBehaviour(scene, "JOB", "");
    scene->addObject(job);

    on("RUNCLONES", {text("T"), number(0), number(0), text("JOB"), text("p")});
    on("RUNCLONES", {text("T"), number(2), number(2), text("JOB")});
    EXPECT_EQ(runs(), (Names{"JOB@A(T_1,p)", "JOB@A(T_2,p)", "JOB@A(T_3,p)", "JOB@A(T_2)"}));
    runs().clear();
    // Code that names no object runs as a behaviour that is not kept.
    on("RUNCLONES", {text("T"), number(3), number(0), text("{code}")});
    EXPECT_EQ(runs(), (Names{"temp@A(T_3)"}));
    EXPECT_EQ(scene->getObject("temp"), nullptr);
    // RUN with the exact names only takes the behaviour path.
    runs().clear();
    on("RUN", {text("JOB"), text("RUNC"), number(1)});
    EXPECT_EQ(runs(), (Names{"JOB@A(1)"}));

    lifecycle().clear();
    on("REMOVECLONES", {text("T"), number(-1), number(-1)});
    EXPECT_EQ(lifecycle(), (Names{"done T_1", "~T_1", "done T_2", "~T_2", "done T_3", "~T_3"}));
    EXPECT_EQ(t->getClonesNo(), 3);

    // REMOVE deletes only what the scene holds itself.
    lifecycle().clear();
    on("REMOVE", {text("SCENEDONE")});
    EXPECT_NE(script()->getObject("SCENEDONE"), nullptr);
    on("REMOVE", {text("T")});
    EXPECT_EQ(lifecycle(), (Names{"~T"}));
    EXPECT_EQ(scene->getObject("T"), nullptr);
}

TEST_F(CMC_Scene_RunnerTest, QueriesFillTheNamedGroup)
{
    types.add("TEXT", &makeThing<MC_TEXT>);
    scene->addObject(new Thing(CXString("T1")));
    scene->addObject(new Thing(CXString("T2")));
    CMC_Object* group = CMC_Groups::make(CXString("G"), scene);
    CMC_Groups::membersOf(group)->add(scene);
    scene->addObject(group);
    on("GETOBJECTS", {text("TEXT"), text("G")});
    EXPECT_EQ(memberNames(group), (Names{"T1", "T2"}));
    on("GETOBJECTS", {text("TEXT"), text("NOSUCH")});
    on("GETOBJECTS", {text("TEXT"), text("T1")});
    EXPECT_EQ(textOf(on("GETELEMENTSNO")), std::to_string(scene->getElementsNo()));
    EXPECT_EQ(textOf(on("TOTIME", {number(125)})), "0205");
}

} // namespace
