#include "base/ReplacingFile.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <vector>
#include <string>
#include <unistd.h>

namespace {

class CReplacingFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
        tmp.write("save.dat", "old bytes");
    }

    // Writes text to T:\save.dat through a replacing file; the commit's answer.
    bool save(const std::string& text, bool commit)
    {
        CReplacingFile f;
        EXPECT_EQ(f.Open(nullptr, "T:\\save.dat", 0x16), 0);
        f.Write(text.data(), int(text.size()));
        return commit ? f.commit() : false;
    }

    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
};

TEST_F(CReplacingFileTest, CommitPutsTheNewFileInPlaceOfTheOld)
{
    EXPECT_TRUE(save("new bytes", true));
    EXPECT_EQ(tmp.read("save.dat"), "new bytes");
    EXPECT_EQ(tmp.read("save.dat.tmp"), "");
}

TEST_F(CReplacingFileTest, TheNameIsMatchedWithoutRegardToCase)
{
    CReplacingFile f;
    ASSERT_EQ(f.Open(nullptr, "T:\\SAVE.DAT", 0x16), 0);
    f.Write("x", 1);
    EXPECT_TRUE(f.commit());
    EXPECT_EQ(tmp.read("save.dat"), "x");
}

TEST_F(CReplacingFileTest, AnUncommittedOrCutWriteLeavesTheOldFile)
{
    EXPECT_FALSE(save("abandoned", false));
    EXPECT_EQ(tmp.read("save.dat"), "old bytes");
    {
        testsupport::FileSizeLimit limit(4);
        EXPECT_FALSE(save(std::string(100000, 'x'), true));
    }
    EXPECT_EQ(tmp.read("save.dat"), "old bytes");
    // No temporary is left behind either way.
    platform::FindData found;
    EXPECT_LT(platform::findFirst("T:\\*.tmp", &found), 0);
}

TEST_F(CReplacingFileTest, AFolderThatDoesNotExistOpensNothing)
{
    CReplacingFile f;
    EXPECT_NE(f.Open(nullptr, "T:\\missing\\save.dat", 0x16), 0);
    EXPECT_FALSE(f.commit());
}

// A link at the temporary's name is removed, not followed: the file it
// points at keeps its bytes, and a stale temporary does not stop the save.
TEST_F(CReplacingFileTest, NothingIsWrittenThroughTheTemporarysName)
{
    tmp.write("elsewhere.txt", "not a save");
    ASSERT_EQ(symlink(tmp.file("elsewhere.txt").c_str(), tmp.file("save.dat.tmp").c_str()), 0);
    EXPECT_TRUE(save("new bytes", true));
    EXPECT_EQ(tmp.read("elsewhere.txt"), "not a save");
    EXPECT_EQ(tmp.read("save.dat"), "new bytes");
    tmp.write("save.dat.tmp", "stale");
    EXPECT_TRUE(save("newer", true));
    EXPECT_EQ(tmp.read("save.dat"), "newer");
}

// Every name that can be a file can be replaced, up to the longest (255
// bytes on the disk, fewer letters where each takes two bytes there): a
// temporary with ".tmp" appended would not fit, so it is shorter. Names
// that begin alike keep their temporaries apart while all are open, and
// only the files are left.
TEST_F(CReplacingFileTest, TheLongestNamesAreReplacedToo)
{
    const struct {
        std::string name; // in code page 1250
        bool fits;
    } cases[] = {
        {std::string(246, 'n') + ".dat", true},          // 250 bytes
        {std::string(247, 'n') + ".dat", true},          // 251: ".tmp" still fits
        {std::string(248, 'n') + ".dat", true},          // 252
        {std::string(251, 'n') + ".dat", true},          // 255
        {std::string(251, 'n') + "a.dat", false},        // 256: no file has such a name
        {std::string(125, '\xB9') + ".dat", true},       // 125 letters a-ogonek: 254 bytes on the disk
    };
    std::vector<std::unique_ptr<CReplacingFile>> files;
    for (const auto& c : cases) {
        if (c.fits)
            tmp.write(platform::cp1250ToUtf8(c.name), "old");
        files.emplace_back(new CReplacingFile);
        ASSERT_EQ(files.back()->Open(nullptr, ("T:\\" + c.name).c_str(), 0x16), 0) << c.name.size();
        files.back()->Write(c.name.data(), int(c.name.size()));
        ASSERT_TRUE(files.back()->finish()) << c.name.size();
    }
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i]->commit(), cases[i].fits) << cases[i].name.size();
        if (cases[i].fits) {
            EXPECT_EQ(tmp.read(platform::cp1250ToUtf8(cases[i].name)), cases[i].name) << cases[i].name.size();
        }
    }
    size_t left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tmp.path()))
        left += entry.path().filename() != "save.dat";
    EXPECT_EQ(left, 5u);
}

} // namespace
