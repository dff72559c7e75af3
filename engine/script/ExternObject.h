#pragma once
#include "base/XString.h"

class CMC_Object;
class CMC_ObjectsContainer;
class CMElement;
class CXArchive;

// The interface a plug-in module offers the engine: the script types it
// implements and how to make their objects. The plug-in owns its module
// object and frees it in its `release`; the engine never deletes one, hence
// the protected destructor.
class CMC_ExternObject {
public:
    CMC_ExternObject() {}
    CMC_ExternObject(const CMC_ExternObject&) {}

    // The type names (the "TYPE" words) the module implements: a
    // null-terminated array of strings, all owned by the module.
    virtual CXString** getImplementedTypes() = 0;
    // Whether the name is one of those types (exact comparison).
    virtual bool isSupported(CXString typeName) = 0;
    // A new object in the container for a definition record of one of the
    // module's types; null for any other type.
    virtual CMC_Object* resolve(CMC_ObjectsContainer* container, CMElement* record) = 0;
    // A new, empty object of one of the module's type ids, for the caller to
    // fill from a scene snapshot; null for any other id.
    virtual CMC_Object* serialize(int typeId, CXArchive* archive) = 0;

protected:
    ~CMC_ExternObject() {}
};

// The plug-in protocol: a plug-in library exports these three functions as
// plain C symbols. The engine calls `create` with the scene when it loads the
// library, takes the module from `getModuleInterface`, and calls `release`
// before it unloads the library (after the objects the module made are gone).
//   extern "C" void create(CMC_ObjectsContainer* scene);
//   extern "C" void release();
//   extern "C" CMC_ExternObject* getModuleInterface();
namespace plugin {
using CreateFunction = void (*)(CMC_ObjectsContainer* scene);
using ReleaseFunction = void (*)();
using GetModuleInterfaceFunction = CMC_ExternObject* (*)();

constexpr const char* CREATE_SYMBOL = "create";
constexpr const char* RELEASE_SYMBOL = "release";
constexpr const char* GET_MODULE_INTERFACE_SYMBOL = "getModuleInterface";
} // namespace plugin
