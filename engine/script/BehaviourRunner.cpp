#include "script/BehaviourRunner.h"

#include "script/Behaviour.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

namespace {
CMC_RegisterRunner<CMC_Behaviour_Runner> registration({MC_BEHAVIOUR});

// The parameter texts of the runs under way, across the process. A title
// whose recursion through parameters would hold more runs nothing more, as a
// recursion past the nesting limit does, instead of exhausting memory.
const long long MAX_PARAMETER_BYTES = 16 << 20;
long long parameterBytes = 0;

// A text's bytes and its string.
long long bytesOf(CXArray* params)
{
    long long n = 0;
    for (int i = 0; params && i < params->getSize(); ++i)
        n += static_cast<CXString*>((*params)[i])->getLength() + long(sizeof(CXString));
    return n;
}

// Holds the bytes of a run's parameters while it runs.
class ParameterBytes {
public:
    explicit ParameterBytes(CXArray* params)
        : bytes(bytesOf(params)), allowed(parameterBytes + bytes <= MAX_PARAMETER_BYTES)
    {
        if (allowed)
            parameterBytes += bytes;
    }
    ~ParameterBytes()
    {
        if (allowed)
            parameterBytes -= bytes;
    }
    ParameterBytes(const ParameterBytes&) = delete;
    ParameterBytes& operator=(const ParameterBytes&) = delete;
    bool ok() const { return allowed; }

private:
    long long bytes;
    bool allowed;
};

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"RUN", CMC_Behaviour_Runner::RUN},         {"RUNC", CMC_Behaviour_Runner::RUNC},
    {"RUNLOOPED", CMC_Behaviour_Runner::RUNLOOPED}, {"BREAK", CMC_Behaviour_Runner::BREAK},
    {"ENABLE", CMC_Behaviour_Runner::ENABLE},   {"DISABLE", CMC_Behaviour_Runner::DISABLE},
};
} // namespace

void CMC_Behaviour_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

void CMC_Behaviour_Runner::flushParams(CXArray* params) { CXString::releaseToVector(params); }

CXArray* CMC_Behaviour_Runner::getParams(CMC_ObjectsContainer* container, CXVector* args, int from, CXArray* params)
{
    int count = getArgCount(args);
    if (!params && count <= from)
        return nullptr;
    if (!params)
        params = new CXArray(101, 0.75f);
    for (int i = from; i < count; ++i) {
        CXString text = getParameterString(args, i)->getValue();
        CMC_Object* named = container ? container->getObject(text) : nullptr;
        if (named && (named->getType() < MC_PLACEHOLDER || named->getType() > MC_DOUBLE))
            text = CXString("\"") + text + "\"";
        params->add(new CXString(text));
    }
    return params;
}

CMC_Variable* CMC_Behaviour_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_BEHAVIOUR)
        return CMC_Runner::run(id, object, container, args);
    CMC_Behaviour* behaviour = static_cast<CMC_Behaviour*>(object);
    switch (id) {
    case RUN:
        return runOnce(behaviour, container, args, false);
    case RUNC:
        return runOnce(behaviour, container, args, true);
    case RUNLOOPED:
        return runLooped(behaviour, container, args);
    case BREAK:
        behaviour->_break();
        return nullptr;
    case ENABLE:
        behaviour->enable(true);
        return nullptr;
    case DISABLE:
        behaviour->enable(false);
        return nullptr;
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

CMC_Variable* CMC_Behaviour_Runner::runOnce(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args,
                                            bool check)
{
    CMC_Behaviour* behaviour = static_cast<CMC_Behaviour*>(object);
    CXArray* params = getParams(container, args, 0, nullptr);
    bool stop = false;
    {
        ParameterBytes held(params);
        stop = held.ok() && behaviour->run(nullptr, params, check);
    }
    flushParams(params);
    if (stop)
        return stopValue(-1);
    return container ? CMC_VariableFactory::copyVariable(container->getVariable("__RETURN__")) : nullptr;
}

CMC_Variable* CMC_Behaviour_Runner::runLooped(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    CMC_Behaviour* behaviour = static_cast<CMC_Behaviour*>(object);
    int start = getParameterInteger(args, 0)->getValue();
    int count = getParameterInteger(args, 1)->getValue();
    int end = CMC_Integer::add(start, count);
    int step = getArgCount(args) > 2 ? getParameterInteger(args, 2)->getValue() : 1;
    CXArray* params = new CXArray(101, 0.75f);
    CXString* index = new CXString;
    params->add(index);
    getParams(container, args, 2, params);
    ParameterBytes held(params);
    for (int i = start; held.ok() && i < end; i = CMC_Integer::add(i, step)) {
        if (!CMC_Behaviour::step())
            break;
        *index = CXString::toString(i);
        if (behaviour->run(nullptr, params, true))
            break;
        // The index wrapped past the top: the loop is over.
        if (step > 0 && CMC_Integer::add(i, step) < i)
            break;
    }
    flushParams(params);
    return container ? container->getVariable("__RETURN__") : nullptr;
}
