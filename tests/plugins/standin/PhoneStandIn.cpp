// A plug-in of the tests' own that declares type 10000 as the telephone
// plug-in does ("PHONEEXT"), so that a scene can load two plug-ins of one
// type id: its snapshot objects tell who made them by their box.
#include "common/PluginModule.h"
#include "common/PluginObjects.h"

#include <new>

namespace {

class CMC_PhoneStandIn : public CMC_Object {
public:
    CMC_PhoneStandIn(CMC_ObjectsContainer* c, CMElement* e) : CMC_Object(c, e, 10000) { initializeBehaviours(c, e); }
    explicit CMC_PhoneStandIn(CMC_ObjectsContainer* c) : CMC_Object(CXString("temp"), 10000)
    {
        scene = c;
        restoringNotice("Phone", "Phone");
    }
    CXString** getBehavioursList() override { return pluginEventList(); }
};

CMC_Object* resolvePhone(CMC_ObjectsContainer* c, CMElement* e) { return new (std::nothrow) CMC_PhoneStandIn(c, e); }
CMC_Object* restorePhone(CMC_ObjectsContainer* c) { return new (std::nothrow) CMC_PhoneStandIn(c); }

const PluginType phoneTypes[] = {{"PHONEEXT", 10000, &resolvePhone, &restorePhone}};

} // namespace

CPluginModule* makePluginModule(CMC_ObjectsContainer* container)
{
    return new (std::nothrow) CPluginModule(container, phoneTypes, 1);
}
