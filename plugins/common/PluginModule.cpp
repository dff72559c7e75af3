#include "common/PluginModule.h"

#include "common/PluginObjects.h"
#include "script/Element.h"

#include <new>

namespace {
CPluginModule* module = nullptr;
// The `create` calls not yet matched by a `release`: a plug-in named by an
// episode and by one of its scenes is bound twice, and the scene's release
// must leave the episode's module and runners in place.
int starts = 0;
} // namespace

CPluginModule::CPluginModule(CMC_ObjectsContainer* c, const PluginType* t, int n)
    : names(new CXString*[n + 1]), container(c), types(t), count(n)
{
    for (int i = 0; i < count; ++i)
        names[i] = new CXString(types[i].name);
    names[count] = nullptr;
}

CPluginModule::~CPluginModule()
{
    for (int i = 0; i < count; ++i)
        delete names[i];
    delete[] names;
}

bool CPluginModule::isSupported(CXString typeName)
{
    for (int i = 0; names[i]; ++i)
        if (*names[i] == typeName)
            return true;
    return false;
}

CMC_Object* CPluginModule::resolve(CMC_ObjectsContainer* c, CMElement* record)
{
    if (!record)
        return nullptr;
    CXString type = record->getPropertyValue("TYPE");
    for (int i = 0; i < count; ++i)
        if (*names[i] == type)
            return types[i].resolve(c, record);
    return nullptr;
}

CMC_Object* CPluginModule::serialize(int typeId, CXArchive*)
{
    for (int i = 0; i < count; ++i)
        if (types[i].typeId == typeId)
            return types[i].restore(container);
    return nullptr;
}

CPluginModule* currentPluginModule() { return module; }

extern "C" {
void create(CMC_ObjectsContainer* container)
{
    if (!module)
        module = makePluginModule(container);
    if (module)
        ++starts;
}

void release()
{
    if (!module || --starts > 0)
        return;
    delete module;
    module = nullptr;
    starts = 0;
    PluginRunners::releaseAll();
}

CMC_ExternObject* getModuleInterface() { return module; }
}
