// The World plug-in: the module object CWorld with its one type, "WORLD".
#include "common/PluginModule.h"
#include "world/ScriptWorld.h"

#include <new>

namespace {

CMC_Object* resolveWorld(CMC_ObjectsContainer* container, CMElement* element)
{
    return new (std::nothrow) CMC_World(container, element);
}

CMC_Object* restoreWorld(CMC_ObjectsContainer* container) { return new (std::nothrow) CMC_World(container); }

const PluginType worldTypes[] = {{"WORLD", CMC_World::TYPE_ID, &resolveWorld, &restoreWorld}};

class CWorld : public CPluginModule {
public:
    explicit CWorld(CMC_ObjectsContainer* container) : CPluginModule(container, worldTypes, 1) {}
};

} // namespace

CPluginModule* makePluginModule(CMC_ObjectsContainer* container) { return new (std::nothrow) CWorld(container); }
