#include "collections/Random.h"

#include "base/XRandom.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"

namespace {
CMC_RegisterRunner<CMC_Rand_Runner> registration({MC_RANDOM});
} // namespace

void CMC_Rand_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("GET", GET);
    registerMethod("GETPLENTY", GETPLENTY);
}

CMC_Variable* CMC_Rand_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    switch (id) {
    case GET: return get(args);
    case GETPLENTY: return getPlenty(container, args);
    default: return CMC_Runner::run(id, object, container, args);
    }
}

CMC_Variable* CMC_Rand_Runner::get(CXVector* args)
{
    int argc = getArgCount(args);
    int value = 0;
    if (argc == 1) {
        value = CXRandom::random(getParameterInteger(args, 0)->getValue());
    } else if (argc >= 2) {
        int low = getParameterInteger(args, 0)->getValue();
        value = CXRandom::random(low, getParameterInteger(args, 1)->getValue());
    }
    return CMC_Integer::temporary(value);
}

// Each value goes to the array's add, the same way ADDTOARRAY adds an
// object (the array keeps a copy and raises its change events), as a plain
// integer named "temp".
CMC_Variable* CMC_Rand_Runner::getPlenty(CMC_ObjectsContainer* container, CXVector* args)
{
    if (getArgCount(args) < 5 || !container)
        return nullptr;
    CMC_String arrayName(CXString("temp"), getParameterString(args, 0)->getValue());
    CMC_Object* array = container->getObject(arrayName.getValue());
    if (!array || array->getType() != MC_ARRAY)
        return nullptr;
    int count = getParameterInteger(args, 1)->getValue();
    int low = getParameterInteger(args, 2)->getValue();
    int span = getParameterInteger(args, 3)->getValue();
    bool distinct = getParameterBool(args, 4)->getValue();
    if (count < 1)
        return nullptr;
    // Above the limit the service reports the call and draws nothing.
    int* drawn = CXRandom::random_vector(low, span, count, distinct);
    if (count > CXRandom::MAX_VECTOR)
        return nullptr;
    if (distinct && count > span)
        count = span > 0 ? span : 0;
    CXVector nameArg(1, 1.0f);
    nameArg.add(&arrayName);
    for (int i = 0; i < count; ++i) {
        CMC_Integer value(drawn[i]);
        CMC_Runner::run(ADDTOARRAY, &value, container, &nameArg);
    }
    return nullptr;
}
