#pragma once
#include "base/WindowServices.h"
#include "base/XTimer.h"

// The engine window's deferred-deletion list: objects that may still be in
// use are appended here and deleted by a sweep every 10,000 ms once they
// are marked to delete (CXObject::setToDelete). The trash keeps one entry
// in the window's timer registry from construction to destruction.
class CPublicTrash : public CTrashList, public CTimerNotificator {
public:
    enum { SWEEP_INTERVAL = 10000 };
    // The registry id of the sweep; script timers and behaviours number
    // their entries from 1 upward.
    enum { TIMER_ID = -10000 };

    // Registers the sweep with the timer (none without one).
    explicit CPublicTrash(CXTimer* timer);
    // Withdraws the sweep and deletes the members marked to delete; members
    // not marked belong to someone else and stay.
    ~CPublicTrash() override;
    CPublicTrash(const CPublicTrash&) = delete;
    CPublicTrash& operator=(const CPublicTrash&) = delete;

    void onTimer(int id) override;

private:
    CXTimer* timer;
};
