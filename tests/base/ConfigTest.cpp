#include "base/Config.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Puts three values into a settings file that cannot be written; what went
// otherwise than it should (the value read back, one line on standard error
// naming the file, the reason and the path on this machine).
// (Standard error goes to a file of its own: a death test captures it too.)
std::string putThreeTimes(const char* path, const char* reason)
{
    std::fflush(stderr);
    std::FILE* capture = std::tmpfile();
    const int saved = dup(2);
    if (!capture || saved < 0 || dup2(fileno(capture), 2) < 0)
        return "standard error cannot be captured";
    CConfig config(path);
    for (int i = 1; i <= 3; ++i)
        config.PutInt("ROOM", "N", i);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string told;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;)
        told += char(c);
    std::fclose(capture);
    std::string fault;
    if (config.GetInt("ROOM", "N") != 3)
        fault += "the value was not kept; ";
    const std::string line = std::string("Quarnel: settings file \"Game.ini\" cannot be written (") + reason +
                             "): " + platform::toHostPath(path) + "\n";
    if (told != line)
        fault += "told \"" + told + "\" for \"" + line + "\"";
    return fault;
}

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
    config.Flush();
    EXPECT_EQ(tmp.read("Game.ini"), "[MAIN]\r\nTITLE=Zamek \xA3\xF3" "d\x9F\r\nVolume=-5\r\nlong=" + std::string(12000, 'v') +
                                        "\r\n[scene1]\r\nvisits=abc\r\n");
}

// The values wait in memory for the folder, and reach the file with the
// first write that can make it; the file is named once in the run, however
// often its writes fail.
TEST(CConfigTest, AMissingFolderIsReportedOnceAndTheValuesWaitForIt)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    EXPECT_EQ(putThreeTimes("T:\\Saves\\Game.ini", "No such file or directory"), "");

    ::testing::internal::CaptureStderr();
    CConfig config("T:\\Saves\\Game.ini");
    config.PutInt("ROOM", "N", 1);
    config.PutString("ROOM", "NAME", "Zamek");
    testsupport::makeDirs(tmp.file("Saves"));
    config.PutInt("ROOM", "N", 2);
    config.Flush();
    EXPECT_EQ(tmp.read("Saves/Game.ini"), "[ROOM]\r\nN=2\r\nNAME=Zamek\r\n");
    std::remove(tmp.file("Saves/Game.ini").c_str());
    rmdir(tmp.file("Saves").c_str());
    config.PutInt("ROOM", "N", 3);
    config.PutInt("ROOM", "N", 4);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(config.GetInt("ROOM", "N"), 4);
}

// A read-only folder and a read-only file, written from a child process
// that has only an ordinary user's rights (root may write anywhere): the
// file keeps its bytes and no temporary is left.
TEST(CConfigTest, AReadOnlyFolderOrFileIsReportedOnceAndKeepsItsBytes)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    const std::string bytes = "; kept\r\n[ROOM]\r\nN=0\r\n";
    tmp.write("ro/Game.ini", bytes);
    tmp.write("rw/Game.ini", bytes);
    chmod(tmp.path().c_str(), 0755);
    chmod(tmp.file("ro/Game.ini").c_str(), 0666);
    chmod(tmp.file("ro").c_str(), 0555);
    chmod(tmp.file("rw").c_str(), 0777);
    chmod(tmp.file("rw/Game.ini").c_str(), 0444);
    for (const char* path : {"T:\\ro\\Game.ini", "T:\\rw\\Game.ini"}) {
        SCOPED_TRACE(path);
        EXPECT_EXIT(
            {
                if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                    _exit(2);
                std::string fault = putThreeTimes(path, "Permission denied");
                std::fputs(fault.c_str(), stderr);
                _exit(fault.empty() ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
    chmod(tmp.file("ro").c_str(), 0755);
    for (const char* name : {"ro/Game.ini", "rw/Game.ini"}) {
        EXPECT_EQ(tmp.read(name), bytes);
        EXPECT_EQ(access(tmp.file(std::string(name) + ".tmp").c_str(), F_OK), -1);
    }
}

} // namespace
