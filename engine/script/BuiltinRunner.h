#pragma once
#include "script/Runner.h"

// The built-in commands, written "@NAME(arguments)" in a statement; the
// runner factory hands this runner out for the pseudo type id 0. `object`
// is the behaviour that holds the statement (or null), `container` its
// container. Names are matched exactly; there are no common methods.
class CMC_Builtin_Runner : public CMC_Runner {
public:
    enum {
        IF = 1,
        WHILE = 2,
        RETURN = 3,
        BREAK = 4,
        CONV = 5,
        MSGBOX = 6,
        BOOL = 7,
        DOUBLE = 8,
        INT = 9,
        STRING = 10,
        LOOP = 11,
        VALUE = 12,
        RUNONTIMER = 13,
        CREATE = 14,
        GETAPPLICATIONNAME = 15,
        GETCURRENTSCENE = 16,
        ONEBREAK = 17,
        CONTINUE = 18
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
