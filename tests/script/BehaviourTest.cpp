#include "BehaviourSupport.h"
#include "script/BehaviourRunner.h"
#include "script/Condition.h"
#include "script/Disposal.h"
#include "script/Expression.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

using namespace scripttest;

namespace {

CMC_RegisterRunner<ProbeRunner> probeRegistration({PROBE_TYPE});

using Calls = std::vector<std::string>;

std::vector<std::string> lineTexts(CMC_Behaviour* b)
{
    std::vector<std::string> out;
    for (int i = 0; b->getLines() && b->getLines()[i]; ++i)
        out.push_back(b->getLines()[i]->getLine().c_str());
    return out;
}

class CMC_Behaviour_EntryTest : public ::testing::Test, public World {};

TEST_F(CMC_Behaviour_EntryTest, CodeIsSplitAtSemicolonsOutsideParenthesesWithoutBlanks)
{
    const struct {
        const char* code;
        std::vector<std::string> lines;
    } cases[] = {
        {"A^B(1);C^D(2)", {"A^B(1)"}},
        {"B^RUN({A^PLAY(1);C^STOP()});", {"B^RUN({A^PLAY(1);C^STOP()})"}},
        {" P^LOG( \"a b\" ) ; Q^LOG(1);", {"P^LOG(\"ab\")", "Q^LOG(1)"}},
        {"X;{A};[B;C];;", {"X", "{A}", "[B", "C]", ""}},
        {"{A};B;", {"A}"}}, // a leading brace and the last character go
        {"A\t^B(1);", {"A\t^B(1)"}},
        {"no semicolon", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lineTexts(behaviour("B", c.code)), c.lines) << c.code;
}

TEST_F(CMC_Behaviour_EntryTest, StatementFormsReachTheirTargets)
{
    scene.addObject(new CMC_String(CXString("S"), CXString("P")));
    Probe* p = probe("P");
    CMC_Behaviour* b = behaviour("B", "P^LOG(1);\"Q^LOG(2)\";Q;*S^LOG(3);*[S]^LOG(4);THIS^LOG(5);THISX^SET(6);"
                                      "@NOSUCH(7);Q^LOG(a,,b,);");
    b->run(p, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)", "P.LOG(3)", "P.LOG(4)", "P.LOG(5)", "P.?(6)", "Q.LOG(a,b)"}));

    calls().clear();
    b->run(nullptr, nullptr, false); // THIS without an owner calls nothing
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)", "P.LOG(3)", "P.LOG(4)", "Q.LOG(a,b)"}));
}

TEST_F(CMC_Behaviour_EntryTest, ParametersAreSubstitutedOneDigitAtATime)
{
    CMC_Behaviour* b = behaviour("B", "$1^PLAY(1);P^LOG($12,$0,$x,$$1,$2,$);");
    b->run(nullptr, params({"ANIM"}), false);
    EXPECT_EQ(calls(), (Calls{"ANIM.PLAY(1)", "P.LOG(ANIM2,$0,$x,$ANIM,$2,$)"}));

    calls().clear();
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG($12,$0,$x,$$1,$2,$)"}));

    const struct {
        const char* text;
        const char* filled;
    } fills[] = {{"$1$2", "ab"}, {"$3", "$3"}, {"x$", "x$"}, {"$:", "$:"}, {"", ""}};
    for (const auto& f : fills)
        EXPECT_STREQ(CMC_Behaviour_Entry::fillParams(f.text, params({"a", "b"})).c_str(), f.filled) << f.text;
}

TEST_F(CMC_Behaviour_EntryTest, NestedArgumentsRunFirstAndTheirTemporariesGoBack)
{
    int before = taken();
    EXPECT_FALSE(run("P^LOG(P^GET(),Q^STOP1(),7,\"t\");P^LOG(2);"));
    EXPECT_EQ(calls(), (Calls{"P.GET()", "Q.STOP1()", "P.LOG(42,null,7,t)", "P.LOG(2)"}));
    EXPECT_EQ(taken(), before);

    // An argument in brackets is computed when the method reads it.
    calls().clear();
    run("P^LOG([P^GET()+1],[$1*2]);", params({"4"}));
    EXPECT_EQ(calls(), (Calls{"P.GET()", "P.LOG(43,8)"}));
}

TEST_F(CMC_Behaviour_EntryTest, StopValuesEndTheBehaviour)
{
    EXPECT_TRUE(run("P^LOG(1);P^STOP1();P^LOG(3);"));
    EXPECT_FALSE(run("P^LOG(1);P^STOP2();P^LOG(3);"));
    EXPECT_FALSE(run("P^LOG(1);@CONTINUE();P^LOG(3);"));
    EXPECT_TRUE(run("@BREAK();P^LOG(4);"));
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)", "P.STOP1()", "P.LOG(1)", "P.STOP2()", "P.LOG(1)"}));
}

TEST_F(CMC_Behaviour_EntryTest, ArgumentsByReferenceAndAnonymousBehaviours)
{
    CMC_Integer* n = new CMC_Integer(CXString("N"));
    scene.addObject(n);
    probe("P")->action = [](CXVector* args) {
        CMC_Integer seven(7);
        CMC_Runner::getArgument(args, 0)->set(&seven);
        return nullptr;
    };
    run("P^ACT(&N);P^ACT(&MISSING);");
    EXPECT_EQ(n->getValue(), 7);
    // A constant argument a method changed is the same again next time.
    CMC_Behaviour* twice = behaviour("TWICE", "P^ACT(5);");
    twice->run(nullptr, nullptr, false);
    twice->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.ACT(0)", "P.ACT(MISSING)", "P.ACT(5)", "P.ACT(5)"}));
    calls().clear();

    CMC_Behaviour* b = behaviour("B", "Q^LOG({P^PLAY(1);P^STOP()},{@RETURN(TRUE)});");
    b->run(nullptr, nullptr, false);
    ASSERT_EQ(calls().size(), 1u);
    std::string anonymous = calls()[0].substr(6, calls()[0].find(',') - 6);
    EXPECT_EQ(calls()[0], "Q.LOG(" + anonymous + ",{@RETURN(TRUE)})");
    EXPECT_EQ(anonymous.rfind("temp_", 0), 0u);
    CMC_Object* made = scene.getObject(anonymous.c_str());
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(made->getType(), MC_BEHAVIOUR);
    calls().clear();
    static_cast<CMC_Behaviour*>(made)->run(nullptr, nullptr, false); // text after the last ';' is dropped
    EXPECT_EQ(calls(), (Calls{"P.PLAY(1)"}));

    scene.removeObject(b);
    delete b;
    EXPECT_EQ(scene.getObject(anonymous.c_str()), nullptr);
}

// An object bound when the code was parsed is replaced by one of the same
// name: the statement reaches the new one.
TEST_F(CMC_Behaviour_EntryTest, BoundObjectsFollowReplacement)
{
    CMC_Behaviour* b = behaviour("B", "Q^LOG(1);P^LOG(Q);");
    scene.addObject(new Probe("Q"));
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"Q.LOG(1)", "P.LOG(Q)"}));
    Probe* q = probe("Q");
    scene.removeObject(q);
    delete q;
    calls().clear();
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(Q)"}));
}

// What statements keep of their names (call targets, arguments, the
// operands of an inline condition) holds only while no object comes or
// goes: a name that comes to exist, an object of the name made nearer, one
// removed, and a container emptied and filled anew (as a scene change does)
// are all met at the next run.
TEST_F(CMC_Behaviour_EntryTest, KeptNamesFollowTheObjectsOfNow)
{
    TestScene outer("OUTER", MC_APPLICATION);
    scene.setParent(&outer);
    auto addN = [](CMC_ObjectsContainer& where, int value) {
        CMC_Integer* n = new CMC_Integer(CXString("N"));
        n->setValue(value);
        where.addObject(n);
        return n;
    };
    CMC_Integer* outerN = addN(outer, 1);
    CMC_Behaviour* b = behaviour("B", "N^ADD(10);P^LOG(N);@IF(N'11,{P^LOG(eleven);},\"\");LATER^LOG(N);");
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(11)", "P.LOG(eleven)"}));

    calls().clear();
    scene.addObject(new Probe("LATER"));
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(21)", "LATER.LOG(21)"}));

    calls().clear();
    CMC_Integer* nearN = addN(scene, 1);
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(11)", "P.LOG(eleven)", "LATER.LOG(11)"}));
    EXPECT_EQ(outerN->getValue(), 21);

    calls().clear();
    scene.removeObject(nearN);
    delete nearN;
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(31)", "LATER.LOG(31)"}));

    calls().clear();
    outer.unload();
    CMC_Integer* newN = addN(outer, 1);
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(11)", "P.LOG(eleven)", "LATER.LOG(11)"}));
    EXPECT_EQ(newN->getValue(), 11);
    scene.setParent(nullptr);
}

// Code that runs itself, or nests brackets without end, is cut short
// instead of exhausting the stack.
TEST_F(CMC_Behaviour_EntryTest, EndlessNestingIsBounded)
{
    behaviour("SELF", "P^LOG(1);SELF^RUN();");
    EXPECT_FALSE(static_cast<CMC_Behaviour*>(scene.getObject("SELF"))->run(nullptr, nullptr, false));
    EXPECT_EQ(calls().size(), size_t(CMC_Behaviour::MAX_NESTING));

    std::string calls3000;
    for (int i = 0; i < 3000; ++i)
        calls3000 += "Q^LOG(";
    std::string deep = "P^LOG(" + std::string(5000, '[') + "1" + std::string(5000, ']') + ");" + calls3000 +
                       std::string(3000, ')') + ";";
    calls().clear();
    run(deep.c_str());
    EXPECT_EQ(calls().front(), "P.LOG()");
    EXPECT_LT(calls().size(), 100u);
}

class CMC_BehaviourTest : public ::testing::Test, public World {};

class FixedCondition : public CMC_BasicCondition {
public:
    FixedCondition(const char* n, bool holds) : CMC_BasicCondition(CXString(n), MC_CONDITION), holds(holds) {}
    bool valid(bool) override { return holds; }
    bool holds;
};

TEST_F(CMC_BehaviourTest, DisabledEmptyOrFailingBehavioursDoNotRun)
{
    CMC_Behaviour restored(&scene);
    EXPECT_FALSE(restored.run(nullptr, nullptr, false));

    scene.addObject(new FixedCondition("NO", false));
    scene.addObject(new CMC_Integer(CXString("NUMBER")));
    CMElement* record = scripttest::record("B", {{"CODE", "{P^LOG(1);P^STOP1();}"}, {"CONDITION", "NO"}});
    CMC_Behaviour* b = new CMC_Behaviour(&scene, record);
    delete record;
    scene.addObject(b);
    b->init();
    b->resolveCondition();
    EXPECT_EQ(b->getCode(), "P^LOG(1);P^STOP1();");
    EXPECT_FALSE(b->run(nullptr, nullptr, true));
    EXPECT_TRUE(b->run(nullptr, nullptr, false));
    static_cast<FixedCondition*>(scene.getObject("NO"))->holds = true;
    EXPECT_TRUE(b->run(nullptr, nullptr, true));
    b->enable(false);
    EXPECT_FALSE(b->run(nullptr, nullptr, false));
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)", "P.STOP1()", "P.LOG(1)", "P.STOP1()"}));

    // A name that finds no condition binds none.
    CMElement* other = scripttest::record("C", {{"CODE", "P^LOG(2);"}, {"CONDITION", "NUMBER"}});
    CMC_Behaviour c(&scene, other);
    delete other;
    c.init();
    c.resolveCondition();
    EXPECT_EQ(c.getCondition(), nullptr);
}

TEST_F(CMC_BehaviourTest, LocalObjectsGoWhenTheRunEnds)
{
    CMC_Behaviour* b = behaviour("B", "P^ACT();P^LOG(L);");
    probe("P")->action = [this, b](CXVector*) {
        CMC_Integer* local = new CMC_Integer(CXString("L"));
        local->setValue(3);
        local->setAsTemporary();
        scene.addObject(local);
        b->addTempObject(local);
        return nullptr;
    };
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.ACT()", "P.LOG(3)"}));
    EXPECT_EQ(scene.getObject("L"), nullptr);
}

// A behaviour replaced in its container while it runs finishes its run and
// is freed when the waiting objects are.
TEST_F(CMC_BehaviourTest, ReplacedWhileRunningIsFreedAtTheFlush)
{
    CMC_Behaviour* b = behaviour("B", "P^ACT();P^LOG(after);");
    probe("P")->action = [this](CXVector*) {
        behaviour("B", "P^LOG(new);");
        return nullptr;
    };
    b->run(nullptr, nullptr, false);
    EXPECT_EQ(calls(), (Calls{"P.ACT()", "P.LOG(after)"}));
    EXPECT_TRUE(CMC_Disposal::waits(b));
    EXPECT_NE(scene.getObject("B"), b);
    CMC_Disposal::freeWaiting();
}

// A flush frees what waits in the order it came. A member freed by
// another's destructor has left (freed once); one put there meanwhile is
// freed in the same flush.
TEST_F(CMC_BehaviourTest, TheTrashDeletesItsMembersInTheirOrderOnce)
{
    struct Member : CMC_Object {
        Member(const char* name, Calls& gone, std::function<void()> then)
            : CMC_Object(CXString(name), PROBE_TYPE), gone(gone), then(std::move(then))
        {
        }
        ~Member() override
        {
            gone.push_back(getName().c_str());
            if (then)
                then();
        }
        Calls& gone;
        std::function<void()> then;
    };
    Calls gone;
    CMC_Behaviour* b = new CMC_Behaviour(&scene, CXString("B"), CXString("P^LOG(1);"));
    Member* late = new Member("LATE", gone, nullptr);
    Member* first = new Member("FIRST", gone, [&] { delete b; });
    Member* last = new Member("LAST", gone, [&] { CMC_Disposal::deferFree(late); });
    for (CMC_Object* o : std::initializer_list<CMC_Object*>{first, b, last}) {
        CMC_Disposal::deferFree(o);
        CMC_Disposal::deferFree(o);
    }
    EXPECT_TRUE(CMC_Disposal::waits(first));
    EXPECT_FALSE(CMC_Disposal::waits(late));
    CMC_Disposal::freeWaiting();
    EXPECT_EQ(gone, (Calls{"FIRST", "LAST", "LATE"}));
}

TEST_F(CMC_BehaviourTest, TimedRunsCountTicksThenRunTheEndBehaviourOnce)
{
    WindowTimer window;
    CMC_Behaviour* end = behaviour("END", "P^LOG(end,$1,$2);");
    CMC_Behaviour* t = behaviour("T", "P^LOG($1,$2);");
    t->runOnTimer(100, 3, texts({"0", "x"}), end);
    window.frame(50);
    EXPECT_TRUE(calls().empty());
    for (int i = 0; i < 5; ++i)
        window.frame(100);
    EXPECT_EQ(calls(), (Calls{"P.LOG(1,x)", "P.LOG(2,x)", "P.LOG(3,x)", "P.LOG(end,3,x)"}));
    EXPECT_EQ(scene.getObject("T"), nullptr);
    EXPECT_TRUE(t->isToDelete());
    window.trash.sweep();
    EXPECT_EQ(window.trash.getSize(), 0);
}

TEST_F(CMC_BehaviourTest, TimedRunsWithoutLimitEndByBreakOrATrueRun)
{
    WindowTimer window;
    CMC_Behaviour* t = behaviour("T", "P^LOG($1);");
    t->runOnTimer(10, 0, nullptr, nullptr);
    for (int i = 0; i < 3; ++i)
        window.frame(10);
    run("T^BREAK();");
    window.frame(10);
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)", "P.LOG(2)", "P.LOG(3)"}));
    window.trash.sweep();

    calls().clear();
    CMC_Behaviour* u = behaviour("U", "P^LOG($1);@BREAK();");
    u->runOnTimer(10, 0, nullptr, behaviour("AFTER", "P^LOG(after);"));
    window.frame(10);
    window.frame(10);
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)", "P.LOG(after)"}));
    window.trash.sweep();
}

// The container unloads (scene change) while a behaviour is on the timer:
// it takes itself off the timer and out of the window's trash.
TEST_F(CMC_BehaviourTest, UnloadingDuringATimedRunLeavesNothingBehind)
{
    WindowTimer window;
    behaviour("T", "P^LOG($1);")->runOnTimer(10, 5, nullptr, behaviour("END", "P^LOG(end);"));
    window.frame(10);
    EXPECT_EQ(window.trash.getSize(), 1);
    scene.unload();
    EXPECT_EQ(window.trash.getSize(), 0);
    window.frame(10);
    window.frame(10);
    window.trash.sweep();
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)"}));
}

// The step budget bounds the whole work of a run: parsing statements and
// filling in parameters count by their length, not only the statements run.
TEST_F(CMC_BehaviourTest, TheStepBudgetCountsParsing)
{
    CMC_Behaviour* b = behaviour("B", "P^LOG(Q^GET($1));");
    CXArray* longText = params({std::string(5000, 'x').c_str()});
    CMC_Behaviour::setStepLimit(1000);
    for (int i = 0; i < 100; ++i)
        b->run(nullptr, longText, false);
    CMC_Behaviour::setStepLimit(0);
    EXPECT_GT(calls().size(), 0u);
    EXPECT_LT(calls().size(), 20u);
}

TEST_F(CMC_BehaviourTest, TheTextEvaluatorRunsCallsFromTheirText)
{
    scene.addObject(new CMC_String(CXString("S"), CXString("P")));
    auto value = [this](const char* text) {
        CMC_Variable* v = CMC_Behaviour::resolveParameter(&scene, nullptr, text, nullptr);
        std::string out = v ? CMC_Behaviour_Entry::getStringValue(v).c_str() : "<none>";
        CMC_Behaviour::releaseValue(v, &scene);
        return out;
    };
    EXPECT_EQ(value(" P^GET() "), "42");
    EXPECT_EQ(value(std::string("P^#\x02()").c_str()), "42");
    EXPECT_EQ(value("[2+3*4]"), "20");
    EXPECT_EQ(value("S"), "P");
    EXPECT_EQ(value("-5"), "-5");
    EXPECT_EQ(value("NOSUCH^M(1)"), "<none>");
    EXPECT_EQ(value("*S^LOG(x,P^GET())"), "<none>");
    EXPECT_EQ(value("Q^LOG"), "<none>");
    EXPECT_EQ(calls(), (Calls{"P.GET()", "P.GET()", "P.GET()", "P.LOG(x,42)", "Q.LOG()"}));

    const struct {
        const char* text;
        int count;
    } lists[] = {{"f(1,2),3", 2}, {"a,,b,", 2}, {"x", 1}};
    for (const auto& l : lists) {
        CXVector* values = CMC_Behaviour::resolveParameters(&scene, nullptr, l.text, nullptr);
        ASSERT_NE(values, nullptr);
        EXPECT_EQ(values->getSize(), l.count) << l.text;
        for (int i = 0; i < values->getSize(); ++i)
            CMC_Behaviour::releaseValue(static_cast<CMC_Variable*>((*values)[i]), &scene);
        delete values;
    }
    EXPECT_EQ(CMC_Behaviour::resolveParameters(&scene, nullptr, "", nullptr), nullptr);
    EXPECT_EQ(taken(), 0);
}

class CMC_Behaviour_RunnerTest : public ::testing::Test, public World {};

TEST_F(CMC_Behaviour_RunnerTest, RunPassesArgumentsAndGivesTheReturnValue)
{
    behaviour("B", "P^LOG($1,$2,$3);$2^PLAY();");
    behaviour("STOPS", "P^STOP1();");
    CMC_Integer* back = new CMC_Integer(CXString("__RETURN__"));
    back->setValue(9);
    scene.addObject(back);
    EXPECT_TRUE(run("P^LOG(B^RUN(1,ANIM,N));STOPS^RUN();P^LOG(no);"));
    // Names of objects that are no values reach the behaviour quoted.
    EXPECT_EQ(calls(), (Calls{"P.LOG(1,ANIM,N)", "P.LOG(9)", "P.STOP1()"}));

    calls().clear();
    EXPECT_TRUE(run("STOPS^DISABLE();P^LOG(STOPS^RUNC());STOPS^ENABLE();STOPS^RUNC();P^LOG(no);"));
    EXPECT_EQ(calls(), (Calls{"P.LOG(9)", "P.STOP1()"}));
    EXPECT_EQ(taken(), 0);
}

// A behaviour that runs itself with parameters that grow (many of them, or
// holding a statement of many arguments) is stopped by what its runs may
// hold at once, long before the nesting limit, instead of exhausting memory.
TEST_F(CMC_Behaviour_RunnerTest, RecursionThroughGrowingParametersIsBounded)
{
    CMC_Integer* depth = new CMC_Integer(CXString("DEPTH"));
    scene.addObject(depth);
    std::string many;
    for (int i = 0; i < 60; ++i)
        many += i ? ",$1$1" : "$1$1";
    std::string wide;
    for (int i = 0; i < 3000; ++i)
        wide += ",1";
    const std::string codes[] = {
        "DEPTH^INC();G^RUN(" + many + ");",
        // Each run parses a call of 3,001 arguments, alive while it runs.
        "DEPTH^INC();P^LOG(G^RUN($1" + wide + "));",
    };
    for (const std::string& code : codes) {
        depth->setValue(0);
        behaviour("G", code.c_str());
        run("G^RUN(\"a,\");");
        EXPECT_GT(depth->getValue(), 10) << code.substr(0, 40);
        EXPECT_LT(depth->getValue(), 100) << code.substr(0, 40);
        CMC_Disposal::freeWaiting();
    }
}

TEST_F(CMC_Behaviour_RunnerTest, RunLoopedCountsFromStartByStep)
{
    behaviour("L", "P^LOG($1,$2,$3);");
    run("L^RUNLOOPED(0,3);L^RUNLOOPED(10,-1);L^RUNLOOPED(0,5,2,z);");
    EXPECT_EQ(calls(), (Calls{"P.LOG(0,$2,$3)", "P.LOG(1,$2,$3)", "P.LOG(2,$2,$3)", "P.LOG(0,2,z)", "P.LOG(2,2,z)",
                              "P.LOG(4,2,z)"}));

    calls().clear();
    behaviour("UNTIL", "P^LOG($1);@BREAK();");
    run("UNTIL^RUNLOOPED(0,3,0);");
    EXPECT_EQ(calls(), (Calls{"P.LOG(0)"}));
}

} // namespace
