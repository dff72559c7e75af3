#include "ScriptTypes.h"
#include "platform/Module.h"
#include "script/ExternObject.h"

#include <gtest/gtest.h>

using namespace scripttest;

namespace {

// A second module, in the program itself: it answers "WIDGET".
class WidgetModule : public CMC_ExternObject {
public:
    CXString** getImplementedTypes() override { return types; }
    bool isSupported(CXString typeName) override { return typeName == "WIDGET"; }
    CMC_Object* resolve(CMC_ObjectsContainer* c, CMElement* record) override
    {
        return isSupported(record->getPropertyValue("TYPE")) ? new Thing(c, record, 10051) : nullptr;
    }
    CMC_Object* serialize(int, CXArchive*) override { return nullptr; }

private:
    CXString widget{"WIDGET"};
    CXString* types[2] = {&widget, nullptr};
};

template <class F>
F entry(platform::ModuleHandle lib, const char* name)
{
    return reinterpret_cast<F>(platform::GetModuleSymbol(lib, name));
}

TEST(CMC_ExternObjectTest, PluginCreatesATypeTheEngineDoesNotKnow)
{
    runs().clear();
    Types types;
    platform::ModuleHandle lib = platform::LoadModule(QUARNEL_TEST_PLUGIN);
    ASSERT_NE(lib, nullptr);
    auto create = entry<plugin::CreateFunction>(lib, plugin::CREATE_SYMBOL);
    auto release = entry<plugin::ReleaseFunction>(lib, plugin::RELEASE_SYMBOL);
    auto getModuleInterface = entry<plugin::GetModuleInterfaceFunction>(lib, plugin::GET_MODULE_INTERFACE_SYMBOL);
    ASSERT_TRUE(create && release && getModuleInterface);
    EXPECT_EQ(getModuleInterface(), nullptr);

    {
        TestScene scene("SCENE");
        create(&scene);
        CMC_ExternObject* module = getModuleInterface();
        ASSERT_NE(module, nullptr);
        CXString** implemented = module->getImplementedTypes();
        ASSERT_NE(implemented[0], nullptr);
        EXPECT_EQ(*implemented[0], "GADGET");
        EXPECT_EQ(implemented[1], nullptr);
        EXPECT_TRUE(module->isSupported("GADGET"));
        EXPECT_FALSE(module->isSupported("gadget"));

        // The scene asks its modules in load order; the first answer wins.
        WidgetModule widgets;
        CMC_ExternObject* modules[] = {module, &widgets};
        scene.plugin = [&modules](CMC_ObjectsContainer* c, CMElement* e) -> CMC_Object* {
            for (CMC_ExternObject* m : modules)
                if (CMC_Object* made = m->resolve(c, e))
                    return made;
            return nullptr;
        };
        scene.addObject(new FakeBehaviour(&scene, "POKED", ""));
        Records defs{
            record("G", {{"TYPE", "GADGET"}, {"ONPOKE", "POKED(1)"}}),
            record("W", {{"TYPE", "WIDGET"}}),
            record("X", {{"TYPE", "NOBODYS"}}),
        };
        std::unique_ptr<CMElements> rest(scene.resolveObjects(defs.list.get()));
        EXPECT_EQ(names(rest.get()), (std::vector<std::string>{"X"}));
        CMC_Object* gadget = scene.getObject("G");
        ASSERT_NE(gadget, nullptr);
        EXPECT_EQ(gadget->getType(), 10050);
        EXPECT_TRUE(gadget->onSignal("ONPOKE"));
        EXPECT_EQ(runs(), (std::vector<std::string>{"POKED@G(1)"}));
        EXPECT_EQ(scene.getObject("W")->getType(), 10051);

        CMC_Object* restored = module->serialize(10050, nullptr);
        ASSERT_NE(restored, nullptr);
        EXPECT_EQ(restored->getScene(), &scene);
        delete restored;
        EXPECT_EQ(module->serialize(MC_TEXT, nullptr), nullptr);

        // The objects a plug-in made go before the plug-in is released.
        scene.unload();
    }
    release();
    EXPECT_EQ(getModuleInterface(), nullptr);
    platform::FreeModule(lib);
}

TEST(CMC_ExternObjectTest, MissingLibrariesAndSymbols)
{
    EXPECT_EQ(platform::LoadModule("/nonexistent/Nothing.so"), nullptr);
    EXPECT_EQ(platform::LoadModule(nullptr), nullptr);
    EXPECT_EQ(platform::GetModuleSymbol(nullptr, "create"), nullptr);
    platform::ModuleHandle lib = platform::LoadModule(QUARNEL_TEST_PLUGIN);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(platform::GetModuleSymbol(lib, "noSuchEntry"), nullptr);
    platform::FreeModule(lib);
    platform::FreeModule(nullptr);
}

} // namespace
