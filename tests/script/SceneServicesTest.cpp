#include "SceneSupport.h"

#include <map>
#include <memory>
#include <set>

using namespace scripttest;

namespace {

using Steps = std::vector<std::string>;

struct Group : CMC_ObjectGroup {
    std::vector<std::string> members{"stale"};
    void add(CMC_Object* m) override { members.push_back(m->toString().c_str()); }
    void removeAll() override { members.clear(); }
};

// The window side of collision watching, with the drawables' own flags.
class FakeWindow : public CMC_SceneWindow {
public:
    void beginWaitCursor() override { calls.push_back("wait"); }
    void endActiveCursor() override { calls.push_back("active"); }
    bool getMonitorCollisionsFlag(CGraphicsObject* g) override { return flags[g]; }
    void setMonitorCollisions(CGraphicsObject* g, bool on) override { flags[g] = on; }
    void addCollisionNotifier(CCollisionObserver*) override { calls.push_back("addNotifier"); }
    void removeCollisionNotifier(CCollisionObserver*) override { calls.push_back("removeNotifier"); }
    void addMonitoredObject(CGraphicsObject* g, bool) override { watched.insert(g); }
    void removeMonitoredObject(CGraphicsObject* g) override { watched.erase(g); }

    std::map<CGraphicsObject*, bool> flags;
    std::set<CGraphicsObject*> watched;
    std::vector<std::string> calls;
};

// Playing and paused states of the test's objects, by name.
std::map<std::string, std::string>& states()
{
    static std::map<std::string, std::string> s;
    return s;
}
bool isPlaying(CMC_Object* o) { return states()[o->getName().c_str()] == "playing"; }
bool isPaused(CMC_Object* o) { return states()[o->getName().c_str()] == "paused"; }
void resume(CMC_Object* o) { states()[o->getName().c_str()] = "playing"; }
const CMC_PlayState playState = {&isPlaying, &isPaused, &resume};

CMC_Object* makeButton(CMC_Scene*, const CXString& n) { return new Thing(n, MC_BUTTON); }

class CMC_SceneServicesTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        states().clear();
        for (int t : {MC_SEQUENCE, MC_ANIMO, MC_TIMER})
            CMC_Scene::setPlayState(t, &playState);
        CMC_Scene::setSceneWindow(&window);
    }
    void TearDown() override
    {
        for (int t : {MC_SEQUENCE, MC_ANIMO, MC_TIMER})
            CMC_Scene::setPlayState(t, nullptr);
        CMC_Scene::setSceneWindow(nullptr);
        CMC_Scene::setObjectMaker("BUTTON", nullptr);
        SceneFixture::TearDown();
    }

    FakeWindow window;
    Pools pools;
};

TEST_F(CMC_SceneServicesTest, MusicIsInheritedAndKeptAcrossScenesWithTheSameFile)
{
    TestApp app("GAME");
    TestApp* episode = new TestApp("EP", MC_EPISODE, {{"MUSIC", "theme.ogg"}});
    app.adopt(episode);
    CMC_Scene* a = episode->addScene("A", {});
    CMC_Scene* b = episode->addScene("B", {});
    CMC_Scene* c = app.addScene("C", {{"MUSIC", "other.ogg"}});
    EXPECT_EQ(app.getMusicFilename(), "");
    EXPECT_EQ(a->getMusicFilename(), "theme.ogg");

    // Without a unit (never entered) nothing is asked of it.
    c->startMusic(nullptr, true);
    EXPECT_EQ(steps(), Steps{});

    episode->_goto(a, nullptr);
    EXPECT_TRUE(a->shouldMusicBeStarted());
    episode->_goto(b, a);
    EXPECT_FALSE(b->shouldMusicBeStarted());
    // A's unload kept the music: the next scene plays the same file.
    EXPECT_EQ(steps(), (Steps{"unit initialize A default", "unit done A default", "unit initialize B default"}));

    b->startMusic("theme.ogg", false);
    EXPECT_FALSE(b->shouldMusicBeStarted());
    b->startMusic(nullptr, true);
    b->startMusic("new.ogg", false);
    EXPECT_TRUE(b->shouldMusicBeStarted());
    EXPECT_EQ(b->getMusicFilename(), "new.ogg");
    EXPECT_EQ(steps(), (Steps{"unit startMusic theme.ogg", "unit startMusic null force", "unit startMusic new.ogg"}));

    // Another file next: the music stops.
    b->unload(c);
    EXPECT_EQ(steps(), (Steps{"unit done B default", "unit stopMusic"}));
    EXPECT_EQ(window.calls, (Steps{"wait", "active", "wait", "active"}));
}

TEST_F(CMC_SceneServicesTest, CollisionWatchingRegistersOnceAndCanBeRenewed)
{
    int d1 = 0, d2 = 0;
    CGraphicsObject* g1 = reinterpret_cast<CGraphicsObject*>(&d1);
    CGraphicsObject* g2 = reinterpret_cast<CGraphicsObject*>(&d2);
    {
        TestApp app("GAME");
        CMC_Scene* s = app.addScene("S", {});
        s->monitorCollisions(g1, true, nullptr);
        s->monitorCollisions(g1, true, nullptr);
        EXPECT_EQ(window.calls, (Steps{"addNotifier"}));
        s->removeMonitorCollisions(g1, nullptr);
        EXPECT_EQ(window.watched.count(g1), 0u);
        s->monitorCollisions(g1, true, nullptr);
        s->monitorCollisions(g2, true, nullptr);
        EXPECT_EQ(window.watched.size(), 2u);
    }
    // The scene takes what it still watches off the inspector when it goes.
    EXPECT_TRUE(window.watched.empty());
}

TEST_F(CMC_SceneServicesTest, QueriesGoOverTheSceneInTheOrderObjectsWereAdded)
{
    TestApp app("GAME");
    CMC_Scene* s = app.addScene("S", {});
    for (const char* n : {"SEQ3", "SEQ1", "SEQ2"})
        s->addObject(new Thing(n, MC_SEQUENCE));
    for (const char* n : {"AN2", "AN1"})
        s->addObject(new Thing(n, MC_ANIMO));
    app.addObject(new Thing("APPSEQ", MC_SEQUENCE));
    states() = {{"SEQ3", "playing"}, {"SEQ1", "paused"}, {"SEQ2", "playing"}, {"AN2", "playing"},
                {"AN1", "stopped"}, {"APPSEQ", "playing"}};

    Group playing;
    s->getPlayingSeq(&playing);
    EXPECT_EQ(playing.members, (Steps{"stale", "SEQ3", "SEQ2"}));
    Group animations;
    s->getPlayingAnimo(&animations);
    EXPECT_EQ(animations.members, Steps{"AN2"});
    Group timers;
    s->getRunningTimers(&timers);
    EXPECT_TRUE(timers.members.empty());

    // Only the paused sequences the list names are resumed.
    states()["SEQ3"] = "paused";
    CMC_String named(CXString("temp"), CXString("seq1"));
    CXArray names(101, 0.75f);
    names.add(static_cast<CXObject*>(&named));
    s->resumeExcept(&names);
    EXPECT_EQ(states()["SEQ1"], "playing");
    EXPECT_EQ(states()["SEQ3"], "paused");
}

TEST_F(CMC_SceneServicesTest, RuntimeObjectsAndUpdaters)
{
    TestApp app("GAME");
    CMC_Scene* s = app.addScene("S", {});
    // Without a maker (the controls layer installs the real one).
    CMC_Scene::setObjectMaker("BUTTON", nullptr);
    s->createObject("BUTTON", "B1");
    EXPECT_EQ(s->getObject("B1"), nullptr);
    CMC_Scene::setObjectMaker("BUTTON", &makeButton);
    EXPECT_FALSE(CMC_Scene::setObjectMaker("LABEL", &makeButton));
    s->createObject("button", "B1");
    s->createObject("VGO", "V1");
    EXPECT_EQ(s->getObject("B1"), nullptr);
    // "VGO" has the virtual graphics layer's maker.
    ASSERT_NE(s->getObject("V1"), nullptr);
    EXPECT_EQ(s->getObject("V1")->getType(), MC_VIRTUAL_GRAPHICSOBJECT);
    s->createObject("BUTTON", "B1");
    ASSERT_NE(s->getObject("B1"), nullptr);
    EXPECT_EQ(s->getObject("B1")->getType(), MC_BUTTON);
    // The same name again replaces the first.
    CMC_Object* old = s->getObject("B1");
    lifecycle().clear();
    s->createObject("BUTTON", "B1");
    EXPECT_NE(s->getObject("B1"), old);
    EXPECT_EQ(lifecycle(), Steps{"~B1"});

    // Without an update interface no updater is made; with one every scene
    // without children gets its own.
    app.createUpdates();
    EXPECT_EQ(s->getUpdateIfc(), nullptr);
    struct Updater : CMC_SceneUpdate {
        void clearIndex() override {}
        bool needsUpgrade() override { return false; }
        int getUpgradeProgress() override { return 0; }
        void upgrade() override {}
    };
    CMC_Scene::setUpdaterMaker([](CMC_Scene*) -> CMC_SceneUpdate* { return new Updater; });
    TestApp* episode = new TestApp("EP", MC_EPISODE);
    app.adopt(episode);
    CMC_Scene* deep = episode->addScene("DEEP", {});
    app.createUpdates();
    CMC_Scene::setUpdaterMaker(nullptr);
    EXPECT_NE(s->getUpdateIfc(), nullptr);
    EXPECT_NE(deep->getUpdateIfc(), nullptr);
    EXPECT_EQ(episode->getUpdateIfc(), nullptr);
    EXPECT_EQ(app.getUpdateIfc(), nullptr);
}

} // namespace
