#include "base/XTimer.h"

#include "base/XArray.h"
#include "platform/Clock.h"

#include <atomic>

namespace {
bool enabled = true;
} // namespace

CTimerObject::CTimerObject(int entryId, unsigned int ms)
    : id(entryId), interval(ms), count(0), reserved(0), last(platform::GetTickCount()), pausedFor(0),
      unit(nullptr), window(nullptr), notificator(nullptr), onlyWhileActive(true), toRemove(false), gone(false),
      nextOfId(nullptr)
{
}

CXTimer::CXTimer(CTimerWindow*) : timers(new CXVector(101, 0.75f)), work(new CXVector(101, 0.75f)) {}

CXTimer::~CXTimer()
{
    for (int i = 0; i < timers->getSize(); ++i)
        delete (*timers)[i];
    delete timers;
    delete work;
}

CTimerObject* CXTimer::append(int id, unsigned int interval)
{
    CTimerObject* entry = new CTimerObject(id, interval);
    timers->add(entry);
    byId.append(id, entry);
    return entry;
}

void CXTimer::add(int id, unsigned int interval, CTimerUnit* unit, bool onlyWhileActive)
{
    if (!unit)
        return;
    CTimerObject* entry = append(id, interval);
    entry->unit = unit;
    entry->onlyWhileActive = onlyWhileActive;
}

void CXTimer::add(int id, unsigned int interval, CTimerWindow* window)
{
    if (window)
        append(id, interval)->window = window;
}

void CXTimer::add(int id, unsigned int interval, CTimerNotificator* target)
{
    if (target)
        append(id, interval)->notificator = target;
}

CTimerObject* CXTimer::find(int id) { return byId.first(id); }

// An entry already marked is passed over: a target that removes its timer,
// adds it again and removes it again before the next pass (an edit box
// losing, taking and losing the focus) has both entries go, and is never
// called after it is gone.
void CXTimer::remove(int id)
{
    for (CTimerObject* entry = find(id); entry; entry = entry->nextOfId)
        if (!entry->toRemove) {
            entry->toRemove = true;
            return;
        }
}

void CXTimer::reset(int id)
{
    if (CTimerObject* entry = find(id))
        entry->last = platform::GetTickCount();
}

void CXTimer::pause()
{
    uint32_t now = platform::GetTickCount();
    for (int i = 0; i < timers->getSize(); ++i) {
        CTimerObject* entry = static_cast<CTimerObject*>((*timers)[i]);
        entry->pausedFor = now - entry->last;
    }
}

void CXTimer::resume()
{
    uint32_t now = platform::GetTickCount();
    for (int i = 0; i < timers->getSize(); ++i) {
        CTimerObject* entry = static_cast<CTimerObject*>((*timers)[i]);
        entry->last = now - entry->pausedFor;
    }
}

int CXTimer::freshId()
{
    static std::atomic<int> next{-0x40000000};
    return next.fetch_add(1);
}

void CXTimer::enable(bool on) { enabled = on; }
bool CXTimer::isEnabled() { return enabled; }

// Callbacks may add or remove entries: the pass walks a snapshot, and
// entries added meanwhile wait for the next frame. An entry marked for
// removal leaves its id when the pass reaches it and is deleted at the end
// of the pass, all in one walk of the list, so that a pass that drops many
// costs no more than a walk; meanwhile only pause and resume, which touch
// every entry, still meet it. Due-ness compares the elapsed time, which
// stays right across the 32-bit wrap of the tick count.
int CXTimer::domodal()
{
    if (!enabled)
        return 0;
    timers->copyInto(work);
    bool dropped = false;
    for (int i = 0; i < work->getSize(); ++i) {
        CTimerObject* entry = static_cast<CTimerObject*>((*work)[i]);
        uint32_t now = platform::GetTickCount();
        if (entry->gone)
            continue;
        if (entry->toRemove) {
            byId.remove(entry->id, entry);
            entry->gone = true;
            dropped = true;
        } else if (now - entry->last >= entry->interval) {
            ++entry->count;
            deliver(entry);
            entry->last = platform::GetTickCount();
        }
    }
    work->removeAll();
    if (dropped)
        sweep();
    return 0;
}

void CXTimer::sweep()
{
    int kept = 0;
    for (int i = 0; i < timers->getSize(); ++i) {
        CTimerObject* entry = static_cast<CTimerObject*>((*timers)[i]);
        if (entry->gone)
            delete entry;
        else
            timers->setAt(kept++, entry);
    }
    while (timers->getSize() > kept)
        timers->removeAt(timers->getSize() - 1);
}

void CXTimer::deliver(CTimerObject* entry)
{
    if (entry->unit) {
        if (!entry->onlyWhileActive || (entry->unit->isActive() && entry->unit->wasInitiallyUpdated()))
            entry->unit->onTimer(entry->id);
    } else if (entry->window) {
        entry->window->OnTimer(entry->id);
    } else if (entry->notificator) {
        entry->notificator->onTimer(entry->id);
    }
}
