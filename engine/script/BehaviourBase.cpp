#include "script/BehaviourBase.h"

#include <iterator>
#include <list>
#include <unordered_map>

namespace {
CMC_BehaviourBase::Maker behaviourMaker = nullptr;

// The trash keeps its members in the order they came and finds a member
// by a map from the object to its place in that order, so that putting
// many objects there, taking one out and taking the first cost the same
// however many it holds. A member deleted by someone else takes itself out
// (CMC_Object's destructor), so every place holds a live object.
class Trash {
public:
    void add(CMC_Object* object)
    {
        if (places.count(object))
            return;
        order.push_back(object);
        places.emplace(object, std::prev(order.end()));
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
    template <typename Visit> void forEach(Visit visit) const
    {
        for (CMC_Object* object : order)
            visit(object);
    }

private:
    std::list<CMC_Object*> order;
    std::unordered_map<CMC_Object*, std::list<CMC_Object*>::iterator> places;
};

// Made on first use and kept for the process, so that behaviours deleted
// late (at exit) still find it.
Trash*& trash()
{
    static Trash* list = nullptr;
    return list;
}

CXVector*& kept()
{
    static CXVector* list = nullptr;
    return list;
}

Trash* trashList()
{
    if (!trash())
        trash() = new Trash;
    return trash();
}

bool isBehaviour(CMC_Object* object) { return object->getType() == MC_BEHAVIOUR; }
} // namespace

int CMC_BehaviourBase::nesting = 0;

void CMC_BehaviourBase::setMaker(Maker maker) { behaviourMaker = maker; }

CMC_BehaviourBase::Maker CMC_BehaviourBase::getMaker() { return behaviourMaker; }

CMC_BehaviourBase* CMC_BehaviourBase::make(CMC_ObjectsContainer* container, const CXString& name,
                                           const CXString& code)
{
    return behaviourMaker ? behaviourMaker(container, name, code) : nullptr;
}

CMC_BehaviourBase::~CMC_BehaviourBase()
{
    unbindEverywhere();
    if (inKept && kept())
        kept()->remove(this);
}

void CMC_BehaviourBase::initTrash() { trashList(); }

void CMC_BehaviourBase::addToTrash(CMC_Object* object)
{
    if (!object || object->inTrash)
        return;
    object->inTrash = true;
    trashList()->add(object);
}

bool CMC_BehaviourBase::isInTrash(CMC_Object* object) { return object && object->inTrash; }

void CMC_BehaviourBase::leftTrash(CMC_Object* object)
{
    object->inTrash = false;
    if (trash())
        trash()->remove(object);
}

// Members are taken out one at a time, so that a member deleted by another
// member's deletion has withdrawn itself first. A running behaviour stays
// for the next flush.
void CMC_BehaviourBase::flushTrash()
{
    Trash* list = trash();
    if (!list)
        return;
    CXVector kept(101, 0.75f);
    while (CMC_Object* object = list->takeFirst()) {
        object->inTrash = false;
        if (isBehaviour(object) && static_cast<CMC_BehaviourBase*>(object)->isRunning()) {
            kept.add(object);
            continue;
        }
        delete object;
    }
    for (int i = 0; i < kept.getSize(); ++i)
        addToTrash(static_cast<CMC_Object*>(kept[i]));
}

void CMC_BehaviourBase::keep(CMC_BehaviourBase* behaviour)
{
    if (!behaviour || behaviour->inKept)
        return;
    if (!kept())
        kept() = new CXVector(101, 0.75f);
    kept()->add(behaviour);
    behaviour->inKept = true;
}

void CMC_BehaviourBase::doneTrash()
{
    while (kept() && kept()->getSize() > 0) {
        CMC_BehaviourBase* behaviour = static_cast<CMC_BehaviourBase*>(kept()->takeAt(0));
        behaviour->inKept = false;
        addToTrash(behaviour);
    }
    delete kept();
    kept() = nullptr;
    flushTrash();
    delete trash();
    trash() = nullptr;
}

void CMC_BehaviourBase::containerGone(CMC_ObjectsContainer* container)
{
    auto leave = [container](CMC_Object* object) {
        if (isBehaviour(object) && object->getScene() == container)
            static_cast<CMC_BehaviourBase*>(object)->leaveScene();
    };
    for (int i = 0; kept() && i < kept()->getSize(); ++i)
        leave(static_cast<CMC_Object*>((*kept())[i]));
    if (trash())
        trash()->forEach(leave);
}

void CMC_BehaviourBase::discard(CMC_Object* object)
{
    if (!object)
        return;
    if (isBehaviour(object) && static_cast<CMC_BehaviourBase*>(object)->isRunning()) {
        addToTrash(object);
        return;
    }
    if (isInTrash(object))
        return;
    delete object;
}
