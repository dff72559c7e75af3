#pragma once
#include "script/Object.h"

// The base of CONDITION (type 10) and COMPLEXCONDITION (11): an object that
// answers true or false.
class CMC_BasicCondition : public CMC_Object {
public:
    CMC_BasicCondition(const CXString& name, int typeId) : CMC_Object(name, typeId) {}

    virtual bool valid(bool fireEvents) = 0;

    static bool isCondition(CMC_Object* object)
    {
        return object && (object->getType() == MC_CONDITION || object->getType() == MC_COMPLEXCONDITION);
    }
};
