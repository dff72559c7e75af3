#include "script/Disposal.h"

#include "base/XArray.h"
#include "script/BehaviourBase.h"
#include "script/ObjectsContainer.h"

#include <iterator>
#include <list>
#include <unordered_map>

namespace {

// Objects in the order they came, found by a map from the object to its
// place in that order, so that putting many there, taking one out and
// taking the first cost the same however many it holds.
class OrderedSet {
public:
    bool add(CMC_Object* object)
    {
        if (places.count(object))
            return false;
        order.push_back(object);
        places.emplace(object, std::prev(order.end()));
        return true;
    }
    void remove(CMC_Object* object)
    {
        auto place = places.find(object);
        if (place == places.end())
            return;
        order.erase(place->second);
        places.erase(place);
    }
    // The member that came first, taken out; null when there is none.
    CMC_Object* takeFirst()
    {
        if (order.empty())
            return nullptr;
        CMC_Object* first = order.front();
        order.pop_front();
        places.erase(first);
        return first;
    }
    int size() const { return int(places.size()); }
    template <typename Visit> void forEach(Visit visit) const
    {
        for (CMC_Object* object : order)
            visit(object);
    }

private:
    std::list<CMC_Object*> order;
    std::unordered_map<CMC_Object*, std::list<CMC_Object*>::iterator> places;
};

// Made on first use and kept for the process, so that objects freed late
// (at exit) still find them. A member freed by someone else takes itself
// out (CMC_Object's and CMC_BehaviourBase's destructors), so every place
// holds a live object.
OrderedSet& trash()
{
    static OrderedSet* set = new OrderedSet;
    return *set;
}

OrderedSet& kept()
{
    static OrderedSet* set = new OrderedSet;
    return *set;
}

bool isBehaviour(CMC_Object* object) { return object->getType() == MC_BEHAVIOUR; }
} // namespace

CMC_Hold* CMC_Hold::top = nullptr;

// Deletions are rare next to holds: a hold costs two stores, and the stack
// is searched only when something is deleted.
bool CMC_Hold::holds(CMC_Object* object)
{
    for (const CMC_Hold* h = top; h; h = h->below) {
        if (h->object == object)
            return true;
        for (int i = 0; h->values && i < h->values->getSize(); ++i)
            if (h->values->at(i) == object)
                return true;
    }
    return false;
}

// What is on the stack that points at this object: an event it raises, its
// own run as a behaviour, or a hold (a statement's target and arguments, a
// behaviour's owner and scope, ...).
bool CMC_Disposal::held(CMC_Object* object)
{
    if (object->isRaising())
        return true;
    if (isBehaviour(object) && static_cast<CMC_BehaviourBase*>(object)->isRunning())
        return true;
    return CMC_Hold::holds(object);
}

void CMC_Disposal::wait(CMC_Object* object)
{
    if (object->inTrash)
        return;
    object->inTrash = true;
    trash().add(object);
}

void CMC_Disposal::dispose(CMC_Object* object, Ending ending)
{
    if (!object || object->inTrash)
        return;
    if (ending == WITH_DONE && !object->finishing)
        object->done(false);
    object->finish();
    if (!object->isTemporary())
        freeOrWait(object);
}

void CMC_Disposal::disposeTemporary(CMC_Object* object)
{
    if (!object || object->inTrash)
        return;
    object->finish();
    freeOrWait(object);
}

void CMC_Disposal::freeOrWait(CMC_Object* object)
{
    if (held(object))
        wait(object);
    else
        delete object;
}

void CMC_Disposal::deferFree(CMC_Object* object)
{
    if (object)
        wait(object);
}

bool CMC_Disposal::waits(CMC_Object* object) { return object && object->inTrash; }

int CMC_Disposal::waitingCount() { return trash().size(); }

void CMC_Disposal::keep(CMC_Object* behaviour)
{
    if (behaviour && !behaviour->inKept) {
        behaviour->inKept = true;
        kept().add(behaviour);
    }
}

void CMC_Disposal::left(CMC_Object* object)
{
    if (object->inTrash)
        trash().remove(object);
    if (object->inKept)
        kept().remove(object);
    object->inTrash = object->inKept = false;
}

// Members are taken out one at a time, so that a member freed by another
// member's destructor has withdrawn itself first.
void CMC_Disposal::freeWaiting()
{
    OrderedSet still;
    while (CMC_Object* object = trash().takeFirst()) {
        if (held(object)) {
            still.add(object);
            continue;
        }
        object->inTrash = false;
        delete object;
    }
    while (CMC_Object* object = still.takeFirst())
        trash().add(object);
}

void CMC_Disposal::freeAll()
{
    while (CMC_Object* object = kept().takeFirst()) {
        object->inKept = false;
        dispose(object, WITHOUT_DONE);
    }
    freeWaiting();
}

void CMC_Disposal::containerGone(CMC_ObjectsContainer* container)
{
    auto leave = [container](CMC_Object* object) {
        if (isBehaviour(object) && object->getScene() == container)
            static_cast<CMC_BehaviourBase*>(object)->leaveScene();
    };
    kept().forEach(leave);
    trash().forEach(leave);
}
