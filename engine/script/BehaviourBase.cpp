#include "script/BehaviourBase.h"

#include <cstdint>
#include <deque>
#include <unordered_map>

namespace {
CMC_BehaviourBase::Maker behaviourMaker = nullptr;

// The trash keeps its members in the order they came, and finds a member
// by a map, so that putting many objects there, asking whether one is
// there and taking one out cost the same however many it holds. A member
// that leaves before its turn (deleted by another member's deletion)
// leaves its place behind; a place counts only while the map names it
// with that place's number, so an object made later at the same address
// is not taken for it.
class Trash {
public:
    bool contains(CMC_Object* object) const { return members.count(object) != 0; }
    void add(CMC_Object* object)
    {
        if (members.emplace(object, next).second)
            order.push_back(Place{object, next++});
    }
    void remove(CMC_Object* object) { members.erase(object); }
    bool empty() const { return members.empty(); }
    // The member that came first, taken out; null when there is none.
    CMC_Object* takeFirst()
    {
        while (!order.empty()) {
            const Place place = order.front();
            order.pop_front();
            if (holds(place)) {
                members.erase(place.object);
                return place.object;
            }
        }
        return nullptr;
    }
    template <typename Visit> void forEach(Visit visit) const
    {
        for (const Place& place : order)
            if (holds(place))
                visit(place.object);
    }

private:
    struct Place {
        CMC_Object* object;
        uint64_t number;
    };
    bool holds(const Place& place) const
    {
        auto member = members.find(place.object);
        return member != members.end() && member->second == place.number;
    }
    std::deque<Place> order;
    std::unordered_map<CMC_Object*, uint64_t> members;
    uint64_t next = 0;
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
    if (inTrash && trash())
        trash()->remove(this);
    if (inKept && kept())
        kept()->remove(this);
}

void CMC_BehaviourBase::initTrash() { trashList(); }

// Behaviours carry a mark; other objects are put there once by their
// callers, so that a long trash is not searched.
void CMC_BehaviourBase::addToTrash(CMC_Object* object)
{
    if (!object)
        return;
    if (isBehaviour(object)) {
        CMC_BehaviourBase* behaviour = static_cast<CMC_BehaviourBase*>(object);
        if (behaviour->inTrash)
            return;
        behaviour->inTrash = true;
    }
    trashList()->add(object);
}

bool CMC_BehaviourBase::isInTrash(CMC_Object* object)
{
    if (!object || !trash())
        return false;
    if (isBehaviour(object))
        return static_cast<CMC_BehaviourBase*>(object)->inTrash;
    return trash()->contains(object);
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
        if (isBehaviour(object)) {
            CMC_BehaviourBase* behaviour = static_cast<CMC_BehaviourBase*>(object);
            behaviour->inTrash = false;
            if (behaviour->isRunning()) {
                kept.add(object);
                continue;
            }
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
