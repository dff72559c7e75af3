// Running a parsed statement: what parsing left open is looked up, the
// arguments are evaluated in order, the method is called, and the values
// made for this run are given back.
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/BuiltinRunner.h"
#include "script/Disposal.h"
#include "script/Expression.h"
#include "script/ObjectsContainer.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstring>

namespace {
// What an argument slot holds during one run, and how it goes afterwards.
enum Made : unsigned char { FIXED, RESULT, MADE_EXPRESSION, MADE_ANONYMOUS };

// Whether a literal still holds the value it was parsed with (a method may
// change its arguments).
inline bool sameValue(CMC_Variable* a, CMC_Variable* b)
{
    switch (a->getType()) {
    case MC_INTEGER: return static_cast<CMC_Integer*>(a)->getValue() == static_cast<CMC_Integer*>(b)->getValue();
    case MC_DOUBLE: {
        double x = static_cast<CMC_Double*>(a)->getValue();
        double y = static_cast<CMC_Double*>(b)->getValue();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case MC_BOOL: return static_cast<CMC_Bool*>(a)->getValue() == static_cast<CMC_Bool*>(b)->getValue();
    default: return static_cast<CMC_String*>(a)->getText() == static_cast<CMC_String*>(b)->getText();
    }
}
} // namespace

CMC_Variable* CMC_Behaviour_Entry::run(CMC_Object* owner, CXArray* params)
{
    if (!CMC_Behaviour::step())
        return stopValue(-2);
    if (epoch != CMC_ObjectsContainer::getEpoch())
        rebind();
    if (form == VALUE)
        return runValue(params);
    if (form == INERT)
        return nullptr;
    // Literal arguments a method changed are put back first.
    for (int i = 0; i < literalSlots; ++i) {
        Slot& s = slots[i];
        if (s.pristine && !sameValue(static_cast<CMC_Variable*>(s.fixed), s.pristine))
            static_cast<CMC_Variable*>(s.fixed)->set(s.pristine);
    }
    if (!allFixed || running > 0)
        return runArguments(owner, params);
    // The target and the arguments are used up to the call's end, also
    // when the method's script deletes them.
    CMC_Hold hold(object, args);
    ++running;
    // A bound target whose runner knows the method, and IF or WHILE: called
    // at once.
    CMC_Variable* result;
    if (form == CALL && object && runner && methodId >= 0)
        result = runner->run(methodId, object, scene, args);
    else if (keepsCondition)
        result = static_cast<CMC_Builtin_Runner*>(runner)->run(methodId, object, scene, args, &condition,
                                                                conditionFixed);
    else
        result = call(owner, params, args);
    --running;
    return result;
}

// WHILE's operands (its first three arguments) read again for the next
// pass: a name bound at parse time is looked up again, and a value
// statement (a name looked up at each run, a literal, an expression, each
// completed with the run's parameters where it holds '$') runs again; a
// call is not made again. What a slot held for this run is given back as
// runArguments would.
class CMC_Behaviour_Entry::OperandReader : public CMC_WhileOperands {
public:
    OperandReader(CMC_Behaviour_Entry* entry, CMC_Object* owner, CXArray* params, CXVector* list,
                  unsigned char* made)
        : entry(entry), owner(owner), params(params), list(list), made(made)
    {
    }
    void reread() override
    {
        if (entry->epoch != CMC_ObjectsContainer::getEpoch())
            entry->rebind();
        for (int i = 0; i < 3 && i < entry->slotCount; ++i) {
            Slot& s = entry->slots[i];
            if (s.direct) {
                if (made[i] == FIXED)
                    list->setAt(i, s.fixed);
                continue;
            }
            if (!s.nested || s.nested->form != VALUE)
                continue;
            CMC_Variable* old = static_cast<CMC_Variable*>(list->at(i));
            list->setAt(i, nullptr);
            if (old && made[i] != FIXED)
                entry->releaseMade(old, made[i]);
            CMC_Variable* v;
            if (s.nestedHasParam) {
                v = entry->runRebuilt(fillParams(s.nested->line, params), owner, params, &made[i]);
            } else {
                v = s.nested->run(owner, params);
                made[i] = RESULT;
            }
            list->setAt(i, isStopValue(v) ? nullptr : v);
        }
    }

private:
    CMC_Behaviour_Entry* entry;
    CMC_Object* owner;
    CXArray* params;
    CXVector* list;
    unsigned char* made;
};

// Arguments evaluated in order for this run, given back after the call.
CMC_Variable* CMC_Behaviour_Entry::runArguments(CMC_Object* owner, CXArray* params)
{
    // A statement met again while it runs (a behaviour running itself)
    // fills a list of its own.
    CXVector* list = args;
    CXVector* own = nullptr;
    if (running > 0 && args) {
        own = new CXVector(slotCount + 1, 1.0f);
        for (int i = 0; i < slotCount; ++i)
            own->add(slots[i].fixed);
        list = own;
    }
    CMC_Hold hold(object, list);
    ++running;

    unsigned char smallMade[16];
    unsigned char* made = nullptr;
    if (!allFixed) {
        made = slotCount <= 16 ? smallMade : new unsigned char[size_t(slotCount)];
        for (int i = 0; i < slotCount; ++i) {
            Slot& s = slots[i];
            made[i] = FIXED;
            CMC_Variable* v = nullptr;
            if (s.nested && !s.direct) {
                if (s.nestedHasParam) {
                    v = runRebuilt(fillParams(s.nested->line, params), owner, params, &made[i]);
                } else {
                    v = s.nested->run(owner, params);
                    made[i] = RESULT;
                }
            } else if (s.byReference && !s.fixed) {
                v = scene ? scene->getVariable(s.name.c_str()) : nullptr;
                if (!v)
                    v = CMC_Variable::resolve(s.name);
                made[i] = RESULT;
            } else {
                if (s.anonymous && params && scene) {
                    CMC_Object* found = scene->getObject(static_cast<CMC_String*>(s.fixed)->getValue());
                    if (found && found->getType() == MC_BEHAVIOUR)
                        static_cast<CMC_Behaviour*>(found)->setParams(params);
                }
                continue;
            }
            // A stop value is no argument.
            list->setAt(i, isStopValue(v) ? nullptr : v);
        }
    }

    CMC_Variable* result;
    if (keepsCondition && methodId == CMC_Builtin_Runner::WHILE && made) {
        OperandReader operands(this, owner, params, list, made);
        result = call(owner, params, list, &operands);
    } else {
        result = call(owner, params, list);
    }

    if (made) {
        for (int i = 0; i < slotCount; ++i) {
            if (made[i] == FIXED)
                continue;
            CMC_Variable* v = static_cast<CMC_Variable*>(list->at(i));
            list->setAt(i, nullptr);
            if (v)
                releaseMade(v, made[i]);
        }
        if (made != smallMade)
            delete[] made;
    }
    --running;
    delete own;
    return result;
}

// What an argument slot was given for one run goes back as it was made.
void CMC_Behaviour_Entry::releaseMade(CMC_Variable* v, unsigned char kind)
{
    if (kind == MADE_EXPRESSION) {
        delete v;
    } else if (kind == MADE_ANONYMOUS) {
        CMC_Object* found = scene ? scene->getObject(static_cast<CMC_String*>(v)->getValue()) : nullptr;
        if (found && found->getType() == MC_BEHAVIOUR && scene->removeObject(found))
            CMC_Disposal::dispose(found, CMC_Disposal::WITHOUT_DONE);
        delete v;
    } else {
        CMC_Behaviour::releaseResult(v, scene);
    }
}

CMC_Variable* CMC_Behaviour_Entry::runValue(CXArray* params)
{
    if (value)
        return static_cast<CMC_Variable*>(value);
    if (isConstant)
        return literalValue();
    if (!valueHasParam) {
        CMC_Variable* found = valueIsField ? getField(scene, valueText)
                                           : (scene ? scene->getVariable(valueText.c_str()) : nullptr);
        return found ? found : literalValue();
    }
    CXString text = fillParams(valueText, params);
    if (valueText.GetAt(0) == '[') {
        // Computed once for this run; a copy of the value outlives it.
        CMC_Expression* expression;
        {
            ForOneRun parsing;
            expression = new CMC_Expression(scene, text.Mid(1, text.getLength() - 1));
        }
        CMC_Variable* computed = CMC_VariableFactory::copyVariable(expression->evaluate());
        delete expression;
        return computed ? computed : CMC_Variable::resolve(line);
    }
    CMC_Variable* found = scene ? scene->getVariable(text.c_str()) : nullptr;
    return found ? found : CMC_Variable::resolve(text);
}

// The statement's own text as a literal, made once: a method that changed
// it (as it may change any argument) does not change what the next run
// passes.
CMC_Variable* CMC_Behaviour_Entry::literalValue()
{
    if (!constant) {
        constant = makeConstant(line);
        pristine = makeConstant(line);
    } else if (!sameValue(constant, pristine)) {
        constant->set(pristine);
    }
    return constant;
}

// An argument holding '$', completed with the parameters for this run and
// then taken as parsing takes an argument.
CMC_Variable* CMC_Behaviour_Entry::runRebuilt(const CXString& text, CMC_Object* owner, CXArray* params,
                                              unsigned char* made)
{
    *made = RESULT;
    char first = text.GetAt(0);
    if (first == '[') {
        *made = MADE_EXPRESSION;
        ForOneRun parsing;
        return new CMC_Expression(scene, text.Mid(1, text.getLength() - 1));
    }
    if (first == '@' || text.Find('$') >= 0 || text.Find('^') >= 0) {
        CMC_Behaviour* anonymous;
        CMC_Behaviour_Entry* once = nullptr;
        {
            ForOneRun parsing;
            anonymous = makeAnonymous(text, "xtemp_");
            if (!anonymous)
                once = new CMC_Behaviour_Entry(behaviour, text);
        }
        if (anonymous) {
            *made = MADE_ANONYMOUS;
            return new CMC_String(CXString("xtemp"), anonymous->getName());
        }
        CMC_Variable* v = once->run(owner, params);
        // What the statement made for itself goes with it: a copy outlives it.
        if (v && (v == once->constant || (once->ownsValue && v == once->value)))
            v = CMC_VariableFactory::copyVariable(v);
        delete once;
        return v;
    }
    CMC_Variable* found = scene ? scene->getVariable(text.c_str()) : nullptr;
    return found ? found : CMC_Variable::resolve(text);
}

// Bound targets are called at once; the rest is found for this run.
CMC_Variable* CMC_Behaviour_Entry::call(CMC_Object* owner, CXArray* params, CXVector* list,
                                        CMC_WhileOperands* operands)
{
    if (form == BUILTIN) {
        if (keepsCondition)
            return static_cast<CMC_Builtin_Runner*>(runner)->run(methodId, object, scene, list, &condition,
                                                                  conditionFixed, operands);
        return dispatch(runner, methodId, methodName, object, list);
    }
    if (form == CALL && object)
        return dispatch(runner, methodId, methodName, object, list);
    return callFound(owner, params, list);
}

CMC_Variable* CMC_Behaviour_Entry::callFound(CMC_Object* owner, CXArray* params, CXVector* list)
{
    switch (form) {
    case CALL:
        return callByName(lookup(objectName.c_str()), methodName, list);
    case FIELD_CALL:
        return callByName(fieldOf(object ? object : lookup(structureName.c_str()), fieldName), methodName, list);
    case PARAM_CALL: {
        CMC_Object* target = lookup(fillParams(objectName, params).c_str());
        if (!methodHasParam)
            return callByName(target, methodName, list);
        CMC_Runner* r = target ? CMC_RunnerFactory::getRunner(target) : nullptr;
        CMC_Hold hold(target);
        return r ? r->run(fillParams(methodName, params), target, scene, list) : nullptr;
    }
    case THIS_CALL:
        // Inside a script class THIS is the class instance.
        return callByName(scene && scene->getType() == MC_CLASS ? scene : owner, methodName, list);
    case REFERENCE: {
        CMC_Variable* named = static_cast<CMC_Variable*>(refTarget);
        if (!named && scene)
            named = scene->getVariable(objectName.c_str());
        return callByName(lookup(getStringValue(named).c_str()), methodName, list);
    }
    default:
        return nullptr;
    }
}

// Targets found per run: the method id is resolved once per runner met.
CMC_Variable* CMC_Behaviour_Entry::callByName(CMC_Object* target, const CXString& method, CXVector* list)
{
    if (!target)
        return nullptr;
    CMC_Runner* r = CMC_RunnerFactory::getRunner(target);
    if (!r)
        return nullptr;
    if (r != cachedRunner) {
        cachedRunner = r;
        cachedId = r->resolveMethod(method);
    }
    CMC_Hold hold(target);
    return dispatch(r, cachedId, method, target, list);
}

// By id when the runner knows the name; otherwise by name, so that runners
// that answer names of their own (a script class runs its behaviours) see it.
CMC_Variable* CMC_Behaviour_Entry::dispatch(CMC_Runner* r, int id, const CXString& method, CMC_Object* target,
                                            CXVector* list)
{
    if (!r)
        return nullptr;
    return id >= 0 ? r->run(id, target, scene, list) : r->run(method, target, scene, list);
}
