#include "media/SoundManager.h"

#include "media/Sound4.h"

CSoundManager::CSoundManager() : count(0), first(nullptr), last(nullptr) {}

CSoundManager::~CSoundManager() { Flush(); }

void CSoundManager::add(CSound4* sound, bool owned)
{
    Entry* e = new Entry{sound, false, owned, false, nullptr};
    if (last)
        last->next = e;
    else
        first = e;
    last = e;
    ++count;
}

CSoundManager::Entry* CSoundManager::entryOf(CSound4* sound)
{
    for (Entry* e = first; e; e = e->next)
        if (e->sound == sound && !e->removed)
            return e;
    return nullptr;
}

void CSoundManager::play(CSound4* sound)
{
    if (Entry* e = entryOf(sound))
        e->watched = true;
}

void CSoundManager::remove(CSound4* sound)
{
    if (!sound)
        return;
    if (Entry* e = entryOf(sound)) {
        --count;
        e->sound = nullptr;
        e->removed = true;
    }
}

// A finished sound's observers may start, stop or delete sounds (this one
// included) while the list is walked: entries stay linked until the walk
// is over, and a deleted sound's entry has lost its sound by then.
void CSoundManager::domodal()
{
    for (Entry* e = first; e; e = e->next) {
        if (!e->sound || e->removed || !e->watched)
            continue;
        CSound4* s = e->sound;
        if (!s->isPaused() && !s->IsPlaying()) {
            e->watched = false;
            s->OnWAVFinished();
        }
    }
    Entry* previous = nullptr;
    for (Entry* e = first; e;) {
        Entry* next = e->next;
        if (e->removed) {
            if (previous)
                previous->next = next;
            else
                first = next;
            if (last == e)
                last = previous;
            delete e;
        } else {
            previous = e;
        }
        e = next;
    }
}

void CSoundManager::pause()
{
    for (Entry* e = first; e; e = e->next)
        if (e->sound && e->sound->isPlaying())
            e->sound->pause();
}

void CSoundManager::resume()
{
    for (Entry* e = first; e; e = e->next)
        if (e->sound && e->sound->isPaused())
            e->sound->resume();
}

void CSoundManager::Flush()
{
    domodal();
    // A deleted sound takes itself out through remove, which only marks.
    for (Entry* e = first; e; e = e->next)
        if (e->owned && e->sound) {
            CSound4* s = e->sound;
            e->sound = nullptr;
            delete s;
        }
    while (first) {
        Entry* next = first->next;
        delete first;
        first = next;
    }
    last = nullptr;
    count = 0;
}
