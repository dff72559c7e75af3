#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"

#include <vector>

class CMC_Application;
class CMC_Object;
class CWindow;

// Builds a title's structure from its application definition
// ("application.def"): every record of TYPE "SCENE" becomes a scene, then
// every "EPISODE" an episode, then the "APPLICATION" record the application,
// so that each finds the ones it lists by name. The parser also starts the
// variable pools and the runners, which every script object needs, and
// stops them when it goes.
//
// The application and its episodes own the scenes and episodes they list.
// What none of them took (a record listed nowhere, or everything when there
// is no application) is deleted by the parser once the application is
// built, so get() then finds only what the application holds.
class CMC_StructureParser : public CXObject {
public:
    CMC_StructureParser(CWindow* window, const CXString& fileName);
    // Stops the pools, then the runners.
    ~CMC_StructureParser() override;
    CMC_StructureParser(const CMC_StructureParser&) = delete;
    CMC_StructureParser& operator=(const CMC_StructureParser&) = delete;

    CMC_Application* getMCApplication() { return application; }
    // The first scene, episode or application built under exactly that name.
    CMC_Object* get(const CXString& name);
    // get() for a name that `namedBy` lists: a name nothing was built under
    // is skipped by the caller, but kept and written to the debugger output,
    // so that a title that names a scene it never defined says which.
    CMC_Object* getNamed(const CXString& name, CMC_Object* namedBy);
    // "NAME" (named by OWNER) for each such name, in the order they were met.
    const std::vector<CXString>& getMissingNames() const { return missing; }

protected:
    CMC_Application* load(const CXString& fileName);

private:
    void dropUnlisted();

    CWindow* window;
    CMC_Application* application;
    CXVector* objects;
    std::vector<CXString> missing;
};
