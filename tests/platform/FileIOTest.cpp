#include "platform/Drives.h"
#include "platform/FileIO.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

std::string readAll(FILE* f)
{
    std::string out;
    char chunk[1000];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, n);
    return out;
}

class FileIOTest : public ::testing::Test {
protected:
    void SetUp() override { platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk); }

    TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
};

TEST_F(FileIOTest, TextModeReadsCrLfAsLfAndStopsAtCtrlZ)
{
    tmp.write("t.txt", "a\r\nb\rc\n\r\n\x1A" "after");
    for (const char* mode : {"rt", "r"}) { // no 'b' means text, as on Windows
        FILE* f = platform::openFile("T:\\T.TXT", mode);
        ASSERT_NE(f, nullptr) << mode;
        EXPECT_EQ(readAll(f), "a\nb\rc\n\n") << mode;
        EXPECT_EQ(std::ftell(f), 9); // positions count the bytes on disk
        std::fseek(f, 0, SEEK_END);
        EXPECT_EQ(std::ftell(f), 15);
        std::fseek(f, 3, SEEK_SET);
        char line[16];
        ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
        EXPECT_STREQ(line, "b\rc\n");
        std::fclose(f);
    }
    FILE* b = platform::openFile("T:\\t.txt", "rb");
    EXPECT_EQ(readAll(b).size(), 15u);
    std::fclose(b);
}

TEST_F(FileIOTest, TextModeJoinsCrLfAcrossReadAhead)
{
    std::string bytes(65535, 'a');
    bytes += "\r\nz";
    tmp.write("big.txt", bytes);
    FILE* f = platform::openFile("T:\\big.txt", "rt");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(readAll(f), std::string(65535, 'a') + "\nz");
    std::fclose(f);
}

TEST_F(FileIOTest, TextModeWritesLfAsCrLf)
{
    FILE* f = platform::openFile("T:\\Out.txt", "w+t");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "x\ny %d\n", 5);
    EXPECT_EQ(std::ftell(f), 8);
    std::rewind(f);
    char word[8];
    ASSERT_EQ(std::fscanf(f, "%7s", word), 1);
    EXPECT_STREQ(word, "x");
    std::fclose(f);
    EXPECT_EQ(tmp.read("Out.txt"), "x\r\ny 5\r\n");

    f = platform::openFile("T:\\bin.dat", "w+b");
    std::fputs("x\n", f);
    std::fclose(f);
    EXPECT_EQ(tmp.read("bin.dat"), "x\n");
}

TEST_F(FileIOTest, FoldersAndBadModesDoNotOpen)
{
    testsupport::makeDirs(tmp.file("dir"));
    EXPECT_EQ(platform::openFile("T:\\dir", "rb"), nullptr);
    EXPECT_EQ(platform::openFile("T:\\dir", "wb"), nullptr);
    EXPECT_EQ(platform::openFile("T:\\x", "xb"), nullptr);
    EXPECT_EQ(platform::openFile("", "rb"), nullptr);
    EXPECT_EQ(platform::openFile("T:\\missing", "rb"), nullptr);
}

std::vector<std::string> searchAll(const std::string& pattern, std::vector<platform::FindData>* records = nullptr)
{
    std::vector<std::string> names;
    platform::FindData data{};
    int h = platform::findFirst(pattern, &data);
    if (h < 0)
        return names;
    do {
        names.push_back(data.name);
        if (records)
            records->push_back(data);
    } while (platform::findNext(h, &data) == 0);
    EXPECT_EQ(platform::findNext(h, &data), -1); // stays at the end
    platform::findClose(h);
    return names;
}

TEST_F(FileIOTest, SearchYieldsDotEntriesThenNamesInOrder)
{
    tmp.write("d/b.txt", "12345");
    tmp.write("d/A.TXT", "");
    tmp.write("d/menu", "");
    testsupport::makeDirs(tmp.file("d/A.menu"));
    ASSERT_TRUE(platform::setCurrentDirectory("T:\\D"));

    std::vector<platform::FindData> records;
    EXPECT_EQ(searchAll("*", &records),
              (std::vector<std::string>{".", "..", "A.menu", "A.TXT", "b.txt", "menu"}));
    EXPECT_EQ(records[0].attrib, platform::FILE_ATTRIB_SUBDIR);
    EXPECT_EQ(records[2].attrib, platform::FILE_ATTRIB_SUBDIR);
    EXPECT_EQ(records[4].attrib, platform::FILE_ATTRIB_ARCHIVE);
    EXPECT_EQ(records[4].size, 5u);

    EXPECT_EQ(searchAll("T:\\d\\*.TXT"), (std::vector<std::string>{"A.TXT", "b.txt"}));
    EXPECT_EQ(searchAll("*.*").size(), 6u);
    EXPECT_EQ(searchAll("a.*"), (std::vector<std::string>{"A.menu", "A.TXT"}));
    EXPECT_EQ(searchAll("MENU.*"), (std::vector<std::string>{"menu"}));
    EXPECT_EQ(searchAll("?.txt"), (std::vector<std::string>{"A.TXT", "b.txt"}));
    EXPECT_EQ(searchAll("B.TXT"), (std::vector<std::string>{"b.txt"}));
    EXPECT_TRUE(searchAll("*.img").empty());
    EXPECT_TRUE(searchAll("T:\\nowhere\\*").empty());
    // A drive's root has no "." and "..".
    EXPECT_EQ(searchAll("T:\\*"), (std::vector<std::string>{"d"}));
}

// Temporary files go to TMPDIR when it names a folder, else to /tmp.
TEST_F(FileIOTest, TheTemporaryFolderIsTmpdirWhenItIsAFolder)
{
    tmp.write("file", "x");
    const struct {
        const char* tmpdir; // null: unset
        std::string folder;
    } cases[] = {{nullptr, "/tmp"}, {"", "/tmp"}, {"gone", "/tmp"}, {"file", "/tmp"}, {"d", tmp.file("d")}};
    testsupport::makeDirs(tmp.file("d"));
    for (const auto& c : cases) {
        testsupport::ChildEnvironment environment({{"TMPDIR", c.tmpdir && *c.tmpdir ? tmp.file(c.tmpdir) : ""}});
        if (!c.tmpdir)
            unsetenv("TMPDIR");
        EXPECT_EQ(platform::temporaryFolder(), c.folder) << (c.tmpdir ? c.tmpdir : "unset");
    }
}

} // namespace
