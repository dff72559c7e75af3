#pragma once
#include "objects/StaticFilterEffect.h"
#include "script/Object.h"
#include "script/Runner.h"

// The script STATICFILTER (type 2015): one still-image filter, chosen once
// by the definition's "ACTION", run on the drawables that scripts link to
// it. Parameters are set at run time ("SETPROPERTY") and are not kept in a
// snapshot, nor are links. An ACTION that names no filter leaves an object
// whose methods do nothing.
class CMC_StaticFilter : public CMC_Object {
public:
    CMC_StaticFilter(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", no filter until serialize.
    explicit CMC_StaticFilter(CMC_ObjectsContainer* container);
    ~CMC_StaticFilter() override;
    CMC_StaticFilter(const CMC_StaticFilter&) = delete;
    CMC_StaticFilter& operator=(const CMC_StaticFilter&) = delete;

    // Unlinks (restoring with "CANUNDO") every drawable, then the base.
    bool done(bool final) override;
    // Done before the other objects, while the linked drawables exist.
    bool doneFirst() override { return true; }
    CXString** getBehavioursList() override;
    // The base record, then the ACTION; reading makes a fresh filter.
    void serialize(CXArchive* archive) override;

    CStaticFilterEffect* getController() { return controller; }
    CXString getAction() const { return action; }

private:
    void createController();

    CStaticFilterEffect* controller;
    CXString action;
};

class CMC_StaticFilter_Runner : public CMC_Runner {
public:
    enum { SETPROPERTY = 1, LINK = 2, UNLINK = 3 };

    void prepareMthHashSet() override;
    // Every method answers nothing; ids other than its own do nothing.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
