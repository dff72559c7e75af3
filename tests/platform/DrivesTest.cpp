#include "platform/Drives.h"
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testsupport::TempDir;

class DrivesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::makeDirs(tmp.file("hdd/rara/images"));
        tmp.write("hdd/rara/images/LOGO.img", "logo");
        hdd = tmp.file("hdd");
        platform::mapDrive('h', hdd, platform::DriveKind::FixedDisk);
    }

    TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
    std::string hdd;
};

TEST_F(DrivesTest, ComponentsMatchIgnoringCaseAndSeparators)
{
    struct Case {
        const char* engine;
        std::string host;
    } cases[] = {
        {"H:\\RARA\\IMAGES\\logo.IMG", hdd + "/rara/images/LOGO.img"},
        {"h:/rara\\\\Images//./logo.img", hdd + "/rara/images/LOGO.img"},
        {"H:\\rara\\sub\\..\\IMAGES\\logo.img", hdd + "/rara/images/LOGO.img"},
        {"H:\\..\\..\\Rara", hdd + "/rara"},
        // What does not exist keeps the engine's case, from there on.
        {"H:\\RARA\\New\\Save.DAT", hdd + "/rara/New/Save.DAT"},
        {"H:\\", hdd},
        {"Q:\\anything", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::toHostPath(c.engine), c.host) << c.engine;
}

TEST_F(DrivesTest, CurrentDirectoryHasAWindowsForm)
{
    ASSERT_TRUE(platform::setCurrentDirectory("H:\\RARA\\images"));
    EXPECT_EQ(platform::getCurrentDirectory(), "H:\\rara\\images");
    EXPECT_EQ(platform::toHostPath("..\\IMAGES\\Logo.img"), hdd + "/rara/images/LOGO.img");
    EXPECT_EQ(platform::toHostPath("\\Rara"), hdd + "/rara"); // the root of the current drive
    EXPECT_EQ(platform::toHostPath("H:logo.img"), hdd + "/rara/images/LOGO.img");
    ASSERT_TRUE(platform::setCurrentDirectory("\\"));
    EXPECT_EQ(platform::getCurrentDirectory(), "H:\\");
    EXPECT_FALSE(platform::setCurrentDirectory("H:\\missing"));
    EXPECT_EQ(platform::getCurrentDirectory(), "H:\\");

    // Outside every other drive the default C: = "/" gives the form.
    platform::unmapDrive('H');
    std::string below = tmp.path().substr(1);
    for (char& ch : below)
        if (ch == '/')
            ch = '\\';
    EXPECT_EQ(platform::getCurrentDirectory(), "C:\\" + below + "\\hdd");
    EXPECT_EQ(platform::toEnginePath("/"), "C:\\");
    EXPECT_EQ(platform::executableFolder().substr(0, 3), "C:\\");
}

TEST_F(DrivesTest, NamesAreCodePage1250InTheEngineAndUtf8OnDisk)
{
    // "Łódź.txt" in CP1250, created, then found again in the other case.
    FILE* f = platform::openFile("H:\\rara\\\xA3\xF3" "d\x9F.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(testsupport::readFile(hdd + "/rara/\xC5\x81\xC3\xB3" "d\xC5\xBA.txt"), "");
    EXPECT_EQ(platform::toHostPath("H:\\rara\\\xB3\xD3" "D\x8F.TXT"), hdd + "/rara/\xC5\x81\xC3\xB3" "d\xC5\xBA.txt");
    platform::FindData data{};
    int h = platform::findFirst("H:\\rara\\*.txt", &data);
    ASSERT_GE(h, 0);
    EXPECT_STREQ(data.name, "\xA3\xF3" "d\x9F.txt");
    platform::findClose(h);
}

TEST_F(DrivesTest, CachedListingSeesLaterEntries)
{
    // A settled folder's listing is kept; an entry made afterwards changes
    // the folder's time and must still be found.
    std::string dir = hdd + "/rara/images";
    timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.c_str(), old, 0), 0);
    EXPECT_EQ(platform::toHostPath("H:\\rara\\images\\logo.IMG"), dir + "/LOGO.img");
    testsupport::writeFile(dir + "/Later.img", "x");
    EXPECT_EQ(platform::toHostPath("H:\\rara\\images\\LATER.IMG"), dir + "/Later.img");
}

} // namespace
