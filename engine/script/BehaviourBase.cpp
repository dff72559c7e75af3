#include "script/BehaviourBase.h"

#include <initializer_list>

namespace {
CMC_BehaviourBase::Maker behaviourMaker = nullptr;

// Made on first use and kept for the process, so that behaviours deleted
// late (at exit) still find it.
CXVector*& trash()
{
    static CXVector* list = nullptr;
    return list;
}

CXVector*& kept()
{
    static CXVector* list = nullptr;
    return list;
}

CXVector* trashList()
{
    if (!trash())
        trash() = new CXVector(101, 0.75f);
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
    CXVector* list = trash();
    if (!list)
        return;
    CXVector kept(101, 0.75f);
    while (list->getSize() > 0) {
        CMC_Object* object = static_cast<CMC_Object*>(list->takeAt(0));
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
    for (CXVector* list : {kept(), trash()})
        for (int i = 0; list && i < list->getSize(); ++i) {
            CMC_Object* object = static_cast<CMC_Object*>((*list)[i]);
            if (isBehaviour(object) && object->getScene() == container)
                static_cast<CMC_BehaviourBase*>(object)->leaveScene();
        }
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
