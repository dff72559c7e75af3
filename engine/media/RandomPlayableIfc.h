#pragma once
#include "base/XString.h"

class CPlayable;
class CUnit6;
class CWindow;

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

// What the screen unit uses of its set of randomly played playables (the
// unit makes one for each scene visit and deletes it when the scene is
// left). The random playables install the maker; without one the unit has
// no set and its entries go nowhere.
class CRandomPlayableIfc {
public:
    virtual ~CRandomPlayableIfc() {}
    // The playable's event (a random one of an animation for an empty
    // name) is started about probability times a minute, in runs of up to
    // interval starts.
    virtual void add(CPlayable* playable, double probability, int interval, CXString event) = 0;
    virtual void remove(CPlayable* playable) = 0;
    virtual void addNotifier(CRandomPlayableNotifier* notifier) = 0;

    using Maker = CRandomPlayableIfc* (*)(CWindow* window, CUnit6* unit);
    static void setMaker(Maker maker);
    // A new set for the unit; null without a maker.
    static CRandomPlayableIfc* make(CWindow* window, CUnit6* unit);
};
