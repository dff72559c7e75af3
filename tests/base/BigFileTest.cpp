#include "base/BigFile.h"
#include "base/File.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using testsupport::TempDir;

// Serializer-form bytes for hand-built archives.
struct Bytes {
    std::string b;
    Bytes& i32(int32_t v) { return raw(&v, 4); }
    Bytes& i64(int64_t v) { return raw(&v, 8); }
    Bytes& str(const std::string& s) { return i32(int32_t(s.size())).text(s); }
    Bytes& text(const std::string& s)
    {
        b += s;
        return *this;
    }
    Bytes& raw(const void* p, int n)
    {
        b.append(static_cast<const char*>(p), size_t(n));
        return *this;
    }
};

void patch32(std::string& image, size_t at, int32_t v) { std::memcpy(&image[at], &v, 4); }

// The tree src\b.txt, src\images\logo.img, src\images\sub\deep.txt packed
// from "T:\src" into "T:\out.bf": sub-folders before files, depth first.
std::string expectedImage()
{
    auto toc = [](int32_t data) {
        Bytes t;
        t.str("T:\\out.bf").str("\\").i32(11).i64(0).i64(0).i32(3).i32(2);
        t.str("T:\\src").i32(1).i32(1);
        t.str("images").i32(1).i32(1);
        t.str("sub").i32(1).i32(0);
        t.str("deep.txt").i32(data).i64(0).i32(4);
        t.str("logo.img").i32(data + 4).i64(0).i32(5);
        t.str("b.txt").i32(data + 9).i64(0).i32(2);
        return t.b;
    };
    int32_t data = int32_t(toc(0).size());
    return toc(data) + "deepLOGO!BB";
}

class CBigFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
        tmp.write("src/b.txt", "BB");
        tmp.write("src/images/logo.img", "LOGO!");
        tmp.write("src/images/sub/deep.txt", "deep");
        ASSERT_EQ(CFile::chDir("T:\\"), 0);
    }
    void TearDown() override { CFile::closeBigFile(); }

    bool create()
    {
        CBigFile writer(false, "");
        return writer.Create("T:\\out.bf", "T:\\src", "");
    }

    TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
};

TEST_F(CBigFileTest, CreateWritesTheLaidOutImage)
{
    CBigFile writer(true, "");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(writer.Create("T:\\out.bf", "T:\\src", ""));
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(tmp.read("out.bf"), expectedImage());
    EXPECT_NE(printed.find("Number of files: 3.\nTotal size: 11 bytes.\n"), std::string::npos);
    EXPECT_NE(printed.find("TOC saved.\n"), std::string::npos);

    CBigFile nowhere(false, "");
    EXPECT_FALSE(nowhere.Create("Q:\\out.bf", "T:\\src", ""));
    EXPECT_EQ(nowhere.LastError(), 2000);
}

TEST_F(CBigFileTest, LooksUpNamesIgnoringCaseFromTheCurrentFolder)
{
    ASSERT_TRUE(create());
    CBigFile bf("T:\\out.bf", false, "");
    ASSERT_EQ(bf.LastError(), 0);
    EXPECT_EQ(bf.GetCurrentDirectoryA(), "");
    EXPECT_EQ(bf.ChDir(".."), -1);
    EXPECT_EQ(bf.GetCurrentDirectoryA(), "");
    EXPECT_EQ(bf.Tell(), 0);

    EXPECT_TRUE(bf.FileExists("IMAGES\\LOGO.IMG"));
    EXPECT_TRUE(bf.FileExists("images/sub/DEEP.TXT"));
    EXPECT_FALSE(bf.FileExists("IMAGES"));
    EXPECT_EQ(bf.GetSize("images\\logo.img"), 5);
    int offset = bf.Seek("IMAGES\\LOGO.IMG");
    EXPECT_EQ(offset, int(expectedImage().size()) - 7);
    EXPECT_EQ(bf.Tell(), offset);
    char buf[5];
    ASSERT_EQ(bf.GetFile()->Read(buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), "LOGO!");

    EXPECT_EQ(bf.ChDir("IMAGES"), 0);
    EXPECT_EQ(bf.ChDir("Sub"), 0);
    EXPECT_EQ(bf.GetCurrentDirectoryA(), "images\\sub");
    EXPECT_EQ(bf.ChDir("nowhere"), -1);
    EXPECT_EQ(bf.ChDir("."), 0);
    EXPECT_EQ(bf.GetCurrentDirectoryA(), "images\\sub");
    EXPECT_TRUE(bf.FileExists("deep.txt"));
    EXPECT_TRUE(bf.FileExists("..\\logo.img"));
    EXPECT_TRUE(bf.FileExists("\\b.txt"));
    EXPECT_FALSE(bf.FileExists("b.txt"));
    EXPECT_TRUE(bf.DirExists("\\IMAGES\\sub"));
    EXPECT_FALSE(bf.DirExists("\\b.txt"));
    EXPECT_EQ(bf.ChDir(".."), 0);
    EXPECT_EQ(bf.GetCurrentDirectoryA(), "images");

    _finddata_t data{};
    EXPECT_EQ(bf.FindFirst("*.IMG", &data), 0);
    EXPECT_STREQ(data.name, "logo.img");
    EXPECT_EQ(data.size, 5u);
    EXPECT_FALSE(data.attrib & platform::FILE_ATTRIB_SUBDIR);
    EXPECT_EQ(bf.FindNext(0, &data), -1);
    EXPECT_EQ(bf.FindFirst("*", &data), 0); // the sub-folder comes first
    EXPECT_STREQ(data.name, "sub");
    EXPECT_TRUE(data.attrib & platform::FILE_ATTRIB_SUBDIR);
    EXPECT_EQ(bf.FindFirst("*.txt", &data), -1);

    // A missing file: nothing moves.
    bf.Seek(3, 0);
    EXPECT_EQ(bf.Seek("missing.img"), -1);
    EXPECT_EQ(bf.Tell(), 3);
    EXPECT_EQ(bf.GetSize("missing.img"), 0);
}

TEST_F(CBigFileTest, FileAnswersDirectoryQuestionsFromTheOpenArchive)
{
    ASSERT_TRUE(create());
    tmp.write("disk.txt", "on disk");
    CFile::openBigFile("OUT.BF");
    CBigFileIfc* bf = CFile::getBigFileIfc();
    ASSERT_NE(bf, nullptr);
    EXPECT_EQ(CFile::getCurrentDirectory(), "\\");
    EXPECT_EQ(CFile::chDir("T:\\src"), -1); // one step at a time, inside the archive
    EXPECT_EQ(CFile::chDir("Images"), 0);
    EXPECT_EQ(CFile::getCurrentDirectory(), "images\\");
    EXPECT_TRUE(CFile::fileExists("LOGO.IMG"));
    EXPECT_TRUE(CFile::dirExists("sub"));
    EXPECT_FALSE(CFile::fileExists("T:\\disk.txt"));
    _finddata_t data{};
    EXPECT_EQ(CFile::findFirst("l*", &data), 0);
    EXPECT_STREQ(data.name, "logo.img");
    EXPECT_EQ(CFile::findNext(0, &data), -1);

    CFile* handle = CFile::getBigFileHandle();
    ASSERT_NE(handle, nullptr);
    int offset = bf->Seek("logo.img");
    EXPECT_EQ(CFile::fTell(handle), offset);
    EXPECT_EQ(CFile::fSeek(handle, offset + 2, 0), 0);
    EXPECT_EQ(CFile::fTell(handle), offset + 2);

    // Files are still opened from the disk, against the process's directory.
    CFile disk(nullptr, "disk.txt", 0x11);
    EXPECT_EQ(disk.LastError(), 0);
    CFile stored(nullptr, "logo.img", 0x11);
    EXPECT_EQ(stored.LastError(), 2000);

    CFile::closeBigFile();
    EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\");
}

TEST_F(CBigFileTest, DamagedArchivesAreNotOpened)
{
    const std::string good = expectedImage();
    std::string damaged[6];
    auto field = [&](const char* name) { return good.find(name) + std::strlen(name); };
    damaged[0] = good;
    patch32(damaged[0], field("T:\\src"), 0x7FFFFFFF); // root file count
    damaged[1] = good;
    patch32(damaged[1], field("T:\\src") + 4, -1); // root folder count
    damaged[2] = good;
    patch32(damaged[2], 0, 0x7FFFFFF0); // the header name's length
    damaged[3] = good;
    patch32(damaged[3], field("deep.txt"), 0x7FFFFFF0); // an offset past the end
    damaged[4] = good;
    patch32(damaged[4], field("logo.img") + 12, -1); // a negative size
    // Folders nested far deeper than any path can be.
    Bytes deep;
    deep.str("x").str("\\").i32(0).i64(0).i64(0).i32(0).i32(5000);
    for (int i = 0; i < 5000; ++i)
        deep.str("").i32(0).i32(i + 1 < 5000 ? 1 : 0);
    damaged[5] = deep.b;

    auto expectUnopened = [&](const std::string& bytes, const std::string& what) {
        tmp.write("bad.bf", bytes);
        CBigFile bf("T:\\bad.bf", false, "");
        EXPECT_EQ(bf.LastError(), 2000) << what;
        EXPECT_EQ(bf.GetFile(), nullptr);
        EXPECT_FALSE(bf.FileExists("b.txt"));
        EXPECT_EQ(bf.ChDir("images"), -1);
        _finddata_t data{};
        EXPECT_EQ(bf.FindFirst("*", &data), -1);
        EXPECT_EQ(bf.Seek("b.txt"), -1);
        EXPECT_EQ(bf.GetCurrentDirectoryA(), "T:\\");
        CFile::openBigFile("bad.bf");
        EXPECT_EQ(CFile::getBigFileIfc(), nullptr) << what;
    };
    for (size_t n = 0; n < good.size(); ++n)
        expectUnopened(good.substr(0, n), "cut at " + std::to_string(n));
    for (int i = 0; i < 6; ++i)
        expectUnopened(damaged[i], "case " + std::to_string(i));

    tmp.write("bad.bf", good);
    CBigFile fine("T:\\bad.bf", false, "");
    EXPECT_EQ(fine.LastError(), 0);
    CBigFile missing("T:\\missing.bf", false, "");
    EXPECT_EQ(missing.LastError(), 2000);
}

} // namespace
