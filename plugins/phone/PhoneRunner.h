#pragma once
#include "common/PluginObjects.h"

// The methods of PHONEEXT objects: "SHOW" (the plug-ins' credits), "DIAL"
// (TRUE when the call was placed; FALSE without a line, without a number or
// during a call), "GETLATESTKEY" (the digit of the latest key pressed, ""
// before the first) and "EMPTY" (nothing). Other ids are the common methods.
class CMC_Phone_Runner : public CDispatchRunner<CMC_Phone_Runner> {
public:
    enum { SHOW = 1, DIAL = 2, GETLATESTKEY = 3, EMPTY = 4 };

    CMC_Phone_Runner();
    void prepareMthHashSet() override;

private:
    CMC_Variable* dial(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* getLatestKey(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
};
