#pragma once
#include "script/Runner.h"

// The methods of PHONEEXT objects: "SHOW" (the plug-in's credits), "DIAL"
// (TRUE when the call was placed; FALSE without a line, without a number or
// during a call), "GETLATESTKEY" (the digit of the latest key pressed, ""
// before the first) and "EMPTY" (nothing). Other ids are the common methods.
class CMC_Phone_Runner : public CMC_Runner {
public:
    enum { SHOW = 1, DIAL = 2, GETLATESTKEY = 3, EMPTY = 4 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
