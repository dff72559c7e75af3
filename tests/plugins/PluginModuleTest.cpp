// The plug-ins as the engine loads them: the built libraries, their three
// entry points and their module objects.
#include "collections/RunnerCalls.h"
#include "platform/Clock.h"
#include "platform/Module.h"
#include "platform/headless/Headless.h"
#include "script/DLLExModule.h"
#include "script/ExternObject.h"
#include "script/ScriptTypes.h"
#include "support/TestSupport.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string>

namespace {

// One plug-in library loaded from the build's program folder.
struct Library {
    explicit Library(const char* name)
        : handle(platform::LoadModule((std::string(QUARNEL_PLUGIN_FOLDER) + "/" + name + ".so").c_str()))
    {
        create = reinterpret_cast<plugin::CreateFunction>(platform::GetModuleSymbol(handle, plugin::CREATE_SYMBOL));
        release =
            reinterpret_cast<plugin::ReleaseFunction>(platform::GetModuleSymbol(handle, plugin::RELEASE_SYMBOL));
        module = reinterpret_cast<plugin::GetModuleInterfaceFunction>(
            platform::GetModuleSymbol(handle, plugin::GET_MODULE_INTERFACE_SYMBOL));
    }
    ~Library() { platform::FreeModule(handle); }
    bool loaded() const { return handle && create && release && module; }

    platform::ModuleHandle handle;
    plugin::CreateFunction create = nullptr;
    plugin::ReleaseFunction release = nullptr;
    plugin::GetModuleInterfaceFunction module = nullptr;
};

class PluginModuleTest : public ::testing::Test {
protected:
    PluginModuleTest() { headless.setMessagesToStandardError(false); }

    collectionstest::Runtime runtime;
    platform::ManualClock clock;
    platform::HeadlessPlatform headless{clock};
    platform::ScopedPlatform usePlatform{&headless};
    scripttest::TestScene first{"FIRST"};
    scripttest::TestScene second{"SECOND"};
};

struct Expected {
    const char* library;
    std::vector<std::string> types;
    std::vector<int> ids;
    std::vector<std::string> notices; // what restoring each object tells the debugger output
};

const Expected plugins[] = {
    {"World", {"WORLD"}, {10003}, {"Test: CMC_World::CMC_World( CMS_Scene )"}},
    {"TobrikEx",
     {"KULKI", "GAMEMOUSE", "KEYMAPPER"},
     {10000, 10001, 10002},
     {"Kulki: CMC_Kulki::CMC_Kulki( CMS_Scene )", "GameMouse: CMC_GameMouse::CMC_GameMouse( CMS_Scene )",
      "KeyMapper: CMC_KeyMapper::CMC_KeyMapper( CMS_Scene )"}},
};

TEST_F(PluginModuleTest, TheModuleObjectsTypesAndSnapshotObjects)
{
    for (const Expected& p : plugins) {
        testsupport::DebugCapture debug;
        Library lib(p.library);
        ASSERT_TRUE(lib.loaded()) << p.library;
        lib.release(); // without create: nothing
        EXPECT_EQ(lib.module(), nullptr);
        lib.create(&first);
        CMC_ExternObject* module = lib.module();
        ASSERT_NE(module, nullptr);
        lib.create(&second); // keeps the first module and its container
        EXPECT_EQ(lib.module(), module);

        CXString** names = module->getImplementedTypes();
        std::vector<std::string> listed;
        for (int i = 0; names[i]; ++i)
            listed.push_back(names[i]->c_str());
        EXPECT_EQ(listed, p.types);
        for (const std::string& t : p.types) {
            EXPECT_TRUE(module->isSupported(t.c_str()));
            std::string lower = t;
            for (char& c : lower)
                c = char(std::tolower(c));
            EXPECT_FALSE(module->isSupported(lower.c_str()));
            CMElement element("OBJ");
            element.addProperty("TYPE", lower.c_str());
            EXPECT_EQ(module->resolve(&second, &element), nullptr);
        }
        CMElement element("OBJ");
        element.addProperty("TYPE", p.types[0].c_str());
        CMC_Object* made = module->resolve(&second, &element);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->getType(), p.ids[0]);
        EXPECT_EQ(std::string(made->getName().c_str()), "OBJ");
        delete made;

        EXPECT_EQ(module->serialize(12345, nullptr), nullptr);
        for (size_t i = 0; i < p.ids.size(); ++i) {
            CMC_Object* restored = module->serialize(p.ids[i], nullptr);
            ASSERT_NE(restored, nullptr);
            EXPECT_EQ(restored->getType(), p.ids[i]);
            EXPECT_EQ(restored->getScene(), &first);
            EXPECT_EQ(std::string(restored->getName().c_str()), "temp");
            delete restored;
        }
        // A notice, not a box that would hold a converted title at each scene.
        EXPECT_EQ(debug.holding("( CMS_Scene )"), p.notices);
        EXPECT_TRUE(headless.messages().empty());
        lib.release(); // the second create's: the module stays for the first
        EXPECT_EQ(lib.module(), module);
        lib.release();
        EXPECT_EQ(lib.module(), nullptr);
        lib.release();
    }
}

// A plug-in bound by an episode and again by one of its scenes: the scene's
// binding going leaves the episode's module and its objects' runner working.
TEST_F(PluginModuleTest, AnInnerBindingGoingLeavesTheOuterOneWorking)
{
    for (const Expected& p : plugins) {
        CMC_DLLExModuleInterface outer(CXString(p.library), &first);
        ASSERT_NE(outer.getModuleInterface(), nullptr) << p.library;
        CMElement element("OBJ");
        element.addProperty("TYPE", p.types[0].c_str());
        CMC_Object* made = outer.getModuleInterface()->resolve(&first, &element);
        ASSERT_NE(made, nullptr);
        first.addObject(made);
        CMC_Runner* runner = made->getRunner();
        {
            CMC_DLLExModuleInterface inner(CXString(p.library), &second);
            EXPECT_EQ(inner.getModuleInterface(), outer.getModuleInterface());
        }
        EXPECT_TRUE(outer.getModuleInterface()->isSupported(p.types[0].c_str()));
        EXPECT_EQ(made->getRunner(), runner);
        EXPECT_EQ(collectionstest::Call(&first, {}).run(made, "GETNAME"), "S:OBJ");
        first.unload();
    }
}

// Loading, using and unloading a plug-in again leaves nothing behind (the
// sanitizers check the memory).
TEST_F(PluginModuleTest, LoadedAndUnloadedTwice)
{
    for (const Expected& p : plugins)
        for (int round = 0; round < 2; ++round) {
            Library lib(p.library);
            ASSERT_TRUE(lib.loaded());
            lib.create(&first);
            CMElement element("OBJ");
            element.addProperty("TYPE", p.types[0].c_str());
            CMC_Object* made = lib.module()->resolve(&first, &element);
            ASSERT_NE(made, nullptr);
            first.addObject(made);
            EXPECT_EQ(collectionstest::Call(&first, {}).run(made, "GETNAME"), "S:OBJ");
            first.unload();
            lib.release();
        }
}

// The runners of the dispatch-array kind: "EMPTY" answers nothing, "SHOW"
// shows the credits, the common methods stay reachable.
TEST_F(PluginModuleTest, EmptyAndShowOnTheDispatchArrayRunners)
{
    Library lib("TobrikEx");
    ASSERT_TRUE(lib.loaded());
    lib.create(&first);
    for (const char* type : {"KULKI", "GAMEMOUSE", "KEYMAPPER"}) {
        CMElement element(type);
        element.addProperty("TYPE", type);
        CMC_Object* made = lib.module()->resolve(&first, &element);
        ASSERT_NE(made, nullptr);
        first.addObject(made);
        const size_t before = headless.messages().size();
        EXPECT_EQ(collectionstest::Call(&first, {}).run(made, "EMPTY"), "-") << type;
        EXPECT_EQ(collectionstest::Call(&first, {}).run(made, "SHOW"), "-") << type;
        EXPECT_EQ(headless.messages().size(), before + 1) << type;
        EXPECT_EQ(collectionstest::Call(&first, {}).run(made, "GETNAME"), std::string("S:") + type);
        CMC_Runner* runner = made->getRunner();
        EXPECT_EQ(runner->run(0, made, &first, nullptr), nullptr);
        EXPECT_EQ(runner->run(7, made, &first, nullptr), nullptr);
    }
    first.unload();
    lib.release();
}

} // namespace
