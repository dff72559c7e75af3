#include "platform/Drives.h"
#include "platform/FileIO.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

    // Only a line feed ends a line when the file is read: a last line that
    // ends in a lone CR gets a whole line end before what is added after it.
    tmp.write("cr.ini", "[A]\r\nx=1\r");
    ASSERT_TRUE(platform::writeProfileString("T:\\cr.ini", "B", "y", "2"));
    EXPECT_EQ(tmp.read("cr.ini"), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    EXPECT_EQ(platform::readProfileString("T:\\cr.ini", "B", "y", "-"), "2");

    ASSERT_TRUE(platform::writeProfileString("T:\\fresh.ini", "S", "k", "v"));
    EXPECT_EQ(tmp.read("fresh.ini"), "[S]\r\nk=v\r\n");
    EXPECT_FALSE(platform::writeProfileString("T:\\no\\such\\dir.ini", "S", "k", "v"));
}

// A copy kept between uses sees what others did to the file: another
// writer's rename, an edit in place, a removal; and its own writes keep the
// other writer's keys.
TEST_F(ProfileTest, TheCopyInMemoryFollowsTheFileOnDisk)
{
    platform::ProfileFile kept(ini);
    EXPECT_EQ(kept.readString("Main", "Volume", "-"), "12ab");
    ASSERT_TRUE(platform::writeProfileString(ini, "Main", "Volume", "13"));
    EXPECT_EQ(kept.readInt("Main", "Volume", 0), 13);
    ASSERT_TRUE(kept.write("Other", "more", "2"));
    EXPECT_EQ(platform::readProfileInt(ini, "Other", "more", 0), 2);
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "Volume", 0), 13);

    tmp.write("game.ini", "[Main]\r\nVolume=140\r\n");
    EXPECT_EQ(kept.readInt("Main", "Volume", 0), 140);
    EXPECT_EQ(kept.readString("Other", "more", "-"), "-");
    std::remove(tmp.file("game.ini").c_str());
    EXPECT_EQ(kept.readString("Main", "Volume", "-"), "-");
    ASSERT_TRUE(kept.write("Main", "Volume", "1"));
    EXPECT_EQ(tmp.read("GAME.INI"), "[Main]\r\nVolume=1\r\n"); // named as the engine names it
}

// put() writes at once when the copy has not written the file for a
// second; later changes wait in the copy, where its reads see them, until
// flush(). Another copy's read, the file layer's use of any file and the
// copy's end write them first; another program's file meanwhile gets them
// made again in it.
TEST_F(ProfileTest, PutChangesWaitButEveryReadSeesThem)
{
    const std::string start = tmp.read("game.ini");
    const std::string withVolume = [&] {
        std::string bytes = start;
        bytes.replace(bytes.find("Volume=12ab"), 11, "Volume=%");
        return bytes;
    }();
    auto volumeIs = [&](const char* value) {
        std::string bytes = withVolume;
        return bytes.replace(bytes.find('%'), 1, value);
    };
    std::unique_ptr<platform::ProfileFile> kept(new platform::ProfileFile(ini));
    ASSERT_TRUE(kept->put("Main", "Volume", "1"));
    EXPECT_EQ(tmp.read("game.ini"), volumeIs("1"));
    const auto firstWrite = std::chrono::steady_clock::now();
    ASSERT_TRUE(kept->put("Main", "Volume", "2"));
    ASSERT_TRUE(kept->put("New", "k", "v"));
    if (std::chrono::steady_clock::now() - firstWrite < std::chrono::milliseconds(900)) {
        EXPECT_EQ(tmp.read("game.ini"), volumeIs("1"));
    }
    EXPECT_EQ(kept->readInt("Main", "Volume", 0), 2);
    ASSERT_TRUE(kept->flush());
    EXPECT_EQ(tmp.read("game.ini"), volumeIs("2") + "\r\n[New]\r\nk=v\r\n");

    struct Case {
        const char* what;
        std::function<void()> use;
    } cases[] = {
        {"another copy reads", [&] { EXPECT_EQ(platform::readProfileInt(ini, "Main", "Volume", 0), 3); }},
        {"a file is opened",
         [&] {
             std::FILE* other = platform::openFile("T:\\other.txt", "wb");
             ASSERT_NE(other, nullptr);
             std::fclose(other);
         }},
        {"the copy ends", [&] { kept.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tmp.write("game.ini", start);
        kept.reset(new platform::ProfileFile(ini));
        ASSERT_TRUE(kept->put("Main", "Volume", "1"));
        ASSERT_TRUE(kept->put("Main", "Volume", "3"));
        c.use();
        EXPECT_EQ(tmp.read("game.ini"), volumeIs("3"));
    }

    // Another program writes the file while a change waits.
    tmp.write("game.ini", start);
    kept.reset(new platform::ProfileFile(ini));
    ASSERT_TRUE(kept->put("Main", "Volume", "1"));
    ASSERT_TRUE(kept->put("Main", "Volume", "4"));
    tmp.write("game.ini", "[Main]\r\nVolume=140\r\nx=9\r\n");
    ASSERT_TRUE(kept->flush());
    EXPECT_EQ(tmp.read("game.ini"), "[Main]\r\nVolume=4\r\nx=9\r\n");
}

// A line break in a section, a key or a value never starts a line of the
// file: each is cut at its first CR or LF, the file keeps its sections and
// keys, and what is read back, by the copy that wrote it and afresh, is what
// was kept.
TEST_F(ProfileTest, ALineBreakInAWriteIsCutThere)
{
    const std::string original = tmp.read("game.ini");
    const std::string inMain = "; settings\r\n[Main]\r\n  Title = \"My Game\" \r\nVolume=12ab\r\n";
    const std::string rest = "\r\n[Other]\r\nTitle=other\r\nnoequals\r\nlast=end";
    struct Case {
        std::string section, key, value;
        std::string file; // the whole file after the write
        std::string kept; // the value read back from the kept section and key
    };
    for (const std::string br : {"\r", "\n", "\r\n"}) {
        const std::string inject = "PN=999" + br + "[INJECT]" + br + "K=V";
        const Case cases[] = {
            {"Main", "Note", "evil" + br + inject, inMain + "Note=evil\r\n" + rest, "evil"},
            {"Main", "Note" + br + inject, "v", inMain + "Note=v\r\n" + rest, "v"},
            {"Main" + br + inject, "Note", "v", inMain + "Note=v\r\n" + rest, "v"},
            {"Main", "Note", br + inject, inMain + "Note=\r\n" + rest, ""},
            {"New" + br + inject, "Note" + br, "v" + br, original + "\r\n[New]\r\nNote=v\r\n", "v"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::PrintToString(c.section + "|" + c.key + "|" + c.value));
            tmp.write("game.ini", original);
            platform::ProfileFile kept(ini);
            ASSERT_TRUE(kept.write(c.section, c.key, c.value));
            EXPECT_EQ(tmp.read("game.ini"), c.file);
            const std::string section = c.section.substr(0, c.section.find_first_of("\r\n"));
            platform::ProfileFile fresh(ini);
            for (platform::ProfileFile* f : {&kept, &fresh}) {
                EXPECT_EQ(f->readString(section, "Note", "-"), c.kept);
                EXPECT_EQ(f->readString("INJECT", "K", "-"), "-");
                EXPECT_EQ(f->readString(section, "PN", "-"), "-");
            }
        }
    }
}

// A write that cannot finish leaves the old bytes and no temporary; the
// copy keeps the change, and the next write that succeeds makes it in the
// file, also when another program wrote the file meanwhile, or the copy's
// end when no write comes.
TEST_F(ProfileTest, AFailedWriteKeepsTheOldFileAndTheValue)
{
    const std::string before = tmp.read("game.ini");
    platform::ProfileFile file(ini);
    {
        testsupport::FileSizeLimit limit(4);
        EXPECT_FALSE(file.write("Main", "Volume", "99"));
    }
    EXPECT_EQ(tmp.read("game.ini"), before);
    EXPECT_EQ(file.readInt("Main", "Volume", 0), 99);
    platform::FindData found;
    EXPECT_LT(platform::findFirst("T:\\*.tmp", &found), 0);
    tmp.write("game.ini", "[Main]\r\nVolume=140\r\nx=9\r\n");
    ASSERT_TRUE(file.write("Other", "more", "2"));
    EXPECT_EQ(tmp.read("game.ini"), "[Main]\r\nVolume=99\r\nx=9\r\n[Other]\r\nmore=2\r\n");

    std::unique_ptr<platform::ProfileFile> ending(new platform::ProfileFile(ini));
    {
        testsupport::FileSizeLimit limit(4);
        EXPECT_FALSE(ending->write("Main", "x", "10"));
    }
    ending.reset();
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "x", 0), 10);

    // Something that is not a readable file is never written over.
    testsupport::makeDirs(tmp.file("folder.ini"));
    EXPECT_FALSE(platform::writeProfileString("T:\\folder.ini", "S", "k", "v"));
}

// The new file keeps the old one's permissions, and a write that changes
// nothing does not touch the file.
TEST_F(ProfileTest, TheNewFileKeepsTheOldOnesModeAndAnEqualWriteIsNone)
{
    ASSERT_EQ(chmod(tmp.file("game.ini").c_str(), 0640), 0);
    ASSERT_TRUE(platform::writeProfileString(ini, "Main", "Volume", "3"));
    struct stat before, after;
    ASSERT_EQ(stat(tmp.file("game.ini").c_str(), &before), 0);
    EXPECT_EQ(before.st_mode & 07777, 0640u);
    ASSERT_TRUE(platform::writeProfileString(ini, "Main", "Volume", "3"));
    ASSERT_EQ(stat(tmp.file("game.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

// What stands at the temporary's name (a link, another name of a file, a
// pipe, a file left behind) is replaced, never written through: the file
// it names keeps its bytes.
TEST_F(ProfileTest, NothingIsWrittenThroughTheTemporarysName)
{
    const std::string temporary = tmp.file("game.ini.tmp");
    const std::string elsewhere = tmp.file("elsewhere.txt");
    struct Case {
        const char* what;
        std::function<int()> make;
    } cases[] = {
        {"a symbolic link", [&] { return symlink(elsewhere.c_str(), temporary.c_str()); }},
        {"a hard link", [&] { return link(elsewhere.c_str(), temporary.c_str()); }},
        {"a pipe", [&] { return mkfifo(temporary.c_str(), 0644); }},
        {"a stale file",
         [&] {
             tmp.write("game.ini.tmp", "stale");
             return chmod(temporary.c_str(), 0444);
         }},
    };
    int volume = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tmp.write("elsewhere.txt", "not settings");
        ASSERT_EQ(c.make(), 0);
        ASSERT_TRUE(platform::writeProfileString(ini, "Main", "Volume", std::to_string(++volume)));
        EXPECT_EQ(tmp.read("elsewhere.txt"), "not settings");
        EXPECT_EQ(platform::readProfileInt(ini, "Main", "Volume", 0), volume);
        EXPECT_EQ(access(temporary.c_str(), F_OK), -1);
    }
}

// Two programs write the file at once, each its own key and both a shared
// one: each one's last value of its own key is there, the shared key holds
// one of their last values, the rest of the file is kept, and no write
// failed.
TEST_F(ProfileTest, TwoProgramsWritingAtOnceKeepEachOthersKeys)
{
    const int writes = 300;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            // Both begin when the gate closes.
            close(gate[1]);
            char c;
            if (read(gate[0], &c, 1) != 0)
                _exit(2);
            platform::ProfileFile file(ini);
            const std::string own = w ? "B" : "A";
            int failed = 0;
            for (int i = 1; i <= writes; ++i) {
                failed += !file.write("Main", own, std::to_string(i));
                failed += !file.write("Other", "Shared", own + std::to_string(i));
            }
            _exit(failed ? 1 : 0);
        }
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "A", 0), writes);
    EXPECT_EQ(platform::readProfileInt(ini, "Main", "B", 0), writes);
    const std::string shared = platform::readProfileString(ini, "Other", "Shared", "-");
    EXPECT_TRUE(shared == "A" + std::to_string(writes) || shared == "B" + std::to_string(writes)) << shared;
    EXPECT_EQ(platform::readProfileString(ini, "Main", "Title", "-"), "My Game");
    EXPECT_EQ(platform::readProfileString(ini, "Other", "last", "-"), "end");
    EXPECT_EQ(access(tmp.file("game.ini.tmp").c_str(), F_OK), -1);
}

// A program killed in the middle of a write (past its file size limit)
// leaves the file as it was, or none when it was the first write, and its
// temporary; it holds no lock then, and the next write makes the temporary
// anew. (A file not there yet is named as the engine names it.)
TEST_F(ProfileTest, AWriterKilledMidWriteLeavesTheFileAndTheNextWriteGoesOn)
{
    const std::string start = tmp.read("game.ini");
    for (bool present : {true, false}) {
        SCOPED_TRACE(present ? "over a file" : "the first write");
        const std::string name = present ? "game.ini" : "GAME.INI";
        if (!present) {
            ASSERT_EQ(std::remove(tmp.file("game.ini").c_str()), 0);
        }
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            const struct rlimit noCore = {0, 0}, small = {8, RLIM_INFINITY};
            std::signal(SIGXFSZ, SIG_DFL);
            if (setrlimit(RLIMIT_CORE, &noCore) != 0 || setrlimit(RLIMIT_FSIZE, &small) != 0)
                _exit(2);
            platform::writeProfileString(ini, "Main", "Volume", "99");
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
        EXPECT_EQ(tmp.read(name + ".tmp").size(), 8u);
        EXPECT_EQ(access(tmp.file(name).c_str(), F_OK), present ? 0 : -1);
        EXPECT_EQ(tmp.read(name), present ? start : "");

        platform::ProfileFile file(ini);
        ASSERT_TRUE(file.write("Third", "k", "v"));
        EXPECT_EQ(tmp.read(name), (present ? start + "\r\n" : std::string()) + "[Third]\r\nk=v\r\n");
        EXPECT_EQ(access(tmp.file(name + ".tmp").c_str(), F_OK), -1);
    }
}

} // namespace
