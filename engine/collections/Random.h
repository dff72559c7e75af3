#pragma once
#include "script/Runner.h"

// The methods of the application's "RANDOM" object (type 102, a plain
// CMC_Object the application makes): GET draws one integer, GETPLENTY
// appends many to an array, optionally all different. Draws come from
// CXRandom and are never negative for a positive span.
class CMC_Rand_Runner : public CMC_Runner {
public:
    enum { GET = 1, GETPLENTY = 2 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    // GET() 0; GET(n) 0..n-1; GET(low, span) low..low+span-1. A span that
    // is not positive gives 0, respectively low.
    CMC_Variable* get(CXVector* args);
    // GETPLENTY(array name, count, low, span, distinct). Nothing is appended
    // for a count below 1 or above CXRandom::MAX_VECTOR, for a name that
    // finds no array, or without all five arguments; distinct draws stop
    // after span values, as no further distinct value exists.
    CMC_Variable* getPlenty(CMC_ObjectsContainer* container, CXVector* args);
};
