#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "script/ExternObject.h"

class CMC_ObjectsContainer;

// One plug-in library bound to a scene. The constructor loads the library
// from the program's directory and starts it for the scene; the destructor
// releases and unloads it. A library that cannot be loaded, or lacks one of
// the three entry points, leaves the binding inert: no module interface and
// nothing called.
//
// A name without '.' gets the platform's library suffix; a name ending in
// ".dll" (as titles made on Windows write it) has that suffix replaced, so
// "World" and "World.dll" both find World.so beside the program. A name
// that could reach outside the program's folder (one holding a path
// separator, a drive's colon or "..") loads nothing.
class CMC_DLLExModuleInterface : public CXObject {
public:
    CMC_DLLExModuleInterface(const CXString& name, CMC_ObjectsContainer* container);
    ~CMC_DLLExModuleInterface() override;
    CMC_DLLExModuleInterface(const CMC_DLLExModuleInterface&) = delete;
    CMC_DLLExModuleInterface& operator=(const CMC_DLLExModuleInterface&) = delete;

    CMC_ExternObject* getModuleInterface() const { return moduleInterface; }
    CXString getName() const { return name; }
    // The file name under which a plug-in name is looked for.
    static CXString libraryFileName(const CXString& name);
    // Whether a name from a title's data may name a plug-in.
    static bool isPluginName(const CXString& name);

private:
    CXString name;
    CMC_ExternObject* moduleInterface;
    void* handle;
    plugin::CreateFunction createEntry;
    plugin::ReleaseFunction releaseEntry;
    plugin::GetModuleInterfaceFunction getModuleInterfaceEntry;
};
