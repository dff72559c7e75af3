#include "script/Runner.h"

#include "base/Hashtable.h"
#include "script/BehaviourBase.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <unordered_map>

namespace {

// The member adders by collection type id; kept for the life of the process.
std::unordered_map<int, CMC_Runner::MemberAdder>& adders()
{
    static auto* table = new std::unordered_map<int, CMC_Runner::MemberAdder>;
    return *table;
}

CMC_Runner::MemberAdder memberAdder(int typeId)
{
    auto it = adders().find(typeId);
    return it == adders().end() ? nullptr : it->second;
}

const char* const commonNames[] = {"SEND",          "ADDTOGROUP",  "ADDTOARRAY",          "GETNAME",
                                   "CLONE",         "ADDBEHAVIOUR", "GETCLONEINDEX",      "MSGBOX",
                                   "RESETCLONES",   "REMOVEBEHAVIOUR", "GETCLONESNO",     "REMOVEALLBEHAVIOURS",
                                   "REMOVEBEHAVIOURFORCE", "OVERIDESIGNALS"};

void freeTable(CHashtable* table)
{
    if (!table)
        return;
    CXVector* keys = table->getKeys();
    for (int i = 0; keys && i < keys->getSize(); ++i)
        delete table->get((*keys)[i]);
    delete keys;
    delete table;
}

// An event name as scripts write it: '$' stands for '^'.
CXString eventName(CXString text)
{
    text.Replace('$', '^');
    return text;
}

// The typed getters' value for a missing argument or one without that form:
// the type's empty value, handed back at once like a converted argument.
CMC_Variable* emptyValue(int type)
{
    CMC_Variable* v;
    switch (type) {
    case MC_INTEGER: v = CMC_Integer::temporary(0); break;
    case MC_STRING: v = CMC_String::temporary(CXString()); break;
    case MC_BOOL: v = CMC_Bool::temporary(false); break;
    default: v = CMC_Double::temporary(0.0); break;
    }
    CMC_VariableFactory::free(v);
    return v;
}

CMC_Variable* typedParameter(CMC_Variable* v, int type)
{
    if (v && v->getType() == type)
        return v;
    CMC_Variable* c = v ? v->convert(type) : nullptr;
    if (c && !isStopValue(c) && c->getType() == type) {
        if (c != v)
            CMC_VariableFactory::free(c);
        return c;
    }
    if (c && c != v)
        CMC_Object::flush(c);
    return emptyValue(type);
}

} // namespace

CMC_Runner::CMC_Runner() : methods(nullptr), lookupKey(new CStringHashCode(CXString("temp"))) {}

CMC_Runner::~CMC_Runner()
{
    freeTable(methods);
    delete lookupKey;
}

void CMC_Runner::prepareMthHashSet()
{
    freeTable(methods);
    methods = new CHashtable(101, 0.75, true);
    for (int i = 0; i < int(sizeof commonNames / sizeof commonNames[0]); ++i)
        registerMethod(commonNames[i], SEND + i);
}

// A name registered twice keeps its first id.
void CMC_Runner::registerMethod(const char* name, int id)
{
    if (!methods)
        methods = new CHashtable(101, 0.75, true);
    if (resolveMethod(CXString(name)) >= 0)
        return;
    methods->put(new CStringHashCode(CXString(name)), new CInteger(id));
}

int CMC_Runner::resolveMethod(const CXString& name)
{
    if (!methods)
        return -1;
    lookupKey->set(name.c_str());
    CInteger* id = static_cast<CInteger*>(methods->get(lookupKey));
    return id ? id->toInt() : -1;
}

// Methods take other objects by name.
CMC_Variable* CMC_Runner::nameOf(CMC_Object* object)
{
    CMC_String* name = CMC_String::temporary(object->getName());
    CMC_VariableFactory::free(name);
    return name;
}

CMC_Variable* CMC_Runner::getParameter(CXVector* args, int index)
{
    CMC_Variable* v = getArgument(args, index);
    if (v && v->getType() == MC_EXPRESSION) {
        v = v->evaluate();
        if (isStopValue(v))
            v = nullptr;
    }
    return v;
}

CMC_Bool* CMC_Runner::getParameterBool(CXVector* args, int index)
{
    return static_cast<CMC_Bool*>(typedParameter(getParameter(args, index), MC_BOOL));
}

CMC_Double* CMC_Runner::getParameterDouble(CXVector* args, int index)
{
    return static_cast<CMC_Double*>(typedParameter(getParameter(args, index), MC_DOUBLE));
}

CMC_Integer* CMC_Runner::getParameterInteger(CXVector* args, int index)
{
    return static_cast<CMC_Integer*>(typedParameter(getParameter(args, index), MC_INTEGER));
}

CMC_String* CMC_Runner::getParameterString(CXVector* args, int index)
{
    return static_cast<CMC_String*>(typedParameter(getParameter(args, index), MC_STRING));
}

CMC_Variable* CMC_Runner::run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                              CXVector* args)
{
    return run(resolveMethod(name), object, container, args);
}

// Methods that need an argument do nothing without it.
CMC_Variable* CMC_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object)
        return nullptr;
    int argc = getArgCount(args);
    switch (id) {
    case SEND: {
        if (argc < 1)
            return nullptr;
        CXString text = getParameterString(args, 0)->getValue();
        object->onSignal(text.GetAt(0) == '@' ? text : CXString("ONSIGNAL^") + text);
        return nullptr;
    }
    case ADDTOGROUP:
        return addTo(MC_GROUP, object, container, args);
    case ADDTOARRAY:
        return addTo(MC_ARRAY, object, container, args);
    case GETNAME:
        return CMC_String::temporary(object->getName());
    case CLONE:
        object->clone(argc > 0 ? getParameterInteger(args, 0)->getValue() : 1);
        return nullptr;
    case ADDBEHAVIOUR:
        return addBehaviour(object, container, args);
    case GETCLONEINDEX:
        return CMC_Integer::temporary(object->getCloneIdx());
    case RESETCLONES:
        object->resetClones();
        return nullptr;
    case REMOVEBEHAVIOUR:
        if (argc > 0)
            object->removeBehaviour(eventName(getParameterString(args, 0)->getValue()), container);
        return nullptr;
    case GETCLONESNO:
        return CMC_Integer::temporary(object->getClonesNo());
    case REMOVEALLBEHAVIOURS:
        object->removeAllBehaviours();
        return nullptr;
    case REMOVEBEHAVIOURFORCE:
        if (argc > 0)
            object->removeBehaviourForce(eventName(getParameterString(args, 0)->getValue()));
        return nullptr;
    case OVERIDESIGNALS:
        if (argc > 0)
            object->overideSignals(getParameterBool(args, 0)->getValue());
        return nullptr;
    default: // MSGBOX and every unknown id
        return nullptr;
    }
}

CMC_Variable* CMC_Runner::addTo(int collectionType, CMC_Object* object, CMC_ObjectsContainer* container,
                                CXVector* args)
{
    if (getArgCount(args) < 1)
        return nullptr;
    CMC_String* name = getParameterString(args, 0);
    CMC_Object* collection = container ? container->getObject(name->getValue()) : nullptr;
    CMC_Object::flush(name);
    MemberAdder adder = collection && collection->getType() == collectionType ? memberAdder(collectionType) : nullptr;
    if (adder)
        adder(collection, object);
    return nullptr;
}

// Only a behaviour is bound; a name that finds none (or another object)
// binds no behaviour, as an unknown name does.
CMC_Variable* CMC_Runner::addBehaviour(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc < 2)
        return nullptr;
    CMC_String* eventArg = getParameterString(args, 0);
    CXString event = eventName(eventArg->getValue());
    CMC_Object::flush(eventArg);
    CMC_String* behaviourArg = getParameterString(args, 1);
    CMC_Object* found = container ? container->getObject(behaviourArg->getValue()) : nullptr;
    CMC_Object::flush(behaviourArg);
    CMC_BehaviourBase* behaviour =
        found && found->getType() == MC_BEHAVIOUR ? static_cast<CMC_BehaviourBase*>(found) : nullptr;
    CXArray* params = nullptr;
    if (argc > 2) {
        params = new CXArray(101, 0.75f);
        for (int i = 2; i < argc; ++i)
            params->add(new CXString(getParameterString(args, i)->getValue()));
    }
    object->addBehaviour(event, behaviour, params, container);
    return nullptr;
}

CMC_Runner::MemberAdder CMC_Runner::getMemberAdder(int typeId) { return memberAdder(typeId); }

void CMC_Runner::setMemberAdder(int typeId, MemberAdder adder)
{
    if (adder)
        adders()[typeId] = adder;
    else
        adders().erase(typeId);
}
