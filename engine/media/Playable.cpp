#include "media/Playable.h"

#include <memory>

CNameValueList::CNameValueList() : entries(new CXVector(101, 0.75f)) {}

CNameValueList::~CNameValueList()
{
    for (int i = 0; i < entries->getSize(); ++i)
        delete entries->at(i);
    delete entries;
}

void CNameValueList::add(const CXString& name, const CXString& value) { entries->add(new CNameValuePair(name, value)); }

CNameValuePair* CNameValueList::findIgnoreCase(const CXString& name)
{
    CXString wanted(name);
    wanted.Upper();
    for (int i = 0; i < entries->getSize(); ++i) {
        CNameValuePair* pair = static_cast<CNameValuePair*>(entries->at(i));
        CXString own(pair->name);
        if (own.Upper() == wanted)
            return pair;
    }
    return nullptr;
}

CNameValuePair* CNameValueList::find(const CXString& name)
{
    for (int i = 0; i < entries->getSize(); ++i) {
        CNameValuePair* pair = static_cast<CNameValuePair*>(entries->at(i));
        if (pair->name == name)
            return pair;
    }
    return nullptr;
}

CPlayable::CPlayable(CWindow* w)
    : type(0), status(0), position(-1), window(w), waitMode(true), events(new CNameValueList), mode(MODE_SEQUENCE),
      parentsNo(0), visible(true), volume(0), panning(0), frequency(0), parent(nullptr), genericNotifier(nullptr),
      notifiers(new CXArray(101, 0.75f))
{
}

CPlayable::~CPlayable()
{
    delete events;
    delete notifiers;
}

void CPlayable::setNotifier(CPlayableObserver* observer)
{
    notifiers->removeAll();
    addNotifier(observer);
}

CXString CPlayable::getParameter(const CXString& event)
{
    CNameValuePair* pair = events->findIgnoreCase(event);
    return pair ? pair->value : CXString();
}

void CPlayable::play(const CXString& event)
{
    stop(false);
    lastPlayedEvent = event;
    status = STATUS_PLAYING;
    parameter = getParameter(event);
    play();
}

int CPlayable::previous()
{
    seek(SEEK_PREVIOUS);
    return position;
}

int CPlayable::next()
{
    seek(SEEK_NEXT);
    return position;
}

// Observers may add or remove observers, this one included, while they are
// told: the walk is over a copy.
bool CPlayable::notify(int code)
{
    std::unique_ptr<CXArray> copy(static_cast<CXArray*>(notifiers->clone()));
    if (genericNotifier)
        copy->add(genericNotifier);
    bool result = true;
    for (int i = 0; i < copy->getSize(); ++i) {
        CPlayableObserver* o = static_cast<CPlayableObserver*>(copy->at(i));
        switch (code) {
        case NOTIFY_STARTED: result = o->onPlayableStarted(this); break;
        case NOTIFY_TICK: result = o->onPlayableTick(this); break;
        case NOTIFY_FINISHED: result = o->onPlayableFinished(this); break;
        case NOTIFY_RESUMED: result = o->onPlayableResumed(this); break;
        default: break;
        }
    }
    return result;
}

void CPlayable::setParameter(const CXString& event, const CXString& value)
{
    if (CNameValuePair* pair = events->find(event))
        pair->value = value;
}

void CPlayable::addEvent(const CXString& event, const CXString& value) { events->add(event, value); }

void CPlayable::addNotifier(CPlayableObserver* observer)
{
    if (!notifiers->contains(observer))
        notifiers->add(observer);
}

void CPlayable::removeNotifier(CPlayableObserver* observer) { notifiers->remove(observer); }
