#include "base/FileStream.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(CFile_StreamTest, ReadsAndSeeksInsideTheBlock)
{
    char data[] = "0123456789";
    CFile_Stream s(data, 10);
    char buf[16] = {};
    EXPECT_EQ(s.Length(), 10);
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(s.Tell(), 4);
    EXPECT_EQ(s.Read(buf, 6), 6); // exactly what is left
    EXPECT_TRUE(s.eof());
    EXPECT_EQ(s.Read(buf, 1), 0);

    EXPECT_EQ(s.Seek(-3, 1), 7);
    EXPECT_EQ(s.Read(buf, 100), 3);
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(s.Seek(5, 2), 10); // the end, whatever the offset
    EXPECT_EQ(s.Seek(2, 7), 10); // an unknown origin leaves it
}

TEST(CFile_StreamTest, PositionsOutsideTheBlockReadNothing)
{
    char data[] = "0123456789";
    CFile_Stream s(data, 10);
    char buf[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(s.Seek(20, 0), 20);
    EXPECT_FALSE(s.eof());
    EXPECT_EQ(s.Read(buf, 4), 0);
    // A position before the block would read the memory in front of it.
    EXPECT_EQ(s.Seek(-5, 0), 0);
    EXPECT_EQ(s.Seek(-50, 1), 0);
    EXPECT_EQ(s.Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "01");
}

TEST(CFile_StreamTest, IsNoDiskFile)
{
    char data[] = "line\nnext";
    CFile_Stream s(data, 9);
    EXPECT_EQ(s.GetHandle(), nullptr);
    EXPECT_EQ(s.Open(nullptr, "anything.txt", 0x16), CFile::ERROR_OPEN);
    EXPECT_EQ(s.Write("zz", 2), 0);
    s.putLine("zz");
    EXPECT_EQ(s.getLine(), "");
    char buf[8];
    EXPECT_FALSE(s.GetLine(buf, 8));
    EXPECT_EQ(std::string(data), "line\nnext");
    EXPECT_EQ(s.Close(), CFile::ERROR_OPEN);
    EXPECT_EQ(s.Read(buf, 4), 4);
}

} // namespace
