#include "ScriptTypes.h"
#include "base/WindowPaths.h"
#include "platform/Drives.h"
#include "script/DLLExModule.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
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
