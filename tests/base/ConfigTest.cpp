#include "base/Config.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(CConfigTest, RoundTripsWithKeysInAnyCase)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    CConfig config("T:\\Game.ini");
    EXPECT_EQ(config.GetString("MAIN", "TITLE"), ""); // no file yet
    EXPECT_EQ(config.GetInt("MAIN", "TITLE"), 0);

    config.PutString("MAIN", "TITLE", "Zamek \xA3\xF3" "d\x9F"); // code page 1250 bytes stay
    config.PutInt("Main", "Volume", -5);
    config.PutString("scene1", "visits", "abc");
    EXPECT_EQ(config.GetString("main", "title"), "Zamek \xA3\xF3" "d\x9F");
    EXPECT_EQ(config.GetString("MAIN", "VOLUME"), "-5");
    EXPECT_EQ(config.GetInt("main", "volume"), -5);
    EXPECT_EQ(config.GetInt("SCENE1", "VISITS"), 0);
    EXPECT_EQ(config.GetInt("MAIN", "missing"), 0);

    config.PutString("MAIN", "long", std::string(12000, 'v').c_str());
    EXPECT_EQ(config.GetString("MAIN", "long").getLength(), 10239);
    EXPECT_EQ(tmp.read("Game.ini"), "[MAIN]\r\nTITLE=Zamek \xA3\xF3" "d\x9F\r\nVolume=-5\r\nlong=" + std::string(12000, 'v') +
                                        "\r\n[scene1]\r\nvisits=abc\r\n");
}

} // namespace
