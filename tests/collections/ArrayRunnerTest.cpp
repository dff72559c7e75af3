#include "ArraySupport.h"
#include "base/File.h"
#include "collections/ArrayRunner.h"
#include "platform/Drives.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace arraytest;

namespace {

std::string resultText(CMC_Variable* r)
{
    if (!r)
        return "-";
    const char* kinds = "?ISBD";
    return std::string(1, kinds[r->getType() >= 1 && r->getType() <= 4 ? r->getType() : 0]) + ":" +
           r->toString().c_str();
}

class CMC_Array_RunnerTest : public ArrayFixture {
protected:
    void SetUp() override
    {
        ArrayFixture::SetUp();
        runner = CMC_RunnerFactory::getRunner(MC_ARRAY);
        ASSERT_NE(runner, nullptr);
        arr = makeArray("ARR");
    }

    // Runs a method by name with literal arguments; the result as text.
    std::string call(CMC_Array* a, const char* method, std::vector<const char*> literals = {})
    {
        CXVector args;
        for (const char* l : literals)
            args.add(CMC_Variable::resolve(l));
        CMC_Variable* r = runner->run(CXString(method), a, scene, literals.empty() ? nullptr : &args);
        std::string text = resultText(r);
        // PREV and NEXT hand out copies of their own; the rest are pooled.
        if (r && r->getId() < 0)
            delete r;
        else
            CMC_Object::flush(r);
        for (int i = 0; i < args.getSize(); ++i)
            CMC_Object::flush(static_cast<CMC_Variable*>(args[i]));
        for (int type : {MC_INTEGER, MC_STRING, MC_BOOL, MC_DOUBLE})
            EXPECT_EQ(CMC_VariableFactory::getTakenCount(type), 0) << method << " keeps a temporary";
        return text;
    }

    CMC_Runner* runner = nullptr;
    CMC_Array* arr = nullptr;
};

TEST_F(CMC_Array_RunnerTest, EveryMethodNameDispatchesAndSurvivesAnyArguments)
{
    const std::pair<const char*, int> names[] = {
        {"ADD", 1},          {"GETSIZE", 2},      {"INSERTAT", 3},     {"REMOVEAT", 4},    {"CHANGEAT", 5},
        {"REMOVEALL", 6},    {"GET", 7},          {"REMOVE", 8},       {"FIND", 9},        {"CONTAINS", 10},
        {"SAVEINI", 11},     {"LOADINI", 12},     {"PREV", 13},        {"NEXT", 14},       {"ADDCLONES", 15},
        {"RESETMARKER", 16}, {"GETMARKERPOS", 17}, {"SETMARKERPOS", 18}, {"SUM", 19},       {"SUMA", 20},
        {"SUB", 21},         {"SUBA", 22},        {"MUL", 23},         {"MULA", 24},       {"DIV", 25},
        {"DIVA", 32},        {"MIN", 33},         {"MAX", 34},         {"GETSUMVALUE", 35}, {"SORT", 36},
        {"LOAD", 37},        {"SAVE", 38},        {"REVERSEFIND", 39}, {"MULAT", 40},      {"DIVAT", 41},
        {"ADDAT", 42},       {"SUBAT", 43},       {"MODAT", 44},       {"CLAMPAT", 45},    {"DIR", 46},
        {"COMPARE", 47},     {"SENDONCHANGE", 48}, {"SHIFTLEFT", 49},  {"SHIFTRIGHT", 50}, {"ROTATELEFT", 51},
        {"ROTATERIGHT", 52}, {"SWAP", 53},        {"FINDALL", 54},     {"SORTMANY", 55},   {"MAXD", 56},
        {"MIND", 57},        {"COPYTO", 58},      {"FILL", 59},        {"RANDOMFILL", 60},
    };
    ASSERT_EQ(sizeof names / sizeof names[0], 54u);
    for (auto& n : names)
        EXPECT_EQ(runner->resolveMethod(n.first), n.second) << n.first;
    EXPECT_EQ(runner->resolveMethod("GETNAME"), CMC_Runner::GETNAME);
    EXPECT_EQ(call(arr, "GETNAME"), "S:ARR");

    // Files the file methods write stay in a temp folder.
    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    ASSERT_EQ(CFile::chDir("T:\\"), 0);
    const std::vector<std::vector<const char*>> argumentLists = {{}, {"1"}, {"1", "x", "-1", "TRUE"}, {"-7", "-7"}};
    for (auto& args : argumentLists)
        for (auto& n : names) {
            arr->removeAll();
            fill(arr, {"1", "x", "2.5"});
            call(arr, n.first, args);
            EXPECT_LE(arr->getSize(), 8) << n.first;
        }

    // Ids without a method of their own reach the common part, which has none for them.
    for (int id : {26, 31, 61, 1000}) {
        EXPECT_EQ(runner->run(id, arr, scene, nullptr), nullptr);
        EXPECT_EQ(typed(arr), "I:1,S:x,D:2.50000") << id;
    }
}

TEST_F(CMC_Array_RunnerTest, IndicesOutsideTheListChangeNothing)
{
    struct {
        const char* method;
        std::vector<const char*> args;
        const char* result;
        const char* after;
    } cases[] = {
        {"GET", {"1"}, "I:20", "I:10,I:20,I:30"},
        {"GET", {"-1"}, "S:NULL", "I:10,I:20,I:30"},
        {"GET", {"3"}, "S:NULL", "I:10,I:20,I:30"},
        {"INSERTAT", {"3", "5"}, "-", "I:10,I:20,I:30"},
        {"INSERTAT", {"0", "5"}, "-", "I:5,I:10,I:20,I:30"},
        {"REMOVEAT", {"3"}, "-", "I:10,I:20,I:30"},
        {"REMOVEAT", {"1"}, "-", "I:10,I:30"},
        {"CHANGEAT", {"-1", "9"}, "-", "I:10,I:20,I:30"},
        {"CHANGEAT", {"2", "x"}, "-", "I:10,I:20,S:x"},
        {"SWAP", {"0", "3"}, "-", "I:10,I:20,I:30"},
        {"SWAP", {"0", "2"}, "-", "I:30,I:20,I:10"},
        {"ADDAT", {"3", "1"}, "-", "I:10,I:20,I:30"},
        {"SUBAT", {"1", "1"}, "-", "I:10,I:19,I:30"},
        {"CLAMPAT", {"-1", "0", "1"}, "-", "I:10,I:20,I:30"},
        {"CLAMPAT", {"0", "0", "5"}, "-", "I:5,I:20,I:30"},
        {"CLAMPAT", {"2", "40", "50"}, "-", "I:10,I:20,I:40"},
        {"ADD", {}, "-", "I:10,I:20,I:30"},
        {"ADD", {"1", "y", "TRUE"}, "-", "I:10,I:20,I:30,I:1,S:y,B:TRUE"},
    };
    for (auto& c : cases) {
        arr->removeAll();
        fill(arr, {"10", "20", "30"});
        EXPECT_EQ(call(arr, c.method, c.args), c.result) << c.method << " " << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(typed(arr), c.after) << c.method;
    }

    // GET gives a copy: changing it leaves the element alone.
    arr->removeAll();
    fill(arr, {"10", "20", "30"});
    CXVector args;
    args.add(CMC_Variable::resolve("0"));
    CMC_Variable* got = runner->run(CXString("GET"), arr, scene, &args);
    got->inc();
    EXPECT_EQ(typed(arr), "I:10,I:20,I:30");
    CMC_Object::flush(got);
    CMC_Object::flush(static_cast<CMC_Variable*>(args[0]));
}

TEST_F(CMC_Array_RunnerTest, AggregatesCountOnlyTheirOwnType)
{
    struct {
        std::vector<const char*> elements;
        const char *min, *max, *sum, *mind, *maxd;
    } cases[] = {
        {{}, "I:1000000", "I:0", "I:0", "D:1000000.00000", "D:0"},
        {{"-5", "-7"}, "I:-7", "I:0", "I:-12", "D:1000000.00000", "D:0"},
        {{"-1.5"}, "I:1000000", "I:0", "I:0", "D:-1.50000", "D:0"},
        {{"3", "2.5", "\"7"}, "I:3", "I:3", "I:3", "D:2.50000", "D:2.50000"},
        {{"2147483647", "1"}, "I:1", "I:2147483647", "I:-2147483648", "D:1000000.00000", "D:0"},
    };
    for (auto& c : cases) {
        arr->removeAll();
        for (const char* e : c.elements)
            fill(arr, {e});
        EXPECT_EQ(call(arr, "MIN"), c.min);
        EXPECT_EQ(call(arr, "MAX"), c.max);
        EXPECT_EQ(call(arr, "GETSUMVALUE"), c.sum);
        EXPECT_EQ(call(arr, "MIND"), c.mind);
        EXPECT_EQ(call(arr, "MAXD"), c.maxd);
    }
}

TEST_F(CMC_Array_RunnerTest, MethodsNamingAnotherArray)
{
    CMC_Array* target = makeArray("T");
    fill(target, {"99"});
    fill(arr, {"1", "2", "1"});
    CMC_Integer* v = new CMC_Integer(CXString("V"));
    scene->addObject(v);

    EXPECT_EQ(call(arr, "FINDALL", {"T", "1", "2", "5"}), "I:3");
    EXPECT_EQ(typed(target), "I:99,I:0,I:2,I:1");
    EXPECT_EQ(call(arr, "FINDALL", {"T"}), "I:0");
    EXPECT_EQ(call(arr, "FINDALL", {"NOBODY", "1"}), "I:0");
    EXPECT_EQ(call(arr, "FINDALL", {"V", "1"}), "I:0");

    EXPECT_EQ(call(arr, "COPYTO", {"T"}), "-");
    EXPECT_EQ(typed(target), "I:99,I:0,I:2,I:1,I:1,I:2,I:1");
    call(arr, "COPYTO", {"ARR"});
    EXPECT_EQ(typed(arr), "I:1,I:2,I:1,I:1,I:2,I:1");
    call(arr, "COPYTO", {"V"});
    EXPECT_EQ(v->getValue(), 0);

    CMC_Array* same = makeArray("SAME");
    call(arr, "COPYTO", {"SAME"});
    EXPECT_EQ(call(arr, "COMPARE", {"SAME"}), "B:TRUE");
    EXPECT_EQ(call(arr, "COMPARE", {"T"}), "B:FALSE");
    EXPECT_EQ(call(arr, "COMPARE", {"V"}), "B:FALSE");
    EXPECT_EQ(call(same, "COMPARE", {"NOBODY"}), "B:FALSE");

    // ADDCLONES counts the named object's clones by default.
    scripttest::Thing* hero = new scripttest::Thing(CXString("HERO"));
    scene->addObject(hero);
    hero->setScene(scene);
    hero->clone(2);
    target->removeAll();
    call(target, "ADDCLONES", {"HERO"});
    call(target, "ADDCLONES", {"HERO", "5", "5"});
    call(target, "ADDCLONES", {"NOBODY", "1", "2"});
    EXPECT_EQ(typed(target), "S:HERO_1,S:HERO_2,S:HERO_5");
}

TEST_F(CMC_Array_RunnerTest, FillAndRandomFillStayWithinTheirBounds)
{
    fill(arr, {"1", "2", "3", "4", "5"});
    call(arr, "FILL", {"3", "x"});
    EXPECT_EQ(typed(arr), "S:x,S:x,S:x");
    call(arr, "FILL", {"-2", "x"});
    EXPECT_EQ(arr->getSize(), 0);

    auto values = [&] {
        std::vector<int> out;
        for (int i = 0; i < arr->getSize(); ++i)
            out.push_back(static_cast<CMC_Integer*>(arr->get(i))->getValue());
        return out;
    };
    for (int round = 0; round < 20; ++round) {
        call(arr, "RANDOMFILL", {"5", "10", "3", "FALSE"});
        std::vector<int> v = values();
        ASSERT_EQ(v.size(), 5u);
        for (int x : v)
            EXPECT_TRUE(x >= 10 && x <= 12) << x;

        call(arr, "RANDOMFILL", {"5", "10", "5", "TRUE"});
        v = values();
        std::sort(v.begin(), v.end());
        EXPECT_EQ(v, (std::vector<int>{10, 11, 12, 13, 14}));
    }

    // More distinct values than the span holds, a span of 0, and counts the
    // random service does not draw: the call ends and adds what was drawn.
    call(arr, "RANDOMFILL", {"10", "1", "3", "TRUE"});
    std::vector<int> v = values();
    EXPECT_EQ(std::set<int>(v.begin(), v.end()), (std::set<int>{1, 2, 3}));
    EXPECT_EQ(v.size(), 3u);
    call(arr, "RANDOMFILL", {"3", "7", "0", "FALSE"});
    EXPECT_EQ(values(), (std::vector<int>{7, 7, 7}));
    call(arr, "RANDOMFILL", {"3", "7", "0", "TRUE"});
    EXPECT_EQ(arr->getSize(), 0);
    call(arr, "RANDOMFILL", {"0", "7", "3", "FALSE"});
    EXPECT_EQ(arr->getSize(), 0);

    testsupport::DebugCapture debug;
    fill(arr, {"1"});
    call(arr, "RANDOMFILL", {"10001", "0", "100", "FALSE"});
    EXPECT_EQ(arr->getSize(), 0);
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"Arguments error: Random::getPlenty( )\n"}));
}

TEST_F(CMC_Array_RunnerTest, DirAppendsTheFolderAndNameAndRestoresTheDirectory)
{
    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    tmp.write("saves/a.sav", "1");
    tmp.write("saves/b.sav", "2");
    tmp.write("saves/notes.txt", "3");
    tmp.write("here/x.sav", "4");
    ASSERT_EQ(CFile::chDir("T:\\here"), 0);
    CXString before = CFile::getCurrentDirectory();

    fill(arr, {"first"});
    call(arr, "DIR", {"T:\\saves\\", "*.sav"});
    call(arr, "DIR", {"T:\\saves\\", "*.sav"});
    EXPECT_EQ(CFile::getCurrentDirectory(), before);
    std::vector<std::string> names;
    for (int i = 1; i < arr->getSize(); ++i)
        names.push_back(arr->get(i)->toString().c_str());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"T:\\saves\\a.sav", "T:\\saves\\a.sav", "T:\\saves\\b.sav",
                                               "T:\\saves\\b.sav"}));
    EXPECT_EQ(arr->get(0)->toString(), "first");

    // A folder that is not there lists nothing; an empty one is the current one.
    arr->removeAll();
    call(arr, "DIR", {"T:\\nowhere\\", "*.sav"});
    EXPECT_EQ(arr->getSize(), 0);
    call(arr, "DIR", {"\"", "*.sav"});
    EXPECT_EQ(typed(arr), "S:x.sav");
    EXPECT_EQ(CFile::getCurrentDirectory(), before);
}

TEST_F(CMC_Array_RunnerTest, StepsFlagsAndRanges)
{
    EXPECT_EQ(call(arr, "NEXT"), "S:NULL");
    EXPECT_EQ(call(arr, "PREV", {"2"}), "S:NULL");
    fill(arr, {"a", "b", "c"});
    EXPECT_EQ(call(arr, "NEXT"), "S:a");
    EXPECT_EQ(call(arr, "NEXT", {"2"}), "S:c");
    EXPECT_EQ(call(arr, "PREV"), "S:b");
    EXPECT_EQ(call(arr, "GETMARKERPOS"), "I:1");
    call(arr, "SETMARKERPOS", {"9"});
    EXPECT_EQ(call(arr, "GETMARKERPOS"), "I:2");
    call(arr, "RESETMARKER");
    EXPECT_EQ(call(arr, "GETMARKERPOS"), "I:-1");

    call(arr, "SENDONCHANGE");
    EXPECT_TRUE(arr->isSendOnChange());
    call(arr, "SENDONCHANGE", {"FALSE"});
    EXPECT_FALSE(arr->isSendOnChange());
    EXPECT_EQ(call(arr, "SORTMANY", {"1", "2"}), "-");
    EXPECT_EQ(typed(arr), "S:a,S:b,S:c");

    // -1 as a bound means the whole array on that side.
    CMC_Array* steps = makeArray("STEPS");
    fill(steps, {"1", "2", "3"});
    CMC_Array* numbers = makeArray("N");
    for (auto& args : std::vector<std::vector<const char*>>{{"STEPS"}, {"STEPS", "-1", "-1"}}) {
        numbers->removeAll();
        fill(numbers, {"10", "20", "30"});
        call(numbers, "SUMA", args);
        EXPECT_EQ(typed(numbers), "I:11,I:22,I:33");
    }
    call(numbers, "MULA", {"STEPS", "1"});
    call(numbers, "SUBA", {"STEPS", "-1", "0"});
    call(numbers, "DIVA", {"STEPS", "2", "-1"});
    EXPECT_EQ(typed(numbers), "I:10,I:44,I:33");

    call(numbers, "CLAMPAT", {"0", "11", "20"});
    fill(numbers, {"1.5", "-0.5"});
    call(numbers, "CLAMPAT", {"3", "0", "1"});
    call(numbers, "CLAMPAT", {"4", "0", "1"});
    call(numbers, "CLAMPAT", {"1", "50", "40"});
    EXPECT_EQ(typed(numbers), "I:11,I:50,I:33,D:1.00000,D:0");
    call(numbers, "SORT", {"FALSE"});
    EXPECT_EQ(typed(numbers), "I:50,I:33,I:11,D:1.00000,D:0");
}

TEST_F(CMC_Array_RunnerTest, AddToArrayTakesCopiesOfValuesOnly)
{
    CMC_Integer* v = new CMC_Integer(CXString("V"));
    v->setValue(4);
    scene->addObject(v);
    scripttest::Thing* thing = new scripttest::Thing(CXString("THING"));
    scene->addObject(thing);

    CXVector args;
    args.add(CMC_Variable::resolve("ARR"));
    CMC_RunnerFactory::getRunner(MC_INTEGER)->run(CXString("ADDTOARRAY"), v, scene, &args);
    runner->run(CXString("ADDTOARRAY"), arr, scene, &args);
    CMC_RunnerFactory::getRunner(MC_INTEGER)->run(CXString("ADDTOARRAY"), thing, scene, &args);
    CMC_Object::flush(static_cast<CMC_Variable*>(args[0]));
    v->setValue(5);
    EXPECT_EQ(typed(arr), "I:4");
    EXPECT_NE(arr->get(0), v);
}

} // namespace
