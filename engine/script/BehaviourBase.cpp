#include "script/BehaviourBase.h"

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
}

void CMC_BehaviourBase::initTrash() { trashList(); }

void CMC_BehaviourBase::addToTrash(CMC_Object* object)
{
    if (!object || isInTrash(object))
        return;
    trashList()->add(object);
    if (isBehaviour(object))
        static_cast<CMC_BehaviourBase*>(object)->inTrash = true;
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

void CMC_BehaviourBase::keep(CMC_Object* object)
{
    if (!object)
        return;
    if (!kept())
        kept() = new CXVector(101, 0.75f);
    if (!kept()->contains(object))
        kept()->add(object);
}

void CMC_BehaviourBase::doneTrash()
{
    if (kept()) {
        for (int i = 0; i < kept()->getSize(); ++i)
            addToTrash(static_cast<CMC_Object*>((*kept())[i]));
        delete kept();
        kept() = nullptr;
    }
    flushTrash();
    delete trash();
    trash() = nullptr;
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
