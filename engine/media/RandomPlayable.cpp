#include "media/RandomPlayable.h"

#include "base/WindowServices.h"
#include "base/XRandom.h"
#include "graphics/Window.h"
#include "media/Animo.h"

#include <climits>
#include <memory>

namespace {
// Tries at a random event that the animation plays.
const int EVENT_DRAWS = 10;
} // namespace

CRandomPlayableEntry::CRandomPlayableEntry(CRandomPlayable* o, CPlayable* p, double chance, int runBound,
                                           const CXString& e)
    : owner(o), playable(p), probability(chance), interval(runBound), countdown(0), runLength(0), startsInRun(0),
      event(e)
{
    if (playable)
        playable->addNotifier(this);
    if (CAnimo* a = animation())
        a->addInvalidateObserver(this);
    initialize();
}

// The entry stops listening, so that its playable never reports to it
// once it is gone.
CRandomPlayableEntry::~CRandomPlayableEntry()
{
    if (CAnimo* a = animation())
        a->removeInvalidateObserver(this);
    if (playable)
        playable->removeNotifier(this);
}

CAnimo* CRandomPlayableEntry::animation()
{
    return playable && playable->getType() == CAnimo::TYPE_ANIMATION ? static_cast<CAnimo*>(playable) : nullptr;
}

void CRandomPlayableEntry::onDestroy(CGraphicsObject*) { playable = nullptr; }

// The wait is at most INT_MAX seconds; one that is not a positive number
// of starts a minute never ends.
void CRandomPlayableEntry::initialize()
{
    startsInRun = 0;
    runLength = interval > 1 ? CXRandom::random(interval - 1) : 0;
    if (!(probability > 0)) {
        countdown = -1;
        return;
    }
    const double seconds = 60.0 / probability;
    countdown = CXRandom::random(seconds >= INT_MAX ? INT_MAX : int(seconds)) + 1;
}

// A countdown below zero is a start that never reported its end (or could
// not start): the entry waits afresh, as it does when a start is forbidden,
// rather than never start again.
void CRandomPlayableEntry::tick()
{
    if (!playable || !(probability > 0) || playable->isPlaying())
        return;
    if (--countdown > 0)
        return;
    if (countdown < 0) {
        initialize();
        return;
    }
    ++startsInRun;
    if (!owner->notify(this, true)) {
        initialize();
        return;
    }
    start();
}

// An empty event is a random event of an animation; an animation without
// events is not started, another playable plays as it is. An animation
// plays a named event by its name: its play(event) would play the event it
// stands on.
void CRandomPlayableEntry::start()
{
    CAnimo* a = animation();
    if (a && event.IsString()) {
        a->Play(event, 0, 15);
        return;
    }
    if (!a) {
        if (event.IsString())
            playable->play(event);
        else
            playable->play();
        return;
    }
    const int n = a->GetNOE();
    for (int i = 0; i < EVENT_DRAWS && n > 0 && !a->IsPlaying(); ++i)
        a->Play(_animoevent(CXRandom::rand15() % n), 0, 15);
}

bool CRandomPlayableEntry::onPlayableFinished(CPlayable* p)
{
    if (!p || p != playable)
        return false;
    if (owner->notify(this, false))
        countdown = 1;
    else if (startsInRun >= runLength)
        initialize();
    else
        countdown = 1;
    return false;
}

CRandomPlayable::CRandomPlayable(CWindow* w, CUnit6* u)
    : unit(u), timer(w ? w->GetTimerInterface() : nullptr), entries(new CXVector(101, 0.75f)),
      notifiers(new CXArray(101, 0.75f)), timerId(CXTimer::freshId()), ticking(false), retired(new CXVector(101, 0.75f))
{
    if (timer)
        timer->add(timerId, TICK_MS, static_cast<CTimerNotificator*>(this));
}

// A set that outlives its window (a unit deleted without leaving its
// scene) has no timer left to leave: the window's services no longer
// hold it.
CRandomPlayable::~CRandomPlayable()
{
    if (timer && CWindowServices::getTimer() == timer)
        timer->remove(timerId);
    for (int i = 0; i < entries->getSize(); ++i)
        delete entries->at(i);
    delete entries;
    delete notifiers;
    delete retired;
}

CRandomPlayableEntry* CRandomPlayable::getEntry(int index)
{
    return index >= 0 && index < entries->getSize() ? static_cast<CRandomPlayableEntry*>(entries->at(index)) : nullptr;
}

void CRandomPlayable::add(CPlayable* playable, double probability, int interval, CXString event)
{
    if (playable)
        entries->add(new CRandomPlayableEntry(this, playable, probability, interval, event));
}

void CRandomPlayable::remove(CPlayable* playable)
{
    for (int i = 0; i < entries->getSize(); ++i) {
        CRandomPlayableEntry* e = getEntry(i);
        if (e->getPlayable() != playable)
            continue;
        entries->removeAt(i);
        if (ticking)
            retired->add(e);
        else
            delete e;
        return;
    }
}

void CRandomPlayable::addNotifier(CRandomPlayableNotifier* notifier)
{
    if (notifier)
        notifiers->add(notifier);
}

void CRandomPlayable::removeNotifier(CRandomPlayableNotifier* notifier) { notifiers->remove(notifier); }

bool CRandomPlayable::notify(CRandomPlayableEntry* entry, bool started)
{
    std::unique_ptr<CXArray> copy(static_cast<CXArray*>(notifiers->clone()));
    bool answer = false;
    for (int i = 0; i < copy->getSize(); ++i) {
        CRandomPlayableNotifier* n = static_cast<CRandomPlayableNotifier*>(copy->at(i));
        answer = started ? n->onRandomPlayableStarted(entry->getPlayable(), entry->getSeqTime())
                         : n->onRandomPlayableFinished(entry->getPlayable(), entry->getSeqTime());
    }
    return answer;
}

// A notifier may remove entries (the one ticking among them) while they
// tick: those are deleted once every entry has ticked.
void CRandomPlayable::onTimer(int)
{
    ticking = true;
    std::unique_ptr<CXVector> copy(static_cast<CXVector*>(entries->clone()));
    for (int i = 0; i < copy->getSize(); ++i) {
        CRandomPlayableEntry* e = static_cast<CRandomPlayableEntry*>(copy->at(i));
        if (entries->contains(e))
            e->tick();
    }
    ticking = false;
    for (int i = 0; i < retired->getSize(); ++i)
        delete retired->at(i);
    retired->removeAll();
}
