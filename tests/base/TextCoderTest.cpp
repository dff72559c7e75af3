#include "base/TextCoder.h"
#include "base/TextFileReader.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::TempDir;

class CTextCoderTest : public ::testing::Test {
protected:
    void SetUp() override { platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk); }

    std::vector<std::string> lines(CTextCoder& coder)
    {
        std::vector<std::string> out;
        for (int guard = 0; !coder._eof() && guard < 1000; ++guard)
            out.push_back(coder.getLine().c_str());
        return out;
    }
    std::vector<std::string> lines(const char* name)
    {
        CTextCoder coder(nullptr, name, true);
        return lines(coder);
    }

    bool exists(const char* name) { return access(tmp.file(name).c_str(), F_OK) == 0; }

    TempDir tmp;
    platform::ScopedDriveMap drives;
};

TEST_F(CTextCoderTest, ShiftsRunThroughTheCycleAcrossLines)
{
    CTextCoder any(nullptr, "T:\\none", true);
    const int shifts[] = {1, -1, 2, -2, 3, -3};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(any.getOffset(k), shifts[k]);

    tmp.write("abcd.txt", "ABCD\r\nE\r\n");
    CTextCoder::code(nullptr, "T:\\abcd.txt", "T:\\abcd.coded", 3);
    // A, B, C, D at positions 0, 1, 2, 0; E at position 1.
    EXPECT_EQ(tmp.read("abcd.coded"), "{<C:3>}\r\nBAEE<E>D<E>\r\n");
    CTextCoder coder(nullptr, "T:\\abcd.coded", false);
    EXPECT_TRUE(coder.isCoded());
    EXPECT_EQ(coder.LastError(), 0);
    EXPECT_EQ(lines(coder), (std::vector<std::string>{"ABCD", "E", ""}));
}

TEST_F(CTextCoderTest, CodeThenReadRoundTrips)
{
    const std::vector<std::string> text = {"OBJECT=HERO", "", "HERO:TYPE=ANIMO", "HERO:CODE={A^B(1);}", "\xE8\xE1st\xFD"};
    std::string file;
    for (const std::string& l : text)
        file += l + "\r\n";
    tmp.write("scene.cnv", file);
    CTextCoder::code(nullptr, "T:\\scene.cnv", "T:\\scene.cnv.coded", 2);
    // Five lines with the cycle 2: the third and the fifth begin stored lines.
    std::string coded = tmp.read("scene.cnv.coded");
    int stored = 0;
    for (char c : coded)
        stored += c == '\n';
    EXPECT_EQ(stored, 4);

    std::vector<std::string> back = lines("T:\\scene.cnv.coded");
    ASSERT_EQ(back.size(), text.size() + 1); // the read that finds the end
    back.pop_back();
    EXPECT_EQ(back, text);

    CTextCoder::decode(nullptr, "T:\\scene.cnv.coded", "T:\\plain.txt");
    EXPECT_EQ(tmp.read("plain.txt"), file);
}

TEST_F(CTextCoderTest, PlainTextIsDeliveredAsItIs)
{
    tmp.write("plain.def", "first\r\n{<X:3>}\r\n\r\nlast");
    CTextCoder coder(nullptr, "T:\\plain.def", false);
    EXPECT_FALSE(coder.isCoded());
    EXPECT_EQ(lines(coder), (std::vector<std::string>{"first", "{<X:3>}", "", "last"}));
    EXPECT_EQ(coder.getLine(), "");

    // Over a caller's text the carriage returns stay.
    char text[] = "a\r\nb";
    CTextCoder block(nullptr, new CTextFileReader(nullptr, text, 4), false);
    EXPECT_EQ(lines(block), (std::vector<std::string>{"a\r", "b"}));

    CTextCoder::decode(nullptr, "T:\\plain.def", "T:\\copy.def");
    EXPECT_EQ(tmp.read("copy.def"), "first\r\n{<X:3>}\r\n\r\nlast\r\n");
}

TEST_F(CTextCoderTest, DecodeHeaderWritesAPlainCopyUnlessSuppressed)
{
    tmp.write("a.txt", "one\ntwo\n");
    CTextCoder::code(nullptr, "T:\\a.txt", "T:\\a.def", 6);
    std::string coded = tmp.read("a.def");
    coded[2] = 'D';
    tmp.write("a.def", coded);

    { CTextCoder quiet(nullptr, "T:\\a.def", true); }
    EXPECT_FALSE(exists("a.def.decoded"));
    CTextCoder coder(nullptr, "T:\\a.def", false);
    EXPECT_EQ(tmp.read("a.def.decoded"), "one\r\ntwo\r\n");
    EXPECT_EQ(lines(coder), (std::vector<std::string>{"one", "two", ""}));
}

TEST_F(CTextCoderTest, UnreadableFilesGiveNoLines)
{
    for (const char* header : {"{<C:0>}", "{<C:x>}", "{<D:-4>}", "{<C:"}) {
        tmp.write("bad.def", std::string(header) + "\r\nBAEE<E>\r\n");
        CTextCoder coder(nullptr, "T:\\bad.def", false);
        EXPECT_TRUE(coder._eof()) << header;
        EXPECT_EQ(coder.getLine(), "");
        EXPECT_EQ(coder.LastError(), 2000);
    }
    EXPECT_FALSE(exists("bad.def.decoded"));

    CTextCoder missing(nullptr, "T:\\missing.def", false);
    EXPECT_TRUE(missing._eof());
    EXPECT_EQ(missing.LastError(), 2000);

    tmp.write("in.txt", "x\n");
    CTextCoder::code(nullptr, "T:\\in.txt", "T:\\zero.coded", 0);
    CTextCoder::code(nullptr, "T:\\missing.txt", "T:\\none.coded", 3);
    EXPECT_FALSE(exists("zero.coded"));
    EXPECT_FALSE(exists("none.coded"));
}

} // namespace
