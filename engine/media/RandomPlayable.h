#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XTimer.h"
#include "graphics/GraphicsObject.h"
#include "media/Playable.h"

class CRandomPlayable;
class CUnit6;

// Asked by a set of random playables before it starts an entry (a false
// answer forbids the start) and told when an entry's playable finished (a
// true answer asks for another start at the next tick); the int is the
// entry's starts in its current run. The screen unit is one.
class CRandomPlayableNotifier {
public:
    virtual bool onRandomPlayableStarted(CPlayable*, int) { return true; }
    virtual bool onRandomPlayableFinished(CPlayable*, int) { return false; }

protected:
    ~CRandomPlayableNotifier() = default;
};

// One playable that a set of random playables starts now and then: after
// a wait of 1 to 60 / probability seconds (counted only while the playable
// is idle) it plays its event (for an empty event a random event of an
// animation, else the playable itself), and repeats it run length times in
// a row (run length drawn below interval), then waits again. A probability
// of 0 or below never starts it.
//
// It follows the playable's reports; an animation that is deleted first is
// forgotten, any other playable must outlive the entry. Main thread only.
class CRandomPlayableEntry : public CXObject, public CPlayableObserver, public CInvalidateObserver {
public:
    // Listens to the playable and begins a wait.
    CRandomPlayableEntry(CRandomPlayable* owner, CPlayable* playable, double probability, int interval,
                         const CXString& event);
    ~CRandomPlayableEntry() override;
    CRandomPlayableEntry(const CRandomPlayableEntry&) = delete;
    CRandomPlayableEntry& operator=(const CRandomPlayableEntry&) = delete;

    virtual bool isPlaying() { return playable && playable->isPlaying(); }
    virtual CPlayable* getPlayable() { return playable; }
    // Starts made in the current run.
    virtual int getSeqTime() { return startsInRun; }
    // One second of the wait; a start when it runs out.
    virtual void tick();
    bool onPlayableFinished(CPlayable* p) override;
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

    int getCountdown() { return countdown; }
    int getRunLength() { return runLength; }

private:
    // A new wait: its seconds, its run length, no starts.
    void initialize();
    void start();
    // The animation part of the playable; null for another kind.
    CAnimo* animation();

    CRandomPlayable* owner;
    CPlayable* playable;
    double probability;
    int interval;
    int countdown;
    int runLength;
    int startsInRun;
    CXString event;
};

// The screen unit's playables started at random moments: a tick of the
// window's timer every second counts down every entry's wait. Notifiers
// decide whether a start happens (with none, nothing is ever started) and
// may ask for repeats. Main thread only.
class CRandomPlayable : public CXObject, public CTimerNotificator {
public:
    enum { TICK_MS = 1000 };

    // Registers the one-second tick with the window's timer.
    CRandomPlayable(CWindow* window, CUnit6* unit);
    // Leaves the timer and deletes the entries.
    ~CRandomPlayable() override;
    CRandomPlayable(const CRandomPlayable&) = delete;
    CRandomPlayable& operator=(const CRandomPlayable&) = delete;

    // The playable's event (empty: a random one of an animation) starts
    // about probability times a minute, in runs of up to interval - 1
    // starts.
    virtual void add(CPlayable* playable, double probability, int interval, CXString event);
    // Deletes the playable's first entry.
    virtual void remove(CPlayable* playable);
    void addNotifier(CRandomPlayableNotifier* notifier);
    void removeNotifier(CRandomPlayableNotifier* notifier);
    // Asks every notifier, in order, before a start (started) or after a
    // finish; the last answer, false without notifiers.
    bool notify(CRandomPlayableEntry* entry, bool started);
    // Ticks every entry.
    void onTimer(int id) override;

    int getSize() { return entries->getSize(); }
    CRandomPlayableEntry* getEntry(int index);
    int getTimerId() { return timerId; }
    CUnit6* getUnit() { return unit; }

private:
    CUnit6* unit;
    CXTimer* timer;
    CXVector* entries;
    CXArray* notifiers;
    int timerId;
    // Entries removed while the entries tick are deleted after the tick.
    bool ticking;
    CXVector* retired;
};
