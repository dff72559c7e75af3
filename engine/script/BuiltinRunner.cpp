#include "script/BuiltinRunner.h"

#include "script/Object.h"
#include "script/RunnerFactory.h"

namespace {
CMC_RegisterRunner<CMC_Builtin_Runner> registration({MC_PLACEHOLDER});
} // namespace

void CMC_Builtin_Runner::prepareMthHashSet()
{
    registerMethod("BREAK", BREAK);
    registerMethod("ONEBREAK", ONEBREAK);
    registerMethod("CONTINUE", CONTINUE);
}

CMC_Variable* CMC_Builtin_Runner::run(int id, CMC_Object*, CMC_ObjectsContainer*, CXVector*)
{
    switch (id) {
    case BREAK: return stopValue(-1);
    case ONEBREAK: return stopValue(-2);
    case CONTINUE: return stopValue(-3);
    default: return nullptr;
    }
}
