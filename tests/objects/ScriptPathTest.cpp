// The script PATH in a scene: its nodes resolved once by name, its density,
// its text form, nodes that go while the path holds them, and its snapshot
// record. The FILTER's walk along a path is in ScriptFilterTest and in
// PathTitleTest.
#include "objects/ScriptPath.h"
#include "ScriptAnimoSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class CMC_PathTest : public animotest::AnimoTest {
protected:
    // Three VECTOR objects and P naming them and one name of no object.
    void definePath()
    {
        define({"V1:TYPE=VECTOR", "V1:SIZE=2", "V1:VALUE=1,2", "V2:TYPE=VECTOR", "V2:SIZE=2", "V2:VALUE=3,4",
                "V3:TYPE=VECTOR", "V3:SIZE=1", "V3:VALUE=5", "P:TYPE=PATH", "P:NODES=V1,NOSUCH,V2,V3", "E:TYPE=PATH"});
    }
    std::string node(const char* index) { return call("P", "GETNODE", {index}); }
    std::string text(const char* name) { return scene->getObject(name)->toString().c_str(); }
};

// Every name is an entry, one that names no object an empty one (no name,
// "[]" in the text); an object made under that name later is not taken.
TEST_F(CMC_PathTest, NodesAreResolvedOnceInTheirOrder)
{
    definePath();
    EXPECT_EQ(call("P", "GETSIZE"), "4");
    EXPECT_EQ(text("P"), "[1.00000,2.00000][][3.00000,4.00000][5.00000]");
    EXPECT_EQ(call("E", "GETSIZE"), "0");
    EXPECT_EQ(text("E"), "");
    define({"NOSUCH:TYPE=VECTOR", "NOSUCH:SIZE=1"});
    const char* expected[][2] = {{"0", "V1"}, {"1", ""}, {"2", "V2"}, {"3", "V3"}, {"-1", ""}, {"4", ""}};
    for (const auto& c : expected)
        EXPECT_EQ(node(c[0]), c[1]) << c[0];
    EXPECT_EQ(call("P", "GETNODE"), "");
}

// ADD appends at the end, an empty entry for a name of no object; a node
// that is no VECTOR object shows its own text form.
TEST_F(CMC_PathTest, AddAppendsAtTheEnd)
{
    definePath();
    define({"S:TYPE=STRING", "S:VALUE=hello"});
    call("E", "ADD", {"\"V2\""});
    EXPECT_EQ(call("E", "GETNODE", {"0"}), "V2");
    call("P", "ADD", {"\"S\""});
    call("P", "ADD", {"\"GONE\""});
    call("P", "ADD");
    EXPECT_EQ(call("P", "GETSIZE"), "6");
    EXPECT_EQ(node("4"), "S");
    EXPECT_EQ(text("P"), "[1.00000,2.00000][][3.00000,4.00000][5.00000][hello][]");
}

// Only "DENSITY", exact, is a property; a call without its value changes
// nothing.
TEST_F(CMC_PathTest, DensityIsTheOnlyProperty)
{
    definePath();
    struct {
        std::initializer_list<const char*> set;
        const char* density;
    } cases[] = {
        {{}, "1.00000"},
        {{"\"density\"", "2"}, "1.00000"},
        {{"\"DENSITY\"", "2.5"}, "2.50000"},
        {{"\"DENSITY\""}, "2.50000"},
        {{"\"DENSITY\"", "\"0.25\""}, "0.25000"},
    };
    for (const auto& c : cases) {
        if (c.set.size() > 0) {
            EXPECT_EQ(call("P", "SETPROPERTY", c.set), "-");
        }
        EXPECT_EQ(call("P", "GETPROPERTY", {"\"DENSITY\""}), c.density) << *c.set.begin();
    }
    EXPECT_EQ(call("P", "GETPROPERTY", {"\"density\""}), "-");
    EXPECT_EQ(call("P", "GETPROPERTY"), "-");
    EXPECT_EQ(static_cast<CMC_Path*>(scene->getObject("P"))->getDensity(), 0.25);
}

// A node deleted while the path holds it leaves an empty entry: the path,
// its text form and its record never reach it again.
TEST_F(CMC_PathTest, ANodeThatGoesLeavesAnEmptyEntry)
{
    definePath();
    call("P", "ADD", {"\"V2\""});
    unloadObject("V2");
    EXPECT_EQ(call("P", "GETSIZE"), "5");
    EXPECT_EQ(node("2"), "");
    EXPECT_EQ(node("4"), "");
    EXPECT_EQ(text("P"), "[1.00000,2.00000][][][5.00000][]");
    reread(writeSnapshot());
    EXPECT_EQ(text("P"), "[1.00000,2.00000][][][5.00000][]");
}

// A path among its own nodes, directly or through another path, gives its
// name there.
TEST_F(CMC_PathTest, APathAmongItsOwnNodesGivesItsName)
{
    definePath();
    call("P", "ADD", {"\"E\""});
    call("E", "ADD", {"\"P\""});
    call("E", "ADD", {"\"E\""});
    EXPECT_EQ(text("P"), "[1.00000,2.00000][][3.00000,4.00000][5.00000][[P][E]]");
    EXPECT_EQ(text("E"), "[[1.00000,2.00000][][3.00000,4.00000][5.00000][E]][E]");
}

// The record keeps the count and the names ("" for an empty entry), not
// the density. Read back, every name finds its object of the restored
// scene, also one whose record follows the path's.
TEST_F(CMC_PathTest, TheSnapshotKeepsTheNamesNotTheDensity)
{
    definePath();
    define({"LATE:TYPE=VECTOR", "LATE:SIZE=1", "LATE:VALUE=7"});
    call("P", "ADD", {"\"LATE\""});
    call("P", "SETPROPERTY", {"\"DENSITY\"", "2.5"});
    const std::string bytes = writeSnapshot();
    const std::string record = std::string("\x05\0\0\0", 4) + std::string("\x02\0\0\0V1", 6) +
                               std::string("\0\0\0\0", 4) + std::string("\x02\0\0\0V2", 6) +
                               std::string("\x02\0\0\0V3", 6) + std::string("\x04\0\0\0LATE", 8);
    EXPECT_NE(bytes.find(record), std::string::npos);
    reread(bytes);
    EXPECT_EQ(call("P", "GETSIZE"), "5");
    EXPECT_EQ(text("P"), "[1.00000,2.00000][][3.00000,4.00000][5.00000][7.00000]");
    EXPECT_EQ(call("P", "GETPROPERTY", {"\"DENSITY\""}), "1.00000");
    EXPECT_EQ(call("E", "GETSIZE"), "0");
}

} // namespace
