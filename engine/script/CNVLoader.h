#pragma once
#include "script/Object.h"
#include "script/Runner.h"

class CWindow;

// The application's object "CNVLOADER" (type 12000): adds the objects of a
// further definition file to its container at run time ("LOAD") and takes
// them out again ("RELEASE"). The objects of one file are kept together in
// a group object named after the file; while that group exists the file is
// not loaded again.
class CMC_CNVLoader : public CMC_Object {
public:
    CMC_CNVLoader(CWindow* window, CMC_ObjectsContainer* container);

    // Reads the file and creates, initialises and adds its objects, each
    // with its anonymous behaviours, all listed in the file's group.
    virtual void load(const CXString& file);
    // Takes every member of the file's group out of the container, each
    // after its clones, finishes and deletes it, the behaviours last; then
    // the group.
    virtual void release(const CXString& file);

    CXString getLastFile() const { return lastFile; }

private:
    // Takes out, finishes and deletes an object the container holds
    // itself; false when it does not hold it.
    bool releaseMember(CMC_Object* object);

    CWindow* window;
    CXString lastFile;
};

class CMC_CNVLoader_Runner : public CMC_Runner {
public:
    enum { LOAD = 1, RELEASE = 2 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
