// A plug-in with one script type, "GADGET" (type id 10050), exported through
// the plug-in protocol.
#include "script/Element.h"
#include "script/ExternObject.h"
#include "script/ObjectsContainer.h"

namespace {
const int GADGET_TYPE = 10050;

class CMC_Gadget : public CMC_Object {
public:
    CMC_Gadget(CMC_ObjectsContainer* c, CMElement* e) : CMC_Object(c, e, GADGET_TYPE) { initializeBehaviours(c, e); }
    explicit CMC_Gadget(CMC_ObjectsContainer* c) : CMC_Object(CXString(), GADGET_TYPE) { scene = c; }

    CXString** getBehavioursList() override
    {
        static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONPOKE", nullptr};
        return makeEventList(names);
    }
};

class GadgetModule final : public CMC_ExternObject {
public:
    explicit GadgetModule(CMC_ObjectsContainer* s) : scene(s)
    {
        types[0] = new CXString("GADGET");
        types[1] = nullptr;
    }
    ~GadgetModule() { delete types[0]; }

    CXString** getImplementedTypes() override { return types; }
    bool isSupported(CXString typeName) override { return typeName == *types[0]; }
    CMC_Object* resolve(CMC_ObjectsContainer* container, CMElement* record) override
    {
        return record && isSupported(record->getPropertyValue("TYPE")) ? new CMC_Gadget(container, record) : nullptr;
    }
    CMC_Object* serialize(int typeId, CXArchive*) override
    {
        return typeId == GADGET_TYPE ? new CMC_Gadget(scene) : nullptr;
    }

private:
    CMC_ObjectsContainer* scene;
    CXString* types[2];
};

GadgetModule* module = nullptr;
} // namespace

extern "C" {
__attribute__((visibility("default"))) void create(CMC_ObjectsContainer* scene)
{
    delete module;
    module = new GadgetModule(scene);
}

__attribute__((visibility("default"))) void release()
{
    delete module;
    module = nullptr;
}

__attribute__((visibility("default"))) CMC_ExternObject* getModuleInterface() { return module; }
}
