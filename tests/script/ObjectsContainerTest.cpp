#include "ScriptTypes.h"
#include "base/Hashtable.h"
#include "base/XArray.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace scripttest;

namespace {

// Factories that log what they make, so that creation order shows.
std::vector<std::string>& made()
{
    static std::vector<std::string> log;
    return log;
}
template <int TypeId>
CMC_Object* logged(CMC_ObjectsContainer* c, CMElement* e)
{
    made().push_back(e->getName().c_str());
    return new Thing(c, e, TypeId);
}
CMC_Object* loggedBehaviour(CMC_ObjectsContainer* c, CMElement* e)
{
    made().push_back(e->getName().c_str());
    return new FakeBehaviour(c, e);
}

class CMC_ObjectsContainerTest : public ::testing::Test {
protected:
    CMC_ObjectsContainerTest()
    {
        runs().clear();
        lifecycle().clear();
        made().clear();
        types.add("BEHAVIOUR", &loggedBehaviour);
        types.add("INTEGER", &logged<MC_INTEGER>);
        types.add("TEXT", &logged<MC_TEXT>);
        types.add("MOUSE", &logged<MC_MOUSE>);
        types.add("KEYBOARD", &logged<MC_KEYBOARD>);
        types.add("FONT", nullptr);
        scene.setParent(&app);
    }

    Types types;
    TestScene app{"GAME", MC_APPLICATION};
    TestScene scene{"SCENE"};
};

TEST_F(CMC_ObjectsContainerTest, LookupRetriesWithoutZeroAndAsksTheParents)
{
    Thing* system = new Thing("SYSTEM", MC_SYSTEM);
    app.addObject(system);
    Thing* ball = new Thing("BALL");
    scene.addObject(ball);
    Thing* parentBall = new Thing("BALL_0");
    app.addObject(parentBall);

    EXPECT_EQ(scene.getObject("BALL"), ball);
    EXPECT_EQ(scene.getObject("BALL_0"), ball);
    EXPECT_EQ(scene.getObject("BALL_0_0"), ball);
    EXPECT_EQ(scene.getObject("SYSTEM"), system);
    EXPECT_EQ(scene.getObject("SYSTEM_0"), system);
    EXPECT_EQ(scene.getObject("GAME"), &app);
    EXPECT_EQ(scene.getObject("ball"), nullptr);
    EXPECT_EQ(scene.getObject(""), nullptr);
    EXPECT_EQ(scene.getObject(static_cast<const char*>(nullptr)), nullptr);
    // The parent is asked with the whole name.
    EXPECT_EQ(app.getObject("BALL_0"), parentBall);
    EXPECT_EQ(app.getObject("BALL"), nullptr);

    EXPECT_EQ(scene.getObjectId("BALL"), 1);
    EXPECT_EQ(scene.getObject(1), ball);
    EXPECT_EQ(scene.getObject(2), nullptr);
    EXPECT_EQ(scene.getObject(-1), nullptr);
    EXPECT_EQ(scene.getElementsNo(), 2);
}

TEST_F(CMC_ObjectsContainerTest, AddingUnderATakenName)
{
    Thing* first = new Thing("A");
    scene.addObject(first);
    scene.addObject(first);
    EXPECT_EQ(scene.getElementsNo(), 2);
    EXPECT_TRUE(lifecycle().empty());

    Thing* second = new Thing("A");
    scene.addObject(second);
    EXPECT_EQ(scene.getObject("A"), second);
    EXPECT_EQ(lifecycle(), (std::vector<std::string>{"~A"}));

    // The application listed by setParent is only taken out.
    Thing* impostor = new Thing("GAME");
    scene.addObject(impostor);
    EXPECT_EQ(scene.getObject("GAME"), impostor);
    EXPECT_EQ(app.getName(), "GAME");

    EXPECT_TRUE(scene.removeObject(second));
    EXPECT_FALSE(scene.removeObject(second));
    EXPECT_EQ(scene.getObject("A"), nullptr);
    delete second;

    // A name read from a snapshot may hold a NUL byte: it is a name of its
    // own, taken and replaced whole, and "A" before the NUL stays.
    Thing* plain = new Thing("A");
    scene.addObject(plain);
    scene.addObject(new Thing(CXString("A\0B", 3)));
    size_t deleted = lifecycle().size();
    Thing* oddAgain = new Thing(CXString("A\0B", 3));
    scene.addObject(oddAgain);
    EXPECT_EQ(scene.getObject("A"), plain);
    EXPECT_EQ(lifecycle().size(), deleted + 1);
    int before = scene.getElementsNo();
    EXPECT_TRUE(scene.removeObject(oddAgain));
    EXPECT_EQ(scene.getElementsNo(), before - 1);
    delete oddAgain;
}

TEST_F(CMC_ObjectsContainerTest, PassesCreateByTypeWhateverTheRecordOrder)
{
    Records defs{
        record("LABEL", {{"TYPE", "TEXT"}, {"ONCLICKED", "DOIT"}}),
        record("COUNT", {{"TYPE", "INTEGER"}, {"ONCLICKED", "DOIT(2)"}}),
        record("NOTYPE", {{"VALUE", "1"}}),
        record("DOIT", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{}"}}),
        record("BIGFONT", {{"TYPE", "FONT"}}),
        record("GADGET", {{"TYPE", "WIDGET"}}),
    };
    std::unique_ptr<CMElements> rest(scene.resolveObjects(defs.list.get()));

    EXPECT_EQ(made(), (std::vector<std::string>{"DOIT", "COUNT", "LABEL"}));
    EXPECT_EQ(names(rest.get()), (std::vector<std::string>{"NOTYPE", "BIGFONT", "GADGET"}));
    EXPECT_FALSE(rest->isOwning());
    // Only the last pass asks the plug-ins, also for an engine word with no factory.
    EXPECT_EQ(scene.asked, (std::vector<std::string>{"BIGFONT", "GADGET"}));
    EXPECT_EQ(static_cast<FakeBehaviour*>(scene.getObject("DOIT"))->conditionsResolved, 1);

    // The behaviour existed when the integer bound its events.
    scene.getObject("COUNT")->onSignal("ONCLICKED");
    scene.getObject("LABEL")->onSignal("ONCLICKED");
    EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@COUNT(2)", "DOIT@LABEL"}));
}

TEST_F(CMC_ObjectsContainerTest, PluginObjectsJoinInTheLastPass)
{
    scene.plugin = [](CMC_ObjectsContainer* c, CMElement* e) -> CMC_Object* { return new Thing(c, e, 10050); };
    TestScene cls("CLS", MC_CLASS);
    cls.setScene(&scene);
    Records defs{record("GADGET", {{"TYPE", "WIDGET"}})};
    std::unique_ptr<CMElements> rest(cls.resolveObjects(defs.list.get()));
    EXPECT_EQ(rest->getSize(), 0);
    // A class has no plug-ins of its own: its scene's are asked.
    EXPECT_EQ(scene.asked, (std::vector<std::string>{"GADGET"}));
    ASSERT_NE(cls.getObject("GADGET"), nullptr);
    EXPECT_EQ(cls.getObject("GADGET")->getType(), 10050);
}

TEST_F(CMC_ObjectsContainerTest, SingletonsBindOntoExistingObjects)
{
    Thing* keyboard = new Thing("KEYBOARD", MC_KEYBOARD);
    Thing* mouse = new Thing("MOUSE", MC_MOUSE);
    Thing* observer = new Thing("CANVASOBSERVER", MC_CANVASOBSERVER);
    for (Thing* t : {keyboard, mouse, observer})
        app.addObject(t);
    Records defs{
        record("SCENEBEH", {{"TYPE", "BEHAVIOUR"}}),
        record("KEYS", {{"TYPE", "KEYBOARD"}, {"ONCLICKED", "SCENEBEH"}}),
        record("MOUSE", {{"TYPE", "MOUSE"}, {"ONCLICK", "SCENEBEH"}}),
        record("MYMOUSE", {{"TYPE", "MOUSE"}}),
        record("OBS", {{"TYPE", "CANVAS_OBSERVER"}, {"ONSIGNAL", "SCENEBEH"}}),
    };
    std::unique_ptr<CMElements> rest(scene.resolveObjects(defs.list.get()));

    EXPECT_EQ(names(rest.get()), (std::vector<std::string>{"KEYS", "MOUSE", "OBS"}));
    EXPECT_EQ(made(), (std::vector<std::string>{"SCENEBEH", "MYMOUSE"}));
    EXPECT_EQ(scene.getObject("MYMOUSE")->getType(), MC_MOUSE);
    EXPECT_TRUE(keyboard->onSignal("ONCLICKED"));
    EXPECT_TRUE(mouse->onSignal("ONCLICK"));
    EXPECT_TRUE(observer->onSignal("ONSIGNAL"));
    EXPECT_EQ(runs(), (std::vector<std::string>{"SCENEBEH@KEYBOARD", "SCENEBEH@MOUSE", "SCENEBEH@CANVASOBSERVER"}));

    // Leaving the scene takes its bindings off the application's objects.
    app.onSubSceneDone(&scene);
    scene.unload();
    EXPECT_EQ(keyboard->getBehaviour("ONCLICKED"), nullptr);
    EXPECT_FALSE(mouse->onSignal("ONCLICK"));
}

TEST_F(CMC_ObjectsContainerTest, ResolveMakesOneObjectAndCollectsItsInlineBehaviours)
{
    struct Group : CMC_ObjectGroup {
        std::vector<CMC_Object*> members;
        void add(CMC_Object* m) override { members.push_back(m); }
        void removeAll() override { members.clear(); }
    } group;
    app.addObject(new Thing("MOUSE", MC_MOUSE));
    scene.addObject(new FakeBehaviour(&scene, "NAMED", ""));

    std::unique_ptr<CMElement> text(
        record("T", {{"TYPE", "TEXT"}, {"ONCLICKED", "{A^B();}"}, {"ONSIGNAL", "NAMED"}}));
    std::unique_ptr<CXVector> out(scene.resolve(text.get(), &group));
    ASSERT_EQ(out->getSize(), 1);
    CMC_Object* t = static_cast<CMC_Object*>((*out)[0]);
    EXPECT_EQ(scene.getObject("T"), nullptr);
    ASSERT_EQ(group.members.size(), 1u);
    EXPECT_EQ(group.members[0]->getName(), "beh_T_ONCLICKED");
    delete t;

    // No singleton here: a MOUSE record makes a new mouse.
    std::unique_ptr<CMElement> m(record("MOUSE", {{"TYPE", "MOUSE"}}));
    std::unique_ptr<CXVector> mice(scene.resolve(m.get(), nullptr));
    ASSERT_EQ(mice->getSize(), 1);
    delete static_cast<CMC_Object*>((*mice)[0]);

    std::unique_ptr<CMElement> unknown(record("U", {{"TYPE", "WIDGET"}}));
    std::unique_ptr<CXVector> none(scene.resolve(unknown.get(), nullptr));
    EXPECT_EQ(none->getSize(), 0);
    EXPECT_EQ(scene.asked, (std::vector<std::string>{"U"}));
}

TEST_F(CMC_ObjectsContainerTest, UnloadFinishesInOrderAndLeavesTheContainerReusable)
{
    Thing* plain = new Thing("PLAIN");
    Thing* early = new Thing("EARLY");
    early->first = true;
    Thing* cls = new Thing("CLS", MC_CLASS);
    for (Thing* t : {plain, early, cls})
        scene.addObject(t);
    // The scene's "ONDONE" bound to its own behaviour and to one of the application.
    app.addObject(new FakeBehaviour(&app, "APPBEH", ""));
    scene.addObject(new FakeBehaviour(&scene, "OWNBEH", ""));
    std::unique_ptr<CMElement> e(record("SCENE", {{"ONDONE", "OWNBEH"}}));
    scene.initializeBehaviours(&scene, e.get());
    scene.overideSignals(false);
    scene.addBehaviour("ONDONE", static_cast<CMC_BehaviourBase*>(app.getObject("APPBEH")), nullptr, &app);

    scene.unload();
    EXPECT_EQ(lifecycle(), (std::vector<std::string>{"done CLS", "done EARLY", "done PLAIN", "~PLAIN", "~EARLY", "~CLS"}));
    EXPECT_EQ(runs(), (std::vector<std::string>{"APPBEH@SCENE"}));
    EXPECT_EQ(scene.getElementsNo(), 0);
    EXPECT_EQ(scene.getObject(0), nullptr);
    EXPECT_EQ(app.getName(), "GAME"); // listed, not deleted

    Records defs{record("AGAIN", {{"TYPE", "TEXT"}})};
    std::unique_ptr<CMElements> rest(scene.resolveObjects(defs.list.get()));
    EXPECT_NE(scene.getObject("AGAIN"), nullptr);

    // Raised by the unload, the container's "ONDONE" does not run again when it goes.
    struct Room : CMC_ObjectsContainer {
        Room() : CMC_ObjectsContainer(nullptr, nullptr, CXString("ROOM"), MC_SCENE) {}
        CXString** getBehavioursList() override
        {
            static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
            return makeEventList(names);
        }
    };
    runs().clear();
    Room* room = new Room;
    std::unique_ptr<CMElement> r(record("ROOM", {{"ONDONE", "APPBEH"}}));
    room->initializeBehaviours(&app, r.get());
    room->unload();
    delete room;
    EXPECT_EQ(runs(), (std::vector<std::string>{"APPBEH@ROOM"}));
}

TEST_F(CMC_ObjectsContainerTest, QueriesByTypeAndParentSwap)
{
    struct Group : CMC_ObjectGroup {
        std::vector<std::string> members{"stale"};
        void add(CMC_Object* m) override { members.push_back(m->getName().c_str()); }
        void removeAll() override { members.clear(); }
    } group;
    for (const char* n : {"T1", "T2"})
        scene.addObject(new Thing(n, MC_TEXT));
    scene.addObject(new Thing("I1", MC_INTEGER));
    std::unique_ptr<CXVector> texts(scene.getObjectsOfType(MC_TEXT));
    EXPECT_EQ(texts->getSize(), 2);
    scene.getObjects("INTEGER", &group);
    EXPECT_EQ(group.members, (std::vector<std::string>{"I1"}));
    scene.getObjects("NOSUCHTYPE", &group);
    EXPECT_TRUE(group.members.empty());

    TestScene episode("EP", MC_EPISODE);
    episode.setParent(&app);
    scene.setParent(&episode);
    EXPECT_EQ(scene.getParent(), &episode);
    EXPECT_EQ(scene.getObject("EP"), &episode);
    EXPECT_EQ(scene.getObjectId("GAME"), 4);
    TestScene other("OTHERAPP", MC_APPLICATION);
    scene.setParent(&other);
    EXPECT_EQ(scene.getObjectId("EP"), -1);
    EXPECT_EQ(scene.getObjectId("GAME"), -1);
    EXPECT_EQ(scene.getObject("OTHERAPP"), &other);
    scene.setParent(&app);
}

TEST_F(CMC_ObjectsContainerTest, DrawablesByNameAndNamesByDrawable)
{
    static std::map<CMC_Object*, int> pictures;
    static std::map<std::string, int> frames;
    pictures.clear();
    frames.clear();
    auto picture = [](CMC_Object* o, const CXString& frame) {
        frames[frame.c_str()]++;
        return reinterpret_cast<CGraphicsObject*>(&pictures[o]);
    };
    CMC_ObjectsContainer::setDrawableAccessor(MC_IMAGE, picture);
    CMC_ObjectsContainer::setDrawableAccessor(MC_ANIMO, picture);
    CMC_ObjectsContainer::setDrawableAccessor(MC_CANVAS, picture);
    Thing* image = new Thing("PIC", MC_IMAGE);
    Thing* anim = new Thing("ANIM", MC_ANIMO);
    Thing* canvas = new Thing("CANVAS", MC_CANVAS);
    for (Thing* t : {image, anim, canvas})
        scene.addObject(t);
    scene.addObject(new Thing("INT", MC_INTEGER));
    TestScene* cls = new TestScene("CLS", MC_CLASS);
    Thing* inner = new Thing("INNER", MC_IMAGE);
    cls->addObject(inner);
    scene.addObject(cls);

    CGraphicsObject* pic = scene.getGraphicsObject("PIC");
    EXPECT_EQ(pic, reinterpret_cast<CGraphicsObject*>(&pictures[image]));
    EXPECT_NE(scene.getGraphicsObject("ANIM!WALK"), nullptr);
    EXPECT_EQ(frames["WALK"], 1);
    EXPECT_EQ(scene.getGraphicsObject(""), nullptr);
    EXPECT_EQ(scene.getGraphicsObject("INT"), nullptr);
    EXPECT_EQ(scene.getGraphicsObject("NONE"), nullptr);

    EXPECT_EQ(scene.getGraphicsObjectName(pic, false), "PIC");
    EXPECT_EQ(scene.getGraphicsObjectName(scene.getGraphicsObject("CANVAS"), true), "UNKNOWN");
    EXPECT_EQ(scene.getGraphicsObjectName(reinterpret_cast<CGraphicsObject*>(&pictures[inner]), false), "CLS");
    int elsewhere = 0;
    EXPECT_EQ(scene.getGraphicsObjectName(reinterpret_cast<CGraphicsObject*>(&elsewhere), true), "UNKNOWN");
    Thing* appImage = new Thing("APPPIC", MC_IMAGE);
    app.addObject(appImage);
    CGraphicsObject* appPic = reinterpret_cast<CGraphicsObject*>(&pictures[appImage]);
    EXPECT_EQ(scene.getGraphicsObjectName(appPic, true), "APPPIC");
    EXPECT_EQ(scene.getGraphicsObjectName(appPic, false), "UNKNOWN");

    for (int type : {MC_IMAGE, MC_ANIMO, MC_CANVAS})
        CMC_ObjectsContainer::setDrawableAccessor(type, nullptr);
}

TEST(CMC_TypeRegistryTest, EngineWordsKeepTheirPass)
{
    struct Case {
        const char* word;
        int pass;
    } cases[] = {{"BEHAVIOUR", 1}, {"STRING", 2}, {"STRUCT", 3}, {"MULTIARRAY", 3}, {"CLASS", 4},
                 {"GRBUFFER", 5},  {"VECTOR", 5}, {"SOUND", 5},  {"MOUSE", 6},      {"CANVAS_OBSERVER", 6},
                 {"MOVIE", 6},     {"STRUCTURE", 0}, {"CANVASOBSERVER", 0}, {"integer", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(CMC_TypeRegistry::getPass(c.word), c.pass) << c.word;
    EXPECT_FALSE(CMC_TypeRegistry::registerType("INTEGER", 3, &makeBehaviour));
    EXPECT_FALSE(CMC_TypeRegistry::registerType("", 1, &makeBehaviour));
    EXPECT_FALSE(CMC_TypeRegistry::registerType("NEWTYPE", 7, &makeBehaviour));
    EXPECT_EQ(CMC_TypeRegistry::getFactory("NEWTYPE"), nullptr);
}

TEST_F(CMC_ObjectsContainerTest, NewWordsJoinTheirPass)
{
    ASSERT_TRUE(CMC_TypeRegistry::registerType("TESTGADGET", 1, &logged<MC_TEXT>));
    Records defs{record("T", {{"TYPE", "TEXT"}}), record("G", {{"TYPE", "TESTGADGET"}})};
    std::unique_ptr<CMElements> rest(scene.resolveObjects(defs.list.get()));
    CMC_TypeRegistry::registerType("TESTGADGET", 1, nullptr);
    EXPECT_EQ(made(), (std::vector<std::string>{"G", "T"}));
}

} // namespace

namespace {

// An object whose done() takes another object out of its container and
// deletes it, and adds a new one, as a class or a loader may.
class Tidier : public Thing {
public:
    Tidier(const char* n, const char* victimName) : Thing(CXString(n)), victim(victimName) {}
    bool done(bool final) override
    {
        CMC_ObjectsContainer* c = getScene();
        if (CMC_Object* v = c->getObject(victim.c_str())) {
            c->removeObject(v);
            delete v;
        }
        if (!c->getObject("LATE"))
            c->addObject(new Thing("LATE"));
        return Thing::done(final);
    }
    std::string victim;
};

TEST_F(CMC_ObjectsContainerTest, UnloadFinishesEveryObjectOnceWhenDoneChangesTheList)
{
    // The tidier sits between A and B and takes A (already finished) out:
    // B must not slip past the walk, the deleted A is not called again, and
    // the object added meanwhile is finished too.
    for (CMC_Object* o : {static_cast<CMC_Object*>(new Thing("A")), static_cast<CMC_Object*>(new Tidier("T", "A")),
                          static_cast<CMC_Object*>(new Thing("B"))}) {
        o->setScene(&scene);
        scene.addObject(o);
    }
    scene.unload();
    EXPECT_EQ(lifecycle(), (std::vector<std::string>{"done A", "~A", "done T", "done B", "done LATE", "~T", "~B",
                                                     "~LATE"}));
}

} // namespace

namespace {

std::vector<std::string> namesOf(CMC_ObjectsContainer& c)
{
    std::vector<std::string> names;
    for (int i = 0; CMC_Object* o = c.getObject(i); ++i)
        names.push_back(o->getName().c_str());
    return names;
}

TEST_F(CMC_ObjectsContainerTest, TakingOutKeepsTheOrderAndFreesTheName)
{
    Thing* a = new Thing("A");
    Thing* b = new Thing("B");
    Thing* c = new Thing("C");
    Thing* d = new Thing("D");
    for (Thing* t : {a, b, c, d})
        scene.addObject(t);
    EXPECT_TRUE(scene.removeObject(b));
    EXPECT_FALSE(scene.removeObject(b));
    EXPECT_EQ(namesOf(scene), (std::vector<std::string>{"GAME", "A", "C", "D"}));
    EXPECT_EQ(scene.getObjectId("D"), 3);
    EXPECT_EQ(scene.getObjectId("B"), -1);
    EXPECT_EQ(scene.getObject(3), d);
    EXPECT_EQ(scene.getObject(4), nullptr);

    // The last one out, then others in: they go to the end.
    EXPECT_TRUE(scene.removeObject(d));
    scene.addObject(b);
    scene.addObject(d);
    EXPECT_EQ(namesOf(scene), (std::vector<std::string>{"GAME", "A", "C", "B", "D"}));
    EXPECT_EQ(scene.getElementsNo(), 5);

    // A name taken out is free: a new object takes it without deleting the
    // old one, and the old one coming back replaces (deletes) the new.
    EXPECT_TRUE(scene.removeObject(c));
    Thing* otherC = new Thing("C");
    scene.addObject(otherC);
    EXPECT_EQ(scene.getObject("C"), otherC);
    EXPECT_TRUE(lifecycle().empty());
    scene.addObject(c);
    EXPECT_EQ(scene.getObject("C"), c);
    EXPECT_EQ(lifecycle(), (std::vector<std::string>{"~C"}));
    EXPECT_EQ(namesOf(scene), (std::vector<std::string>{"GAME", "A", "B", "D", "C"}));
    EXPECT_EQ(scene.getOwnObject(CXString("C")), c);
    EXPECT_EQ(scene.getOwnObject(CXString("C_0")), nullptr);
    EXPECT_EQ(scene.getOwnObject(CXString("GAME")), &app);
}

// Scripts see the objects of a type in the slot order of the names table
// (CHashtable of 10001 slots and load factor 1.0): a table fed the same
// puts and removals gives the order to expect, through collisions (clone
// names share few hashes) and growth past 10001 names.
TEST_F(CMC_ObjectsContainerTest, ObjectsOfATypeComeInTheSlotOrderOfTheNamesTable)
{
    CHashtable names(10001, 1.0, true);
    names.put(new CStringHashCode(CXString("GAME")), &app);
    auto add = [&](Thing* t) {
        scene.addObject(t);
        names.put(new CStringHashCode(t->getName()), t);
    };
    auto takeOut = [&](const std::string& n) {
        CMC_Object* o = scene.getObject(n.c_str());
        ASSERT_TRUE(o && scene.removeObject(o));
        names.remove(o);
        delete o;
    };
    auto expected = [&] {
        std::vector<CMC_Object*> order;
        std::unique_ptr<CXVector> keys(names.getKeys());
        for (int i = 0; keys && i < keys->getSize(); ++i) {
            CMC_Object* o = static_cast<CMC_Object*>(names.get((*keys)[i]));
            if (o->getType() == MC_TEXT)
                order.push_back(o);
        }
        return order;
    };
    auto actual = [&] {
        std::unique_ptr<CXVector> list(scene.getObjectsOfType(MC_TEXT));
        std::vector<CMC_Object*> order;
        for (int i = 0; i < list->getSize(); ++i)
            order.push_back(static_cast<CMC_Object*>((*list)[i]));
        return order;
    };

    for (int i = 1; i <= 3000; ++i)
        add(new Thing(CXString("BALL_") + CXString::toString(i)));
    for (const char* n : {"ab", "ca", "A", "I1"})
        add(new Thing(n, std::string(n) == "I1" ? MC_INTEGER : MC_TEXT));
    for (int i = 1; i <= 3000; i += 3)
        takeOut("BALL_" + std::to_string(i));
    takeOut("ab");
    add(new Thing("ab"));
    ASSERT_EQ(actual(), expected());

    // Names of over 16 characters hash past 10001, so that their slots
    // move when the table grows. At exactly 10001 names it has not grown.
    for (int i = 1; i <= 9000; ++i) {
        add(new Thing(CXString("A_NAME_LONGER_THAN_THE_SLOTS_") + CXString::toString(i)));
        if (scene.getElementsNo() == 10001) {
            ASSERT_EQ(names.getCapacity(), 10001);
            ASSERT_EQ(actual(), expected());
        }
    }
    ASSERT_GT(scene.getElementsNo(), 10001);
    for (int i = 2; i <= 9000; i += 5)
        takeOut("A_NAME_LONGER_THAN_THE_SLOTS_" + std::to_string(i));
    EXPECT_EQ(actual(), expected());
    EXPECT_EQ(scene.getElementsNo(), names.getSize());
    lifecycle().clear();
}

} // namespace
