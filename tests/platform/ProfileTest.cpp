#include "platform/Drives.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
        tmp.write("game.ini", "; settings\r\n[Main]\r\n  Title = \"My Game\" \r\nVolume=12ab\r\n\r\n"
                              "[Other]\r\nTitle=other\r\nnoequals\r\nlast=end");
    }

    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    const std::string ini = "T:\\GAME.INI";
};

TEST_F(ProfileTest, ReadsSectionsAndKeysIgnoringCase)
{
    EXPECT_EQ(platform::readProfileString(ini, "MAIN", "title", "-"), "My Game");
    EXPECT_EQ(platform::readProfileString(ini, "other", "TITLE", "-"), "other");
    EXPECT_EQ(platform::readProfileString(ini, "Other", "last", "-"), "end");
    EXPECT_EQ(platform::readProfileString(ini, "Main", "last", "-"), "-");
    EXPECT_EQ(platform::readProfileString(ini, "Main", "; settings", "-"), "-");
    EXPECT_EQ(platform::readProfileString("T:\\none.ini", "Main", "Title", "-"), "-");
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "Volume", 7), 12);
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "Title", 7), 0);
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "missing", 7), 7);
}

TEST_F(ProfileTest, WritesInPlaceAndKeepsTheRest)
{
    ASSERT_TRUE(platform::writeProfileString(ini, "main", "VOLUME", "-5"));
    ASSERT_TRUE(platform::writeProfileString(ini, "Main", "New", "1"));
    ASSERT_TRUE(platform::writeProfileString(ini, "Other", "more", "2"));
    ASSERT_TRUE(platform::writeProfileString(ini, "Third", "k", "v"));
    EXPECT_EQ(tmp.read("game.ini"), "; settings\r\n[Main]\r\n  Title = \"My Game\" \r\nVOLUME=-5\r\nNew=1\r\n\r\n"
                                    "[Other]\r\nTitle=other\r\nnoequals\r\nlast=end\r\nmore=2\r\n"
                                    "[Third]\r\nk=v\r\n");
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "volume", 0), -5);

    ASSERT_TRUE(platform::writeProfileString("T:\\fresh.ini", "S", "k", "v"));
    EXPECT_EQ(tmp.read("fresh.ini"), "[S]\r\nk=v\r\n");
    EXPECT_FALSE(platform::writeProfileString("T:\\no\\such\\dir.ini", "S", "k", "v"));
}

} // namespace
