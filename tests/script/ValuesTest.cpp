#include "ValueSupport.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>

using namespace scripttest;

namespace {

std::string textOf(CMC_Variable* v) { return v ? v->toString().c_str() : "<null>"; }

// Converts a copy of v (so that v stays) and gives the result back.
std::string converted(CMC_Variable* v, int type)
{
    CMC_Variable* c = v->convert(type);
    std::string text = textOf(c);
    if (c && c->getType() != type)
        text = "<wrong type>";
    CMC_Object::flush(c);
    return text;
}

TEST(CMC_IntegerTest, ConvertsToEveryBasicType)
{
    Pools pools;
    CMC_Integer minus(-42), zero(0);
    CMC_Double half(0.5), minusHalf(-0.5), almost(1.49), big(1e12), nan(std::nan(""));
    CMC_Bool yes(true);
    struct Case {
        CMC_Variable* from;
        int to;
        const char* text;
    } cases[] = {
        {&minus, MC_STRING, "-42"},   {&minus, MC_BOOL, "TRUE"},    {&zero, MC_BOOL, "FALSE"},
        {&minus, MC_DOUBLE, "-42.00000"}, {&half, MC_INTEGER, "1"}, {&minusHalf, MC_INTEGER, "-1"},
        {&almost, MC_INTEGER, "1"},   {&big, MC_INTEGER, "2147483647"}, {&nan, MC_INTEGER, "0"},
        {&yes, MC_STRING, "TRUE"},    {&yes, MC_INTEGER, "1"},      {&yes, MC_DOUBLE, "1.00000"},
        {&minus, 7, "<null>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(converted(c.from, c.to), c.text) << textOf(c.from) << " to " << c.to;
    EXPECT_EQ(minus.convert(MC_INTEGER), &minus);
    EXPECT_EQ(CMC_Double::round(2.5), 3);
    EXPECT_EQ(CMC_Double::round(-2.5), -3);
    EXPECT_EQ(CMC_Double::round(2.4999), 2);
}

TEST(CMC_IntegerTest, CalculatesWithTheLeftTypeDeciding)
{
    Pools pools;
    auto calc = [](CMC_Variable* a, CMC_Variable* b, int op) {
        CMC_Variable* r = a->calculate(b, op);
        std::string text = textOf(r);
        EXPECT_EQ(r->getType(), a->getType());
        CMC_Object::flush(r);
        return text;
    };
    CMC_Integer i7(7), i2(2), im7(-7), i0(0), iMin(INT_MIN), im1(-1), iMax(INT_MAX), i1(1);
    CMC_Double d7_9(7.9), d2_2(2.2), d1_5(1.5), d0(0.0);
    CMC_Bool t(true), f(false);
    CMC_String s12(CXString("s"), CXString("12"));
    struct Case {
        CMC_Variable* a;
        CMC_Variable* b;
        int op;
        const char* result;
    } cases[] = {
        {&i7, &i2, 4, "3"},          {&i7, &i2, 5, "1"},          {&im7, &i2, 5, "-1"},
        {&im7, &i2, 4, "-3"},        {&i7, &i2, 2, "5"},          {&i7, &i2, 3, "14"},
        {&iMax, &i1, 1, "-2147483648"}, {&iMin, &i1, 2, "2147483647"},
        {&i7, &i0, 4, "0"},          {&i7, &i0, 5, "0"},          {&iMin, &im1, 4, "-2147483648"},
        {&iMin, &im1, 5, "0"},       {&i7, &d1_5, 1, "9"},        {&i7, &s12, 1, "19"},
        {&i7, &i2, 9, "7"},          {&d7_9, &d2_2, 5, "1.00000"}, {&d1_5, &i7, 1, "8.50000"},
        {&d7_9, &d0, 5, "0"},        {&t, &f, 1, "FALSE"},        {&t, &f, 3, "TRUE"},
        {&f, &t, 2, "FALSE"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(calc(c.a, c.b, c.op), c.result) << textOf(c.a) << " op " << c.op << " " << textOf(c.b);

    CMC_Variable* inf = d1_5.calculate(&d0, 4);
    EXPECT_TRUE(std::isinf(static_cast<CMC_Double*>(inf)->getValue()));
    CMC_Object::flush(inf);
    for (int type : {MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE})
        EXPECT_EQ(CMC_VariableFactory::getTakenCount(type), 0);
}

TEST(CMC_IntegerTest, MixedComparisonsConvertTheArgument)
{
    Pools pools;
    CMC_Integer five(5), one(1);
    CMC_Double fiveFour(5.4);
    CMC_Bool yes(true);
    CMC_String abc(CXString("s"), CXString("abc"));
    EXPECT_TRUE(five.equals(&fiveFour)); // 5.4 rounds to 5
    EXPECT_FALSE(fiveFour.equals(&five));
    EXPECT_TRUE(yes.equals(&five));
    EXPECT_EQ(five.compare(&fiveFour), 0);
    EXPECT_EQ(fiveFour.compare(&five), 1);
    EXPECT_EQ(one.compare(&five), -1);
    EXPECT_EQ(five.compare(&abc), 1); // "abc" reads as 0
    CMC_Bool no(false);
    EXPECT_EQ(no.compare(&yes), -1);
    EXPECT_EQ(yes.compare(&no), 1);
}

TEST(CMC_IntegerTest, AssignmentsReportAsTheirKindSays)
{
    Pools pools;
    Types types;
    runs().clear();
    TestScene scene("ROOM");
    for (const char* n : {"CH", "BR"})
        scene.addObject(new FakeBehaviour(&scene, CXString(n), CXString()));
    std::unique_ptr<CMElement> e(record("B", {{"ONCHANGED", "CH"}, {"ONBRUTALCHANGED", "BR"}}));
    CMC_Bool* b = new CMC_Bool(&scene, e.get());
    scene.addObject(b);
    b->setValue(false);
    b->setValue(true);
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@B", "BR@B"}));
    runs().clear();
    b->inc();
    EXPECT_FALSE(b->getValue());
    b->clear(); // already false: no change
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@B", "CH@B", "BR@B"}));

    std::unique_ptr<CMElement> d(record("I", {{"VALUE", "4"}, {"DEFAULT", "9"}}));
    CMC_Integer i(&scene, d.get());
    EXPECT_EQ(i.getValue(), 4);
    EXPECT_EQ(i.getDefaultValue(), 9);
    i.resetINI(); // no TOINI: nothing
    EXPECT_EQ(i.getValue(), 4);
    CMC_Integer four(4), two(2);
    i.swap(&four, &two);
    EXPECT_EQ(i.getValue(), 2);
    i.swap(&four, &two);
    EXPECT_EQ(i.getValue(), 4);
    i.setValue(INT_MAX);
    i.inc();
    EXPECT_EQ(i.getValue(), INT_MIN);
}

TEST(CMC_IntegerTest, ArchiveAndNetworkForms)
{
    Pools pools;
    CMC_Integer i(-2);
    CMC_Double d(1.23456);
    CMC_Bool b(true);
    CMC_String s(CXString("s"), CXString("hi"));
    CMC_String empty(CXString("e"));
    struct Case {
        CMC_Variable* v;
        std::string net;
        std::string stored;
    } cases[] = {
        {&i, std::string("\x01\0\0\0\xfe\xff\xff\xff", 8), std::string("\x01\0\0\0\xfe\xff\xff\xff", 8)},
        {&d, std::string("\x04\0\0\0\x38\x32\x8f\xfc\xc1\xc0\xf3\x3f", 12), std::string("\x04\0\0\0\xd2\x04\0\0", 8)},
        {&b, std::string("\x03\0\0\0\x01", 5), std::string("\x03\0\0\0\x01\0\0\0", 8)},
        {&s, std::string("\x02\0\0\0hi\0", 7), std::string("\x02\0\0\0\x02\0\0\0hi", 10)},
        {&empty, std::string("\x02\0\0\0\0", 5), std::string("\x02\0\0\0\0\0\0\0", 8)},
    };
    for (const Case& c : cases) {
        std::string net(size_t(c.v->getBufferLen()), '?');
        c.v->netstore(&net[0]);
        EXPECT_EQ(net, c.net) << textOf(c.v);
        EXPECT_EQ(archived([&c](CXArchive* ar) { c.v->store(ar); }), c.stored) << textOf(c.v);

        CMC_Variable* back = CMC_VariableFactory::netrestore(net.data(), int(net.size()));
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(back->equals(c.v)) << textOf(c.v);
        CMC_Object::flush(back);
        unarchive(c.stored, [&c](CXArchive* ar) {
            CMC_Variable* v = CMC_VariableFactory::restore(ar);
            ASSERT_NE(v, nullptr);
            EXPECT_EQ(v->getType(), c.v->getType());
            CMC_Object::flush(v);
        });
    }
    // A double keeps three decimals, cut toward zero.
    unarchive(cases[1].stored, [](CXArchive* ar) {
        CMC_Variable* v = CMC_VariableFactory::restore(ar);
        EXPECT_DOUBLE_EQ(static_cast<CMC_Double*>(v)->getValue(), 1.234);
        CMC_Object::flush(v);
    });
    // A bool network value is true only for the byte 1.
    CMC_Variable* two = CMC_VariableFactory::netrestore("\x03\0\0\0\x02", 5);
    EXPECT_EQ(textOf(two), "FALSE");
    CMC_Object::flush(two);
}

TEST(CMC_IntegerTest, SnapshotsKeepValueAndDefault)
{
    Pools pools;
    CMC_Integer i(5);
    CMC_Double d(2.5);
    CMC_Bool b(true);
    std::string base = archived([](CXArchive* ar) { CMC_Variable(CXString("temp"), 5).serialize(ar); });
    for (auto& [v, size] : std::vector<std::pair<CMC_Variable*, size_t>>{{&i, 8}, {&d, 8}, {&b, 2}}) {
        std::string bytes = archived([v = v](CXArchive* ar) { v->serialize(ar); });
        EXPECT_EQ(bytes.size(), base.size() + size) << textOf(v);
    }
    std::string bytes = archived([&d](CXArchive* ar) { d.serialize(ar); });
    CMC_Double back(CXString("x"));
    unarchive(bytes, [&back](CXArchive* ar) { back.serialize(ar); });
    EXPECT_EQ(back.getValue(), 2.5);
    EXPECT_EQ(back.getDefaultValue(), 2.5);
}

TEST(CMC_IntegerTest, ClonesArePlainCopies)
{
    Pools pools;
    CMC_Integer* temp = CMC_VariableFactory::allocInteger();
    temp->setValue(12);
    std::unique_ptr<CMC_Integer> copy(static_cast<CMC_Integer*>(temp->clone()));
    CMC_Object::flush(temp);
    EXPECT_EQ(copy->getId(), -1);
    EXPECT_TRUE(copy->isClone());
    EXPECT_EQ(copy->getValue(), 12);
    EXPECT_EQ(copy->getDefaultValue(), 0);
    EXPECT_EQ(copy->getName(), "f");

    CMC_Bool named("FLAG"); // a name, not the value true
    EXPECT_EQ(named.getName(), "FLAG");
    EXPECT_FALSE(named.getValue());
}

TEST(CMC_StringTest, ConversionsComparisonAndArithmetic)
{
    Pools pools;
    CMC_String padded(CXString("p"), CXString("  42xyz")), mixed(CXString("m"), CXString("tRuE")),
        one(CXString("o"), CXString("1")), abc(CXString("a"), CXString("abc")), ABC(CXString("A"), CXString("ABC")),
        ab(CXString("b"), CXString("ab")), e1(CXString("e"), CXString()), e2(CXString("f"), CXString()),
        sci(CXString("x"), CXString("1.5e3"));
    EXPECT_EQ(converted(&padded, MC_INTEGER), "42");
    EXPECT_EQ(converted(&padded, MC_DOUBLE), "42.00000");
    EXPECT_EQ(converted(&padded, MC_BOOL), "FALSE");
    EXPECT_EQ(converted(&mixed, MC_BOOL), "TRUE");
    EXPECT_EQ(converted(&one, MC_BOOL), "FALSE");
    EXPECT_EQ(converted(&sci, MC_DOUBLE), "1500.00000");
    EXPECT_EQ(converted(&abc, 12), "<null>");
    EXPECT_TRUE(abc.equals(&ABC));
    EXPECT_EQ(abc.compare(&ABC), 1);
    EXPECT_EQ(ab.compare(&abc), -1);
    EXPECT_EQ(e1.compare(&e2), 0);

    CMC_Integer five(5);
    for (auto& [op, result] : std::vector<std::pair<int, const char*>>{{1, "abc5"}, {3, "abc"}, {5, "abc"}}) {
        CMC_Variable* r = abc.calculate(&five, op);
        EXPECT_EQ(textOf(r), result);
        CMC_Object::flush(r);
    }
    // A pooled string argument goes back to its pool.
    CMC_String* temp = CMC_VariableFactory::allocString();
    temp->setValue("!");
    CMC_Variable* r = abc.calculate(temp, 1);
    EXPECT_EQ(textOf(r), "abc!");
    CMC_Object::flush(r);
    EXPECT_EQ(CMC_VariableFactory::getTakenCount(MC_STRING), 0);
}

TEST(CMC_StringTest, AssignmentsAndDefaults)
{
    Pools pools;
    Types types;
    Settings ini;
    runs().clear();
    TestScene scene("ROOM");
    for (const char* n : {"CH", "BR"})
        scene.addObject(new FakeBehaviour(&scene, CXString(n), CXString()));
    std::unique_ptr<CMElement> e(
        record("S", {{"VALUE", "abc"}, {"TOINI", "TRUE"}, {"ONCHANGED", "CH"}, {"ONBRUTALCHANGED", "BR"}}));
    CMC_String* s = new CMC_String(&scene, e.get());
    scene.addObject(s);
    EXPECT_EQ(s->getDefaultValue(), "abc");

    CMC_String same(CXString("x"), CXString("abc"));
    s->set(&same);
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@S"}));
    EXPECT_EQ(ini.get("ROOM", "S"), "");
    s->inc();
    s->dec();
    EXPECT_EQ(runs().size(), 1u);
    s->setValue("");
    runs().clear();
    s->clear();
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@S"}));

    runs().clear();
    s->resetINI();
    EXPECT_EQ(s->getValue(), "abc");
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@S", "CH@S"}));
    EXPECT_EQ(ini.get("ROOM", "S"), "abc");

    std::unique_ptr<CMC_String> copy(static_cast<CMC_String*>(s->clone()));
    EXPECT_FALSE(copy->isToIni());
    EXPECT_TRUE(copy->isClone());
    EXPECT_EQ(copy->getDefaultValue(), "abc");

    std::unique_ptr<CMElement> d(record("D", {{"VALUE", "v"}, {"DEFAULT", ""}}));
    CMC_String withEmptyDefault(&scene, d.get());
    EXPECT_EQ(withEmptyDefault.getDefaultValue(), "v");

    CMC_String text(CXString("t"), CXString("zolty"));
    text.upper();
    EXPECT_EQ(text.getValue(), "ZOLTY");
}

TEST(CMC_StringTest, NetworkTextStopsAtTheEndOfTheBuffer)
{
    Pools pools;
    CMC_Variable* v = CMC_VariableFactory::netrestore("\x02\0\0\0abcdef", 7);
    EXPECT_EQ(textOf(v), "abc");
    CMC_Object::flush(v);
    v = CMC_VariableFactory::netrestore("\x02\0\0\0ab\0cd", 9);
    EXPECT_EQ(textOf(v), "ab");
    CMC_Object::flush(v);
}

} // namespace
