#include "base/BigFile.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/XArray.h"
#include "platform/Drives.h"
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

// The browser only asks whether there is a window.
char windowStandIn;
CWindow* const window = reinterpret_cast<CWindow*>(&windowStandIn);

std::vector<std::string> names(CXArray* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->getSize(); ++i)
        out.push_back(static_cast<CXString*>(list->at(i))->c_str());
    CFolder::releaseFilesList(list);
    return out;
}

class CFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
        tmp.write("home/A.a", "");
        testsupport::makeDirs(tmp.file("home/A.menu"));
        testsupport::makeDirs(tmp.file("home/B.+intro"));
        tmp.write("home/c1", "12345");
        ASSERT_EQ(CFile::chDir("T:\\home"), 0);
    }
    void TearDown() override { CFile::closeBigFile(); }

    TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
};

TEST_F(CFolderTest, WalksLetteredFolders)
{
    CFolder f(window);
    EXPECT_EQ(f.getPath(), "T:\\home\\");
    f.GoStart();
    EXPECT_EQ(f.GoTo(0), "m"); // the folder A.menu, not the file A.a
    EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\home\\A.menu\\");
    EXPECT_EQ(f.GoUp(), ""); // the type of the home path, which has no dot
    EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\home\\");
    EXPECT_EQ(f.GoTo(1), "intro");
    EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\home\\B.+intro\\");
    EXPECT_EQ(f.GoTo(5), ""); // no F folder: the directory stays
    EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\home\\B.+intro\\");
    f.GoStart();
    EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\home\\");

    // Without a backslash there is nothing above; the browser does not fail.
    CFolder bare(nullptr, "A.menu");
    EXPECT_EQ(bare.GoUp(), "");

    const char* types[][2] = {{"C.m", "m"}, {"A.+intro", "intro"}, {"x.+", ""},  {"a.b\\c", "b"},
                              {"plain", ""}, {"dot.", ""},         {"a.b.cd", "c"}};
    for (auto& t : types)
        EXPECT_EQ(CFolder::typeOf(t[0]), t[1]) << t[0];
}

TEST_F(CFolderTest, ListsAndSearchesWhatTheDirectorySearchYields)
{
    CFolder f(window);
    EXPECT_EQ(names(f.list("*")), (std::vector<std::string>{".", "..", "A.a", "A.menu", "B.+intro", "c1"}));
    CXArray* none = f.list("zz*");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(names(none).size(), 0u);
    CFolder::releaseFilesList(nullptr);

    std::vector<std::string> seen{f.GetFileName("A*").c_str()};
    for (CXString n = f.GetNextFileName(); n.IsString(); n = f.GetNextFileName())
        seen.push_back(n.c_str());
    EXPECT_EQ(seen, (std::vector<std::string>{"A.a", "A.menu"}));
    EXPECT_EQ(f.GetNextFileName(), "");
    EXPECT_EQ(f.GetFolderName("B*"), "B.+intro");
    EXPECT_EQ(f.GetFolderName("c*"), "");
    EXPECT_EQ(f.GetNextFileName(), "");

    EXPECT_TRUE(f.IsDirectory("A.menu"));
    EXPECT_FALSE(f.IsDirectory("c1"));
    EXPECT_FALSE(f.IsDirectory("missing"));
    EXPECT_EQ(f.GetSize("C1"), 5);
    EXPECT_EQ(f.GetSize("missing"), 0);
}

TEST_F(CFolderTest, EndsItsSearchWhenStartingAnotherAndWhenItGoes)
{
    // Handles are handed out in turn; find the next one.
    platform::FindData d{};
    int next = platform::findFirst("T:\\home\\*", &d) + 1;
    platform::findClose(next - 1);
    {
        CFolder f(window);
        f.GetFileName("*");
        EXPECT_EQ(platform::findNext(next, &d), 0); // open, entries left
        f.GetFileName("*");
        EXPECT_EQ(platform::findNext(next, &d), -1); // ended
        EXPECT_EQ(platform::findNext(next + 1, &d), 0);
    }
    EXPECT_EQ(platform::findNext(next + 1, &d), -1);
}

TEST_F(CFolderTest, StartsInAFolderAndGoesBack)
{
    ASSERT_EQ(CFile::chDir("T:\\"), 0);
    {
        CFolder f(window, "home");
        EXPECT_EQ(f.getPath(), "T:\\home\\");
        EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\home\\");
        f.back();
        EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\");
    }
    CFolder failed(window, "nowhere");
    EXPECT_EQ(failed.getPath(), "T:\\");
    CFolder literal(nullptr, "\\home");
    EXPECT_EQ(literal.getPath(), "\\home");

    ASSERT_EQ(CFile::chDir("T:\\home\\A.menu"), 0);
    CFolder plain(nullptr);
    EXPECT_EQ(plain.getPath(), "T:\\home\\A.menu");
    plain.back();
    EXPECT_EQ(CFile::getCurrentDirectory(), "T:\\home\\A.menu\\");
}

TEST_F(CFolderTest, WalksTheArchiveWhileItIsOpen)
{
    CBigFile writer(false, "");
    ASSERT_TRUE(writer.Create("T:\\data.bf", "T:\\home", ""));
    ASSERT_EQ(CFile::chDir("T:\\"), 0);
    CFile::setBigFileFactory(&CBigFile::open);
    CFile::openBigFile("data.bf");
    ASSERT_NE(CFile::getBigFileIfc(), nullptr);

    CFolder f(window);
    EXPECT_EQ(f.getPath(), "\\");
    EXPECT_EQ(names(f.list("*")), (std::vector<std::string>{"A.menu"}));
    EXPECT_EQ(names(f.list("*.a")), (std::vector<std::string>{"A.a"}));
    EXPECT_EQ(f.GoTo(1), "intro");
    EXPECT_EQ(CFile::getCurrentDirectory(), "B.+intro\\");
    EXPECT_EQ(f.GoUp(), "");
    EXPECT_EQ(CFile::getCurrentDirectory(), "\\");
    EXPECT_TRUE(f.IsDirectory("a.MENU"));
    EXPECT_EQ(f.GetSize("c1"), 5);
}

// A title's folders are joined with exactly one backslash, whatever
// separators a scene's "PATH" has at its ends.
TEST_F(CFolderTest, DataPathHasOneSeparatorBetweenEachPart)
{
    const struct {
        const char* root;
        const char* path;
        const char* file;
        const char* joined;
    } cases[] = {
        {"T:\\games\\", "S", "S.cnv", "T:\\games\\Rara\\S\\S.cnv"},
        {"T:\\games\\", "\\S", "S.cnv", "T:\\games\\Rara\\S\\S.cnv"},
        {"T:\\games\\", "S\\", "S.cnv", "T:\\games\\Rara\\S\\S.cnv"},
        {"T:\\games", "\\S\\", "S.cnv", "T:\\games\\Rara\\S\\S.cnv"},
        {"T:\\games\\", "A\\B", "x.bin", "T:\\games\\Rara\\A\\B\\x.bin"},
        {"T:\\games\\", "/A/", "", "T:\\games\\Rara\\A"},
        {"T:\\games\\", "", "", "T:\\games\\Rara"},
        {"T:\\games\\", "", "application.bin", "T:\\games\\Rara\\application.bin"},
        {"T:\\games\\", "S", "\\S.cnv", "T:\\games\\Rara\\S\\S.cnv"},
        {"T:\\games\\", "S\\", "S.cnv/", "T:\\games\\Rara\\S\\S.cnv"},
        {"T:\\games\\", "", "/x.bin\\", "T:\\games\\Rara\\x.bin"},
        {"\\", "S", "", "\\Rara\\S"},
        {"", "\\S", "f", "Rara\\S\\f"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFolder::dataPath(c.root, c.path, c.file), c.joined) << c.root << " " << c.path << " " << c.file;
}

} // namespace
