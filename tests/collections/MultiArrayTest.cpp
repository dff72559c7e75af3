#include "RecordsSupport.h"
#include "collections/MultiArray.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdint>

using namespace recordstest;

namespace {

// Little-endian int32 values as file bytes.
std::string le32(std::initializer_list<int32_t> values)
{
    std::string out;
    for (int32_t v : values)
        for (int i = 0; i < 4; ++i)
            out += char(uint32_t(v) >> (8 * i) & 0xFF);
    return out;
}

class CMC_MultiArrayTest : public RecordsTest {
protected:
    CMC_MultiArray* make(const char* name, const char* dimensions)
    {
        CMC_Object* o = scene.defineOne(name, "MULTIARRAY", MC_MULTIARRAY, "DIMENSIONS", dimensions);
        return static_cast<CMC_MultiArray*>(o);
    }
};

TEST_F(CMC_MultiArrayTest, TheGridGrowsAndKeepsEveryValueAtItsCoordinates)
{
    CMC_MultiArray* m = make("M", "2");
    EXPECT_EQ(call(m, "GETSIZE", {"0"}) + call(m, "GETSIZE", {"1"}), "1616");
    EXPECT_EQ(call(m, "GET", {"3", "4"}), "NULL");
    EXPECT_EQ(call(m, "SAFEGET", {"3", "4"}), "0");

    call(m, "SET", {"5", "2", "\"a\""});
    call(m, "SET", {"15", "15", "TRUE"});
    call(m, "SET", {"20", "3", "7"});
    EXPECT_EQ(call(m, "GETSIZE", {"0"}), "32");
    EXPECT_EQ(call(m, "GETSIZE", {"1"}), "16");
    EXPECT_EQ(call(m, "GET", {"20", "3"}) + call(m, "GET", {"5", "2"}) + call(m, "GET", {"15", "15"}), "7aTRUE");
    call(m, "SET", {"100", "0", "1"});
    EXPECT_EQ(call(m, "GETSIZE", {"0"}), "128");
    call(m, "SET", {"0", "40", "2.5"});
    EXPECT_EQ(call(m, "GETSIZE", {"1"}), "64");
    EXPECT_EQ(call(m, "GET", {"20", "3"}) + call(m, "GET", {"5", "2"}) + call(m, "GET", {"15", "15"}) +
                  call(m, "GET", {"100", "0"}) + call(m, "GET", {"0", "40"}),
              "7aTRUE12.50000");
    EXPECT_EQ(m->getCellCount(), 128 * 64);
}

TEST_F(CMC_MultiArrayTest, OnlyTheFirstTwoCoordinatesSelectACell)
{
    CMC_MultiArray* m = make("M", "2");
    call(m, "SET", {"0", "1", "\"row one\""});
    EXPECT_EQ(call(m, "GET", {"16", "0"}), "row one") << "c0 beyond its size reaches the next row";
    EXPECT_EQ(call(m, "GET", {"0", "16"}), "NULL");

    CMC_MultiArray* cube = make("C", "3");
    EXPECT_EQ(cube->getCellCount(), 4096);
    call(cube, "SET", {"1", "1", "5", "\"x\""});
    EXPECT_EQ(call(cube, "GET", {"1", "1", "0"}), "x");
    call(cube, "SET", {"2", "2", "40", "\"y\""});
    EXPECT_EQ(call(cube, "GETSIZE", {"2"}), "64");
    EXPECT_EQ(call(cube, "GETSIZE", {"3"}), "0");
    EXPECT_EQ(call(cube, "GET", {"1", "1"}), "x") << "missing coordinates count as 0";
}

TEST_F(CMC_MultiArrayTest, CellsHoldCopies)
{
    CMC_MultiArray* m = make("M", "2");
    CMC_Integer v(CXString("V"));
    v.setValue(3);
    int at[] = {1, 2};
    m->set(at, 2, &v);
    v.setValue(4);
    EXPECT_EQ(m->get(at, 2)->toString(), "3");

    CXVector args;
    args.add(CMC_Integer::temporary(1));
    args.add(CMC_Integer::temporary(2));
    CMC_Variable* copy = CMC_RunnerFactory::getRunner(m)->run(CXString("GET"), m, &scene, &args);
    ASSERT_NE(copy, nullptr);
    copy->inc();
    EXPECT_EQ(m->get(at, 2)->toString(), "3");
    CMC_Object::flush(copy);
    for (int i = 0; i < args.getSize(); ++i)
        CMC_Object::flush(static_cast<CMC_Variable*>(args.at(i)));
}

TEST_F(CMC_MultiArrayTest, CountUsesEachCellsOwnEquality)
{
    CMC_MultiArray* m = make("M", "2");
    call(m, "SET", {"0", "0", "\"a\""});
    call(m, "SET", {"1", "0", "\"A\""});
    call(m, "SET", {"2", "0", "5"});
    call(m, "SET", {"3", "0", "5.0"});
    call(m, "SET", {"4", "0", "\"5\""});
    call(m, "SET", {"5", "0", "TRUE"});
    call(m, "SET", {"6", "0", "FALSE"});
    // "a" as a BOOL is false, so the FALSE cell counts too.
    EXPECT_EQ(call(m, "COUNT", {"\"a\""}), "3");
    EXPECT_EQ(call(m, "COUNT", {"5"}), "4");
}

TEST_F(CMC_MultiArrayTest, PositionsThatNoCellHasAreIgnored)
{
    CMC_MultiArray* m = make("M", "1");
    EXPECT_EQ(m->getDimensions(), 2);
    call(m, "SET", {"-1", "0", "1"});
    call(m, "SET", {"0", "-3", "1"});
    call(m, "SET", {"5"});
    call(m, "SET", {"2000000000", "0", "1"});
    EXPECT_EQ(call(m, "COUNT", {"1"}), "0");
    EXPECT_EQ(call(m, "GETSIZE", {"0"}), "16");
    EXPECT_EQ(call(m, "GET", {"-1", "1"}), "NULL");
    EXPECT_EQ(call(m, "SAFEGET", {"0", "-1"}), "0");
    EXPECT_EQ(call(m, "GET"), "-");

    // A grid made by name is an empty two-dimensional one.
    CMC_MultiArray named(&scene, CXString("N"));
    call(&named, "SET", {"1", "1", "9"});
    EXPECT_EQ(call(&named, "GET", {"1", "1"}), "9");
}

TEST_F(CMC_MultiArrayTest, TheFileFormRoundTrips)
{
    CMC_MultiArray* m = make("M", "2");
    call(m, "SAVE", {"\"T:\\empty.bin\""});
    EXPECT_EQ(tmp.read("empty.bin"), le32({2, 16, 16, 256}));

    call(m, "SET", {"1", "0", "7"});
    call(m, "SET", {"0", "1", "\"xy\""});
    call(m, "SET", {"2", "1", "TRUE"});
    call(m, "SET", {"3", "1", "1.2345"});
    call(m, "SAVE", {"\"T:\\grid.bin\""});
    EXPECT_EQ(tmp.read("grid.bin"), le32({2, 16, 16, 1, 1, 7, 16, 2, 2}) + "xy" +
                                        le32({18, 3, 1, 19, 4, 1234, 256}));

    CMC_MultiArray* back = make("B", "3");
    call(back, "LOAD", {"\"T:\\grid.bin\""});
    EXPECT_EQ(back->getDimensions(), 2) << "the file's dimensions replace the definition's";
    EXPECT_EQ(call(back, "GET", {"1", "0"}) + call(back, "GET", {"0", "1"}) + call(back, "GET", {"2", "1"}) +
                  call(back, "GET", {"3", "1"}),
              "7xyTRUE1.23400");

    // A grown grid, and a later record for a cell replacing an earlier one.
    tmp.write("grown.bin", le32({2, 32, 16, 40, 1, 3, 40, 1, 4, 512}));
    call(back, "LOAD", {"\"T:\\grown.bin\""});
    EXPECT_EQ(call(back, "GETSIZE", {"0"}), "32");
    EXPECT_EQ(call(back, "GET", {"8", "1"}), "4");
    EXPECT_EQ(call(back, "GET", {"1", "0"}), "NULL");
}

TEST_F(CMC_MultiArrayTest, AFileThatCannotBeReadWholeKeepsTheGrid)
{
    CMC_MultiArray* m = make("M", "2");
    call(m, "SET", {"20", "1", "\"kept\""});
    const std::string damaged[] = {
        "",
        le32({2, 16}),                              // cut in the sizes
        le32({1, 16, 16}),                          // too few dimensions
        le32({9, 16, 16, 16, 16, 16, 16, 16, 16, 16}), // too many
        le32({2, 16, 0, 0}),                        // a size of 0
        le32({2, -16, 16, 256}),                    // a negative size
        le32({2, 65536, 65536, 0}),                 // too large
        le32({2, 16, 16, -1, 1, 5, 256}),           // a negative index
        le32({2, 16, 16, 3, 9, 5, 256}),            // an unknown type id
        le32({2, 16, 16, 3, 2, 100}) + "ab",        // a string longer than the file
        le32({2, 16, 16, 3, 1, 5}),                 // no end mark
    };
    int n = 0;
    for (const std::string& bytes : damaged) {
        tmp.write("bad.bin", bytes);
        call(m, "LOAD", {"\"T:\\bad.bin\""});
        EXPECT_EQ(call(m, "GET", {"20", "1"}) + call(m, "GETSIZE", {"0"}), "kept32") << "case " << n++;
    }
    call(m, "LOAD", {"\"T:\\missing.bin\""});
    EXPECT_EQ(call(m, "GET", {"20", "1"}), "kept");
}

TEST_F(CMC_MultiArrayTest, AnInterruptedSaveLeavesTheOldFile)
{
    CMC_MultiArray* m = make("M", "2");
    call(m, "SET", {"1", "1", "1"});
    call(m, "SAVE", {"\"T:\\grid.bin\""});
    std::string saved = tmp.read("grid.bin");
    for (int i = 0; i < 200; ++i)
        call(m, "SET", {std::to_string(i).c_str(), "3", "\"a long enough text to fill the file\""});
    {
        testsupport::FileSizeLimit limit(2000);
        call(m, "SAVE", {"\"T:\\grid.bin\""});
    }
    EXPECT_EQ(tmp.read("grid.bin"), saved);
}

} // namespace
