#pragma once
#include "base/XTimer.h"
#include "script/Object.h"
#include "script/Runner.h"

// Script TIMER (type 2007): raises "ONTICK" (first as "ONTICK^" and the
// tick number) every "ELAPSE" milliseconds, at most once per frame, and
// after "TICKS" ticks disables itself (0 = no limit). The timing is the
// engine's timer registry (getEngineTimer); the timer keeps one entry there
// under an id of its own from construction to destruction. A timer without
// "ELAPSE", or made while there is no registry, never ticks.
class CMC_Timer : public CMC_Object, public CTimerNotificator {
public:
    // "ENABLED" other than "true" in any case starts it disabled.
    CMC_Timer(CMC_ObjectsContainer* container, CMElement* element);
    // For restoring a snapshot: named "temp", enabled, no interval yet.
    explicit CMC_Timer(CMC_ObjectsContainer* container);
    ~CMC_Timer() override;
    CMC_Timer(const CMC_Timer&) = delete;
    CMC_Timer& operator=(const CMC_Timer&) = delete;

    CXString** getBehavioursList() override;
    // After the base record: the ELAPSE text and the TICKS limit. A
    // restored timer starts enabled with no ticks counted.
    void serialize(CXArchive* archive) override;
    void onTimer(int id) override;

    // When disabled: counts from 0 again, enables and restarts the interval.
    void enable();
    // Ticks are still delivered but ignored; the count stays.
    void disable();
    // Disables this timer and records the progress of every registry entry.
    void pause();
    // When disabled: enables it, keeping the count, and puts every registry
    // entry back to the progress recorded by pause.
    void resume();
    // Restarts the interval and counts from 0.
    void reset();
    // Restarts the interval and sets the count.
    void set(int n);
    // Changes the interval of the registered entry; nothing when none.
    void setElapse(unsigned int ms);
    bool isEnabled() const { return enabled; }
    int getTick() const { return ticks; }
    int getMaxTicks() const { return maxTicks; }
    // The registry entry's id.
    int getTimerId() const { return timerId; }

    enum { EVENT_ONTICK = 3 };

private:
    void registerEntry();

    int timerId;
    bool enabled;
    int ticks;
    int maxTicks;
    CXString elapse;
};

class CMC_Timer_Runner : public CMC_Runner {
public:
    enum { ENABLE = 1, DISABLE = 2, PAUSE = 3, RESUME = 4, GETTICKS = 5, RESET = 6, SET = 7, SETELAPSE = 8 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
