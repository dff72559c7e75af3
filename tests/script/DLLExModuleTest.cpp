#include "ScriptTypes.h"
#include "base/WindowPaths.h"
#include "platform/Drives.h"
#include "script/DLLExModule.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>
#include <string>
#include <unistd.h>

using namespace scripttest;

namespace {

// The folder the test plug-in was built into, in engine form.
std::string pluginFolder()
{
    std::string path = QUARNEL_TEST_PLUGIN;
    return platform::toEnginePath(path.substr(0, path.rfind('/')));
}

TEST(CMC_DLLExModuleInterfaceTest, LibraryNames)
{
    EXPECT_EQ(CMC_DLLExModuleInterface::libraryFileName("World"), "World.so");
    EXPECT_EQ(CMC_DLLExModuleInterface::libraryFileName("World.dll"), "World.so");
    EXPECT_EQ(CMC_DLLExModuleInterface::libraryFileName("World.DLL"), "World.so");
    EXPECT_EQ(CMC_DLLExModuleInterface::libraryFileName("lib.so"), "lib.so");
}

// A plug-in name from a title's data never reaches outside the program's
// folder: the test plug-in lies one folder above the program's, where
// "..\\name" would find it.
TEST(CMC_DLLExModuleInterfaceTest, NamesThatLeaveTheProgramFolderLoadNothing)
{
    testsupport::TempDir data;
    std::string plugin = QUARNEL_TEST_PLUGIN;
    std::ifstream in(plugin, std::ios::binary);
    data.write("Plugin.so", std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    data.write("prog/Plugin.so", data.read("Plugin.so"));
    TestScene scene("SCENE");
    CWindowPaths::setExePath(platform::toEnginePath(data.file("prog")).c_str());
    EXPECT_NE(CMC_DLLExModuleInterface("Plugin", &scene).getModuleInterface(), nullptr);
    const std::string up = data.path().substr(data.path().rfind('/') + 1);
    const std::vector<std::string> names = {"..\\Plugin", "../Plugin.dll", "..\\prog\\Plugin", "prog/Plugin",
                                            "F:Plugin",    "..",            "....so",             "\\tmp\\Plugin",
                                            "..\\..\\" + up + "\\Plugin", ""};
    for (const std::string& name : names) {
        EXPECT_FALSE(CMC_DLLExModuleInterface::isPluginName(name.c_str())) << name;
        EXPECT_EQ(CMC_DLLExModuleInterface(name.c_str(), &scene).getModuleInterface(), nullptr) << name;
    }
    for (const char* name : {"World", "World.dll", "Tobrik.Ex.dll"})
        EXPECT_TRUE(CMC_DLLExModuleInterface::isPluginName(name)) << name;
    CWindowPaths::reset();
}

TEST(CMC_DLLExModuleInterfaceTest, LoadsFromTheProgramFolderAndRestoresTheDirectory)
{
    testsupport::TempDir data;
    testsupport::CwdGuard cwd;
    ASSERT_EQ(chdir(data.path().c_str()), 0);
    CWindowPaths::setExePath(pluginFolder().c_str());
    Types types;
    TestScene scene("SCENE");
    std::string before = platform::getCurrentDirectory();
    for (const char* name : {"QuarnelTestPlugin", "QuarnelTestPlugin.dll", "quarneltestplugin.DLL"}) {
        CMC_DLLExModuleInterface module(name, &scene);
        EXPECT_EQ(platform::getCurrentDirectory(), before);
        ASSERT_NE(module.getModuleInterface(), nullptr) << name;
        EXPECT_TRUE(module.getModuleInterface()->isSupported("GADGET"));
        CMElement gadget("G");
        gadget.addProperty("TYPE", "GADGET");
        CMC_Object* made = module.getModuleInterface()->resolve(&scene, &gadget);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->getType(), 10050);
        delete made;
    }
    CWindowPaths::reset();
}

TEST(CMC_DLLExModuleInterfaceTest, MissingLibrariesAndEntryPointsLeaveItInert)
{
    CWindowPaths::setExePath(pluginFolder().c_str());
    TestScene scene("SCENE");
    CMC_DLLExModuleInterface missing("NoSuchPlugin", &scene);
    EXPECT_EQ(missing.getModuleInterface(), nullptr);
    // The engine library itself loads but exports none of the entry points.
    CMC_DLLExModuleInterface noEntries("libQuarnelDLL.so", &scene);
    EXPECT_EQ(noEntries.getModuleInterface(), nullptr);
    CWindowPaths::reset();
}

} // namespace
