#pragma once
#include "script/Runner.h"

// The methods of PATH objects. A method whose required argument is missing
// changes nothing and answers none ("" for GETNODE); so does GETNODE with
// an index outside the list or of an empty entry ("").
class CMC_Path_Runner : public CMC_Runner {
public:
    enum { ADD = 1, GETNODE = 2, GETSIZE = 3, SETPROPERTY = 4, GETPROPERTY = 5 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
