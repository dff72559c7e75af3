#include "BehaviourSupport.h"
#include "script/BuiltinRunner.h"

#include <gtest/gtest.h>

using namespace scripttest;

namespace {

using Calls = std::vector<std::string>;

class CMC_Builtin_RunnerTest : public ::testing::Test, public World {
protected:
    CMC_Builtin_RunnerTest()
    {
        x = new CMC_Integer(CXString("X"));
        x->setValue(5);
        scene.addObject(x);
    }
    CMC_Integer* x;
};

TEST_F(CMC_Builtin_RunnerTest, IfLongAndShortForms)
{
    run("@IF(X,_,5,{P^LOG(equal);},{P^LOG(other);});"
        "@IF(X,<>,5,{P^LOG(differs);});"
        "@IF(X'4,{P^LOG(four);},{P^LOG(not four);});"
        "@IF(X>4,\"{P^LOG(above);}\",\"\");"
        "@IF(X<4,{P^LOG(below);});");
    EXPECT_EQ(calls(), (Calls{"P.LOG(equal)", "P.LOG(notfour)", "P.LOG(above)"}));

    // "&&" stops at the first piece that fails, "||" at the first that
    // holds; with both, the text is cut at "&&" and stops at the first
    // piece that holds.
    const struct {
        const char* condition;
        Calls calls;
    } cases[] = {
        {"P^GET()'42&&Q^GET()'42", {"P.GET()", "Q.GET()", "P.LOG(yes)"}},
        {"P^GET()'1&&Q^GET()'42", {"P.GET()", "P.LOG(no)"}},
        {"P^GET()'42||Q^GET()'1", {"P.GET()", "P.LOG(yes)"}},
        {"P^GET()'1||Q^GET()'1", {"P.GET()", "Q.GET()", "P.LOG(no)"}},
        {"P^GET()'42&&Q^GET()'1||", {"P.GET()", "P.LOG(yes)"}},
    };
    for (const auto& c : cases) {
        calls().clear();
        std::string code = std::string("@IF(\"") + c.condition + "\",{P^LOG(yes);},{P^LOG(no);});";
        run(code.c_str());
        EXPECT_EQ(calls(), c.calls) << c.condition;
    }
}

TEST_F(CMC_Builtin_RunnerTest, BreakInsideIfInsideLoopEndsBoth)
{
    EXPECT_TRUE(run("@LOOP({P^LOG(_I_);@IF(_I_'1,{@BREAK();},\"\");},0,5,1);P^LOG(after);"));
    EXPECT_EQ(calls(), (Calls{"P.LOG(0)", "P.LOG(1)"}));

    calls().clear();
    EXPECT_FALSE(run("@LOOP({@IF(_I_'1,{@ONEBREAK();P^LOG(never);},\"\");P^LOG(_I_);@CONTINUE();P^LOG(no);},0,3,1);"
                     "P^LOG(after);"));
    EXPECT_EQ(calls(), (Calls{"P.LOG(0)", "P.LOG(1)", "P.LOG(2)", "P.LOG(after)"}));
}

TEST_F(CMC_Builtin_RunnerTest, LoopCountsAndRestoresAnOuterCounter)
{
    const struct {
        const char* code;
        Calls calls;
    } cases[] = {
        {"@LOOP({P^LOG(_I_);},0,3,1);", {"P.LOG(0)", "P.LOG(1)", "P.LOG(2)"}},
        {"@LOOP({P^LOG(_I_);},0,-3,-1);", {"P.LOG(0)", "P.LOG(-1)", "P.LOG(-2)"}},
        {"@LOOP({P^LOG(_I_);},5,0,1);", {}},
        {"@LOOP({P^LOG(_I_);},0,4,2);", {"P.LOG(0)", "P.LOG(2)"}},
        {"@LOOP({@LOOP({P^LOG(_I_);},10,2,1);P^LOG(_I_);},0,2,1);",
         {"P.LOG(10)", "P.LOG(11)", "P.LOG(0)", "P.LOG(10)", "P.LOG(11)", "P.LOG(1)"}},
    };
    for (const auto& c : cases) {
        calls().clear();
        run(c.code);
        EXPECT_EQ(calls(), c.calls) << c.code;
        EXPECT_EQ(scene.getObject("_I_"), nullptr);
    }

    // An outer loop's counter seen through the parent stays where it is.
    TestScene app{"GAME", MC_APPLICATION};
    CMC_Integer* outer = new CMC_Integer(CXString("_I_"));
    outer->setAsTemporary();
    app.addObject(outer);
    scene.setParent(&app);
    calls().clear();
    run("@LOOP({P^LOG(_I_);},7,1,1);P^LOG(_I_);");
    EXPECT_EQ(calls(), (Calls{"P.LOG(7)", "P.LOG(0)"}));
    EXPECT_EQ(scene.getObjectId("_I_"), -1);
    EXPECT_EQ(app.getObject("_I_"), outer);
    scene.setParent(nullptr);
    app.removeObject(outer);
    delete outer;
}

TEST_F(CMC_Builtin_RunnerTest, WhileReadsItsOperandsBeforeEveryPass)
{
    run("@WHILE(X,<,8,{X^INC();P^LOG(X);});");
    EXPECT_EQ(calls(), (Calls{"P.LOG(6)", "P.LOG(7)", "P.LOG(8)"}));
}

// A statement keeps its IF's or WHILE's condition split between runs, but
// answers for the texts of each run, calls its operands' methods and
// computes its expressions at every evaluation.
TEST_F(CMC_Builtin_RunnerTest, KeptConditionsMeetTheTextsAndValuesOfEachRun)
{
    CMC_Behaviour* b = behaviour("B", "@IF($1,{P^LOG(yes);},{P^LOG(no);});"
                                      "@IF(\"P^GET()'[X+37]\",{P^LOG(sum);},\"\");"
                                      "@WHILE(X,<,$2,{X^INC();});");
    const struct {
        const char* condition;
        const char* limit;
        Calls calls;
        int x;
    } runs[] = {
        {"X'5", "7", {"P.LOG(yes)", "P.GET()", "P.LOG(sum)"}, 7},
        {"X>9", "7", {"P.LOG(no)", "P.GET()"}, 7},
        {"X'0||X'7", "9", {"P.LOG(yes)", "P.GET()"}, 9},
        {"X?INTEGER", "0", {"P.LOG(yes)", "P.GET()"}, 9},
    };
    for (const auto& r : runs) {
        calls().clear();
        b->run(nullptr, params({r.condition, r.limit}), false);
        EXPECT_EQ(calls(), r.calls) << r.condition;
        EXPECT_EQ(x->getValue(), r.x) << r.condition;
    }

    // An operand that runs the same statement with another condition while
    // the first is being evaluated: each evaluation keeps its own.
    CMC_Behaviour* again = behaviour("AGAIN", "@IF($1,{P^LOG(yes);},{P^LOG(no);});");
    calls().clear();
    again->run(nullptr, params({"\"AGAIN^RUN(X>4)'x\""}), false);
    EXPECT_EQ(calls(), (Calls{"P.LOG(yes)", "P.LOG(no)"}));
}

TEST_F(CMC_Builtin_RunnerTest, LocalVariablesLastOneRun)
{
    EXPECT_FALSE(run("@INT(N,5);@INT(N,7);P^LOG(N,@INT(N,8),@STRING(T,ab),T,@BOOL(X,FALSE));"));
    EXPECT_EQ(calls(), (Calls{"P.LOG(5,null,ab,ab,null)"}));
    EXPECT_EQ(scene.getObject("N"), nullptr);
    EXPECT_EQ(scene.getObject("T"), nullptr);
    EXPECT_EQ(x->getValue(), 5);
}

TEST_F(CMC_Builtin_RunnerTest, ValuesAndNames)
{
    behaviour("GIVE", "@RETURN(X);");
    run("P^LOG(@CONV(3,DOUBLE),@CONV(2.6,INTEGER),@CONV(1,BOOL),@CONV(1,NUMBER),@VALUE(ANIM),@VALUE(NONE));"
        "P^LOG(@RETURN(7),__RETURN__,GIVE^RUN(),@GETCURRENTSCENE(),@GETAPPLICATIONNAME(),@MSGBOX(hi));");
    EXPECT_EQ(calls(), (Calls{"P.LOG(3.00000,3,TRUE,null,ANIM,null)", "P.LOG(7,7,5,ROOM,,null)"}));
    EXPECT_EQ(taken(), 0);

    TestScene app{"GAME", MC_APPLICATION};
    scene.setParent(&app);
    calls().clear();
    run("P^LOG(@GETAPPLICATIONNAME());");
    EXPECT_EQ(calls(), (Calls{"P.LOG(GAME)"}));
    scene.setParent(nullptr);
}

CMC_Object* makeProbe(CMC_ObjectsContainer*) { return new Probe("unnamed"); }

TEST_F(CMC_Builtin_RunnerTest, CreateReplacesAnObjectOfTheSameName)
{
    run("@CREATE(PROBE,NEW);");
    EXPECT_EQ(scene.getObject("NEW"), nullptr);
    CMC_Builtin_Runner::setCreator("PROBE", &makeProbe);
    Probe* old = probe("Q");
    run("@CREATE(PROBE,Q);@CREATE(TIMER,Z);Q^LOG(1);");
    CMC_Builtin_Runner::setCreator("PROBE", nullptr);
    EXPECT_NE(probe("Q"), old);
    EXPECT_EQ(scene.getObject("Z"), nullptr);
    EXPECT_EQ(calls(), (Calls{"Q.LOG(1)"}));
}

std::vector<std::string> timerNames(CMC_ObjectsContainer& scene)
{
    std::vector<std::string> names;
    CXVector* list = scene.getObjectsOfType(MC_BEHAVIOUR);
    for (int i = 0; i < list->getSize(); ++i) {
        std::string name = static_cast<CMC_Object*>((*list)[i])->getName().c_str();
        if (name.rfind("timer_", 0) == 0)
            names.push_back(name);
    }
    delete list;
    return names;
}

TEST_F(CMC_Builtin_RunnerTest, RunOnTimerTicksThenEndsOnce)
{
    WindowTimer window;
    run("@RUNONTIMER(100,3,{P^LOG(&1,&2);},{P^LOG(end,$1);},x);");
    EXPECT_EQ(timerNames(scene).size(), 1u);
    for (int i = 0; i < 5; ++i)
        window.frame(100);
    EXPECT_EQ(calls(), (Calls{"P.LOG(1,x)", "P.LOG(2,x)", "P.LOG(3,x)", "P.LOG(end,3)"}));
    EXPECT_TRUE(timerNames(scene).empty());
    window.trash.sweep();

    // An end behaviour written in a statement rebuilt for one run is gone
    // when the timer ends: nothing runs in its place.
    calls().clear();
    run("P^LOG(@RUNONTIMER(100,2,{P^LOG(&1);},{P^LOG(end,$1);}));");
    for (int i = 0; i < 3; ++i)
        window.frame(100);
    ASSERT_EQ(calls().size(), 3u);
    EXPECT_EQ(calls()[0].rfind("P.LOG(timer_", 0), 0u);
    EXPECT_EQ(calls()[2], "P.LOG(2)");
    window.trash.sweep();

    // Broken by name before its end: no end behaviour; an end given as text
    // stays in the container.
    calls().clear();
    scene.addObject(new CMC_String(CXString("S"), CXString()));
    run("S^SET(@RUNONTIMER(10,0,\"P^LOG(&1);\",\"P^LOG(end);\"));");
    window.frame(10);
    run("*S^BREAK();");
    window.frame(10);
    EXPECT_EQ(calls(), (Calls{"P.LOG(1)"}));
    EXPECT_EQ(timerNames(scene).size(), 1u);
    window.trash.sweep();
}

} // namespace
