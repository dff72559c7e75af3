#pragma once
#include "script/Runner.h"

// The methods of MOVIE objects, on the object's movie player. A method
// whose required arguments are missing changes nothing and answers none
// (FALSE for LOAD); STOP's flag is TRUE when absent, and SETLOOP with
// fewer than two arguments passes (0, -1), which repeats the whole movie.
class CMC_Movie_Runner : public CMC_Runner {
public:
    enum { LOAD = 1, SETPOSITION = 2, PLAY = 3, STOP = 4, SETLOOP = 5, SEEK = 6, ISPLAYING = 7, PAUSE = 8, RESUME = 9 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
