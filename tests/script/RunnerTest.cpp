#include "ValueSupport.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"

#include <gtest/gtest.h>
#include <memory>

using namespace scripttest;

namespace {

// A type's runner as the convention has it: its own table and switch, every
// other id to the base.
class PingRunner : public CMC_Runner {
public:
    void prepareMthHashSet() override
    {
        CMC_Runner::prepareMthHashSet();
        registerMethod("PING", 1);
    }
    CMC_Variable* run(int id, CMC_Object* o, CMC_ObjectsContainer* c, CXVector* args) override
    {
        if (id != 1)
            return CMC_Runner::run(id, o, c, args);
        CMC_Integer* r = CMC_VariableFactory::allocInteger();
        r->setValue(getArgCount(args));
        return r;
    }
    using CMC_Runner::run;
};

// An expression stand-in whose computed value is an integer temporary.
class FakeExpression : public CMC_Variable {
public:
    FakeExpression() : CMC_Variable(CXString("E"), MC_EXPRESSION) {}
    CMC_Variable* evaluate() override
    {
        CMC_Integer* r = CMC_VariableFactory::allocInteger();
        r->setValue(42);
        return r;
    }
};

class FakeGroup : public CMC_Object {
public:
    explicit FakeGroup(const char* n) : CMC_Object(CXString(n), MC_GROUP) {}
    std::vector<std::string> members;
};

// Arguments for one call; pooled ones are given back with the vector.
class Args : public CXVector {
public:
    Args(std::initializer_list<const char*> literals)
    {
        for (const char* l : literals)
            add(CMC_Variable::resolve(l));
    }
    ~Args() override
    {
        for (int i = 0; i < getSize(); ++i)
            if (!isStopValue(at(i)) && CMC_Variable::isVariableType(static_cast<CMC_Object*>(at(i))->getType()))
                CMC_Object::flush(static_cast<CMC_Variable*>(at(i)));
    }
    Args& with(CXObject* o)
    {
        add(o);
        return *this;
    }
};

class CMC_RunnerTest : public ::testing::Test {
protected:
    CMC_RunnerTest()
    {
        runs().clear();
        runner.prepareMthHashSet();
        for (const char* n : {"BEH1", "OPENER"})
            scene.addObject(new FakeBehaviour(&scene, CXString(n), CXString()));
        thing = new Thing(CXString("T"));
        thing->setScene(&scene);
        scene.addObject(thing);
        thing->initializeBehaviours(&scene, nullptr);
    }
    std::string name(CMC_Variable* v)
    {
        std::string text = v ? v->toString().c_str() : "<none>";
        CMC_Object::flush(v);
        return text;
    }

    Pools pools;
    Types types;
    TestScene scene{"ROOM"};
    PingRunner runner;
    Thing* thing;
};

TEST_F(CMC_RunnerTest, NamesResolveExactlyAndUnknownIdsDoNothing)
{
    EXPECT_EQ(runner.resolveMethod("SEND"), 96);
    EXPECT_EQ(runner.resolveMethod("OVERIDESIGNALS"), 109);
    EXPECT_EQ(runner.resolveMethod("PING"), 1);
    EXPECT_EQ(runner.resolveMethod("send"), -1);
    EXPECT_EQ(runner.resolveMethod(""), -1);
    CMC_Runner bare;
    EXPECT_EQ(bare.resolveMethod("SEND"), -1); // no table yet

    EXPECT_EQ(name(runner.run(99, thing, &scene, nullptr)), "T");
    EXPECT_EQ(name(runner.run(CXString("GETNAME"), thing, &scene, nullptr)), "T");
    Args args{"1", "2"};
    EXPECT_EQ(name(runner.run(CXString("PING"), thing, &scene, &args)), "2");
    for (int id : {110, -1, 0, 95})
        EXPECT_EQ(runner.run(id, thing, &scene, &args), nullptr);
    EXPECT_EQ(runner.run(CXString("NOSUCH"), thing, &scene, &args), nullptr);
    EXPECT_EQ(runner.run(99, nullptr, &scene, nullptr), nullptr);
    EXPECT_EQ(scene.getObject("T_1"), nullptr);
}

TEST_F(CMC_RunnerTest, ClonesAndTheirCounters)
{
    runner.run(CMC_Runner::CLONE, thing, &scene, nullptr);
    EXPECT_NE(scene.getObject("T_1"), nullptr);
    Args three{"3"};
    runner.run(CMC_Runner::CLONE, thing, &scene, &three);
    EXPECT_NE(scene.getObject("T_4"), nullptr);
    EXPECT_EQ(name(runner.run(CMC_Runner::GETCLONESNO, thing, &scene, nullptr)), "4");
    EXPECT_EQ(name(runner.run(CMC_Runner::GETCLONEINDEX, scene.getObject("T_3"), &scene, nullptr)), "3");
    runner.run(CMC_Runner::RESETCLONES, thing, &scene, nullptr);
    EXPECT_EQ(thing->getClonesNo(), 0);
}

TEST_F(CMC_RunnerTest, BehavioursAreBoundAndRaisedBySend)
{
    Args one{"\"ONCLICK\""};
    runner.run(CMC_Runner::ADDBEHAVIOUR, thing, &scene, &one);
    EXPECT_EQ(thing->getBehaviour("ONCLICK"), nullptr);

    Args full{"\"ONCLICK\"", "\"BEH1\"", "5", "\"x\""};
    runner.run(CMC_Runner::ADDBEHAVIOUR, thing, &scene, &full);
    thing->onSignal("ONCLICK");
    EXPECT_EQ(runs(), (std::vector<std::string>{"BEH1@T(5,x)"}));

    Args signal{"\"ONSIGNAL$OPEN\"", "\"OPENER\""};
    runner.run(CMC_Runner::ADDBEHAVIOUR, thing, &scene, &signal);
    runs().clear();
    Args open{"\"OPEN\""};
    runner.run(CMC_Runner::SEND, thing, &scene, &open);
    Args at{"\"@ONCLICK\""};
    runner.run(CMC_Runner::SEND, thing, &scene, &at);
    thing->addBehaviour("@ONCLICK", static_cast<FakeBehaviour*>(scene.getObject("BEH1")), nullptr, &scene);
    runner.run(CMC_Runner::SEND, thing, &scene, &at);
    EXPECT_EQ(runs(), (std::vector<std::string>{"OPENER@T", "BEH1@T"}));

    Args event{"\"ONSIGNAL$OPEN\""};
    runner.run(CMC_Runner::REMOVEBEHAVIOUR, thing, &scene, &event);
    EXPECT_EQ(thing->getBehaviour("ONSIGNAL^OPEN")->getSize(), 0);
    Args no{"FALSE"};
    runner.run(CMC_Runner::OVERIDESIGNALS, thing, &scene, &no);
    EXPECT_FALSE(thing->areSignalsOverridden());
    runner.run(CMC_Runner::REMOVEALLBEHAVIOURS, thing, &scene, nullptr);
    EXPECT_EQ(thing->getBehaviour("ONCLICK"), nullptr);
}

TEST_F(CMC_RunnerTest, CallsWithoutTheirArgumentsDoNothing)
{
    Args none{};
    for (int id = CMC_Runner::SEND; id <= CMC_Runner::OVERIDESIGNALS; ++id) {
        for (CXVector* args : std::initializer_list<CXVector*>{nullptr, &none}) {
            CMC_Variable* r = runner.run(id, thing, &scene, args);
            bool gives = id == CMC_Runner::GETNAME || id == CMC_Runner::GETCLONEINDEX ||
                         id == CMC_Runner::GETCLONESNO;
            EXPECT_EQ(r != nullptr, gives) << id;
            CMC_Object::flush(r);
        }
    }
    EXPECT_TRUE(runs().empty());
    EXPECT_TRUE(thing->areSignalsOverridden());
    EXPECT_NE(scene.getObject("T_2"), nullptr); // CLONE without a count makes one
    for (int type : {MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE})
        EXPECT_EQ(CMC_VariableFactory::getTakenCount(type), 0);
}

TEST_F(CMC_RunnerTest, ArgumentsAreReadByPositionWithinTheVector)
{
    FakeExpression expression;
    Thing other(CXString("OTHER"));
    Args args{"\"12\"", "7"};
    args.with(&expression).with(&other).with(stopValue(-1));

    int taken = CMC_VariableFactory::getTakenCount(MC_INTEGER);
    CMC_Integer* twelve = runner.getParameterInteger(&args, 0);
    EXPECT_EQ(twelve->getValue(), 12);
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_INTEGER), taken); // already free
    EXPECT_EQ(runner.getParameter(&args, 1), args[1]);
    EXPECT_EQ(runner.getParameterInteger(&args, 1), args[1]);

    CMC_Variable* computed = runner.getParameter(&args, 2);
    ASSERT_NE(computed, nullptr);
    EXPECT_EQ(computed->toString(), "42");
    CMC_Object::flush(computed);
    // An object that is not a value reads as its name.
    EXPECT_EQ(runner.getParameterString(&args, 3)->getValue(), "OTHER");

    for (int index : {4, 5, -1}) {
        EXPECT_EQ(runner.getParameter(&args, index), nullptr);
        EXPECT_EQ(runner.getParameterInteger(&args, index)->getValue(), 0);
        EXPECT_EQ(runner.getParameterDouble(&args, index)->getValue(), 0.0);
        EXPECT_FALSE(runner.getParameterBool(&args, index)->getValue());
        EXPECT_EQ(runner.getParameterString(&args, index)->getValue(), "");
    }
    EXPECT_EQ(runner.getParameterString(nullptr, 0)->getValue(), "");
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_INTEGER), taken);
}

TEST_F(CMC_RunnerTest, MembersGoOnlyToCollectionsOfTheRightType)
{
    FakeGroup* group = new FakeGroup("G");
    scene.addObject(group);
    CMC_Runner::MemberAdder engineAdder = CMC_Runner::getMemberAdder(MC_GROUP);
    CMC_Runner::setMemberAdder(MC_GROUP, [](CMC_Object* g, CMC_Object* m) {
        static_cast<FakeGroup*>(g)->members.push_back(m->getName().c_str());
    });
    Args toGroup{"\"G\""};
    runner.run(CMC_Runner::ADDTOGROUP, thing, &scene, &toGroup);
    runner.run(CMC_Runner::ADDTOARRAY, thing, &scene, &toGroup); // G is no array
    Args toThing{"\"T\""};
    runner.run(CMC_Runner::ADDTOGROUP, thing, &scene, &toThing);
    Args missing{"\"NONE\""};
    runner.run(CMC_Runner::ADDTOGROUP, thing, &scene, &missing);
    CMC_Runner::setMemberAdder(MC_GROUP, nullptr);
    runner.run(CMC_Runner::ADDTOGROUP, thing, &scene, &toGroup);
    CMC_Runner::setMemberAdder(MC_GROUP, engineAdder);
    EXPECT_EQ(group->members, (std::vector<std::string>{"T"}));
}

// A plug-in type's object brings its own runner.
class PluginThing : public CMC_Object {
public:
    explicit PluginThing(CMC_Runner* r) : CMC_Object(CXString("P"), 10060), own(r) {}
    CMC_Runner* getRunner() override { return own; }
    CMC_Runner* own;
};

TEST(CMC_RunnerFactoryTest, OneRunnerPerTypeWhileReady)
{
    CMC_RunnerFactory::registerRunner({9001, 9002}, &CMC_RunnerFactory::make<PingRunner>);
    EXPECT_EQ(CMC_RunnerFactory::getRunner(MC_INTEGER), nullptr); // not ready yet
    CMC_RunnerFactory::initialize();
    CMC_Runner* values = CMC_RunnerFactory::getRunner(MC_INTEGER);
    ASSERT_NE(values, nullptr);
    for (int id : {MC_STRING, MC_BOOL, MC_DOUBLE, MC_EXPRESSION})
        EXPECT_EQ(CMC_RunnerFactory::getRunner(id), values) << id;
    EXPECT_EQ(values->resolveMethod("ADD"), 6);
    EXPECT_EQ(values->resolveMethod("SEND"), 96);
    ASSERT_NE(CMC_RunnerFactory::getRunner(9001), nullptr);
    EXPECT_EQ(CMC_RunnerFactory::getRunner(9001), CMC_RunnerFactory::getRunner(9002));
    EXPECT_EQ(CMC_RunnerFactory::getRunner(9001)->resolveMethod("PING"), 1);
    for (int id : {int(MC_VARIABLE), int(MC_NETPEER), -1})
        EXPECT_EQ(CMC_RunnerFactory::getRunner(id), nullptr) << id;

    PingRunner own;
    PluginThing plugin(&own);
    CMC_Integer i(CXString("I"));
    EXPECT_EQ(CMC_RunnerFactory::getRunner(&plugin), &own);
    EXPECT_EQ(CMC_RunnerFactory::getRunner(&i), values);
    Thing plain(CXString("X"), 2003);
    EXPECT_EQ(CMC_RunnerFactory::getRunner(&plain), nullptr);

    // A runner registered while ready is made at once.
    CMC_RunnerFactory::registerRunner({9003}, &CMC_RunnerFactory::make<PingRunner>);
    EXPECT_NE(CMC_RunnerFactory::getRunner(9003), nullptr);

    CMC_RunnerFactory::done();
    for (int id : {int(MC_INTEGER), 9001, 9003})
        EXPECT_EQ(CMC_RunnerFactory::getRunner(id), nullptr);
}

} // namespace
