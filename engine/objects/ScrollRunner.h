#pragma once
#include "script/Runner.h"

// The methods of SCROLL objects; none answers a value. A method whose
// required arguments are missing does nothing. "ADD" and "REMOVE" of a
// name without a drawable do nothing.
class CMC_Scroll_Runner : public CMC_Runner {
public:
    enum {
        ADD = 1,
        REMOVE = 2,
        SCROLLUP = 3,
        SCROLLDOWN = 4,
        SCROLLLEFT = 5,
        SCROLLRIGHT = 6,
        SETVIEWPORT = 7,
        MOVEVIEWPORT = 8,
        MOVE = 9,
        INVALIDATE = 10
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
