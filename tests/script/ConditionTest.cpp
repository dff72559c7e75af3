#include "BehaviourSupport.h"
#include "script/Condition.h"
#include "script/Expression.h"

#include <gtest/gtest.h>

using namespace scripttest;

namespace {

using Calls = std::vector<std::string>;

class CMC_ExpressionTest : public ::testing::Test, public World {
protected:
    CMC_ExpressionTest()
    {
        scene.addObject(new CMC_String(CXString("A"), CXString("x")));
        for (auto v : {std::make_pair("B", 5), std::make_pair("C", 2)}) {
            CMC_Integer* i = new CMC_Integer(CXString(v.first));
            i->setValue(v.second);
            scene.addObject(i);
        }
    }
    std::string value(const char* text)
    {
        CMC_Expression e(&scene, CXString(text));
        CMC_Variable* r = e.evaluate();
        if (!r)
            return "<none>";
        const char* type = r->getType() == MC_INTEGER  ? "INTEGER "
                           : r->getType() == MC_DOUBLE ? "DOUBLE "
                           : r->getType() == MC_STRING ? "STRING "
                                                       : "BOOL ";
        return type + std::string(r->toString().c_str());
    }
};

TEST_F(CMC_ExpressionTest, LeftToRightAndTheLeftTypeDecides)
{
    const struct {
        const char* text;
        const char* value;
    } cases[] = {
        {"2+3*4", "INTEGER 20"},
        {"1.5+1", "DOUBLE 2.50000"},
        {"1+1.5", "INTEGER 3"},
        {"A+B", "STRING x5"},
        {"A-B", "STRING x"},
        {"A*B@C%B", "STRING x"},
        {"B*[B+C]", "INTEGER 35"},
        {"A+[B*C]-2", "STRING x10"},
        {"7@2", "INTEGER 3"},
        {"7%0", "INTEGER 0"},
        {"B", "INTEGER 5"},
        {"[[B]]", "INTEGER 5"},
        {"P^GET()+1", "INTEGER 43"},
        {"-5", "STRING "},
        {"", "<none>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(value(c.text), c.value) << c.text;
    EXPECT_EQ(taken(), 0);
}

TEST_F(CMC_ExpressionTest, EveryReadComputesAgain)
{
    CMElement* record = scripttest::record("E", {{"OPERAND1", "B"}, {"OPERATOR", "MUL"}, {"OPERAND2", "3"}});
    CMC_Expression* e = new CMC_Expression(&scene, record);
    delete record;
    scene.addObject(e);
    e->init();
    EXPECT_TRUE(e->isStill());
    EXPECT_EQ(CMC_Behaviour_Entry::getStringValue(e), "15");
    run("B^SET(4);P^LOG(E,[E+1]);");
    EXPECT_EQ(calls(), (Calls{"P.LOG(12,13)"}));

    // One that needs its own value has none.
    CMElement* self = scripttest::record("SELF", {{"OPERAND1", "SELF"}, {"OPERATOR", "ADD"}, {"OPERAND2", "1"}});
    CMC_Expression* s = new CMC_Expression(&scene, self);
    delete self;
    scene.addObject(s);
    s->init();
    EXPECT_EQ(s->evaluate(), nullptr);
}

class CMC_ConditionTest : public ::testing::Test, public World {
protected:
    CMC_ConditionTest()
    {
        CMC_Integer* i = new CMC_Integer(CXString("I"));
        i->setValue(5);
        scene.addObject(i);
        CMC_Double* d = new CMC_Double(CXString("D"));
        d->setValue(5.4);
        scene.addObject(d);
    }
    // A condition object with inline event code.
    CMC_BasicCondition* condition(const char* name, std::vector<std::pair<const char*, const char*>> properties,
                                  bool complex = false)
    {
        properties.emplace_back("ONRUNTIMESUCCESS", "{P^LOG(yes);}");
        properties.emplace_back("ONRUNTIMEFAILED", "{P^LOG(no);}");
        CMElement* record = scripttest::record(name, properties);
        CMC_BasicCondition* c = complex ? static_cast<CMC_BasicCondition*>(new CMC_ComplexCondition(&scene, record))
                                        : new CMC_Condition(&scene, record);
        delete record;
        scene.addObject(c);
        c->init();
        return c;
    }
    bool inlineValid(const char* text) { return CMC_Condition::valid(&scene, CXString(text)); }
};

TEST_F(CMC_ConditionTest, TheFirstOperandsTypeDecides)
{
    CMC_BasicCondition* same = condition("C1", {{"OPERAND1", "I"}, {"OPERATOR", "EQUAL"}, {"OPERAND2", "D"}});
    CMC_BasicCondition* swapped = condition("C2", {{"OPERAND1", "D"}, {"OPERAND2", "I"}});
    CMC_BasicCondition* less = condition("C3", {{"OPERAND1", "D"}, {"OPERATOR", "LESS"}, {"OPERAND2", "[I+1]"}});
    EXPECT_TRUE(same->valid(false));
    EXPECT_FALSE(swapped->valid(false));
    EXPECT_TRUE(less->valid(false));
    EXPECT_TRUE(calls().empty());
}

TEST_F(CMC_ConditionTest, SnapshotRecordEndsWithTheThreeTexts)
{
    CMC_BasicCondition* c = condition("C", {{"OPERAND1", "I"}, {"OPERATOR", "LESS"}, {"OPERAND2", "9"}});
    std::string bytes = archived([c](CXArchive* ar) { c->serialize(ar); });
    EXPECT_EQ(bytes.substr(bytes.size() - 18), std::string("\1\0\0\0I\1\0\0\0" "9\4\0\0\0LESS", 18));
    CMC_Condition restored(&scene);
    EXPECT_EQ(unarchive(bytes, [&restored](CXArchive* ar) { restored.serialize(ar); }), 0);
    restored.init();
    EXPECT_EQ(restored.getName(), "C");
    EXPECT_TRUE(restored.valid(false));
}

TEST_F(CMC_ConditionTest, MethodsAnswerAndRunTheEvents)
{
    condition("FAILS", {{"OPERAND1", "I"}, {"OPERATOR", "GREATER"}, {"OPERAND2", "9"}});
    condition("HOLDS", {{"OPERAND1", "I"}, {"OPERATOR", "LESSEQUAL"}, {"OPERAND2", "5"}});
    run("P^LOG(FAILS^CHECK());P^LOG(FAILS^CHECK(FALSE));P^LOG(FAILS^BREAK(FALSE));HOLDS^ONE_BREAK(FALSE);"
        "P^LOG(not reached);");
    EXPECT_EQ(calls(), (Calls{"P.LOG(no)", "P.LOG(FALSE)", "P.LOG(FALSE)", "P.LOG(null)"}));
    calls().clear();
    EXPECT_TRUE(run("HOLDS^BREAK();P^LOG(not reached);"));
    EXPECT_EQ(calls(), (Calls{"P.LOG(yes)"}));
}

TEST_F(CMC_ConditionTest, InlineOperators)
{
    scene.addObject(new CMC_String(CXString("S"), CXString("b")));
    const struct {
        const char* text;
        bool holds;
    } cases[] = {
        {"I'5", true},   {"I!'5", false},  {"I<'5", true},  {"I>'6", false},  {"I<6", true},
        {"I>6", false},  {"I<>5", false},  {"S<c", true},   {"S>a", true},    {"S<b", false},   {"S>b", false},
        {"S<'b", true},  {"S>'b", true},   {"'", true},
        {"I?INTEGER", true}, {"I?STRING", false}, {"NONE?STRING", false}, {"", true}, {"5", false},
        {"D'5.4", true}, {"I'5.4", true}, {"P^GET()'42", true}, {"[I*2]'10", true}, {"CONV(5,STRING)'5", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(inlineValid(c.text), c.holds) << c.text;

    const struct {
        const char* op;
        bool holds;
    } three[] = {{"_", true}, {"!_", false}, {"<>", false}, {"<", false}, {"<_", true}, {">", false},
                 {">_", true}, {"=", true}, {"==", true}};
    // Equal operands, as numbers and as strings.
    const std::pair<const char*, const char*> equal[] = {{"I", "5"}, {"S", "b"}};
    for (const auto& e : equal)
        for (const auto& t : three)
            EXPECT_EQ(CMC_Condition::valid(&scene, CXString(e.first), CXString(e.second), CXString(t.op)), t.holds)
                << e.first << t.op;
    EXPECT_EQ(taken(), 0);
}

TEST_F(CMC_ConditionTest, ComplexConditionsShortCircuitInEventOrder)
{
    condition("NO", {{"OPERAND1", "I"}, {"OPERAND2", "6"}});
    condition("YES", {{"OPERAND1", "I"}, {"OPERAND2", "5"}});
    const struct {
        const char* op;
        const char* first;
        const char* second;
        Calls calls;
    } cases[] = {
        {"AND", "NO", "YES", {"P.LOG(no)", "P.LOG(no)"}},
        {"AND", "YES", "NO", {"P.LOG(yes)", "P.LOG(no)", "P.LOG(no)"}},
        {"OR", "YES", "NO", {"P.LOG(yes)", "P.LOG(yes)"}},
        {"OR", "NO", "YES", {"P.LOG(no)", "P.LOG(yes)", "P.LOG(yes)"}},
        {"or", "NO", "YES", {"P.LOG(no)", "P.LOG(no)"}},
        {"OR", "YES", "I", {}},
        {"OR", "MISSING", "YES", {}},
    };
    for (const auto& c : cases) {
        CMC_BasicCondition* both = condition(
            "BOTH", {{"OPERATOR", c.op}, {"CONDITION1", c.first}, {"CONDITION2", c.second}}, true);
        calls().clear();
        both->valid(true);
        EXPECT_EQ(calls(), c.calls) << c.op << " " << c.first << " " << c.second;
    }

    // Conditions that name each other end as failing ones.
    condition("LOOP1", {{"CONDITION1", "LOOP2"}, {"CONDITION2", "YES"}}, true);
    condition("LOOP2", {{"OPERATOR", "OR"}, {"CONDITION1", "LOOP1"}, {"CONDITION2", "NO"}}, true);
    calls().clear();
    EXPECT_FALSE(static_cast<CMC_BasicCondition*>(scene.getObject("LOOP1"))->valid(false));
    EXPECT_EQ(calls(), (Calls{"P.LOG(no)", "P.LOG(no)"}));
}

} // namespace
