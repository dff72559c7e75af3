#include "SceneSupport.h"
#include "base/File.h"
#include "base/Version.h"

#include <fstream>
#include <memory>

using namespace scripttest;

namespace {

using Steps = std::vector<std::string>;

const char* roomDefinitions = "OBJECT=ROOMINIT\nROOMINIT:TYPE=BEHAVIOUR\n"
                              "OBJECT=OBJINIT\nOBJINIT:TYPE=BEHAVIOUR\n"
                              "OBJECT=COUNT\nCOUNT:TYPE=INTEGER\nCOUNT:VALUE=7\nCOUNT:ONINIT=OBJINIT\n"
                              "OBJECT=NAME\nNAME:TYPE=STRING\nNAME:VALUE=Ann\n"
                              "OBJECT=G1\nG1:TYPE=GADGET\nG1:POWER=5\n"
                              "OBJECT=ROOM\nROOM:ONINIT=ROOMINIT\nROOM:ONDONE=APPDONE\n";

std::string snapshotHeader(int count)
{
    return archived([count](CXArchive* a) { *a << CXString("") << CXString("bg") << CXString("") << count; });
}

std::string integerRecord(const char* n, int v)
{
    return archived([n, v](CXArchive* a) {
        CMC_Integer i{CXString(n)};
        i.setValue(v);
        *a << MC_INTEGER;
        i.serialize(a);
    });
}

class CMC_SceneTest : public SceneFixture {
protected:
    CMC_Scene* addRoom(TestApp& app)
    {
        return app.addScene("ROOM", {{"PATH", "\\ROOM"},
                                     {"DLLS", "QuarnelTestPlugin"},
                                     {"BACKGROUND", "room.img"},
                                     {"MUSIC", "room.ogg"}});
    }
    int stat(const char* key) { return std::atoi(settings.get("ROOM", key).c_str()); }
    static int valueOf(CMC_Scene* s, const char* n) { return static_cast<CMC_Integer*>(s->getObject(n))->getValue(); }
};

TEST_F(CMC_SceneTest, EachVisitLoadsRunsTheInitialisersOnceAndLeavesInOrder)
{
    writeData("ROOM/ROOM.cnv", roomDefinitions);
    {
        TestApp app("GAME");
        appBehaviour(&app, "__INIT__");
        appBehaviour(&app, "APPDONE");
        CMC_Scene* room = addRoom(app);

        app._goto(room, nullptr);
        EXPECT_EQ(steps(), (Steps{"plugin create QuarnelTestPlugin.so ROOM", "plugin resolve QuarnelTestPlugin.so G1",
                                  "unit initialize ROOM default", "run OBJINIT@COUNT", "run __INIT__@ROOM",
                                  "run ROOMINIT@ROOM"}));
        EXPECT_EQ(valueOf(room, "COUNT"), 7);
        EXPECT_EQ(static_cast<CMC_String*>(room->getObject("NAME"))->getValue(), "Ann");
        EXPECT_EQ(room->getObject("G1")->getType(), 10050);
        EXPECT_EQ(room->getObject("ROOM"), room);
        CMC_ScreenUnit* unit = CMC_Scene::getDefUnit();
        EXPECT_EQ(room->getUnit(), unit);
        EXPECT_EQ(unit->getUnitName(), "ROOM");
        EXPECT_EQ(static_cast<CMC_PlainUnit*>(unit)->getBackgroundFileName(), "room.img");
        EXPECT_EQ(app.getScene(), room);
        EXPECT_TRUE(room->shouldMusicBeStarted());

        // Going to the running scene leaves and enters it again; the music
        // file is the same, so the music plays on.
        clockNow.advance(2500);
        app._goto(CXString("ROOM"));
        app.domodal();
        EXPECT_EQ(steps(), (Steps{"plugin ~gadget G1 5", "run APPDONE@ROOM", "plugin release QuarnelTestPlugin.so",
                                  "unit done ROOM default", "plugin create QuarnelTestPlugin.so ROOM",
                                  "plugin resolve QuarnelTestPlugin.so G1", "unit initialize ROOM default",
                                  "run OBJINIT@COUNT", "run __INIT__@ROOM", "run ROOMINIT@ROOM"}));
        EXPECT_FALSE(room->shouldMusicBeStarted());
        EXPECT_EQ(app.getHistory()->getSize(), 2);
        EXPECT_EQ(stat("Played"), 1);
        EXPECT_EQ(stat("Time"), 2);

        // Left within the second: a visit, no time.
        clockNow.advance(500);
        app.unload(nullptr);
        EXPECT_EQ(steps(), (Steps{"plugin ~gadget G1 5", "run APPDONE@ROOM", "plugin release QuarnelTestPlugin.so",
                                  "unit done ROOM null", "unit stopMusic"}));
        EXPECT_EQ(unit->getUnitName(), "Default");
        EXPECT_EQ(room->getElementsNo(), 0);
        EXPECT_EQ(room->getModules(), nullptr);
        EXPECT_EQ(stat("Played"), 2);
        EXPECT_EQ(stat("Time"), 2);
    }
    // Deleting the application leaves every scene once more, untimed.
    EXPECT_EQ(stat("Played"), 2);
    EXPECT_EQ(stat("Time"), 2);
}

// A TEXT whose record names a "VICTIM": its init takes that object out of
// the scene and deletes it.
class Remover : public Thing {
public:
    Remover(CMC_ObjectsContainer* c, CMElement* e) : Thing(c, e), victim(e->getPropertyValue("VICTIM")) {}
    void init() override
    {
        if (CMC_Object* v = scene->getObject(victim)) {
            scene->removeObject(v);
            delete v;
        }
        Thing::init();
    }

private:
    CXString victim;
};

CMC_Object* makeRemoverOrThing(CMC_ObjectsContainer* c, CMElement* e)
{
    return e->isPropertyAvailable("VICTIM") ? new Remover(c, e) : new Thing(c, e);
}

// Entering a scene initialises its objects in list order; one that an
// earlier object's init took out is neither initialised nor reached.
TEST_F(CMC_SceneTest, AnObjectTakenOutByAnEarlierInitIsNotInitialised)
{
    types.add("TEXT", &makeRemoverOrThing);
    writeData("ROOM/ROOM.cnv", "OBJECT=OBJINIT\nOBJINIT:TYPE=BEHAVIOUR\n"
                               "OBJECT=CUT\nCUT:TYPE=TEXT\nCUT:VICTIM=GONE\nCUT:ONINIT=OBJINIT\n"
                               "OBJECT=GONE\nGONE:TYPE=TEXT\nGONE:ONINIT=OBJINIT\n"
                               "OBJECT=KEPT\nKEPT:TYPE=TEXT\nKEPT:ONINIT=OBJINIT\n");
    TestApp app("GAME");
    CMC_Scene* room = app.addScene("ROOM", {{"PATH", "\\ROOM"}});
    lifecycle().clear();
    app._goto(room, nullptr);
    EXPECT_EQ(steps(), (Steps{"unit initialize ROOM default", "run OBJINIT@CUT", "run OBJINIT@KEPT"}));
    EXPECT_EQ(lifecycle(), (Steps{"~GONE"}));
    EXPECT_EQ(room->getObject("GONE"), nullptr);
    app.unload(nullptr);
}

TEST_F(CMC_SceneTest, SnapshotHoldsTheObjectsAndRestoresThem)
{
    writeData("ROOM/ROOM.cnv", roomDefinitions);
    TestApp app("GAME");
    appBehaviour(&app, "APPDONE");
    CMC_Scene* room = addRoom(app);
    app._goto(room, nullptr);

    ASSERT_EQ(CFile::chDir("H:\\title\\Rara"), 0);
    std::string appRecord = archived([&](CXArchive* a) { room->serialize(a); });
    EXPECT_EQ(CFile::getCurrentDirectory(), "H:\\title\\Rara\\");
    // The scene and its application are not saved; the rest in list order,
    // each behind its type id.
    std::string expected = archived([&](CXArchive* a) {
        *a << CXString("QuarnelTestPlugin") << CXString("room.img") << CXString("room.ogg") << 5;
        for (const char* n : {"ROOMINIT", "OBJINIT", "COUNT", "NAME", "G1"}) {
            CMC_Object* o = room->getObject(n);
            *a << o->getType();
            o->serialize(a);
        }
    });
    EXPECT_EQ(tmp.read("hdd/title/Rara/ROOM/ROOM.bin"), expected);
    std::string recordStart = archived([](CXArchive* a) { *a << CXString("ROOM"); });
    EXPECT_EQ(appRecord.substr(0, recordStart.size()), recordStart);

    app.unload(nullptr);
    app.drop(room);
    steps();

    CMC_Scene* snap = app.adopt([&] {
        CMC_Scene* s = new CMC_Scene(nullptr, MC_SCENE);
        EXPECT_EQ(unarchive(appRecord, [s](CXArchive* a) { s->serialize(a); }), 0);
        return s;
    }());
    EXPECT_EQ(snap->getName(), "ROOM");
    EXPECT_EQ(snap->getPath(), "\\ROOM");
    EXPECT_EQ(snap->getObject("ROOM"), snap);
    EXPECT_EQ(snap->getVersion(), nullptr);

    // Its plug-in is known only once the file names it.
    app._goto(snap, nullptr);
    EXPECT_EQ(steps(), (Steps{"plugin create QuarnelTestPlugin.so ROOM", "unit initialize ROOM default",
                              "run OBJINIT@COUNT", "run ROOMINIT@ROOM"}));
    EXPECT_EQ(valueOf(snap, "COUNT"), 7);
    EXPECT_EQ(static_cast<CMC_String*>(snap->getObject("NAME"))->getValue(), "Ann");
    EXPECT_EQ(snap->getBackground(), "room.img");
    EXPECT_EQ(snap->getMusicFilename(), "room.ogg");
    app.unload(nullptr);
    EXPECT_EQ(steps(), (Steps{"plugin ~gadget G1 5", "run APPDONE@ROOM", "plugin release QuarnelTestPlugin.so",
                              "unit done ROOM null", "unit stopMusic"}));
    // The scene's own bindings hold on every visit.
    app._goto(snap, nullptr);
    app.unload(nullptr);
    EXPECT_EQ(steps(), (Steps{"plugin create QuarnelTestPlugin.so ROOM", "unit initialize ROOM default",
                              "run OBJINIT@COUNT", "run ROOMINIT@ROOM", "plugin ~gadget G1 5", "run APPDONE@ROOM",
                              "plugin release QuarnelTestPlugin.so", "unit done ROOM null", "unit stopMusic"}));

    // A scene without objects is three empty strings and a zero count.
    std::unique_ptr<CMElement> e(record("EMPTY", {}));
    CMC_Scene empty(nullptr, nullptr, e.get(), MC_SCENE);
    std::string bytes = archived([&](CXArchive* a) { empty.writeSnapshot(a); });
    EXPECT_EQ(bytes, std::string(16, '\0'));
    CMC_Scene reread(nullptr, MC_SCENE);
    EXPECT_EQ(unarchive(bytes, [&](CXArchive* a) { EXPECT_TRUE(reread.readSnapshot(a)); }), 0);
    EXPECT_EQ(reread.getElementsNo(), 1);
}

TEST_F(CMC_SceneTest, DamagedSnapshotKeepsWhatCameBeforeTheDamage)
{
    auto header = snapshotHeader;
    std::string a = integerRecord("A", 1), b = integerRecord("B", 2);
    std::string unknown = archived([](CXArchive* ar) { *ar << 9999 << CXString("X"); });
    struct Case {
        const char* what;
        std::string bytes;
        bool complete;
        std::vector<std::string> objects;
    } cases[] = {
        {"whole", header(2) + a + b, true, {"A", "B"}},
        {"unknown type", header(3) + a + unknown + b, false, {"A"}},
        {"cut inside a record", (header(2) + a + b).substr(0, (header(2) + a + b).size() - 3), false, {"A"}},
        {"count beyond the file", header(1000000) + a, false, {"A"}},
        {"negative count", header(-4) + a, false, {}},
        {"cut inside the header", header(2).substr(0, 7), false, {}},
    };
    for (const Case& c : cases) {
        CMC_Scene scene(nullptr, MC_SCENE);
        bool complete = false;
        unarchive(c.bytes, [&](CXArchive* ar) { complete = scene.readSnapshot(ar); });
        EXPECT_EQ(complete, c.complete) << c.what;
        std::vector<std::string> made;
        for (int i = 0; CMC_Object* o = scene.getObject(i); ++i)
            if (o != &scene)
                made.push_back(o->getName().c_str());
        EXPECT_EQ(made, c.objects) << c.what;
    }
    bool reported = false;
    for (const std::string& l : debug.lines)
        reported = reported || l.find("(type 9999) cannot be read") != std::string::npos;
    EXPECT_TRUE(reported);
}

TEST_F(CMC_SceneTest, PluginsAreBoundInListOrderAndReleasedAfterTheObjects)
{
    // Two copies of the test plug-in under other names beside the program.
    testsupport::makeDirs(tmp.file("bin"));
    std::string library = testsupport::readFile(QUARNEL_TEST_PLUGIN);
    testsupport::writeFile(tmp.file("bin/Gadgets.so"), library);
    testsupport::writeFile(tmp.file("bin/Widgets.so"), library);
    CWindowPaths::setExePath(platform::toEnginePath(tmp.file("bin")).c_str());
    writeData("ROOM/ROOM.cnv", "OBJECT=G1\nG1:TYPE=GADGET\n");

    TestApp app("GAME");
    CMC_Scene* room = app.addScene("ROOM", {{"PATH", "\\ROOM"}, {"DLLS", "Gadgets,Widgets.dll,NoSuch,..\\Gadgets"}});
    app._goto(room, nullptr);
    EXPECT_EQ(steps(), (Steps{"plugin create Gadgets.so ROOM", "plugin create Widgets.so ROOM",
                              "plugin resolve Gadgets.so G1", "unit initialize ROOM default"}));
    ASSERT_NE(room->getModules(), nullptr);
    // One binding a name, those that load nothing included.
    EXPECT_EQ(room->getModules()->getSize(), 4);
    app.unload(nullptr);
    EXPECT_EQ(steps(), (Steps{"plugin ~gadget G1 0", "plugin release Gadgets.so", "plugin release Widgets.so",
                              "unit done ROOM null", "unit stopMusic"}));

    // Without "DLLS" nothing is bound and nobody makes plug-in types.
    CMC_Scene* plain = app.addScene("PLAIN", {});
    app._goto(plain, nullptr);
    EXPECT_EQ(plain->getModules(), nullptr);
    std::unique_ptr<CMElement> gadget(record("G2", {{"TYPE", "GADGET"}}));
    EXPECT_EQ(plain->resolveEx(gadget.get()), nullptr);
}

TEST_F(CMC_SceneTest, FolderOnDiskElseOnTheMedium)
{
    // The definition file only on the medium.
    writeData("AWAY/AWAY.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=3\n", true);
    testsupport::makeDirs(tmp.file("hdd/title/Rara/AWAY"));
    TestApp app("GAME");
    CMC_Scene* away = app.addScene("AWAY", {{"PATH", "AWAY"}});
    app._goto(away, nullptr);
    EXPECT_EQ(valueOf(away, "N"), 3);
    EXPECT_EQ(CFile::getCurrentDirectory(), "M:\\Rara\\AWAY\\");

    // A scene restored from a snapshot looks for its own ".bin", which a
    // title installed from snapshots has on the disk alone.
    tmp.write("hdd/title/Rara/HERE/HERE.bin", snapshotHeader(1) + integerRecord("N", 4));
    CMC_Scene* here = new CMC_Scene(nullptr, MC_SCENE);
    std::string appRecord = archived([](CXArchive* a) { *a << CXString("HERE") << 0 << CXString("HERE"); });
    unarchive(appRecord, [here](CXArchive* a) { here->serialize(a); });
    app.adopt(here);
    app._goto(here, away);
    EXPECT_EQ(valueOf(here, "N"), 4);
    EXPECT_EQ(app.getCurrentScene(), here);
}

TEST_F(CMC_SceneTest, PropertiesDefaultUnitAndEvents)
{
    std::unique_ptr<CMElement> bare(record("BARE", {}));
    std::unique_ptr<CMElement> full(record("FULL", {{"DEAMON", "TRUE"}, {"VERSION", "1.2.3"}, {"DESCRIPTION", "d"}}));
    CMC_Scene a(nullptr, nullptr, bare.get(), MC_SCENE);
    CMC_ScreenUnit* unit = CMC_Scene::getDefUnit();
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->getUnitName(), "Default");
    CMC_Scene b(nullptr, nullptr, full.get(), MC_SCENE);
    EXPECT_EQ(CMC_Scene::getDefUnit(), unit);
    EXPECT_FALSE(a.isDeamon());
    ASSERT_NE(a.getVersion(), nullptr);
    EXPECT_EQ(a.getVersion()->getMajor(), 0);
    EXPECT_TRUE(b.isDeamon());
    EXPECT_EQ(b.getVersion()->getMinor(), 2);
    EXPECT_EQ(b.getDesc(), "d");
    EXPECT_FALSE(a.isBinary());
    EXPECT_EQ(a.getObject("BARE"), &a);

    CMC_Scene::doneDefUnit();
    EXPECT_EQ(CMC_Scene::getDefUnit(), nullptr);
    CMC_Scene c(nullptr, MC_SCENE);
    EXPECT_NE(CMC_Scene::getDefUnit(), nullptr);
    EXPECT_TRUE(c.isBinary());

    CXString** first = a.getBehavioursList();
    CXString** second = a.getBehavioursList();
    EXPECT_NE(first, second);
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(first[i] == nullptr, second[i] == nullptr);
        if (first[i]) {
            EXPECT_EQ(*first[i], *second[i]);
        }
    }
    EXPECT_EQ(*first[CMC_Scene::EVENT_ONUPGRADED], "ONUPGRADED");
    CMC_Object::freeEventList(first);
    CMC_Object::freeEventList(second);

    // A scene does not own its children.
    CMC_Scene* parent = new CMC_Scene(nullptr, nullptr, bare.get(), MC_SCENE);
    parent->getSubScenes()->add(&c);
    EXPECT_EQ(parent->getSubId(&c), 0);
    EXPECT_EQ(parent->getSubId(&a), -1);
    delete parent;
    EXPECT_EQ(c.getSubScenes()->getSize(), 0);
}

TEST_F(CMC_SceneTest, TreeLookupsSwitchesAndEventFallback)
{
    writeData("FIRST.cnv", "OBJECT=FIRST\nFIRST:ONRESTART=RESTARTED\n");
    TestApp app("GAME");
    CMC_Scene* first = app.addScene("FIRST", {});
    TestApp* episode = new TestApp("EP", MC_EPISODE);
    app.adopt(episode);
    CMC_Scene* deep = episode->addScene("DEEP", {});
    appBehaviour(&app, "__ONACTIVATE__");
    appBehaviour(&app, "RESTARTED");

    EXPECT_EQ(app.getScene(CXString("DEEP")), deep);
    EXPECT_EQ(app.find(CXString("DEEP")), nullptr);
    EXPECT_EQ(app.find(CXString("EP")), episode);
    EXPECT_EQ(app.getScene(CXString("GAME")), &app);
    // The application is found from any depth.
    EXPECT_EQ(first->getMCApplication(), &app);
    EXPECT_EQ(deep->getMCApplication(), &app);
    EXPECT_EQ(app.getMCApplication(), &app);

    // A pending target switches on the next frame step; a name that is no
    // child clears it.
    app._goto(CXString("EP"));
    app._goto(CXString("NOSUCH"));
    app.domodal();
    EXPECT_EQ(app.getCurrentScene(), nullptr);
    app._goto(CXString("EP"));
    app.domodal();
    EXPECT_EQ(app.getCurrentScene(), episode);

    // Restart: the first child becomes the target.
    app.restart();
    app.domodal();
    EXPECT_EQ(app.getCurrentScene(), first);
    steps();

    // On a scene without children only "ONRESTART" is raised; an event
    // without a binding runs "__<event>__" when there is one.
    first->restart();
    EXPECT_TRUE(first->onSignal(CXString("ONACTIVATE")));
    EXPECT_FALSE(first->onSignal(CXString("ONDEACTIVATE")));
    EXPECT_EQ(steps(), (Steps{"run RESTARTED@FIRST", "run __ONACTIVATE__@FIRST"}));
    EXPECT_EQ(app.getCurrentScene(), first);
}

} // namespace
