#pragma once
#include "script/Runner.h"

class CXArray;

// The methods of behaviours: RUN (arguments become $1, $2, ...), RUNC (the
// same, condition checked), RUNLOOPED (start, count[, step, ...]: runs with
// $1 = start, start + step, ... below start + count), BREAK (ends a timed
// run), ENABLE and DISABLE. RUN and RUNC give -1 when the behaviour stopped
// with -1, else a copy of the container's "__RETURN__".
class CMC_Behaviour_Runner : public CMC_Runner {
public:
    enum { RUN = 1, RUNC = 2, RUNLOOPED = 3, BREAK = 4, ENABLE = 5, DISABLE = 6 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

    // Deletes every text of a parameter list and the list.
    static void flushParams(CXArray* params);

private:
    // One text per argument from index `from` on, appended to params (a new
    // list when null); a name of an object that is no basic value is quoted.
    CXArray* getParams(CMC_ObjectsContainer* container, CXVector* args, int from, CXArray* params);
    CMC_Variable* runOnce(CMC_Object* behaviour, CMC_ObjectsContainer* container, CXVector* args, bool check);
    CMC_Variable* runLooped(CMC_Object* behaviour, CMC_ObjectsContainer* container, CXVector* args);
};
