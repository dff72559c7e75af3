#pragma once
#include "script/ExternObject.h"

#include <new>

class CMC_ObjectsContainer;
class CMElement;

// One script type of a plug-in: its "TYPE" word, its type id, and how its
// objects are made for a definition record and, empty, for a snapshot
// record (the restoring constructor).
struct PluginType {
    const char* name;
    int typeId;
    CMC_Object* (*resolve)(CMC_ObjectsContainer* container, CMElement* element);
    CMC_Object* (*restore)(CMC_ObjectsContainer* container);
};

// The table entry of a class T with a TYPE_ID, a constructor for a
// definition (container, element) and a restoring one (container).
template <class T>
constexpr PluginType pluginType(const char* name)
{
    return {name, T::TYPE_ID,
            [](CMC_ObjectsContainer* c, CMElement* e) -> CMC_Object* { return new (std::nothrow) T(c, e); },
            [](CMC_ObjectsContainer* c) -> CMC_Object* { return new (std::nothrow) T(c); }};
}

// The module object of a plug-in: the engine's CMC_ExternObject over a fixed
// table of types. The type-name list is the module's own (new strings, null
// after the last); the container is the one given to the first `create`,
// and snapshot objects are made for it whatever scene is being restored.
class CPluginModule : public CMC_ExternObject {
public:
    CPluginModule(CMC_ObjectsContainer* container, const PluginType* types, int count);
    virtual ~CPluginModule();
    CPluginModule(const CPluginModule&) = delete;
    CPluginModule& operator=(const CPluginModule&) = delete;

    CXString** getImplementedTypes() override { return names; }
    // Exact, case-sensitive comparison in list order.
    bool isSupported(CXString typeName) override;
    // The first type whose name equals the record's "TYPE"; null for none.
    CMC_Object* resolve(CMC_ObjectsContainer* container, CMElement* record) override;
    // An empty object of that type id (the first type of the table with it)
    // for the container kept from `create`; the archive is not read here.
    CMC_Object* serialize(int typeId, CXArchive* archive) override;

    CMC_ObjectsContainer* getContainer() const { return container; }
    // The length of the type-name list with its terminator.
    int getListLength() const { return count + 1; }

private:
    CXString** names;
    CMC_ObjectsContainer* container;
    const PluginType* types;
    int count;
};

// Each plug-in defines this: its module object for the container of the
// first `create` (null when it cannot be made).
CPluginModule* makePluginModule(CMC_ObjectsContainer* container);

// The module object while the library is started (between `create` and
// `release`), else null.
CPluginModule* currentPluginModule();

// The exported entry points (defined with the module object):
//   create(container): makes the module object when there is none; a later
//       call keeps the first one and its container.
//   release(): ends one `create`; the last deletes the module object and
//       every runner made since the library was loaded. Nothing when there
//       is no module object.
//   getModuleInterface(): the module object, null before `create`.
extern "C" {
__attribute__((visibility("default"))) void create(CMC_ObjectsContainer* container);
__attribute__((visibility("default"))) void release();
__attribute__((visibility("default"))) CMC_ExternObject* getModuleInterface();
}
