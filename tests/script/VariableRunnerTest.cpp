#include "ValueSupport.h"
#include "platform/Clock.h"
#include "script/RunnerFactory.h"
#include "script/VariableRunner.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

using namespace scripttest;

namespace {

// The shortest text that reads back as the same double.
std::string shortest(double d)
{
    char text[64];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, d);
        if (std::strtod(text, nullptr) == d)
            break;
    }
    return text;
}

std::string valueText(CMC_Variable* v)
{
    if (v->getType() == MC_DOUBLE)
        return shortest(static_cast<CMC_Double*>(v)->getValue());
    return v->toString().c_str();
}

std::string resultText(CMC_Variable* r, CMC_Variable* self)
{
    if (!r)
        return "-";
    if (r == self)
        return "self";
    const char* kinds = "?ISBD";
    return std::string(1, kinds[r->getType() >= 1 && r->getType() <= 4 ? r->getType() : 0]) + ":" + valueText(r);
}

CMC_Variable* declared(char type, const char* value)
{
    CMC_Variable* v = nullptr;
    switch (type) {
    case 'I': v = new CMC_Integer(CXString("V")); break;
    case 'D': v = new CMC_Double(CXString("V")); break;
    case 'B': v = new CMC_Bool(CXString("V")); break;
    default: v = new CMC_String(CXString("V")); break;
    }
    v->fromString(value);
    return v;
}

class CMC_Variable_RunnerTest : public ::testing::Test {
protected:
    CMC_Variable_RunnerTest() : runner(nullptr) { CMC_RunnerFactory::initialize(); }
    ~CMC_Variable_RunnerTest() override { CMC_RunnerFactory::done(); }
    void SetUp() override { runner = CMC_RunnerFactory::getRunner(MC_INTEGER); }

    // Runs a method by name with literal arguments; "result|value after".
    std::string call(CMC_Variable* v, const char* method, std::vector<const char*> literals)
    {
        CXVector args;
        for (const char* l : literals)
            args.add(CMC_Variable::resolve(l));
        CMC_Variable* r = runner->run(CXString(method), v, nullptr, literals.empty() ? nullptr : &args);
        std::string text = resultText(r, v) + "|" + valueText(v);
        CMC_Object::flush(r);
        for (int i = 0; i < args.getSize(); ++i)
            CMC_Object::flush(static_cast<CMC_Variable*>(args[i]));
        // No method keeps a temporary.
        for (int type : {MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE})
            EXPECT_EQ(CMC_VariableFactory::getTakenCount(type), 0) << method << " type " << type;
        return text;
    }

    Pools pools;
    CMC_Runner* runner;
};

TEST_F(CMC_Variable_RunnerTest, EveryMethodOnEveryType)
{
    struct Case {
        char type;
        const char* value;
        const char* method;
        std::vector<const char*> args;
        const char* expected;
    } cases[] = {
        {'I', "1", "SET", {"5"}, "-|5"},
        {'I', "1", "SET", {}, "-|1"},
        {'S', "a", "SET", {"2.5"}, "-|2.50000"},
        {'I', "4", "SWITCH", {"4", "9"}, "-|9"},
        {'I', "4", "SWITCH", {"3", "9"}, "-|3"},
        {'I', "4", "SWITCH", {}, "-|4"},
        {'B', "TRUE", "SWITCH", {}, "-|FALSE"},
        {'S', "ab", "SWITCH", {"\"ab\"", "\"cd\""}, "-|cd"},
        {'I', "4", "CLEAR", {}, "-|0"},
        {'S', "ab", "CLEAR", {}, "-|"},
        {'I', "4", "INC", {}, "-|5"},
        {'I', "4", "DEC", {}, "-|3"},
        {'B', "TRUE", "INC", {}, "-|FALSE"},
        {'S', "ab", "INC", {}, "-|ab"},
        {'I', "2", "ADD", {"3"}, "I:5|5"},
        {'I', "2", "ADD", {"1.5"}, "I:4|4"},
        {'I', "2", "ADD", {}, "-|2"},
        {'D', "1.5", "ADD", {"1"}, "D:2.5|2.5"},
        {'S', "AB", "ADD", {"\"CD\""}, "S:ABCD|ABCD"},
        {'B', "TRUE", "ADD", {"FALSE"}, "B:FALSE|FALSE"},
        {'I', "2", "MUL", {"3"}, "-|6"},
        {'S', "AB", "MUL", {"3"}, "-|AB"},
        {'I', "7", "SUB", {"2"}, "-|5"},
        {'I', "7", "DIV", {"2"}, "-|3"},
        {'I', "7", "DIV", {"0"}, "-|0"},
        {'I', "-7", "MOD", {"2"}, "-|-1"},
        {'I', "7", "MOD", {"0"}, "-|0"},
        {'S', "AB", "DIV", {"\"x\""}, "-|AB"},
        {'S', "AB", "MOD", {"2"}, "-|AB"},
        {'D', "7.9", "MOD", {"2.2"}, "-|1"},
        {'S', "HELLO", "SUB", {"1", "2"}, "-|HLO"},
        {'S', "HELLO", "SUB", {"3", "10"}, "-|HEL"},
        {'S', "HELLO", "SUB", {"-2", "1"}, "-|ELLO"},
        {'S', "HELLO", "SUB", {"1"}, "-|HELLO"},
        {'I', "3", "ABS", {"-7"}, "I:7|7"},
        {'D', "3.5", "ABS", {"-7"}, "I:7|7"},
        {'I', "3", "ABS", {}, "-|3"},
        {'I', "12", "AND", {"10"}, "I:8|8"},
        {'I', "12", "OR", {"3"}, "I:15|15"},
        {'I', "12", "XOR", {"10"}, "I:6|6"},
        {'B', "TRUE", "XOR", {"1"}, "I:0|FALSE"},
        {'I', "0", "NOT", {}, "I:-1|-1"},
        {'S', "ABC", "NOT", {}, "S:CBA|CBA"},
        {'I', "2", "POWER", {"10"}, "I:1024|1024"},
        {'I', "2", "POWER", {"-1"}, "I:0|0"},
        {'I', "10", "POWER", {"10"}, "I:2147483647|2147483647"},
        {'D', "2", "POWER", {"0.5"}, "D:1.4142135623730951|1.4142135623730951"},
        {'B', "TRUE", "POWER", {"2"}, "-|TRUE"},
        {'I', "16", "SQRT", {}, "D:4|4"},
        {'D', "2.25", "SQRT", {}, "D:1.5|1.5"},
        {'I', "15", "CLAMP", {"0", "10"}, "I:10|10"},
        {'I', "-3", "CLAMP", {"0", "10"}, "I:0|0"},
        {'I', "5", "CLAMP", {"10", "0"}, "I:10|10"},
        {'D', "0.5", "CLAMP", {"1", "2"}, "D:1|1"},
        {'S', "5", "CLAMP", {"10", "0"}, "-|5"},
        {'I', "5", "CLAMP", {"10"}, "-|5"},
        {'D', "0", "LENGTH", {"3", "4"}, "D:5|5"},
        {'S', "HELLO", "LENGTH", {}, "I:5|HELLO"},
        {'B', "TRUE", "LENGTH", {"3", "4"}, "-|TRUE"},
        {'D', "0", "LENGTH", {"3"}, "-|0"},
        {'D', "0", "ARCTAN", {"1"}, "D:44.99999999412422|44.99999999412422"},
        {'D', "0", "ARCTANEX", {"-1", "0"}, "D:270.0000000117516|270.0000000117516"},
        {'D', "0", "ARCTANEX", {"0", "-1"}, "D:179.99999997649687|179.99999997649687"},
        {'D', "0", "ARCTANEX", {"1", "1", "400"}, "D:84|84"},
        {'D', "0", "SINUS", {"30"}, "D:0.4999999964874112|0.4999999964874112"},
        {'D', "0", "SINUS", {"90"}, "D:0.9999999999999999|0.9999999999999999"},
        {'D', "0", "COSINUS", {"0"}, "D:1|1"},
        {'I', "5", "GET", {}, "I:5|5"},
        {'D', "2.5", "GET", {}, "D:2.5|2.5"},
        {'B', "TRUE", "GET", {}, "self|TRUE"},
        {'S', "HELLO", "GET", {}, "S:HELLO|HELLO"},
        {'S', "HELLO", "GET", {"1"}, "S:E|HELLO"},
        {'S', "HELLO", "GET", {"1", "3"}, "S:ELL|HELLO"},
        {'S', "HELLO", "GET", {"1", "-1"}, "S:ELLO|HELLO"},
        {'S', "HELLO", "GET", {"9"}, "S:|HELLO"},
        {'S', "HELLO", "GET", {"-1"}, "S:|HELLO"},
        {'S', "HELLO", "GET", {"3", "2147483647"}, "S:LO|HELLO"},
        {'D', "0", "MINA", {"3", "1", "2"}, "D:1|1"},
        {'D', "0", "MAXA", {"7"}, "D:7|7"},
        {'D', "0", "MAXA", {}, "-|0"},
        {'S', "zolty", "UPPER", {}, "-|ZOLTY"},
        {'I', "5", "UPPER", {}, "-|5"},
        {'S', "HELLO", "FIND", {"\"L\""}, "I:2|HELLO"},
        {'S', "HELLO", "FIND", {"\"L\"", "3"}, "I:3|HELLO"},
        {'S', "HELLO", "FIND", {"\"Z\""}, "I:-1|HELLO"},
        {'S', "HELLO", "FIND", {"\"L\"", "99"}, "I:-1|HELLO"},
        {'S', "HELLO", "FIND", {"\"L\"", "-5"}, "I:2|HELLO"},
        {'I', "5", "FIND", {"5"}, "-|5"},
        {'S', "HELLO", "CUT", {"1", "2"}, "-|EL"},
        {'S', "HELLO", "CUT", {"1", "0"}, "-|ELLO"},
        {'S', "HELLO", "CUT", {"3", "10"}, "-|LO"},
        {'S', "HELLO", "CUT", {"-1", "2"}, "-|HE"},
        {'S', "HELLO", "CUT", {"9", "1"}, "-|"},
        {'S', "HELLO", "REPLACEAT", {"1", "\"AB\""}, "-|HABLO"},
        {'S', "HELLO", "REPLACEAT", {"4", "\"XYZ\""}, "-|HELLXYZ"},
        {'S', "HELLO", "REPLACEAT", {"6", "\"X\""}, "-|HELLO"},
        {'S', "HELLO", "REPLACEAT", {"5", "\"X\""}, "-|HELLOX"},
        {'S', "HELLO", "REPLACEAT", {"-3", "\"X\""}, "-|XELLO"},
        {'S', "AB", "INSERTAT", {"1", "\"x\"", "3"}, "-|AxxxB"},
        {'S', "AB", "INSERTAT", {"9", "\"x\""}, "-|ABx"},
        {'S', "AB", "INSERTAT", {"1", "\"x\"", "0"}, "-|AB"},
        {'S', "ababa", "REPLACE", {"\"aba\"", "\"X\""}, "-|Xba"},
        {'S', "ababa", "REPLACE", {"\"\"", "\"X\""}, "-|ababa"},
        {'D', "2.5", "ROUND", {}, "I:3|2.5"},
        {'D', "2.45", "ROUND", {}, "I:2|2.45"},
        {'D', "-2.5", "ROUND", {}, "I:-2|-2.5"},
        {'D', "-2.7", "ROUND", {}, "I:-2|-2.7"},
        {'D', "1e300", "ROUND", {}, "I:2147483647|1e+300"},
        {'I', "2", "ROUND", {}, "-|2"},
        {'S', "aB", "ISUPPERLETTER", {"1"}, "B:TRUE|aB"},
        {'S', "aB", "ISUPPERLETTER", {"0"}, "B:FALSE|aB"},
        {'S', "aB", "ISUPPERLETTER", {"7"}, "B:FALSE|aB"},
        {'S', "\xA3\xB3", "ISUPPERLETTER", {"0"}, "B:TRUE|\xA3\xB3"},
        {'S', "\xA3\xB3", "ISUPPERLETTER", {"1"}, "B:FALSE|\xA3\xB3"},
        {'I', "5", "ISUPPERLETTER", {"0"}, "B:FALSE|5"},
        {'D', "-0.5", "SGN", {}, "I:-1|-0.5"},
        {'I', "0", "SGN", {}, "I:0|0"},
        {'S', "3", "SGN", {}, "I:1|3"},
        {'I', "9", "RANDOM", {}, "I:0|0"},
        {'S', "x", "RANDOM", {"10", "0"}, "I:10|x"},
        {'D', "0", "LOG", {"1"}, "D:0|0"},
        {'I', "0", "LOG", {"1"}, "-|0"},
        {'I', "1", "NOSUCH", {"2"}, "-|1"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CMC_Variable> v(declared(c.type, c.value));
        EXPECT_EQ(call(v.get(), c.method, c.args), c.expected) << c.type << " " << c.value << " " << c.method;
    }
    std::unique_ptr<CMC_Variable> v(declared('I', "1"));
    EXPECT_EQ(runner->run(19, v.get(), nullptr, nullptr), nullptr);
    EXPECT_EQ(runner->resolveMethod("SINUS"), 28);
}

TEST_F(CMC_Variable_RunnerTest, RandomStaysInItsRangeAndTakesTheClock)
{
    platform::ManualClock clock(1000);
    platform::ScopedClock scoped(&clock);
    std::unique_ptr<CMC_Variable> v(declared('I', "0"));
    for (int i = 0; i < 50; ++i) {
        clock.advance(7);
        clock.setUnixTime(i / 10);
        std::string text = call(v.get(), "RANDOM", {"10", "5"});
        int n = std::atoi(text.c_str() + 2);
        EXPECT_GE(n, 10);
        EXPECT_LE(n, 14);
        EXPECT_EQ(text.substr(text.find('|') + 1), std::to_string(n));
    }
    // The same second and tick give the same number.
    EXPECT_EQ(call(v.get(), "RANDOM", {"1000"}), call(v.get(), "RANDOM", {"1000"}));
}

TEST_F(CMC_Variable_RunnerTest, AssignmentsReportAsTheirPathSays)
{
    Types types;
    Settings ini;
    runs().clear();
    TestScene scene("ROOM");
    scene.addObject(new FakeBehaviour(&scene, CXString("BR"), CXString()));
    scene.addObject(new FakeBehaviour(&scene, CXString("CH"), CXString()));
    std::unique_ptr<CMElement> e(
        record("N", {{"VALUE", "1"}, {"TOINI", "TRUE"}, {"ONBRUTALCHANGED", "BR"}, {"ONCHANGED", "CH"}}));
    CMC_Integer* n = new CMC_Integer(&scene, e.get());
    scene.addObject(n);

    call(n, "ABS", {"-4"}); // stored with setValue: no change, no ini write
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@N"}));
    EXPECT_EQ(ini.get("ROOM", "N"), "");
    runs().clear();
    call(n, "ADD", {"1"});
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@N", "CH@N"}));
    EXPECT_EQ(ini.get("ROOM", "N"), "5");

    runs().clear();
    call(n, "SETDEFAULT", {"\"9\""});
    EXPECT_TRUE(runs().empty());
    call(n, "RESETINI", {});
    EXPECT_EQ(n->getValue(), 9);
    EXPECT_EQ(ini.get("ROOM", "N"), "9");

    std::unique_ptr<CMElement> s(record("S", {{"VALUE", "AB"}, {"ONBRUTALCHANGED", "BR"}}));
    CMC_String* text = new CMC_String(&scene, s.get());
    scene.addObject(text);
    runs().clear();
    call(text, "INSERTAT", {"1", "\"x\"", "3"});
    EXPECT_EQ(runs(), (std::vector<std::string>{"BR@S", "BR@S", "BR@S"}));
    runs().clear();
    call(text, "UPPER", {});
    EXPECT_TRUE(runs().empty());
}

TEST_F(CMC_Variable_RunnerTest, CopyFileReportsWhetherItCopied)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    tmp.write("a.txt", "abc");
    tmp.write("b.txt", "old contents");
    std::unique_ptr<CMC_Variable> v(declared('S', "x"));
    EXPECT_EQ(call(v.get(), "COPYFILE", {"\"T:\\a.txt\"", "\"T:\\B.TXT\""}), "B:TRUE|x");
    EXPECT_EQ(tmp.read("b.txt"), "abc");
    EXPECT_EQ(call(v.get(), "COPYFILE", {"\"T:\\none.txt\"", "\"T:\\c.txt\""}), "B:FALSE|x");
    EXPECT_EQ(call(v.get(), "COPYFILE", {"\"T:\\a.txt\"", "\"T:\\A.txt\""}), "B:FALSE|x");
    EXPECT_EQ(tmp.read("a.txt"), "abc");
    EXPECT_EQ(call(v.get(), "COPYFILE", {"\"T:\\a.txt\""}), "-|x");
}

} // namespace
