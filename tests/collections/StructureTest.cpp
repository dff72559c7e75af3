#include "RecordsSupport.h"
#include "collections/Structure.h"
#include "script/String.h"
#include "script/Values.h"

#include <memory>

using namespace recordstest;

namespace {

// "NAME:type id" of every field, comma-separated.
std::string layout(CMC_Structure* s)
{
    std::string out;
    for (int i = 0; i < s->getFieldCount(); ++i)
        out += (i ? "," : "") + std::string(s->getField(i)->getName().c_str()) + ":" +
               std::to_string(s->getField(i)->getType());
    return out;
}

class CMC_StructureTest : public RecordsTest {
protected:
    CMC_Structure* make(const char* name, const char* fields)
    {
        return static_cast<CMC_Structure*>(scene.defineOne(name, "STRUCT", MC_STRUCTURE, "FIELDS", fields));
    }
};

TEST_F(CMC_StructureTest, FieldsAreDeclaredFromTheirDefinition)
{
    struct Case {
        const char* fields;
        const char* layout;
    } cases[] = {
        {"NAME<STRING>,SCORE<integer>,RATIO<DOUBLE>,DONE<Bool>", "P_NAME:2,P_SCORE:1,P_RATIO:4,P_DONE:3"},
        {"A<INT>", ""},
        {",NAME<STRING>,,", "P_NAME:2"},
        {"FIRST_NAME<STRING>", "P_FIRST_NAME:2"},
        {"A<BOOL,B>INTEGER<,C", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(layout(make("P", c.fields)), c.layout) << c.fields;
    // A structure has none of the change events of the other values.
    EXPECT_EQ(make("P", "")->getEventCount(), 3);
}

TEST_F(CMC_StructureTest, FieldsAreFoundByTheirShortNameWithCase)
{
    CMC_Structure* s = make("S", "FIRST_NAME<STRING>,SCORE<INTEGER>");
    EXPECT_EQ(s->getField(CXString("NAME")), s->getField(0));
    EXPECT_EQ(s->getField(CXString("FIRST_NAME")), nullptr);
    EXPECT_EQ(s->getField(CXString("score")), nullptr);
    EXPECT_EQ(s->getField(2), nullptr);
    EXPECT_EQ(s->getField(-1), nullptr);
    // Names and positions that no field has change nothing.
    CMC_Integer five(5);
    s->setField(CXString("MISSING"), &five);
    s->setField(7, &five);
    EXPECT_EQ(s->toString(), "|0");
}

TEST_F(CMC_StructureTest, TextFormJoinsTheFieldsAndSplitsThemBack)
{
    CMC_Structure* s = make("T", "A<STRING>,B<INTEGER>,C<BOOL>");
    s->fromString("x|5|true");
    EXPECT_EQ(s->toString(), "x|5|TRUE");
    // Empty pieces are skipped, so the values move forward; fields without
    // a piece keep their values; pieces beyond the fields are dropped.
    s->fromString("a||7");
    EXPECT_EQ(s->toString(), "a|7|TRUE");
    s->fromString("b|8\n");
    EXPECT_EQ(s->toString(), "b|8|TRUE");
    s->fromString("c|9|false|extra|more");
    EXPECT_EQ(s->toString(), "c|9|FALSE");
    EXPECT_EQ(CMC_Structure(CXString("EMPTY")).toString(), "");
}

TEST_F(CMC_StructureTest, CopiesAndComparisonsGoByPosition)
{
    CMC_Structure* a = make("A", "N<STRING>,V<INTEGER>");
    CMC_Structure* b = make("B", "TEXT<STRING>,NUMBER<DOUBLE>,EXTRA<BOOL>");
    b->fromString("Abc|7.5|TRUE");
    a->set(b);
    EXPECT_EQ(a->toString(), "Abc|8");
    EXPECT_TRUE(a->equals(b));
    b->set(a); // fewer fields: the third stays
    EXPECT_EQ(b->toString(), "Abc|8.00000|TRUE");
    a->fromString("abc|8");
    EXPECT_TRUE(a->equals(b)) << "strings compare ignoring case";
    EXPECT_FALSE(b->equals(a)) << "a has no third field";
    CMC_Integer eight(8);
    EXPECT_FALSE(a->equals(&eight));
    a->set(&eight);
    EXPECT_EQ(a->toString(), "abc|8");
    EXPECT_EQ(a->compare(static_cast<CMC_Variable*>(b)), 0);
    EXPECT_EQ(a->convert(MC_STRING), nullptr);
    EXPECT_EQ(a->calculate(b, 1), a);
}

TEST_F(CMC_StructureTest, AMapIsAViewOfTheOthersFields)
{
    CMC_Structure* b = make("B", "X<INTEGER>");
    {
        CMC_Structure view(CXString("VIEW"));
        view.map(b);
        CMC_Integer five(5);
        view.setField(CXString("X"), &five);
        EXPECT_EQ(b->toString(), "5");
    }
    EXPECT_EQ(b->toString(), "5") << "deleting the view leaves the fields";
}

TEST_F(CMC_StructureTest, ACloneOwnsCopiesOfTheFields)
{
    std::unique_ptr<CMC_Structure> copy;
    {
        CMC_Structure original(CXString("O"));
        original.declare("O_COUNT", "INTEGER");
        original.declare("O_TEXT", "string");
        original.fromString("5|x");
        copy.reset(static_cast<CMC_Structure*>(original.clone()));
    }
    EXPECT_EQ(copy->getName(), "O");
    EXPECT_EQ(layout(copy.get()), "O_COUNT:1,O_TEXT:2");
    EXPECT_EQ(copy->toString(), "5|x");
}

TEST_F(CMC_StructureTest, MethodsSetAndReadFields)
{
    CMC_Structure* s = make("S", "A<INTEGER>,B<STRING>");
    CMC_Structure* other = make("OTHER", "C<INTEGER>,D<STRING>");
    other->fromString("9|z");

    EXPECT_EQ(call(s, "SET", {"1", "\"a\"", "\"more than fields\""}), "-");
    EXPECT_EQ(s->toString(), "1|a");
    EXPECT_EQ(call(s, "SET", {"\"OTHER\""}), "-");
    EXPECT_EQ(s->toString(), "9|z");
    EXPECT_EQ(call(s, "SET", {"\"NOBODY\""}), "-");
    EXPECT_EQ(s->toString(), "9|z");
    EXPECT_EQ(call(s, "SETFIELD", {"\"B\"", "42"}), "-");
    EXPECT_EQ(call(s, "GETFIELD", {"\"B\""}), "42");
    EXPECT_EQ(call(s, "GETFIELD", {"0"}), "9");
    EXPECT_EQ(call(s, "GETFIELD", {"\"0\""}), "-") << "a text looks for a field named 0";
    EXPECT_EQ(call(s, "GETFIELD", {"5"}), "-");

    // A structure passed itself stands for itself.
    other->fromString("3|y");
    CXVector args;
    args.add(other);
    callWith(s, "SET", &args);
    EXPECT_EQ(s->toString(), "3|y");

    // GETFIELD gives a copy.
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(s);
    CXVector position;
    position.add(CMC_Integer::temporary(0));
    CMC_Variable* copy = runner->run(CXString("GETFIELD"), s, &scene, &position);
    ASSERT_NE(copy, nullptr);
    copy->inc();
    EXPECT_EQ(s->toString(), "3|y");
    CMC_Object::flush(copy);
    CMC_Object::flush(static_cast<CMC_Variable*>(position.at(0)));
}

} // namespace
