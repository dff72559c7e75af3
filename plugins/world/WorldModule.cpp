// The World plug-in: the module object CWorld with its one type, "WORLD".
#include "common/PluginModule.h"
#include "world/ScriptWorld.h"

#include <new>

namespace {

const PluginType worldTypes[] = {pluginType<CMC_World>("WORLD")};

class CWorld : public CPluginModule {
public:
    explicit CWorld(CMC_ObjectsContainer* container) : CPluginModule(container, worldTypes, 1) {}
};

} // namespace

CPluginModule* makePluginModule(CMC_ObjectsContainer* container) { return new (std::nothrow) CWorld(container); }
