#include "RunnerCalls.h"
#include "collections/Vector.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using namespace scripttest;
using collectionstest::call;

namespace {

class CMC_VectorTest : public ::testing::Test {
protected:
    CMC_Vector* make(const char* name, const char* size, const char* value = nullptr)
    {
        std::vector<std::pair<const char*, const char*>> properties{{"SIZE", size}};
        if (value)
            properties.push_back({"VALUE", value});
        std::unique_ptr<CMElement> e(record(name, properties));
        CMC_Vector* v = new CMC_Vector(&scene, e.get());
        scene.addObject(v);
        return v;
    }

    collectionstest::Runtime runtime;
    Types types;
    TestScene scene{"SCENE"};
};

TEST_F(CMC_VectorTest, DefinitionAndTextForm)
{
    struct Case {
        const char* size;
        const char* value;
        const char* text;
    } cases[] = {
        {"3", nullptr, "0,0,0"},
        {"3", "1,2,3", "1.00000,2.00000,3.00000"},
        {"3", "1.5 0 -2", "1.50000,0,-2.00000"},
        {"3", "0.25", "0.25000,0,0"},
        {"2", "1,2,3", "1.00000,2.00000"},
        {"0", "1", ""},
        {"-4", nullptr, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(make("V", c.size, c.value)->toString(), c.text) << c.size << " " << (c.value ? c.value : "-");
}

TEST_F(CMC_VectorTest, Methods)
{
    struct Case {
        const char* values; // of V, a vector of as many components
        const char* method;
        std::vector<std::string> args;
        const char* result;
        const char* after;
    } cases[] = {
        {"3 4", "LEN", {}, "D:5.00000", "3.00000,4.00000"},
        {"", "LEN", {}, "D:0", ""},
        {"3 4", "NORMALIZE", {}, "-", "0.60000,0.80000"},
        {"1 2", "GET", {"1"}, "D:2.00000", "1.00000,2.00000"},
        {"1 2", "GET", {"2"}, "D:0", "1.00000,2.00000"},
        {"1 2", "GET", {"-1"}, "D:0", "1.00000,2.00000"},
        {"1 2", "GET", {}, "-", "1.00000,2.00000"},
        {"1 2", "GETSIZE", {"7"}, "I:2", "1.00000,2.00000"},
        {"1 2", "EXPAND", {"4"}, "-", "0,0,1.00000,2.00000"},
        {"1 2", "EXPAND", {"1"}, "-", "1.00000,2.00000"},
        {"1 2 3", "SET", {"2.5"}, "-", "2.50000,2.50000,2.50000"},
        {"1 2 3", "SET", {"1", "7"}, "-", "1.00000,7.00000,3.00000"},
        {"1 2 3", "SET", {"3", "7"}, "-", "1.00000,2.00000,3.00000"},
        {"1 2 3", "SET", {"@W2"}, "-", "5.00000,6.00000,3.00000"},
        {"1", "SET", {"@W2"}, "-", "5.00000"},
        {"1 2", "ASSIGN", {"4", "5", "6"}, "-", "4.00000,5.00000"},
        {"1 2", "ASSIGN", {"4"}, "-", "4.00000,2.00000"},
        {"1 2", "ADD", {"@W2", "@W2"}, "-", "11.00000,14.00000"},
        {"1 2", "ADD", {"@W3", "@W2", "1"}, "-", "6.00000,8.00000"},
        {"1 2", "SUB", {"@W2"}, "-", "-4.00000,-4.00000"},
        {"1 -2", "NEG", {}, "-", "-1.00000,2.00000"},
        {"1 -2", "MUL", {"1.5"}, "-", "1.50000,-3.00000"},
        {"1 2", "SMUL", {"@W2"}, "D:17.00000", "1.00000,2.00000"},
        {"1 2", "SMUL", {"@W3"}, "D:0", "1.00000,2.00000"},
        {"1 2", "SMUL", {"2"}, "D:0", "1.00000,2.00000"},
        {"1 2", "VMUL", {"@W2", "@W2"}, "-", "1.00000,2.00000"},
        {"1 2", "REFLECT", {"@N", "@V"}, "-", "1.00000,-2.00000"},
        {"1 2", "GETNAME", {}, "S:V", "1.00000,2.00000"},
    };
    make("W2", "2", "5 6");
    make("W3", "3", "1 1 1");
    make("N", "2", "1 0");
    for (const Case& c : cases) {
        std::unique_ptr<CXArray> list(CXString(c.values).toVector());
        CMC_Vector* v = make("V", std::to_string(list->getSize()).c_str(), c.values);
        CXString::releaseToVector(list.release());
        std::string result = call(&scene, v, c.method, c.args);
        EXPECT_EQ(result, c.result) << c.values << " " << c.method;
        EXPECT_EQ(v->toString(), c.after) << c.values << " " << c.method;
        EXPECT_TRUE(collectionstest::poolsEmpty()) << c.method;
    }
}

TEST_F(CMC_VectorTest, ReflectionAndNormalisationEdges)
{
    CMC_Vector* v = make("V", "2", "1 1");
    make("N", "2", "1 0");
    CMC_Vector* r = make("R", "2");
    call(&scene, v, "REFLECT", {"@N", "@R"});
    EXPECT_EQ(r->toString(), "1.00000,-1.00000");
    EXPECT_EQ(v->toString(), "1.00000,1.00000");

    // Different sizes: r gets -v; a longer r keeps its extra components.
    make("N3", "3", "1 0 0");
    CMC_Vector* r3 = make("R3", "3", "9 9 9");
    call(&scene, v, "REFLECT", {"@N3", "@R3"});
    EXPECT_EQ(r3->toString(), "-1.00000,-1.00000,9.00000");
    call(&scene, v, "REFLECT", {"@N"}); // no target: nothing
    EXPECT_EQ(v->toString(), "1.00000,1.00000");

    CMC_Vector* zero = make("Z", "2");
    call(&scene, zero, "NORMALIZE");
    EXPECT_TRUE(std::isnan(zero->get(0)) && std::isnan(zero->get(1)));
}

TEST_F(CMC_VectorTest, CloneAndSnapshot)
{
    CMC_Vector* v = make("V", "2", "1.2345 -2");
    v->clone(1);
    CMC_Object* copy = scene.getObject("V_1");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->getType(), MC_VECTOR);
    EXPECT_EQ(copy->toString(), "1.23450,-2.00000");

    std::string bytes = archived([v](CXArchive* ar) { v->serialize(ar); });
    std::unique_ptr<CMC_Vector> restored(new CMC_Vector(nullptr));
    EXPECT_EQ(unarchive(bytes, [&](CXArchive* ar) { restored->serialize(ar); }), 0);
    EXPECT_EQ(restored->getName(), "V");
    EXPECT_EQ(restored->toString(), "1.23400,-2.00000"); // thousandths

    // A size the file cannot hold: only what is there is read.
    std::string lying = bytes;
    const size_t sizeAt = bytes.size() - 3 * 4;
    int32_t huge = 0x7FFFFFFF;
    std::memcpy(&lying[sizeAt], &huge, 4);
    std::unique_ptr<CMC_Vector> cut(new CMC_Vector(nullptr));
    EXPECT_NE(unarchive(lying, [&](CXArchive* ar) { cut->serialize(ar); }), 0);
    EXPECT_EQ(cut->toString(), "1.23400,-2.00000");
}

} // namespace
