// The TobrikEx plug-in: the module object CTobrikEx with "KULKI",
// "GAMEMOUSE" and "KEYMAPPER".
#include "common/PluginModule.h"
#include "tobrikex/TobrikObjects.h"

#include <new>

namespace {

const PluginType tobrikTypes[] = {
    pluginType<CMC_Kulki>("KULKI"),
    pluginType<CMC_GameMouse>("GAMEMOUSE"),
    pluginType<CMC_KeyMapper>("KEYMAPPER"),
};

class CTobrikEx : public CPluginModule {
public:
    explicit CTobrikEx(CMC_ObjectsContainer* container) : CPluginModule(container, tobrikTypes, 3) {}
};

} // namespace

CPluginModule* makePluginModule(CMC_ObjectsContainer* container) { return new (std::nothrow) CTobrikEx(container); }
