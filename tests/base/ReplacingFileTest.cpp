#include "base/ReplacingFile.h"
#include "platform/Drives.h"
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
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

} // namespace
