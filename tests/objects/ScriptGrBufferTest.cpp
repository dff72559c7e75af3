// GRBUFFER stamps on IMAGE objects of a scene with a window: a 20 x 10
// source of one colour, a 100 x 50 destination whose pixels all differ.
#include "ScriptImageSupport.h"
#include "objects/ScriptGrBuffer.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class CMC_GrBufferTest : public imagetest::ImageTest {
protected:
    CMC_GrBufferTest()
    {
        EXPECT_TRUE(imagetest::writeImage(tmp.file("src.img"), 20, 10, imagetest::plain(4660)));
        EXPECT_TRUE(imagetest::writeImage(tmp.file("dst.img"), 100, 50,
                                          [](int x, int y) { return uint16_t(y * 100 + x); }));
        define({"SRC:TYPE=IMAGE", "SRC:FILENAME=src.img", "DST:TYPE=IMAGE", "DST:FILENAME=dst.img",
                "G:TYPE=GRBUFFER", "G:SOURCE=SRC", "G:DESTINY=DST", "LOST:TYPE=GRBUFFER", "LOST:SOURCE=NOSUCH",
                "LOST:DESTINY=DST"});
        original = words("DST");
    }
    uint16_t* pixels(const char* name) { return reinterpret_cast<uint16_t*>(image(name)->GetDataPtr()); }
    std::vector<uint16_t> words(const char* name)
    {
        CGraphicsObject* g = image(name);
        std::vector<uint16_t> v(size_t(g->Width()) * size_t(g->Height()));
        std::memcpy(v.data(), g->GetDataPtr(), v.size() * 2);
        return v;
    }
    void paintSource(uint16_t colour)
    {
        for (int i = 0; i < 200; ++i)
            pixels("SRC")[i] = colour;
    }
    std::vector<uint16_t> original;
};

} // namespace

TEST_F(CMC_GrBufferTest, StampsMustLieInsideShortOfTheLastColumnAndRow)
{
    struct {
        std::initializer_list<const char*> args;
        const char* index;
    } cases[] = {
        {{"79", "0"}, "0"},  {{"80", "0"}, "-1"}, {{"0", "39"}, "1"},       {{"0", "40"}, "-1"},
        {{"-1", "0"}, "-1"}, {{"0", "-1"}, "-1"}, {{"95", "0", "0", "0", "4", "0"}, "-1"}, // width 0: the whole source
        {{"95", "45", "2", "2", "6", "6"}, "2"},  {{"50", "20", "6", "6", "2", "2"}, "-1"},
        {{"98", "48", "0", "0", "1", "1"}, "3"},  {{"99", "0", "0", "0", "1", "1"}, "-1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(call("G", "CREATE", c.args), c.index) << *c.args.begin() << "," << *(c.args.begin() + 1);
    // Nothing is drawn when an entry is made.
    EXPECT_EQ(words("DST"), original);
    EXPECT_EQ(call("G", "FINDAT", {"96", "46"}), "2");
    EXPECT_EQ(call("G", "FINDAT", {"99", "46"}), "-1");
    // The common methods are not this runner's.
    EXPECT_EQ(call("G", "GETNAME"), "-");
}

TEST_F(CMC_GrBufferTest, SlotsAreReusedLowestFirstUpToAThousand)
{
    EXPECT_EQ(call("G", "CREATE", {"0", "0"}), "0");
    EXPECT_EQ(call("G", "CREATE", {"1", "0"}), "1");
    EXPECT_EQ(call("G", "CREATE", {"2", "0"}), "2");
    call("G", "FLUSH", {"0", "FALSE", "FALSE"});
    EXPECT_EQ(call("G", "FINDAT", {"0", "0"}), "-1");
    EXPECT_EQ(call("G", "CREATE", {"5", "5"}), "0");
    for (int i = 3; i < 1000; ++i)
        ASSERT_EQ(call("G", "CREATE", {"3", "3"}), std::to_string(i));
    EXPECT_EQ(call("G", "CREATE", {"3", "3"}), "-1");
    call("G", "FLUSH", {"567", "FALSE", "FALSE"});
    EXPECT_EQ(call("G", "CREATE", {"3", "3"}), "567");
    EXPECT_EQ(call("G", "FINDAT", {"4", "4"}), "999");
    // Indexes outside the table are empty slots.
    for (const char* index : {"1000", "-5", "123456"}) {
        call("G", "DRAW", {index, "TRUE"});
        call("G", "UNDO", {index, "TRUE"});
        call("G", "FLUSH", {index, "TRUE", "TRUE"});
    }
    EXPECT_EQ(words("DST"), original);
    call("G", "FLUSHALL", {"TRUE", "TRUE"});
    EXPECT_EQ(call("G", "CREATE", {"3", "3"}), "0");
}

TEST_F(CMC_GrBufferTest, OverlappingStampsComeBackInReverseSlotOrder)
{
    EXPECT_EQ(call("G", "CREATE", {"10", "10"}), "0");
    EXPECT_EQ(call("G", "CREATE", {"15", "12", "0", "0", "10", "5"}), "1");
    call("G", "DRAW", {"0", "TRUE"});
    std::vector<uint16_t> first = words("DST");
    EXPECT_EQ(first[size_t(10 * 100 + 10)], 4660);
    EXPECT_EQ(first[size_t(19 * 100 + 29)], 4660);
    EXPECT_EQ(first[size_t(20 * 100 + 10)], original[size_t(20 * 100 + 10)]);
    paintSource(0x0777);
    call("G", "DRAW", {"1", "FALSE"});
    EXPECT_EQ(pixels("DST")[12 * 100 + 15], 0x0777);
    EXPECT_EQ(pixels("DST")[16 * 100 + 24], 0x0777);
    EXPECT_EQ(pixels("DST")[17 * 100 + 15], 4660);
    EXPECT_EQ(call("G", "FINDAT", {"16", "13"}), "1");
    EXPECT_EQ(call("G", "FINDAT", {"10", "10"}), "0");
    // The source keeps its place and clipping.
    EXPECT_EQ(image("SRC")->GetPosition(), CXPoint(0, 0));
    EXPECT_EQ(image("SRC")->GetClippingRect().Width(), 0);

    // Undoing slot 1 alone brings back what was under it when it was made,
    // before stamp 0 was drawn.
    call("G", "UNDO", {"1", "FALSE"});
    EXPECT_EQ(pixels("DST")[12 * 100 + 15], original[12 * 100 + 15]);
    EXPECT_EQ(pixels("DST")[11 * 100 + 15], 4660);
    call("G", "DRAW", {"1", "FALSE"});
    call("G", "FLUSHALL", {"TRUE", "TRUE"});
    EXPECT_EQ(words("DST"), original);
    EXPECT_EQ(call("G", "FINDAT", {"16", "13"}), "-1");

    // An entry never drawn gives back what was there when it was made;
    // FLUSH without undo leaves the stamp.
    EXPECT_EQ(call("G", "CREATE", {"40", "20"}), "0");
    call("G", "UNDO", {"0", "FALSE"});
    EXPECT_EQ(words("DST"), original);
    call("G", "DRAW", {"0", "FALSE"});
    call("G", "FLUSH", {"0", "FALSE", "TRUE"});
    EXPECT_EQ(pixels("DST")[20 * 100 + 40], 0x0777);
    EXPECT_EQ(call("G", "FINDAT", {"41", "21"}), "-1");
}

TEST_F(CMC_GrBufferTest, AMissingOrLostDrawableMakesNothing)
{
    EXPECT_EQ(call("LOST", "CREATE", {"1", "1"}), "-1");
    EXPECT_EQ(call("G", "CREATE", {"1", "1"}), "0");
    call("G", "DRAW", {"0", "FALSE"});
    // The destination goes: the buffer forgets it and its stamps stay
    // entries that do nothing.
    CMC_Object* dst = scene->getObject("DST");
    scene->removeObject(dst);
    dst->done(false);
    delete dst;
    EXPECT_EQ(call("G", "CREATE", {"1", "1"}), "-1");
    call("G", "DRAW", {"0", "TRUE"});
    call("G", "UNDO", {"0", "TRUE"});
    EXPECT_EQ(call("G", "FINDAT", {"2", "2"}), "0");
    call("G", "FLUSHALL", {"TRUE", "TRUE"});
}
