#pragma once
#include "base/KeyedChain.h"
#include "base/XObject.h"

#include <cstdint>

class CXVector;

// Callback interface of a timer target.
class CTimerNotificator {
public:
    virtual void onTimer(int /*id*/) {}

protected:
    ~CTimerNotificator() = default;
};

// What the timer registry needs of a screen unit: it delivers to a unit
// added with onlyWhileActive only while both queries answer true. The
// screen unit implements it.
class CTimerUnit {
public:
    virtual bool isActive() = 0;
    virtual bool wasInitiallyUpdated() = 0;
    virtual void onTimer(int /*id*/) {}

protected:
    ~CTimerUnit() = default;
};

// The window's timer callback; the engine window implements it (its own
// callback does nothing).
class CTimerWindow {
public:
    virtual void OnTimer(int /*id*/) {}

protected:
    ~CTimerWindow() = default;
};

// One periodic entry of the registry. Exactly one target is set.
class CTimerObject : public CXObject {
public:
    int getId() const { return id; }
    unsigned int getInterval() const { return interval; }
    int getCount() const { return count; }
    uint32_t getLast() const { return last; }
    // Takes effect from the next pass; the current period is not restarted.
    void setInterval(unsigned int ms) { interval = ms; }

private:
    friend class CXTimer;
    CTimerObject(int id, unsigned int interval);

    int id;
    unsigned int interval; // milliseconds
    int count;             // times the entry came due
    [[maybe_unused]] int reserved;
    uint32_t last;      // tick count of the last firing
    uint32_t pausedFor; // milliseconds since last at pause()
    CTimerUnit* unit;
    CTimerWindow* window;
    CTimerNotificator* notificator;
    bool onlyWhileActive;
    bool toRemove;
    bool gone;               // deleted at the end of the pass that dropped it
    CTimerObject* nextOfId;  // the next entry of the same id, in order
};

// The window's list of periodic timers, run once per frame. A due entry
// fires at most once per frame, its period restarting after the callback;
// missed periods are not caught up. Ids are the caller's; operations by id
// act on the first entry with that id.
class CXTimer : public CXObject {
public:
    explicit CXTimer(CTimerWindow* window = nullptr);
    ~CXTimer() override;
    CXTimer(const CXTimer&) = delete;
    CXTimer& operator=(const CXTimer&) = delete;

    // A null target adds nothing.
    void add(int id, unsigned int interval, CTimerUnit* unit, bool onlyWhileActive = true);
    void add(int id, unsigned int interval, CTimerWindow* window);
    void add(int id, unsigned int interval, CTimerNotificator* target);
    CTimerObject* find(int id);
    // Marks the first entry of the id not marked yet; the next domodal
    // deletes it.
    void remove(int id);
    void reset(int id);
    void pause();
    void resume();
    static void enable(bool on);
    static bool isEnabled();
    // An id of its own for an entry whose owner has no id to give (the
    // movie player, the random playables): negative, apart from the ids
    // callers choose, so that removing it can never take another entry.
    static int freshId();
    int domodal();

private:
    CTimerObject* append(int id, unsigned int interval);
    void deliver(CTimerObject* entry);
    // Deletes the entries dropped by a pass, in one walk of the list.
    void sweep();

    CXVector* timers;
    CXVector* work; // the per-frame snapshot
    CKeyedChain<int, CTimerObject, &CTimerObject::nextOfId> byId;
};
