#include "base/CommandLine.h"
#include "base/TextCoder.h"
#include "base/TextFileReader.h"
#include "script/ElementsLoader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

class ElementsLoaderFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(chdir(dir.path().c_str()), 0); }
    testsupport::TempDir dir;
    testsupport::CwdGuard cwd;
};

TEST_F(ElementsLoaderFiles, ReadsPlainAndScrambledFiles)
{
    dir.write("scene.cnv", "OBJECT=A\r\nA:TYPE=INTEGER\r\nA:VALUE=7\r\n");
    std::unique_ptr<CMElements> plain(CMElementsLoader::load(nullptr, CXString("scene.cnv")));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->get("A")->getPropertyIntValue("VALUE"), 7);

    CTextCoder::code(nullptr, "scene.cnv", "scrambled.cnv", 3);
    EXPECT_NE(dir.read("scrambled.cnv").find("{<C:3>}"), std::string::npos);
    std::unique_ptr<CMElements> scrambled(CMElementsLoader::load(nullptr, CXString("scrambled.cnv")));
    ASSERT_TRUE(scrambled);
    EXPECT_EQ(scrambled->get("A")->getPropertyValue("TYPE"), "INTEGER");
    EXPECT_EQ(scrambled->get("A")->getPropertyIntValue("VALUE"), 7);

    EXPECT_EQ(CMElementsLoader::load(nullptr, CXString("missing.cnv")), nullptr);
}

TEST_F(ElementsLoaderFiles, CodeAndDecodeSwitchesWriteCopies)
{
    dir.write("x.cnv", "OBJECT=B\r\n");
    CCommandLine6 line("-code -decode");
    CMElementsLoader::setCommandLine(&line);
    CWindow* window = reinterpret_cast<CWindow*>(&line); // only passed through, never used as a window
    std::unique_ptr<CMElements> list(CMElementsLoader::load(window, CXString("x.cnv")));
    CMElementsLoader::setCommandLine(nullptr);
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->contains("B"));
    EXPECT_EQ(dir.read("x.cnv.coded").rfind("{<C:6>}", 0), 0u);
    EXPECT_NE(dir.read("x.cnv.decoded").find("OBJECT=B"), std::string::npos);

    // Without a window no copies are written.
    unlink(dir.file("x.cnv.coded").c_str());
    CMElementsLoader::setCommandLine(&line);
    list.reset(CMElementsLoader::load(nullptr, CXString("x.cnv")));
    CMElementsLoader::setCommandLine(nullptr);
    EXPECT_EQ(dir.read("x.cnv.coded"), "");
}

TEST(CPropertiesLoaderTest, ReadsAFileReader)
{
    char text[] = "VERSION=3\r\nFILE=a.cnv\r\n";
    CTextFileReader reader(nullptr, text, int(sizeof text - 1));
    std::unique_ptr<CMProperties> list(CPropertiesLoader::load(nullptr, &reader));
    ASSERT_EQ(list->getSize(), 2);
    EXPECT_EQ(list->getAt(0)->getValue(), "3\r");
    EXPECT_EQ(list->getAt(1)->getName(), "FILE");
}

} // namespace
