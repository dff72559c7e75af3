// A plug-in with one script type, "GADGET" (type id 10050), exported through
// the plug-in protocol. It reports its steps to the debugger output, each
// with the file name it was loaded from, so that tests can follow copies of
// it loaded under other names.
#include "base/Archive.h"
#include "platform/Debug.h"
#include "script/Element.h"
#include "script/ExternObject.h"
#include "script/ObjectsContainer.h"

#include <dlfcn.h>
#include <string>

extern "C" void create(CMC_ObjectsContainer* scene);

namespace {
const int GADGET_TYPE = 10050;

std::string libraryName()
{
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&create), &info) || !info.dli_fname)
        return "?";
    std::string path = info.dli_fname;
    return path.substr(path.rfind('/') + 1);
}

void report(const std::string& text) { platform::OutputDebugString(("plugin " + text).c_str()); }

// A gadget keeps a number of its own ("POWER") in its snapshot record.
class CMC_Gadget : public CMC_Object {
public:
    CMC_Gadget(CMC_ObjectsContainer* c, CMElement* e) : CMC_Object(c, e, GADGET_TYPE)
    {
        power = e->getPropertyIntValue("POWER");
        initializeBehaviours(c, e);
    }
    explicit CMC_Gadget(CMC_ObjectsContainer* c) : CMC_Object(CXString(), GADGET_TYPE) { scene = c; }
    ~CMC_Gadget() override { report("~gadget " + std::string(name.c_str()) + " " + std::to_string(power)); }

    CXString** getBehavioursList() override
    {
        static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONPOKE", nullptr};
        return makeEventList(names);
    }
    void serialize(CXArchive* ar) override
    {
        CMC_Object::serialize(ar);
        if (ar->isStoring())
            *ar << power;
        else
            *ar >> &power;
    }

    int power = 0;
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
        if (!record || !isSupported(record->getPropertyValue("TYPE")))
            return nullptr;
        report("resolve " + libraryName() + " " + record->getName().c_str());
        return new CMC_Gadget(container, record);
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
    report("create " + libraryName() + " " + (scene ? scene->getName().c_str() : "-"));
    delete module;
    module = new GadgetModule(scene);
}

__attribute__((visibility("default"))) void release()
{
    report("release " + libraryName());
    delete module;
    module = nullptr;
}

__attribute__((visibility("default"))) CMC_ExternObject* getModuleInterface() { return module; }
}
