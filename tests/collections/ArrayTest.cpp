#include "ArraySupport.h"
#include "platform/Drives.h"

#include <string>
#include <vector>

using namespace arraytest;

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += char(v);
    return out;
}

std::string le32(int v)
{
    return bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, (v >> 24) & 0xFF});
}

// A value whose copy is itself, as some script objects answer clone().
class SelfCloning : public CMC_Integer {
public:
    SelfCloning() : CMC_Integer(CXString("SELF")) {}
    CXObject* clone() override { return this; }
    using CMC_Object::clone;
};

class CMC_ArrayTest : public ArrayFixture {
protected:
    void SetUp() override
    {
        ArrayFixture::SetUp();
        platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    }
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
};

TEST_F(CMC_ArrayTest, FileIsByteExactAndReadsBack)
{
    CMC_Array* a = makeArray("ARR");
    fill(a, {"7", "x", "TRUE", "1.2345"});
    a->save("T:\\arr.dat");
    std::string expected = le32(4) + le32(1) + le32(7) + le32(2) + le32(1) + "x" + le32(3) + le32(1) + le32(4) +
                           le32(1234);
    ASSERT_EQ(tmp.read("arr.dat"), expected);
    EXPECT_EQ(expected.size(), 37u);

    CMC_Array* b = makeArray("B");
    fill(b, {"old"});
    b->load("T:\\arr.dat");
    EXPECT_EQ(typed(b), "I:7,S:x,B:TRUE,D:1.23400");

    // An empty string and an empty array have their own short forms.
    tmp.write("empty.dat", le32(2) + le32(2) + le32(0) + le32(1) + le32(-3));
    b->load("T:\\empty.dat");
    EXPECT_EQ(typed(b), "S:,I:-3");
    a->removeAll();
    a->save("T:\\none.dat");
    EXPECT_EQ(tmp.read("none.dat"), le32(0));
}

// A save game written over an old one replaces it only when it is whole.
TEST_F(CMC_ArrayTest, AnInterruptedSaveLeavesTheOldFile)
{
    CMC_Array* a = makeArray("ARR");
    fill(a, {"7", "x"});
    a->save("T:\\save.dat");
    const std::string saved = tmp.read("save.dat");
    ASSERT_EQ(saved.size(), 21u);
    for (int i = 0; i < 500; ++i)
        fill(a, {"a longer text than before"});
    {
        testsupport::FileSizeLimit limit(1000);
        a->save("T:\\save.dat");
    }
    EXPECT_EQ(tmp.read("save.dat"), saved);
    EXPECT_EQ(tmp.read("save.dat.tmp"), "");
}

TEST_F(CMC_ArrayTest, DamagedFileKeepsTheElementsAndMissingFileEmpties)
{
    const std::string good = le32(1) + le32(7);
    const std::string damaged[] = {
        "",                                         // no count
        le32(1),                                    // count without a record
        le32(2) + le32(1) + le32(5),                // fewer records than counted
        le32(1) + le32(2) + le32(100) + "abc",      // string longer than the file
        le32(1) + le32(9) + le32(0),                // unknown type
        le32(-1),                                   // negative count
        le32(0x7FFFFFFF) + le32(1) + le32(1),       // absurd count
        le32(1) + le32(1) + bytes({1, 0}),          // record cut short
    };
    CMC_Array* a = makeArray("ARR");
    for (const std::string& file : damaged) {
        a->removeAll();
        fill(a, {"1", "two"});
        tmp.write("bad.dat", file);
        a->load("T:\\bad.dat");
        EXPECT_EQ(typed(a), "I:1,S:two") << testing::PrintToString(file);
    }
    a->load("T:\\missing.dat");
    EXPECT_EQ(a->getSize(), 0);
}

TEST_F(CMC_ArrayTest, SettingsLineKeepsTextsOnly)
{
    scripttest::Settings settings;
    CMC_Array* a = makeArray("ARR");
    fill(a, {"1", "2"});
    a->saveINI();
    EXPECT_EQ(settings.get("SCENE", "ARR"), "1,2");
    a->loadINI();
    EXPECT_EQ(typed(a), "S:1,S:2");

    settings.put("SCENE", "ARR", ",a,,b,");
    a->loadINI();
    EXPECT_EQ(typed(a), "S:a,S:b");
    EXPECT_EQ(a->get(0)->getName(), "temp");

    makeArray("EMPTY")->saveINI();
    EXPECT_EQ(settings.get("SCENE", "EMPTY"), "");
    settings.put("SCENE", "ARR", "");
    a->loadINI();
    EXPECT_EQ(a->getSize(), 0);
}

TEST_F(CMC_ArrayTest, SortIsStableAndDescendingReversesIt)
{
    CMC_Array* a = makeArray("ARR");
    for (auto [name, value] : std::vector<std::pair<const char*, int>>{{"A", 2}, {"B", 1}, {"C", 2}, {"D", 0}}) {
        CMC_Integer v{CXString(name)};
        v.setValue(value);
        a->add(&v);
    }
    auto order = [&] {
        std::string s;
        for (int i = 0; i < a->getSize(); ++i)
            s += a->get(i)->getName().c_str();
        return s;
    };
    a->sort(true);
    EXPECT_EQ(order(), "DBAC");
    a->sort(false);
    EXPECT_EQ(order(), "CABD");

    // Strings compare with case counting; a number compares as the element's type.
    CMC_Array* s = makeArray("S");
    fill(s, {"abc", "ABC", "b"});
    s->sort(true);
    EXPECT_EQ(typed(s), "S:ABC,S:abc,S:b");
}

TEST_F(CMC_ArrayTest, MarkerWrapsAndNeverLeavesTheList)
{
    CMC_Array* a = makeArray("ARR");
    fill(a, {"a", "b"});
    std::string seen;
    for (int i = 0; i < 3; ++i)
        seen += a->next(1)->toString().c_str();
    EXPECT_EQ(seen, "aba");

    fill(a, {"c"});
    a->resetMarker();
    EXPECT_EQ(a->prev(1)->toString(), "b"); // the reset position counts as the last index
    a->resetMarker();
    EXPECT_EQ(a->next(7)->toString(), "a");
    EXPECT_EQ(a->next(-2)->toString(), "b");
    EXPECT_EQ(a->prev(-4)->toString(), "c");

    // A marker left past the end by removals still lands on an element.
    a->setMarkerPos(2);
    a->removeAt(2);
    a->removeAt(1);
    EXPECT_EQ(a->getMarkerPos(), 2);
    EXPECT_EQ(a->prev(1)->toString(), "a");

    struct {
        int position, expected;
    } clamps[] = {{10, 0}, {-5, -1}, {0, 0}};
    for (auto c : clamps) {
        a->setMarkerPos(c.position);
        EXPECT_EQ(a->getMarkerPos(), c.expected) << c.position;
    }

    a->removeAll();
    EXPECT_EQ(a->next(1), nullptr);
    EXPECT_EQ(a->prev(1), nullptr);
    a->setMarkerPos(3);
    EXPECT_EQ(a->getMarkerPos(), -1);
}

TEST_F(CMC_ArrayTest, ShiftsResetTheFallenElementAndRotationsKeepIt)
{
    CMC_Array* a = makeArray("ARR");
    fill(a, {"1", "2", "3"});
    a->shiftLeft();
    EXPECT_EQ(typed(a), "I:2,I:3,I:0");
    a->rotateRight();
    EXPECT_EQ(typed(a), "I:0,I:2,I:3");
    a->rotateLeft();
    EXPECT_EQ(typed(a), "I:2,I:3,I:0");

    CMC_Array* s = makeArray("S");
    fill(s, {"a", "b", "TRUE", "1.5"});
    s->shiftRight();
    EXPECT_EQ(typed(s), "D:0,S:a,S:b,B:TRUE");
    s->shiftRight();
    s->shiftRight();
    EXPECT_EQ(typed(s), "S:NULL,B:FALSE,D:0,S:a");

    CMC_Array* empty = makeArray("E");
    empty->shiftLeft();
    empty->shiftRight();
    empty->rotateLeft();
    empty->rotateRight();
    EXPECT_EQ(empty->getSize(), 0);
}

TEST_F(CMC_ArrayTest, ChangeEventsNameTheIndexAndFallBackToThePlainEvent)
{
    makeBehaviour("ANY");
    makeBehaviour("FIRST");
    CMC_Array* a = makeArray("ARR", {{"SENDONCHANGE", "TRUE"}, {"ONCHANGED", "ANY"}, {"ONCHANGED^0", "FIRST"}});
    fill(a, {"1", "2"});
    EXPECT_EQ(scripttest::runs(), (std::vector<std::string>{"ANY@ARR", "FIRST@ARR"}));

    scripttest::runs().clear();
    fill(a, {"3"});
    a->swap(0, 2);
    a->removeAt(0);
    a->removeAll();
    EXPECT_EQ(scripttest::runs(), (std::vector<std::string>{"ANY@ARR", "FIRST@ARR", "ANY@ARR"}));

    scripttest::runs().clear();
    fill(a, {"1", "2"});
    scripttest::runs().clear();
    a->shiftLeft();
    EXPECT_EQ(scripttest::runs(), (std::vector<std::string>{"FIRST@ARR", "ANY@ARR"}));

    scripttest::runs().clear();
    a->setSendOnChange(false);
    fill(a, {"4"});
    a->sum(CMC_Integer::temporary(1));
    CMC_Array* quiet = makeArray("QUIET", {{"SENDONCHANGE", "TRUE"}});
    fill(quiet, {"1"});
    EXPECT_TRUE(scripttest::runs().empty());
}

TEST_F(CMC_ArrayTest, ElementsAreCopiesOfWhatWasGiven)
{
    CMC_Array* a = makeArray("ARR");
    CMC_Integer v{CXString("COUNT")};
    v.setValue(5);
    a->add(&v);
    a->insertAt(0, &v);
    a->changeAt(1, &v);
    v.setValue(6);
    EXPECT_EQ(typed(a), "I:5,I:5");
    EXPECT_EQ(a->get(0)->getName(), "COUNT");
    EXPECT_TRUE(a->get(0)->isClone());
    EXPECT_NE(a->get(0), a->get(1));

    // Something that cannot give a copy of its own is not taken.
    SelfCloning self;
    a->add(&self);
    a->insertAt(0, &self);
    a->changeAt(0, &self);
    a->add(nullptr);
    EXPECT_EQ(typed(a), "I:5,I:5");

    CMC_Array* copy = static_cast<CMC_Array*>(a->clone());
    EXPECT_EQ(copy->getName(), "cloned");
    EXPECT_TRUE(copy->compareArr(a));
    EXPECT_NE(copy->get(0), a->get(0));
    delete copy;
}

TEST_F(CMC_ArrayTest, EqualityUsesTheElementsType)
{
    CMC_Array* a = makeArray("ARR");
    fill(a, {"2", "ABC", "2", "1.5"});
    struct {
        const char* value;
        int find, reverse;
    } cases[] = {{"\"2", 0, 2}, {"abc", 1, 1}, {"\"1.5", 3, 3}, {"7", -1, -1}};
    for (auto c : cases) {
        CMC_Variable* v = CMC_Variable::resolve(c.value);
        EXPECT_EQ(a->find(v), c.find) << c.value;
        EXPECT_EQ(a->reversefind(v), c.reverse) << c.value;
        int out[4];
        EXPECT_EQ(a->findAll(v, out), c.find < 0 ? 0 : c.find == c.reverse ? 1 : 2) << c.value;
        CMC_Object::flush(v);
    }
    CMC_Variable* two = CMC_Variable::resolve("2");
    a->remove(two);
    CMC_Object::flush(two);
    EXPECT_EQ(a->toString(), "ABC,2,1.50000");

    CMC_Array* b = makeArray("B");
    fill(b, {"\"ABC", "\"2", "\"1.5"});
    EXPECT_TRUE(a->compareArr(b));
    b->removeAt(2);
    EXPECT_FALSE(a->compareArr(b));
    EXPECT_FALSE(a->compareArr(nullptr));
    EXPECT_TRUE(makeArray("E1")->compareArr(makeArray("E2")));
}

TEST_F(CMC_ArrayTest, ArithmeticUsesEachElementsOwnType)
{
    CMC_Array* a = makeArray("ARR");
    fill(a, {"1", "2.5", "x"});
    a->sum(CMC_Integer::temporary(10));
    EXPECT_EQ(typed(a), "I:11,D:12.50000,S:x10");
    a->divat(0, CMC_Integer::temporary(2));
    a->modat(1, CMC_Integer::temporary(5));
    a->mulat(9, CMC_Integer::temporary(2));
    EXPECT_EQ(typed(a), "I:5,D:2.00000,S:x10");

    // The range forms take their operand from a named array, index by
    // index, or from a named value; the bounds are held to the list.
    CMC_Array* steps = makeArray("STEPS");
    fill(steps, {"100", "200"});
    CMC_Integer* k = new CMC_Integer(CXString("K"));
    k->setValue(3);
    scene->addObject(k);
    CMC_String name(CXString("temp"), CXString("STEPS"));
    a->suma(&name, -4, 99);
    EXPECT_EQ(typed(a), "I:105,D:202.00000,S:x10");
    name.setValue("K");
    a->mula(&name, 1, 1);
    EXPECT_EQ(typed(a), "I:105,D:606.00000,S:x10");
    name.setValue("NOBODY");
    a->suba(&name, 0, 2);
    EXPECT_EQ(typed(a), "I:105,D:606.00000,S:x10");
    name.setValue("ARR");
    a->suma(&name, 0, 0);
    EXPECT_EQ(typed(a), "I:210,D:606.00000,S:x10");
}

TEST_F(CMC_ArrayTest, AddClonesAndSnapshotFlag)
{
    CMC_Array* a = makeArray("ARR", {{"SENDONCHANGE", "TRUE"}});
    a->addClones("ITEM", 1, 3);
    a->addClones("ITEM", 3, 1);
    EXPECT_EQ(typed(a), "S:ITEM_1,S:ITEM_2,S:ITEM_3");
    a->addClones("MAX", 2147483647, 2147483647);
    EXPECT_EQ(a->getSize(), 4);

    std::string record = scripttest::archived([&](CXArchive* ar) { a->serialize(ar); });
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.back(), '\1');
    CMC_Array restored(scene, CXString("X"));
    EXPECT_EQ(scripttest::unarchive(record, [&](CXArchive* ar) { restored.serialize(ar); }), 0);
    EXPECT_TRUE(restored.isSendOnChange());
    EXPECT_EQ(restored.getName(), "ARR");
    EXPECT_EQ(restored.getSize(), 0);
}

} // namespace
