#include "base/File.h"
#include "base/Language.h"
#include "base/WindowPaths.h"
#include "platform/Drives.h"
#include "platform/Locale.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

// The file layer never looks inside a window; it only asks whether there is one.
char windowStandIn;
CWindow* const window = reinterpret_cast<CWindow*>(&windowStandIn);

// A title installed on a fixed disk H: and its installation medium M:.
class CFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::makeDirs(tmp.file("hdd/title/Rara/scene"));
        testsupport::makeDirs(tmp.file("cd/Rara/scene"));
        platform::mapDrive('H', tmp.file("hdd"), platform::DriveKind::FixedDisk);
        platform::mapDrive('M', tmp.file("cd"), platform::DriveKind::Medium);
        CWindowPaths::setRootPath("H:\\title\\");
        CWindowPaths::setCDPath("M:\\");
    }
    void TearDown() override
    {
        CFile::closeBigFile();
        CFile::setBigFileFactory(nullptr);
        CWindowPaths::reset();
        platform::setSystemLanguageOverride(-1);
    }

    std::string contents(CWindow* w, const char* name)
    {
        CFile f(w, name, 0x11);
        if (f.LastError() != 0)
            return "(none)";
        std::vector<char> buf(64);
        return std::string(buf.data(), size_t(f.Read(buf.data(), int(buf.size()))));
    }

    TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
};

TEST_F(CFileTest, OpenTriesLanguageCopyAndPlainFileOnDiskThenOnMedium)
{
    platform::setSystemLanguageOverride(0x0415);
    CLanguageOSVer polish;
    CWindowPaths::setLangIfc(&polish);
    const char* places[] = {"hdd/title/Rara/scene/POL/x.txt", "hdd/title/Rara/scene/x.txt",
                            "cd/Rara/scene/POL/x.txt", "cd/Rara/scene/x.txt"};
    for (const char* p : places)
        tmp.write(p, p);
    ASSERT_EQ(CFile::chDir("H:\\title\\Rara\\scene"), 0);
    for (const char* p : places) {
        EXPECT_EQ(contents(window, "x.txt"), p);
        std::remove(tmp.file(p).c_str());
    }
    CFile f(window, "x.txt", 0x11);
    EXPECT_EQ(f.LastError(), CFile::ERROR_OPEN);
    EXPECT_EQ(f.GetHandle(), nullptr);
    EXPECT_EQ(f.getFileName(), "H:\\title\\Rara\\scene\\x.txt");
}

TEST_F(CFileTest, WithoutWindowOnlyTheHardDiskRebasingAndTheNameAreTried)
{
    platform::setSystemLanguageOverride(0x0415);
    CLanguageOSVer polish;
    CWindowPaths::setLangIfc(&polish);
    tmp.write("hdd/title/Rara/scene/POL/lang.txt", "hdd-pol");
    tmp.write("cd/Rara/scene/medium.txt", "cd");
    tmp.write("hdd/title/Rara/scene/both.txt", "hdd");
    tmp.write("cd/Rara/scene/both.txt", "cd");
    ASSERT_EQ(CFile::chDir("H:\\title\\Rara\\scene"), 0);
    EXPECT_EQ(contents(nullptr, "lang.txt"), "(none)");
    EXPECT_EQ(contents(nullptr, "medium.txt"), "(none)");
    EXPECT_EQ(contents(window, "lang.txt"), "hdd-pol");
    EXPECT_EQ(contents(window, "medium.txt"), "cd");

    // A title run from the medium prefers the copy on the hard disk.
    ASSERT_EQ(CFile::chDir("M:\\Rara\\scene"), 0);
    EXPECT_EQ(contents(nullptr, "both.txt"), "hdd");
    EXPECT_EQ(contents(window, "both.txt"), "hdd");
    EXPECT_EQ(contents(window, "lang.txt"), "hdd-pol");
}

TEST_F(CFileTest, NamesMatchIgnoringCaseAndNewFilesKeepTheEngineCase)
{
    tmp.write("hdd/game/rara/images/LOGO.img", "logo");
    ASSERT_EQ(CFile::chDir("H:\\GAME"), 0);
    EXPECT_EQ(contents(nullptr, "RARA\\IMAGES\\logo.IMG"), "logo");
    EXPECT_EQ(contents(nullptr, "H:/game/rara/images/logo.img"), "logo");

    CFile out(nullptr, "RARA\\IMAGES\\New.DAT", 0x16);
    ASSERT_EQ(out.LastError(), 0);
    EXPECT_EQ(out.Write("abc", 3), 1);
    out.Close();
    EXPECT_EQ(tmp.read("hdd/game/rara/images/New.DAT"), "abc");
}

TEST_F(CFileTest, RebasingAnchorsAtRaraThenCommonThenWavs)
{
    struct Case {
        const char* path;
        const char* local;
        const char* cd;
    } cases[] = {
        {"C:\\x\\Rara\\COMMON\\a.img", "H:\\title\\Rara\\COMMON\\a.img", "M:\\Rara\\COMMON\\a.img"},
        {"C:\\x\\COMMON\\Rara\\a.img", "H:\\title\\Rara\\a.img", "M:\\Rara\\a.img"},
        {"C:\\x\\COMMON\\a.img", "H:\\title\\COMMON\\a.img", "M:\\COMMON\\a.img"},
        {"C:\\x\\wavs\\Door.wav", "H:\\title\\WAVS\\DOOR.WAV", "M:\\WAVS\\DOOR.WAV"},
        // "Rara" and "COMMON" are matched in their own case only.
        {"C:\\x\\rara\\common\\a.img", "C:\\x\\rara\\common\\a.img", "C:\\x\\rara\\common\\a.img"},
        {"C:\\x\\other\\a.img", "C:\\x\\other\\a.img", "C:\\x\\other\\a.img"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CFile::getLocalPath(c.path), c.local) << c.path;
        EXPECT_EQ(CFile::getCDPath(c.path), c.cd) << c.path;
    }
    CWindowPaths::setCDPath("M:");
    EXPECT_EQ(CFile::getCDPath("C:\\Rara\\a"), "M:\\Rara\\a");
}

TEST_F(CFileTest, RelativeNamesJoinTheProcessDirectory)
{
    ASSERT_EQ(CFile::chDir("H:\\title"), 0);
    struct Case {
        const char* name;
        const char* full;
    } cases[] = {
        {"a.txt", "H:\\title\\a.txt"},
        {"\\a.txt", "H:\\title\\\\a.txt"},
        {"M:\\a.txt", "M:\\a.txt"},
        {"H:a.txt", "H:a.txt"},
    };
    for (const Case& c : cases) {
        CFile f(nullptr, c.name, 0x11);
        EXPECT_EQ(f.getFileName(), c.full) << c.name;
    }
}

TEST_F(CFileTest, ReopeningClosesTheOldStreamAndReportsTheNewResult)
{
    tmp.write("hdd/a.txt", "A");
    tmp.write("hdd/b.txt", "B");
    CFile f;
    EXPECT_EQ(f.Open(nullptr, "H:\\missing.txt", 0x11), CFile::ERROR_OPEN);
    EXPECT_EQ(f.Open(nullptr, "H:\\a.txt", 0x11), 0);
    EXPECT_EQ(f.LastError(), 0);
    EXPECT_EQ(f.Open(nullptr, "H:\\b.txt", 0x11), 0); // the stream of a.txt must not leak
    char c = 0;
    EXPECT_EQ(f.Read(&c, 1), 1);
    EXPECT_EQ(c, 'B');
    EXPECT_EQ(f.Open(nullptr, "H:\\missing.txt", 0x11), CFile::ERROR_OPEN);
    EXPECT_EQ(f.GetHandle(), nullptr);
}

TEST_F(CFileTest, ReadWriteLinesAndLength)
{
    CFile out(nullptr, "H:\\data.bin", 0x16);
    ASSERT_EQ(out.LastError(), 0);
    EXPECT_EQ(out.Write("0123456789", 10), 1);
    EXPECT_EQ(out.Write("x", 0), 0);
    out.putLine("\nfirst\nlast");
    EXPECT_EQ(out.Close(), 0);
    EXPECT_EQ(tmp.read("hdd/data.bin"), "0123456789\nfirst\nlast");

    CFile in(nullptr, "H:\\data.bin", 0x11);
    EXPECT_EQ(in.Seek(3, 0), 0);
    EXPECT_EQ(in.Length(), 21);
    EXPECT_EQ(in.Tell(), 3);
    EXPECT_EQ(in.getLine(), "3456789\n");
    char small[4];
    EXPECT_TRUE(in.GetLine(small, sizeof small));
    EXPECT_STREQ(small, "fir");
    EXPECT_EQ(in.getLine(), "st\n");
    EXPECT_EQ(in.getLine(), "last");
    EXPECT_EQ(in.getLine(), "");
    EXPECT_TRUE(in.eof());

    // Text mode: CR LF arrives as LF, so fewer bytes than the length.
    tmp.write("hdd/crlf.txt", "ab\r\ncd\r\n");
    CFile text(nullptr, "H:\\crlf.txt", 0x09);
    char buf[16];
    EXPECT_EQ(text.Length(), 8);
    EXPECT_EQ(text.Read(buf, 8), 6);
    EXPECT_EQ(std::string(buf, 6), "ab\ncd\n");
}

TEST_F(CFileTest, ClosedFileDoesNothing)
{
    CFile f;
    char buf[4];
    EXPECT_EQ(f.Read(buf, 4), 0);
    EXPECT_EQ(f.Write(buf, 4), 0);
    EXPECT_EQ(f.Tell(), 0);
    EXPECT_EQ(f.Length(), -1);
    EXPECT_NE(f.Seek(0, 0), 0);
    EXPECT_TRUE(f.eof());
    EXPECT_FALSE(f.GetLine(buf, 4));
    EXPECT_EQ(f.getLine(), "");
    f.putLine("x");
    EXPECT_EQ(f.Close(), 0);
    f.setErrorCode(2000);
    EXPECT_EQ(f.Close(), 2000);
}

TEST_F(CFileTest, DirectoryQuestionsOnDisk)
{
    tmp.write("hdd/title/a1", "");
    tmp.write("hdd/title/a2", "");
    testsupport::makeDirs(tmp.file("hdd/title/a3"));
    ASSERT_EQ(CFile::chDir("H:\\TITLE"), 0);
    EXPECT_EQ(CFile::getCurrentDirectory(), "H:\\title\\");
    char buf[6];
    CFile::getCurrentDirectory(sizeof buf, buf);
    EXPECT_STREQ(buf, "H:\\ti");

    EXPECT_TRUE(CFile::fileExists("A1"));
    EXPECT_FALSE(CFile::fileExists("a3"));
    EXPECT_TRUE(CFile::dirExists("A3"));
    EXPECT_FALSE(CFile::dirExists("a1"));
    EXPECT_EQ(CFile::getCurrentDirectory(), "H:\\title\\");
    EXPECT_EQ(CFile::chDir("nowhere"), -1);

    _finddata_t data{};
    int h = CFile::findFirst("a*", &data);
    EXPECT_STREQ(data.name, "a1");
    CFile::findClose(h);
    data.attrib = platform::FILE_ATTRIB_SUBDIR; // folders only
    h = CFile::findFirst("a*", &data);
    ASSERT_GE(h, 0);
    EXPECT_STREQ(data.name, "a3");
    EXPECT_EQ(CFile::findNext(h, &data), -1);
    CFile::findClose(h);
    data.attrib = platform::FILE_ATTRIB_SUBDIR;
    EXPECT_EQ(CFile::findFirst("a1", &data), -1);

    EXPECT_TRUE(CFile::isHdd("H:\\x"));
    EXPECT_FALSE(CFile::isHdd("M:\\x"));
    EXPECT_FALSE(CFile::isHdd("Q:\\x"));
    EXPECT_FALSE(CFile::isHdd(""));
}

TEST_F(CFileTest, GetPathFindsTheNameTheImageLoaderOpens)
{
    platform::setSystemLanguageOverride(0x0405);
    CLanguageOSVer czech;
    CWindowPaths::setLangIfc(&czech);
    tmp.write("hdd/title/Rara/scene/CZE/a.img", "");
    tmp.write("hdd/title/Rara/scene/b.img", "");
    tmp.write("cd/Rara/scene/c.img", "");
    ASSERT_EQ(CFile::chDir("H:\\title\\Rara\\scene"), 0);
    EXPECT_EQ(CFile::getPath(window, "a.img"), "H:\\title\\Rara\\scene\\CZE\\a.img");
    EXPECT_EQ(CFile::getPath(nullptr, "a.img"), "");
    EXPECT_EQ(CFile::getPath(window, "b.img"), "H:\\title\\Rara\\scene\\b.img");
    EXPECT_EQ(CFile::getPath(window, "c.img"), ""); // never the medium
}

// An archive stand-in that answers from a fixed tree and counts its calls.
class StandInArchive : public CBigFileIfc {
public:
    StandInArchive() : own(nullptr, "H:\\data.bf", 0x11) { ++alive; }
    ~StandInArchive() override { --alive; }
    int ChDir(const CXString& name) override
    {
        log += "cd " + std::string(name.c_str()) + ";";
        return name == "images" ? 0 : -1;
    }
    CXString GetCurrentDirectoryA() override { return "images"; }
    bool FileExists(const CXString& path) override { return path == "logo.img"; }
    bool DirExists(const CXString& path) override { return path == "sub"; }
    int FindFirst(const CXString&, _finddata_t* data) override
    {
        std::snprintf(data->name, sizeof data->name, "logo.img");
        data->attrib = 0;
        return 7;
    }
    int FindNext(int, _finddata_t*) override { return -1; }
    int Seek(const CXString&) override { return 0; }
    int Seek(int offset, int) override { return 1000 + offset; }
    int Tell() override { return 42; }
    int GetSize(const CXString&) override { return 0; }
    CFile* GetFile() override { return &own; }

    CFile own;
    std::string log;
    static int alive;
};
int StandInArchive::alive = 0;

CBigFileIfc* makeStandIn(const CXString& name)
{
    return name.equalsIgnoreCase("data.bf") ? new StandInArchive : nullptr;
}

TEST_F(CFileTest, OpenArchiveAnswersDirectoryQuestionsButNotOpen)
{
    tmp.write("hdd/data.bf", "0123456789");
    tmp.write("hdd/title/disk.txt", "disk");
    ASSERT_EQ(CFile::chDir("H:\\title"), 0);
    CFile::setBigFileFactory(makeStandIn);
    CFile::openBigFile("missing.bf");
    EXPECT_EQ(CFile::getBigFileIfc(), nullptr);
    EXPECT_EQ(CFile::getBigFileHandle(), nullptr);

    CFile::openBigFile("DATA.BF");
    auto* archive = static_cast<StandInArchive*>(CFile::getBigFileIfc());
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(CFile::getBigFileHandle(), &archive->own);
    EXPECT_EQ(CFile::getCurrentDirectory(), "images\\");
    char buf[16];
    CFile::getCurrentDirectory(sizeof buf, buf);
    EXPECT_STREQ(buf, "images");
    EXPECT_EQ(CFile::chDir("images"), 0);
    EXPECT_EQ(CFile::chDir("H:\\title"), -1);
    EXPECT_EQ(archive->log, "cd images;cd H:\\title;");
    EXPECT_TRUE(CFile::fileExists("logo.img"));
    EXPECT_FALSE(CFile::fileExists("disk.txt"));
    EXPECT_TRUE(CFile::dirExists("sub"));
    _finddata_t data{};
    data.attrib = platform::FILE_ATTRIB_SUBDIR; // the archive does not filter
    EXPECT_EQ(CFile::findFirst("*.img", &data), 7);
    EXPECT_STREQ(data.name, "logo.img");
    EXPECT_EQ(CFile::findNext(7, &data), -1);
    EXPECT_EQ(CFile::fSeek(&archive->own, 5, 0), 1005);
    EXPECT_EQ(CFile::fTell(&archive->own), 42);

    // Files still open from disk, and their positions are their own.
    CFile disk(nullptr, "disk.txt", 0x11);
    EXPECT_EQ(disk.LastError(), 0);
    EXPECT_EQ(CFile::fSeek(&disk, 2, 0), 0);
    EXPECT_EQ(CFile::fTell(&disk), 2);

    CFile::openBigFile("data.bf"); // replaces the open one
    EXPECT_EQ(StandInArchive::alive, 1);
    CFile::closeBigFile();
    EXPECT_EQ(StandInArchive::alive, 0);
    EXPECT_EQ(CFile::getCurrentDirectory(), "H:\\title\\");
    EXPECT_TRUE(CFile::fileExists("disk.txt"));
}

} // namespace
