#include "ScriptTypes.h"
#include "base/Archive.h"
#include "base/File.h"
#include "base/FileStream.h"
#include "platform/Drives.h"
#include "script/Disposal.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>

using namespace scripttest;

namespace {

class CMC_ObjectTest : public ::testing::Test {
protected:
    CMC_ObjectTest()
    {
        runs().clear();
        lifecycle().clear();
        for (const char* n : {"FIRST", "SECOND", "DOIT"})
            scene.addObject(new FakeBehaviour(&scene, CXString(n), CXString()));
        scene.addObject(new Thing("OTHER"));
    }

    // A Thing named `name` made from a record with these properties.
    Thing* make(const char* name, std::vector<std::pair<const char*, const char*>> properties)
    {
        std::unique_ptr<CMElement> e(record(name, properties));
        Thing* t = new Thing(&scene, e.get());
        scene.addObject(t);
        return t;
    }
    FakeBehaviour* behaviour(const char* n) { return static_cast<FakeBehaviour*>(scene.getObject(n)); }

    Types types;
    TestScene scene{"SCENE"};
};

TEST_F(CMC_ObjectTest, OverridingKeepsTheLastBindingUntilSwitchedOff)
{
    Thing* b = make("B", {{"ONCLICKED", "FIRST"}, {"ONCLICKED", "SECOND"}});
    ASSERT_EQ(b->getBehaviour("ONCLICKED")->getSize(), 1);
    EXPECT_TRUE(b->onSignal("ONCLICKED"));
    EXPECT_EQ(runs(), (std::vector<std::string>{"SECOND@B"}));

    runs().clear();
    b->overideSignals(false);
    b->addBehaviour("ONCLICKED", behaviour("FIRST"), nullptr, &scene);
    b->onSignal("ONCLICKED");
    EXPECT_EQ(runs(), (std::vector<std::string>{"SECOND@B", "FIRST@B"}));
}

TEST_F(CMC_ObjectTest, PropertyMatchesEveryEventItBeginsWith)
{
    Thing* t = make("T", {{"ONINITIALUPDATE", "DOIT"}});
    EXPECT_EQ(t->getBehaviour("ONINITIALUPDATE")->getSize(), 1);
    EXPECT_EQ(t->getBehaviour("ONINIT"), nullptr);
    EXPECT_TRUE(t->isEventBound(0));
    EXPECT_TRUE(t->isEventBound(5));
    EXPECT_FALSE(t->isEventBound(1));
    EXPECT_EQ(t->getBehaviourIndex("ONINITIALUPDATE"), 0);
    EXPECT_EQ(t->getSignalIndex("ONINITIALUPDATE"), 5);

    // Inline code on a property that matches two events makes one behaviour.
    Thing* c = make("C", {{"ONCLICKED", "{X^PLAY();}"}});
    ASSERT_EQ(c->getTmpBehList()->getSize(), 1);
    ASSERT_EQ(c->getBehaviour("ONCLICKED")->getSize(), 1);
    c->onSignal("ONCLICKED");
    EXPECT_EQ(runs(), (std::vector<std::string>{"beh_C_ONCLICKED@C"}));
}

TEST_F(CMC_ObjectTest, SignalWithValueIsItsOwnKey)
{
    Thing* t = make("T", {{"ONSIGNAL^GO", "DOIT"}});
    EXPECT_TRUE(t->isEventBound(2));
    EXPECT_FALSE(t->onSignal("ONSIGNAL^STOP"));
    EXPECT_FALSE(t->onSignal("ONSIGNAL"));
    EXPECT_TRUE(t->onSignal("ONSIGNAL^GO"));
    EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@T"}));
}

TEST_F(CMC_ObjectTest, InlineCodeBehaviourNames)
{
    Thing* b = make("B", {{"ONCLICK", " {A^B();} "}});
    FakeBehaviour* made = behaviour("beh_B_ONCLICK");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->code, "{A^B();}");
    EXPECT_EQ(made->getScene(), &scene);
    EXPECT_TRUE(b->getTmpBehList()->contains(made));

    TestScene cls("C", MC_CLASS);
    std::unique_ptr<CMElement> e(record("B", {{"ONCLICK", "{A^B();}"}}));
    Thing inClass(&cls, e.get());
    EXPECT_NE(cls.getObject("beh_C_B_ONCLICK"), nullptr);
}

TEST_F(CMC_ObjectTest, BehaviourNamesAndParameters)
{
    struct Case {
        const char* value;
        const char* ran; // null: nothing bound
    } cases[] = {
        {"DOIT", "DOIT@T"},
        {" DOIT ( 1, A ) ", "DOIT@T(1,A)"},
        {"DOIT(1 A\n7)", "DOIT@T(1,A,7)"},
        {"DOIT(1, A", "DOIT@T(1,A)"},
        {"DOIT()", "DOIT@T()"},
        {"NOSUCH", nullptr},
        {"OTHER", nullptr}, // not a behaviour
        {"", nullptr},
    };
    for (const Case& c : cases) {
        runs().clear();
        Thing* t = make("T", {{"ONCLICKED", c.value}});
        EXPECT_EQ(t->onSignal("ONCLICKED"), c.ran != nullptr) << c.value;
        EXPECT_EQ(t->isEventBound(4), c.ran != nullptr) << c.value;
        if (c.ran) {
            EXPECT_EQ(runs(), (std::vector<std::string>{c.ran})) << c.value;
        }
    }
}

TEST_F(CMC_ObjectTest, ArgumentsReplaceTheBindingsOwnForOneRaise)
{
    Thing* t = make("T", {{"ONCLICKED", "DOIT(1)"}});
    CXArray args;
    CXString x("X");
    args.add(&x);
    t->onSignal("ONCLICKED", &args);
    t->onSignal("ONCLICKED");
    EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@T(X)", "DOIT@T(1)"}));
}

TEST_F(CMC_ObjectTest, SingleBindingsAndRemoval)
{
    TestScene other("OTHERSCENE");
    Thing* t = make("T", {{"ONCLICKED", "FIRST"}});
    t->overideSignals(false);
    t->addBehaviour("ONCLICKED", behaviour("SECOND"), nullptr, &other);
    t->addBehaviour("ONSIGNAL", behaviour("SECOND"), nullptr, &other);

    EXPECT_NE(t->getSingleBehaviour("ONCLICKED", 1), nullptr);
    EXPECT_EQ(t->getSingleBehaviour("ONCLICKED", 2), nullptr);
    EXPECT_EQ(t->getSingleBehaviour("ONCLICKED", -1), nullptr);
    EXPECT_EQ(t->getSingleBehaviour("NONE", 0), nullptr);

    // Leaving the other scene takes its bindings; an emptied key goes.
    t->onSceneDone(&other);
    EXPECT_EQ(t->getBehaviour("ONSIGNAL"), nullptr);
    ASSERT_EQ(t->getBehaviour("ONCLICKED")->getSize(), 1);
    EXPECT_EQ(t->getSingleBehaviour("ONCLICKED", 0)->getBehaviour(), behaviour("FIRST"));

    t->removeBehaviour("ONCLICKED", &other);
    EXPECT_EQ(t->getBehaviour("ONCLICKED")->getSize(), 1);
    t->removeBehaviour("ONCLICKED", &scene);
    ASSERT_NE(t->getBehaviour("ONCLICKED"), nullptr);
    EXPECT_EQ(t->getBehaviour("ONCLICKED")->getSize(), 0);
    EXPECT_FALSE(t->onSignal("ONCLICKED"));

    // After removing everything the events are fetched again.
    t->removeAllBehaviours();
    EXPECT_EQ(t->getEventNames(), nullptr);
    EXPECT_FALSE(t->isEventBound(4));
    std::unique_ptr<CMElement> e(record("T", {{"ONCLICKED", "DOIT"}}));
    t->initializeBehaviours(&scene, e.get());
    EXPECT_TRUE(t->onSignal("ONCLICKED"));
}

TEST_F(CMC_ObjectTest, BehaviourChangingBindingsWhileRaised)
{
    Thing* t = make("T", {});
    t->overideSignals(false);
    t->addBehaviour("ONCLICKED", behaviour("FIRST"), nullptr, &scene);
    t->addBehaviour("ONCLICKED", behaviour("SECOND"), nullptr, &scene);
    behaviour("FIRST")->action = [](CMC_Object* owner) { owner->removeAllBehaviours(); };
    EXPECT_TRUE(t->onSignal("ONCLICKED"));
    EXPECT_EQ(runs(), (std::vector<std::string>{"FIRST@T"}));
}

TEST_F(CMC_ObjectTest, ClonesNamesAndBindings)
{
    Thing* ball = make("BALL", {{"ONINIT", "FIRST"}, {"ONCLICKED", "DOIT(1)"}});
    ball->clone(3);
    EXPECT_EQ(ball->getClonesNo(), 3);
    for (const char* n : {"BALL_1", "BALL_2", "BALL_3"})
        ASSERT_NE(scene.getObject(n), nullptr) << n;
    auto* second = static_cast<Thing*>(scene.getObject("BALL_2"));
    EXPECT_TRUE(second->isClone());
    EXPECT_EQ(second->getBehaviour("ONINIT"), nullptr);
    second->onSignal("ONCLICKED");
    EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@BALL_2(1)"}));

    // The next clone after a reset replaces the old first clone.
    ball->resetClones();
    CMC_Object* oldFirst = scene.getObject("BALL_1");
    ball->clone(1);
    EXPECT_NE(scene.getObject("BALL_1"), oldFirst);
    EXPECT_EQ(lifecycle(), (std::vector<std::string>{"~BALL_1"}));

    // A clone outlives its original with the shared event names.
    scene.removeObject(ball);
    delete ball;
    runs().clear();
    EXPECT_EQ(second->getSignalIndex("ONCLICKED"), 4);
    second->onSignal("ONCLICKED");
    EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@BALL_2(1)"}));
}

TEST_F(CMC_ObjectTest, CloneOfATypeWithoutCopyDoesNothing)
{
    CMC_Object* plain = new CMC_Object("PLAIN", 5);
    plain->setScene(&scene);
    scene.addObject(plain);
    int before = scene.getElementsNo();
    plain->clone(2);
    EXPECT_EQ(scene.getElementsNo(), before);
}

TEST(CMC_ObjectCloneIdxTest, NumberAfterTheLastUnderscore)
{
    struct Case {
        const char* name;
        int idx;
    } cases[] = {{"BALL_3", 3}, {"BALL_", 0}, {"_3", 0}, {"A_B", 0}, {"A_1_12", 12}, {"BALL", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(CMC_Object(c.name, 1).getCloneIdx(), c.idx) << c.name;
}

TEST_F(CMC_ObjectTest, DoneRaisesOnceAndDisposalOnlyWhenNeverDone)
{
    Thing* a = make("A", {{"ONDONE", "DOIT"}});
    Thing* b = make("B", {{"ONDONE", "DOIT"}});
    scene.removeObject(a);
    scene.removeObject(b);
    EXPECT_TRUE(a->done(true));
    CMC_Disposal::dispose(a, CMC_Disposal::WITHOUT_DONE);
    CMC_Disposal::dispose(b, CMC_Disposal::WITHOUT_DONE);
    EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@A", "DOIT@B"}));

    Thing* quiet = make("Q", {{"ONCLICKED", "DOIT"}});
    quiet->init();
    quiet->done(true);
    EXPECT_EQ(runs().size(), 2u);
}

// The destructor runs no script: by then the derived part of the object is
// gone. An object whose "ONDONE" is still due is finished through
// CMC_Disposal; one deleted without it is a fault of the engine, which the
// checked build stops.
TEST_F(CMC_ObjectTest, TheDestructorRunsNoScript)
{
    Thing* c = make("C", {{"ONDONE", "DOIT"}});
    scene.removeObject(c);
#ifdef QUARNEL_CHECKED
    EXPECT_DEATH(delete c, "ONDONE bound is deleted without being finished");
    CMC_Disposal::dispose(c, CMC_Disposal::WITHOUT_DONE);
#else
    delete c;
    EXPECT_TRUE(runs().empty());
#endif
}

TEST_F(CMC_ObjectTest, PlaceholdersAreReboundOrDropped)
{
    Thing* t = make("T", {});
    CXArray* params = CXString("7").toVector();
    t->addPlaceholderBinding("ONCLICKED", "DOIT", params);
    t->addPlaceholderBinding("ONCLICKED", "NOSUCH", nullptr);
    t->addPlaceholderBinding("ONSIGNAL^GO", "OTHER", nullptr);
    t->addPlaceholderBinding("NOTANEVENT", "DOIT", nullptr);
    t->addPlaceholderBinding("ONINITIALUPDATE", "FIRST", nullptr);
    // Placeholders never run.
    EXPECT_TRUE(t->onSignal("ONCLICKED"));
    EXPECT_TRUE(runs().empty());

    t->initializeBehaviours(&scene, nullptr);
    ASSERT_EQ(t->getBehaviour("ONCLICKED")->getSize(), 1);
    EXPECT_EQ(t->getBehaviour("ONSIGNAL^GO")->getSize(), 0);
    EXPECT_EQ(t->getBehaviour("NOTANEVENT")->getSize(), 0);
    EXPECT_TRUE(t->isEventBound(0));
    EXPECT_TRUE(t->isEventBound(5));
    t->onSignal("ONCLICKED");
    EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@T(7)"}));

    // Placeholders still bound when the object goes are freed with it.
    Thing* u = make("U", {});
    u->addPlaceholderBinding("ONCLICKED", "DOIT", nullptr);
    u->clone(1);
}

// The base record written to a file and read back into a bare object,
// whose placeholders the container then replaces.
TEST_F(CMC_ObjectTest, SnapshotRecordRoundTripAndRebinding)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    auto store = [](CMC_Object* obj) {
        CFile f(nullptr, "T:\\obj.bin", 0x16);
        CXArchive ar(&f, true);
        obj->serialize(&ar);
        EXPECT_EQ(ar.LastError(), 0);
        ar.Close();
    };

    Thing* small = make("B", {{"ONCLICKED", "DOIT"}});
    store(small);
    const char image[] = "\x01\x00\x00\x00"
                         "B"
                         "\x01\x00\x00\x00"
                         "\x09\x00\x00\x00"
                         "ONCLICKED"
                         "\x04\x00\x00\x00"
                         "DOIT"
                         "\x00\x00\x00\x00";
    EXPECT_EQ(tmp.read("obj.bin"), std::string(image, sizeof image - 1));

    Thing* full = make("T", {{"ONCLICKED", "DOIT(1, A)"}, {"ONSIGNAL^GO", "FIRST"}});
    store(full);
    std::string bytes = tmp.read("obj.bin");
    for (size_t cut : {bytes.size(), bytes.size() - 1, size_t(30), size_t(0)}) {
        std::string part = bytes.substr(0, cut) + '\0';
        CFile_Stream stream(&part[0], int(cut));
        CXArchive ar(&stream, false);
        std::unique_ptr<Thing> back(new Thing(""));
        back->serialize(&ar);
        EXPECT_EQ(ar.LastError() == 0, cut == bytes.size()) << cut;
        if (cut != bytes.size())
            continue; // a short record reads what it can and leaks nothing
        EXPECT_EQ(back->getName(), "T");
        back->initializeBehaviours(&scene, nullptr);
        runs().clear();
        EXPECT_TRUE(back->onSignal("ONCLICKED"));
        EXPECT_TRUE(back->onSignal("ONSIGNAL^GO"));
        EXPECT_EQ(runs(), (std::vector<std::string>{"DOIT@T(1,A)", "FIRST@T"}));
    }
}

TEST(CMC_ObjectFlushTest, OnlyRealValuesReachThePools)
{
    static std::vector<CMC_Variable*> released;
    released.clear();
    CMC_Object::setVariableRelease([](CMC_Variable* v) { released.push_back(v); });
    int value = 0;
    CMC_Variable* real = reinterpret_cast<CMC_Variable*>(&value);
    CMC_Object::flush(nullptr);
    for (int code : {-1, -2, -3})
        CMC_Object::flush(stopValue(code));
    CMC_Object::flush(real, false);
    CMC_Object::setVariableRelease(nullptr);
    CMC_Object::flush(real);
    EXPECT_EQ(released, (std::vector<CMC_Variable*>{real}));
    EXPECT_FALSE(isStopValue(nullptr));
    EXPECT_FALSE(isStopValue(stopValue(-4)));
}

} // namespace
