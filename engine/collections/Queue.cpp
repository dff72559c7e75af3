#include "collections/Queue.h"

#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

namespace {

CMC_Object* makeFifo(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Fifo(c, e); }
CMC_Object* makeLifo(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Lifo(c, e); }

CMC_RegisterType fifoRegistration("FIFO", 6, &makeFifo);
CMC_RegisterType lifoRegistration("LIFO", 6, &makeLifo);
CMC_RegisterRunner<CMC_Queue_Runner> runnerRegistration({MC_FIFO, MC_LIFO});

} // namespace

CMC_Queue::CMC_Queue(CMC_ObjectsContainer* container, CMElement* element, int typeId, CXQuene* q)
    : CMC_Object(container, element, typeId), queue(q)
{
    initializeBehaviours(container, element);
}

CMC_Queue::CMC_Queue(CMC_ObjectsContainer* container, const CXString& name, int typeId, CXQuene* q)
    : CMC_Object(name, typeId), queue(q)
{
    scene = container;
}

CMC_Queue::~CMC_Queue()
{
    for (int i = 0; i < queue->getSize(); ++i)
        delete (*queue)[i];
    delete queue;
}

CXString** CMC_Queue::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONEMPTY", nullptr};
    return makeEventList(names);
}

void CMC_Queue::push(CMC_Variable* value)
{
    bool basic = value && CMC_Variable::isBasicType(value->getType());
    queue->push(basic ? value->clone() : nullptr);
}

CMC_Variable* CMC_Queue::pop()
{
    if (queue->getSize() == 0) {
        onSignal(CXString("ONEMPTY"));
        return CMC_String::temporary(CXString("NULL"));
    }
    CMC_Variable* entry = static_cast<CMC_Variable*>(queue->pop());
    CMC_Variable* result = entry ? CMC_VariableFactory::copyVariable(entry) : nullptr;
    delete entry;
    return result;
}

CMC_Fifo::CMC_Fifo(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Queue(container, element, MC_FIFO, new CXFifoQuene)
{
}

CMC_Fifo::CMC_Fifo(CMC_ObjectsContainer* container)
    : CMC_Queue(container, CXString("temp"), MC_FIFO, new CXFifoQuene)
{
}

CMC_Lifo::CMC_Lifo(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Queue(container, element, MC_LIFO, new CXLifoQuene)
{
}

CMC_Lifo::CMC_Lifo(CMC_ObjectsContainer* container)
    : CMC_Queue(container, CXString("temp"), MC_LIFO, new CXLifoQuene)
{
}

void CMC_Queue_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("PUSH", PUSH);
    registerMethod("POP", POP);
    registerMethod("GETSIZE", GETSIZE);
    registerMethod("ISEMPTY", ISEMPTY);
}

// An argument that is another object, not a value, queues an empty entry
// (not its name, which is what the argument getters would make of it).
CMC_Variable* CMC_Queue_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || (object->getType() != MC_FIFO && object->getType() != MC_LIFO))
        return CMC_Runner::run(id, object, container, args);
    CMC_Queue* queue = static_cast<CMC_Queue*>(object);
    switch (id) {
    case PUSH:
        for (int i = 0; i < getArgCount(args); ++i) {
            CXObject* raw = (*args)[i];
            bool isObject = raw && !isStopValue(raw) &&
                            !CMC_Variable::isVariableType(static_cast<CMC_Object*>(raw)->getType());
            queue->push(isObject ? nullptr : getParameter(args, i));
        }
        return nullptr;
    case POP: return queue->pop();
    case GETSIZE: return CMC_Integer::temporary(queue->getSize());
    case ISEMPTY: return CMC_Bool::temporary(queue->getSize() == 0);
    default: return CMC_Runner::run(id, object, container, args);
    }
}
