// The TobrikEx plug-in: the module object CTobrikEx with "KULKI",
// "GAMEMOUSE" and "KEYMAPPER".
#include "common/PluginModule.h"
#include "tobrikex/TobrikObjects.h"

#include <new>

namespace {

template <class T>
CMC_Object* resolveAs(CMC_ObjectsContainer* container, CMElement* element)
{
    return new (std::nothrow) T(container, element);
}

template <class T>
CMC_Object* restoreAs(CMC_ObjectsContainer* container)
{
    return new (std::nothrow) T(container);
}

const PluginType tobrikTypes[] = {
    {"KULKI", CMC_Kulki::TYPE_ID, &resolveAs<CMC_Kulki>, &restoreAs<CMC_Kulki>},
    {"GAMEMOUSE", CMC_GameMouse::TYPE_ID, &resolveAs<CMC_GameMouse>, &restoreAs<CMC_GameMouse>},
    {"KEYMAPPER", CMC_KeyMapper::TYPE_ID, &resolveAs<CMC_KeyMapper>, &restoreAs<CMC_KeyMapper>},
};

class CTobrikEx : public CPluginModule {
public:
    explicit CTobrikEx(CMC_ObjectsContainer* container) : CPluginModule(container, tobrikTypes, 3) {}
};

} // namespace

CPluginModule* makePluginModule(CMC_ObjectsContainer* container) { return new (std::nothrow) CTobrikEx(container); }
