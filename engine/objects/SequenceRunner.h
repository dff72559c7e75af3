#pragma once
#include "script/Runner.h"

class CPlayable;

// The methods of SEQUENCE objects, on the object's tree. A method whose
// argument is missing, or on an object without a tree, changes nothing
// and answers none (FALSE for ISPLAYING, "" for the name queries).
class CMC_Sequence_Runner : public CMC_Runner {
public:
    enum {
        PLAY = 1,
        STOP = 2,
        PAUSE = 3,
        RESUME = 4,
        SHOW = 5,
        HIDE = 6,
        ISPLAYING = 7,
        SETVOLUME = 8,
        SETPAN = 9,
        SETFREQ = 10,
        GETEVENTNAME = 11,
        GETPLAYING = 12
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    // PLAY(event [, parameter or the name of an integer ARRAY]).
    void play(CPlayable* sequence, CMC_ObjectsContainer* container, CXVector* args);
    CXString eventName(CPlayable* sequence, CXVector* args);
};
