#include "base/TextFileReader.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> allLines(CTextFileReader& r)
{
    std::vector<std::string> lines;
    while (!r.eof())
        lines.push_back(r.getLine().c_str());
    return lines;
}

TEST(CTextFileReaderTest, ReadsFilesLineByLine)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    struct Case {
        const char* bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"ab\r\ncd\r\n", {"ab", "cd"}},
        {"ab\ncd\n", {"ab", "cd"}},
        {"ab\n\ncd", {"ab", "", "cd"}},
        {"ab", {"ab"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        tmp.write("t.txt", c.bytes);
        CTextFileReader r(nullptr, "T:\\T.TXT");
        EXPECT_EQ(r.LastError(), 0);
        EXPECT_EQ(allLines(r), c.lines) << c.bytes;
        EXPECT_EQ(r.getLine(), "");
        r.reset();
        EXPECT_EQ(allLines(r), c.lines) << c.bytes;
    }
    CTextFileReader missing(nullptr, "T:\\missing.txt");
    EXPECT_EQ(missing.LastError(), 2000);
    EXPECT_TRUE(missing.eof());
    EXPECT_EQ(missing.getLine(), "");
}

TEST(CTextFileReaderTest, CallersBlockKeepsCarriageReturns)
{
    char text[] = "ab\r\ncd";
    CTextFileReader r(nullptr, text, 6);
    EXPECT_EQ(allLines(r), (std::vector<std::string>{"ab\r", "cd"}));
}

} // namespace
