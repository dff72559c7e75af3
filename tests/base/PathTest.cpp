#include "base/File.h"
#include "base/Path.h"
#include "base/WindowPaths.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class CPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::makeDirs(tmp.file("title"));
        platform::mapDrive('H', tmp.path(), platform::DriveKind::FixedDisk);
        ASSERT_EQ(CFile::chDir("H:\\title"), 0);
        CWindowPaths::setRootPath("H:\\title\\");
        CWindowPaths::setCDPath("M:\\disc\\");
    }
    void TearDown() override { CWindowPaths::reset(); }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
};

TEST_F(CPathTest, PrefixesExpand)
{
    struct Case {
        const char* name;
        const char* resolved;
        const char* resolvedEx;
    } cases[] = {
        {"$a.img", "M:\\disc\\a.img", "H:\\title\\a.img"},
        {"&Rara\\a.img", "M:\\disc\\Rara\\a.img", "H:\\title\\Rara\\a.img"},
        {"scene?a.img", "H:\\title\\\\scene\\a.img", "H:\\title\\\\scene\\a.img"},
        {"?a.img", "H:\\title\\\\a.img", "H:\\title\\\\a.img"},
        {"f?n?ignored", "H:\\title\\\\f\\n", "H:\\title\\\\f\\n"},
        {"a\\b.img", "a\\b.img", "a\\b.img"},
        {"C:\\x$y", "C:\\x$y", "C:\\x$y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CPath::resolveFileName(nullptr, c.name), c.resolved) << c.name;
        EXPECT_EQ(CPath::resolveFileNameEx(nullptr, c.name), c.resolvedEx) << c.name;
    }
    CWindowPaths::setCDPath("");
    EXPECT_EQ(CPath(nullptr).resolveFileName("$a.img"), "a.img");
}

TEST_F(CPathTest, JoiningFoldersAndNames)
{
    EXPECT_EQ(CPath::getFullPath("C:\\d", "n"), "C:\\d\\n");
    EXPECT_EQ(CPath::getFullPath("C:\\d\\", "n"), "C:\\d\\n");
    EXPECT_EQ(CPath::getFullPath("C:\\d", "", "n"), "C:\\d\\n");
    EXPECT_EQ(CPath::getFullPath("C:\\d\\", "f", "n"), "C:\\d\\\\f\\n");

    CPath here(nullptr);
    EXPECT_EQ(here.getCurrentPath(), "H:\\title\\");
    EXPECT_EQ(here.GetFullPath("n"), "H:\\title\\n");
    EXPECT_EQ(here.GetFullPath("f", "n"), "H:\\title\\\\f\\n");
}

TEST_F(CPathTest, SetExtensionCutsAfterTheFirstDot)
{
    EXPECT_EQ(CPath(nullptr, "scene.cnv").SetExtension("bin"), "scene.bin");
    EXPECT_EQ(CPath(nullptr, "a.b.c").SetExtension("x"), "a.x");
    EXPECT_EQ(CPath(nullptr, "noext").SetExtension("bin"), "bin");
    EXPECT_EQ(CPath(nullptr, "scene.cnv").getCurrentPath(), "");
}

TEST(CFileNameResolverTest, SplitsDriveFoldersNameAndExtension)
{
    struct Case {
        const char* name;
        unsigned char drive;
        std::vector<std::string> folders;
        const char* file;
        const char* pure;
        const char* ext;
    } cases[] = {
        {"C:\\dir\\sub\\a.b.c", 'C', {"dir", "sub"}, "a.b.c", "a", "b"},
        {"IMAGES\\LOGO.IMG", 0, {"IMAGES"}, "LOGO.IMG", "LOGO", "IMG"},
        {"noext", 0, {}, "noext", "noext", ""},
        {"", 0, {}, "", "", ""},
    };
    for (const auto& c : cases) {
        CFileNameResolver r(c.name);
        EXPECT_EQ(r.getDrive(), c.drive) << c.name;
        EXPECT_EQ(r.getFileName(), c.file) << c.name;
        EXPECT_EQ(r.getPureFileName(), c.pure) << c.name;
        EXPECT_EQ(r.getExtension(), c.ext) << c.name;
        EXPECT_EQ(r.getPath(), "") << c.name;
        std::vector<std::string> folders;
        for (int i = 0; i < r.getDirectories()->getSize(); ++i)
            folders.push_back(static_cast<CXString*>(r.getDirectories()->at(i))->c_str());
        EXPECT_EQ(folders, c.folders) << c.name;
    }
}

} // namespace
