#include "script/BehaviourBase.h"

namespace {
CMC_BehaviourBase::Maker behaviourMaker = nullptr;
} // namespace

int CMC_BehaviourBase::nesting = 0;

void CMC_BehaviourBase::setMaker(Maker maker) { behaviourMaker = maker; }

CMC_BehaviourBase::Maker CMC_BehaviourBase::getMaker() { return behaviourMaker; }

CMC_BehaviourBase* CMC_BehaviourBase::make(CMC_ObjectsContainer* container, const CXString& name,
                                           const CXString& code)
{
    return behaviourMaker ? behaviourMaker(container, name, code) : nullptr;
}
