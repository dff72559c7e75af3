#include "graphics/PublicTrash.h"

CPublicTrash::CPublicTrash(CXTimer* t) : timer(t)
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

void CPublicTrash::onTimer(int) { sweep(); }
