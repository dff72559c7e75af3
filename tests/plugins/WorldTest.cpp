// The WORLD object and its methods over a recording physics world: the
// coordinate conversions, the camera, the step's moves and signals, the
// links, and a WORLD restored from a snapshot, which has no world.
#include "RecordingWorld.h"
#include "collections/RunnerCalls.h"
#include "common/PluginObjects.h"
#include "graphics/GraphicsObject.h"
#include "platform/Clock.h"
#include "platform/headless/Headless.h"
#include "script/ScriptTypes.h"
#include "world/ScriptWorld.h"
#include "world/WorldRunner.h"
#include "script/Values.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using collectionstest::Call;
using worldtest::RecordingWorld;
using Calls = std::vector<std::string>;

RecordingWorld* made = nullptr;
IVemto* makeRecording() { return made = new RecordingWorld; }

// A script object that keeps the signals it gets; `onGet` runs on each.
class Recorder : public CMC_Object {
public:
    explicit Recorder(const char* n) : CMC_Object(CXString(n), 5000) {}
    bool onSignal(const CXString& signal) override
    {
        got.push_back(signal.c_str());
        if (onGet)
            onGet();
        return true;
    }
    using CMC_Object::onSignal;
    std::vector<std::string> got;
    std::function<void()> onGet;
};

class CMC_WorldTest : public ::testing::Test {
protected:
    CMC_WorldTest()
    {
        headless.setMessagesToStandardError(false);
        CMC_World::setWorldMaker(&makeRecording);
        CMElement element("W");
        element.addProperty("TYPE", "WORLD");
        world = new CMC_World(&scene, &element);
        scene.addObject(world);
        fake = made;
    }
    ~CMC_WorldTest() override
    {
        CMC_World::setWorldMaker(nullptr);
        scene.unload();
        PluginRunners::releaseAll();
    }

    std::string call(const char* method, std::vector<std::string> args = {})
    {
        return Call(&scene, std::move(args)).run(world, method);
    }
    Recorder* recorder(const char* name)
    {
        Recorder* r = new Recorder(name);
        scene.addObject(r);
        return r;
    }

    collectionstest::Runtime runtime;
    platform::ManualClock clock;
    platform::HeadlessPlatform headless{clock};
    platform::ScopedPlatform usePlatform{&headless};
    scripttest::TestScene scene{"S"};
    CMC_World* world = nullptr;
    RecordingWorld* fake = nullptr;
};

TEST_F(CMC_WorldTest, AMissingWorldFileReachesNoWorld)
{
    EXPECT_TRUE(fake->take().empty());
    EXPECT_EQ(world->getType(), 10003);
}

TEST_F(CMC_WorldTest, MethodsPassScreenCoordinatesThroughTheFixedOrTheCameraOrigin)
{
    world->getView().originX = 500;
    world->getView().originY = 250;
    struct Case {
        const char* method;
        std::vector<std::string> args;
        Calls calls;
    } cases[] = {
        {"SETPOSITION", {"1", "400", "300", "0"}, {"SetPosition(1,0,0,0)"}},
        {"SETPOSITION", {"1", "400", "300", "2", "TRUE"}, {"SetPosition(1,-100,-50,2)"}},
        {"SETPOSITION", {"1", "400", "300", "2", "FALSE"}, {"SetPosition(1,0,0,2)"}},
        {"ADDOBJECT",
         {"3", "410", "280", "1", "5", "6", "7", "2.5", "0.5", "90"},
         {"AddObject(3,983040)", "SetPosition(3,10,20,1)", "SetRadius(3,5,6,7)", "SetMass(3,2.5)",
          "SetRigid(3,0.5)", "SetMaxSpeed(3,90)"}},
        {"SETOBJECTPROPERTIES", {"1", "POSITION", "0", "0", "1"}, {"SetPosition(1,-400,300,1)"}},
        {"SETOBJECTPROPERTIES", {"1", "SPEED", "0", "0", "1"}, {}},
        {"SETLIMIT", {"1", "0", "100", "0", "800", "500", "9"}, {"SetLimit(1,-400,-200,0,400,200,9)"}},
        {"FOLLOW", {"1", "600", "50", "3", "4", "5", "6"}, {"Follow(1,100,200,3,4,5,6)"}},
        {"FINDPATH", {"1", "2", "600", "50", "0"}, {"FindPath(1,2,100,200,0,true)"}},
        {"FINDPATH", {"1", "2", "600", "50", "0", "FALSE", "FALSE"}, {"FindPath(1,2,200,250,0,false)"}},
        {"ADDMESHWAYPOINT", {"4", "400", "0", "1"}, {"AddMeshWayPoint(4,0,300,1)"}},
        {"ADDMESHWAYPOINT", {"4"}, {"AddMeshWayPoint(4)"}},
        {"ADDWAYPOINT", {"4", "0", "600", "1"}, {"AddWayPoint(4,-400,-300,1)"}},
        {"ADDFORCE", {"1", "1", "2", "3"}, {"AddForce(1,1,2,3)"}},
        {"ADDFORCE", {"1", "1", "2", "3", "4", "5", "6"}, {"AddForceAt(1,1,2,3,4,5,6)"}},
        {"ADDFORCE", {"1", "1", "2", "3", "4"}, {}},
        {"SETOBJECTFORCE", {"1", "1", "2", "3"}, {"SetForce(1,1,2,3)"}},
        {"SETFORCE", {"1", "1", "2", "3"}, {"SetForce(1,1,2,3)"}},
        {"REMOVEWAYPOINT", {"1", "2"}, {"RemoveWayPoint(1,2)"}},
        {"REMOVEROUTE", {"1", "2"}, {"RemoveWayPoint(1,2)"}},
        {"SETVELOCITY", {"1", "1", "2", "3"}, {"SetVelocity(1,1,2,3,false)"}},
        {"ENABLEMESH", {"1"}, {"EnableMesh(1,true)"}},
        {"COLLIDEMESH", {"1", "FALSE"}, {"CollideMesh(1,false)"}},
        {"SETACTIVE", {"1"}, {"SetActive(1,true,true)"}},
        {"SETACTIVE", {"1", "FALSE"}, {"SetActive(1,false,true)"}},
        {"SETACTIVE", {"1", "2", "TRUE"}, {"SetActivePath(1,2,true)"}},
        {"SETACTIVE", {"1", "FALSE", "FALSE"}, {"SetActive(1,false,false)"}},
        {"ADDBODY",
         {"1", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"},
         {"AddBody(1,1,2,3,4,5,6,7,8,9,10,11)"}},
        {"ADDTOPATH", {"1", "400", "300", "0"}, {"AddToPath(1,400,300,0)"}},
        {"JOIN2", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}, {"Join2(1,2,3,4,5,6,7,8,9,10,11)"}},
        // Too few arguments: nothing.
        {"SETPOSITION", {"1", "400", "300"}, {}},
        {"ADDOBJECT", {"3", "410"}, {}},
    };
    for (const Case& c : cases) {
        call(c.method, c.args);
        EXPECT_EQ(fake->take(), c.calls) << c.method << " with " << c.args.size() << " arguments";
    }
}

TEST_F(CMC_WorldTest, PositionQueriesGoBackThroughTheCamera)
{
    fake->positions[1] = {-100.7f, 50.2f, 9.9f};
    world->getView().originX = 500;
    struct Case {
        const char* method;
        const char* id;
        std::string result;
    } cases[] = {
        {"GETPOSITIONX", "1", "I:399"}, {"GETPOSITIONY", "1", "I:249"}, {"GETPOSITIONZ", "1", "I:9"},
        {"GETPOSITIONX", "2", "I:0"},   {"GETPOSITIONY", "2", "I:0"},   {"GETANGLE", "1", "I:45"},
        {"GETROTATIONX", "1", "I:1"},   {"GETROTATIONY", "1", "I:-2"},  {"GETROTATIONZ", "1", "I:3"},
        {"GETANGLE", "2", "I:0"},       {"GETCOLLISION", "2", "B:FALSE"}, {"GETSPEED", "2", "D:0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(call(c.method, {c.id}), c.result) << c.method << " " << c.id;
    fake->take();
    // SETPOSITIONCOORD replaces one axis of the position it reads.
    call("SETPOSITIONCOORD", {"1", "0", "450"});
    call("SETPOSITIONCOORD", {"1", "1", "100"});
    call("SETPOSITIONCOORD", {"1", "2", "100"});
    call("SETPOSITIONCOORD", {"2", "0", "450"});
    EXPECT_EQ(fake->take(), (Calls{"SetPosition(1,50,50.2,9.9)", "SetPosition(1,-100.7,200,9.9)",
                                   "SetPosition(1,-100.7,50.2,9.9)"}));
}

TEST_F(CMC_WorldTest, JoinTakesItsLimitsInDegreesAndOnlyWholeForms)
{
    struct Case {
        std::vector<std::string> args;
        Calls calls;
    } cases[] = {
        {{"1", "2", "400", "300", "5", "6"}, {"Join(1,2,0,0,5,6,-1.570796,1.570796,0,0,1)"}},
        {{"1", "2", "400", "300", "5", "6", "-45"}, {}},
        {{"1", "2", "410", "290", "5", "6", "-45", "30"}, {"Join(1,2,10,10,5,6,-0.7853981,0.5235987,0,0,1)"}},
        {{"1", "2", "400", "300", "5", "6", "0", "180", "1", "1", "0"}, {"Join(1,2,0,0,5,6,0,3.141593,1,1,0)"}},
        {{"1", "2", "400", "300", "5", "6", "0", "180", "1", "1"}, {}},
    };
    for (const Case& c : cases) {
        call("JOIN", c.args);
        EXPECT_EQ(fake->take(), c.calls) << c.args.size() << " arguments";
    }
}

TEST_F(CMC_WorldTest, TheMethodTableAndUnknownIds)
{
    CMC_Runner* runner = world->getRunner();
    int named = 0;
    for (int id = 1; id <= 120; ++id) {
        bool own = (id <= 57) || (id >= 65 && id <= 73) || (id >= 80 && id <= 85);
        named += own ? 1 : 0;
        if (!own && (id < 96 || id > 109)) {
            EXPECT_EQ(runner->run(id, world, &scene, nullptr), nullptr) << id;
        }
    }
    EXPECT_EQ(named, 72);
    struct Name {
        const char* name;
        int id;
    } names[] = {{"SETGRAVITY", 1},   {"MOVEOBJECTS", 6},  {"SETFORCE", 49},     {"ADDTOPATH", 57},
                 {"SETREFOBJECT", 65}, {"FOLLOWROUTE", 73}, {"ADDGRAVITYEX", 80}, {"GETROTATIONY", 85},
                 {"GETNAME", 99},      {"world", -1},       {"JOIN3", -1}};
    for (const Name& n : names)
        EXPECT_EQ(runner->resolveMethod(n.name), n.id) << n.name;
    EXPECT_EQ(call("GETNAME"), "S:W");
    EXPECT_TRUE(fake->take().empty());
}

TEST_F(CMC_WorldTest, TheCameraFollowsItsReferenceWithinTheBackground)
{
    struct Case {
        bool followX, followY;
        float x, y;
        float scrollX, scrollY, screenX, screenY, originX, originY;
    } cases[] = {
        {false, false, 100, 50, 0, 0, 500, 250, 400, 300},
        {true, false, 0, 0, 0, 0, 400, 300, 400, 300},
        {true, false, 900, 0, 800, 0, 500, 300, -400, 300},
        {true, false, 300, 0, 300, 0, 400, 300, 100, 300},
        {true, false, -100, 0, 0, 0, 300, 300, 400, 300},
        {false, true, 0, -500, 0, 500, 400, 300, 400, -200},
        {true, true, 900, -900, 800, 600, 500, 600, -400, -300},
    };
    for (const Case& c : cases) {
        CWorldView view;
        view.setBounds(0, 1600, 0, 1200);
        view.follow = (c.followX ? 1 : 0) | (c.followY ? 2 : 0);
        view.update(c.x, c.y);
        EXPECT_EQ(view.scrollX, c.scrollX) << c.x << "," << c.y;
        EXPECT_EQ(view.scrollY, c.scrollY) << c.x << "," << c.y;
        EXPECT_EQ(view.refScreenX, c.screenX) << c.x << "," << c.y;
        EXPECT_EQ(view.refScreenY, c.screenY) << c.x << "," << c.y;
        EXPECT_EQ(view.originX, c.originX) << c.x << "," << c.y;
        EXPECT_EQ(view.originY, c.originY) << c.x << "," << c.y;
    }
    // Through the methods: a linked drawable of the followed object stays
    // at the anchor until the background's end.
    CGraphicsObject drawable(nullptr);
    world->link(5, &drawable, nullptr, nullptr, 1);
    call("SETREFOBJECT", {"5"});
    call("SETMOVEFLAGS", {"TRUE", "FALSE"});
    call("SETBKGSIZE", {"0", "1600", "0", "600"});
    for (float x : {0.0f, 900.0f}) {
        fake->positions[5] = {x, 0, 0};
        call("MOVEOBJECTS");
    }
    EXPECT_EQ(call("GETBKGPOSX"), "D:800.00000");
    EXPECT_EQ(call("GETBKGPOSY"), "D:0");
    EXPECT_EQ(drawable.GetPosition().x, 500);
    EXPECT_EQ(drawable.GetPosition().y, 300);
}

TEST_F(CMC_WorldTest, WithoutLinksTheStepOnlyAdvancesTheWorld)
{
    fake->positions[0] = {100, 100, 0};
    EXPECT_EQ(call("MOVEOBJECTS"), "D:0.50000");
    EXPECT_EQ(world->getView().originX, 400);
    EXPECT_EQ(fake->take(), Calls{"MoveObjects()"});
}

TEST_F(CMC_WorldTest, TheStepSignalsCollisionsGoalsAndSpeedsOnTheLinkedObjects)
{
    Recorder* r = recorder("R");
    call("LINK", {"1", "R"});
    fake->positions[1] = {0, 0, 0};
    fake->hits[1] = {7, 12};
    fake->speeds[1] = 0;
    fake->goals[1] = IVemto::GOAL_REACHED;
    call("MOVEOBJECTS");
    EXPECT_EQ(r->got, (Calls{"ONSIGNAL^ATGOAL", "ONSIGNAL^12", "ONSIGNAL^7", "ONSIGNAL^ANY"}));
    struct Step {
        std::vector<uint32_t> hits;
        float speed;
        uint32_t goal;
        Calls signals;
    } steps[] = {
        {{}, 5, IVemto::GOAL_NO_PATH, {"ONSIGNAL^NOPATH", "ONSIGNAL^NOCOLL", "ONSIGNAL^ONSTARTED"}},
        {{}, 6, 0, {"ONSIGNAL^NOCOLL"}},
        {{3}, 0, 0, {"ONSIGNAL^3", "ONSIGNAL^ANY", "ONSIGNAL^ONFINISHED"}},
        {{}, 0, 0, {"ONSIGNAL^NOCOLL"}},
    };
    for (const Step& s : steps) {
        r->got.clear();
        fake->hits[1] = s.hits;
        fake->speeds[1] = s.speed;
        fake->goals[1] = s.goal;
        call("MOVEOBJECTS");
        EXPECT_EQ(r->got, s.signals) << "speed " << s.speed;
    }
}

TEST_F(CMC_WorldTest, LinkFlagsPauseAndResume)
{
    CGraphicsObject drawable(nullptr);
    drawable.SetPosition(1, 1);
    Recorder* r = recorder("R");
    fake->positions[1] = {10, 20, 0};
    fake->hits[1] = {};
    struct Case {
        int32_t flags;
        const char* then; // a method with the link's id, or null
        int argCount;
        bool moved;
        bool signalled;
    } cases[] = {
        {1, nullptr, 0, true, false},       {2, nullptr, 0, false, true},    {3, "PAUSELINK", 1, false, false},
        {3, "PAUSELINK", 2, true, false},   {1, "RESUMELINK", 2, true, true}, {3, "UNLINK", 1, false, false},
    };
    for (const Case& c : cases) {
        world->unlink(1);
        world->link(1, &drawable, r, r, c.flags);
        if (c.then)
            call(c.then, c.argCount == 1 ? std::vector<std::string>{"1"} : std::vector<std::string>{"1", "X"});
        drawable.SetPosition(1, 1);
        r->got.clear();
        call("MOVEOBJECTS");
        EXPECT_EQ(drawable.GetPosition().x == 410, c.moved) << c.flags << (c.then ? c.then : "");
        EXPECT_EQ(!r->got.empty(), c.signalled) << c.flags << (c.then ? c.then : "");
    }
    // PAUSELINK with two arguments twice leaves the signal bit as it was;
    // RESUMELINK with one resumes a paused link.
    world->unlink(1);
    world->link(1, &drawable, r, r, 3);
    call("PAUSELINK", {"1", "X"});
    EXPECT_EQ(world->findLink(1)->flags, 1);
    call("PAUSELINK", {"1", "X"});
    EXPECT_EQ(world->findLink(1)->flags, 3);
    call("PAUSELINK", {"1"});
    EXPECT_TRUE(world->findLink(1)->paused);
    call("RESUMELINK", {"1"});
    EXPECT_FALSE(world->findLink(1)->paused);
    call("PAUSELINK", {"9"});
    EXPECT_EQ(world->getLinkCount(), 1);
}

TEST_F(CMC_WorldTest, LinksGoWithTheirObjectsAndRemoveObjectTakesBoth)
{
    Recorder* a = recorder("A");
    recorder("B");
    call("LINK", {"5", "A"});
    call("LINK", {"6", "B", "2"});
    call("LINK", {"7", "NOBODY"});
    EXPECT_EQ(world->getLinkCount(), 2);
    EXPECT_EQ(world->findLink(6)->flags, 2);
    call("UNLINK", {"6"});
    EXPECT_EQ(fake->take(), Calls{});
    call("REMOVEOBJECT", {"5"});
    EXPECT_EQ(fake->take(), Calls{"RemoveObject(5)"});
    EXPECT_EQ(world->getLinkCount(), 0);
    // A linked object deleted under the world is dropped from its links.
    call("LINK", {"5", "A"});
    scene.removeObject(a);
    delete a;
    EXPECT_EQ(world->getLinkCount(), 0);
    fake->positions[5] = {0, 0, 0};
    call("MOVEOBJECTS");
}

TEST_F(CMC_WorldTest, BehavioursRunByTheSignalsMayUnlinkDuringTheStep)
{
    Recorder* r = recorder("R");
    Recorder* other = recorder("Q");
    for (uint32_t id : {1u, 2u})
        fake->positions[id] = {0, 0, 0};
    world->link(1, nullptr, r, r, 3);
    world->link(2, nullptr, other, other, 3);
    r->onGet = [&] {
        world->unlink(1);
        world->unlink(2);
        world->link(3, nullptr, r, r, 3);
    };
    call("MOVEOBJECTS");
    EXPECT_EQ(r->got, Calls{"ONSIGNAL^NOCOLL"});
    EXPECT_TRUE(other->got.empty());
    EXPECT_EQ(world->getLinkCount(), 1);
}

// A behaviour may step the world again from a signal: the inner step leaves
// the records of the outer one in place until the outer one ends.
TEST_F(CMC_WorldTest, ASignalMayStepTheWorldAgain)
{
    Recorder* r = recorder("R");
    Recorder* other = recorder("Q");
    for (uint32_t id : {1u, 2u})
        fake->positions[id] = {0, 0, 0};
    world->link(1, nullptr, r, r, 3);
    world->link(2, nullptr, other, other, 3);
    bool stepped = false;
    r->onGet = [&] {
        if (stepped)
            return;
        stepped = true;
        world->unlink(2);
        call("MOVEOBJECTS");
    };
    call("MOVEOBJECTS");
    EXPECT_EQ(r->got, (Calls{"ONSIGNAL^NOCOLL", "ONSIGNAL^NOCOLL"}));
    EXPECT_TRUE(other->got.empty());
    EXPECT_EQ(world->getLinkCount(), 1);
}

TEST_F(CMC_WorldTest, QueriesWithOutValues)
{
    fake->positions[1] = {};
    scene.addObject(new CMC_Double(CXString("DX")));
    scene.addObject(new CMC_Integer(CXString("IY")));
    scene.addObject(new CMC_Double(CXString("DZ")));
    EXPECT_EQ(call("GETMOVEDISTANCE", {"1", "@DX", "@IY", "@DZ"}), "D:7.00000");
    EXPECT_EQ(std::string(scene.getObject("DX")->toString().c_str()), "1.50000");
    EXPECT_EQ(std::string(scene.getObject("IY")->toString().c_str()), "0");
    EXPECT_EQ(std::string(scene.getObject("DZ")->toString().c_str()), "3.00000");
    EXPECT_EQ(call("GETMOVEDISTANCE", {"1"}), "D:7.00000");
    EXPECT_EQ(call("FOLLOWPATH", {"1", "2", "3", "4"}), "D:7.00000");
    EXPECT_EQ(call("ISMESHENABLED", {"1"}), "B:TRUE");
    EXPECT_EQ(call("ISMESHCOLLIDING", {"1"}), "B:FALSE");
    fake->hits[1] = {4};
    EXPECT_EQ(call("GETCOLLISION", {"1"}), "B:TRUE");
    EXPECT_EQ(call("GETCOLLISION", {"1", "4"}), "B:TRUE");
    EXPECT_EQ(call("GETCOLLISION", {"1", "5"}), "B:FALSE");
}

TEST_F(CMC_WorldTest, ARestoredWorldHasNoWorldAndFailsEveryCall)
{
    testsupport::DebugCapture debug;
    CMC_World* restored = new CMC_World(&scene);
    scene.addObject(restored);
    EXPECT_EQ(debug.holding("CMS_Scene"), std::vector<std::string>{"Test: CMC_World::CMC_World( CMS_Scene )"});
    EXPECT_TRUE(headless.messages().empty());
    EXPECT_EQ(restored->getWorld(), nullptr);
    Recorder* r = recorder("R");
    const std::vector<std::string> args(12, "1");
    for (int id = 1; id <= 85; ++id) {
        CMC_Variable* v = restored->getRunner()->run(id, restored, &scene, nullptr);
        std::string text = v ? v->toString().c_str() : "0";
        EXPECT_TRUE(text == "0" || text == "0.00000" || text == "FALSE") << id;
        CMC_Object::flush(v);
    }
    EXPECT_EQ(Call(&scene, {"1", "R"}).run(restored, "LINK"), "-");
    EXPECT_EQ(Call(&scene, {}).run(restored, "MOVEOBJECTS"), "D:0");
    EXPECT_EQ(Call(&scene, {"1"}).run(restored, "GETPOSITIONX"), "I:0");
    EXPECT_EQ(restored->getLinkCount(), 0);
    EXPECT_TRUE(r->got.empty());
}

} // namespace
