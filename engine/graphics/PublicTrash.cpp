#include "graphics/PublicTrash.h"

#include <vector>

CPublicTrash::CPublicTrash(CXTimer* t) : CXVector(101, 0.75f), timer(t)
{
    if (timer)
        timer->add(TIMER_ID, SWEEP_INTERVAL, static_cast<CTimerNotificator*>(this));
}

CPublicTrash::~CPublicTrash()
{
    if (timer)
        timer->remove(TIMER_ID);
    sweep();
}

void CPublicTrash::add(CXObject* object)
{
    if (object && !contains(object))
        CXVector::add(object);
}

void CPublicTrash::remove(CXObject* object) { CXVector::remove(object); }

// A member's destructor may withdraw other members: each is deleted only
// while it is still listed.
void CPublicTrash::sweep()
{
    std::vector<CXObject*> marked;
    for (int i = 0; i < getSize(); ++i)
        if ((*this)[i]->isToDelete())
            marked.push_back((*this)[i]);
    for (CXObject* member : marked) {
        if (!contains(member))
            continue;
        CXVector::remove(member);
        delete member;
    }
}

void CPublicTrash::onTimer(int) { sweep(); }
