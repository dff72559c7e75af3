#pragma once
#include "script/Runner.h"

// The methods of SOUND objects, on the object's sound. Ids 5 and 6 have no
// name. A method whose argument is missing, or on an object without a
// sound, changes nothing and answers none (FALSE for LOAD and ISPLAYING);
// LOAD gives an object without a sound one of its own.
class CMC_Sound_Runner : public CMC_Runner {
public:
    enum { PLAY = 1, STOP = 2, PAUSE = 3, RESUME = 4, LOAD = 7, SETVOLUME = 8, SETPAN = 9, SETFREQ = 10, ISPLAYING = 11 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
