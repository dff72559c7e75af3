#pragma once
#include "base/XObject.h"

class CSound4;

// The application's registry of sound effects. Once a frame (the window's
// sound step) it looks at every sound started through CSound4::Play() and
// not yet seen to end: one that is neither paused nor sounding any more has
// finished, and is told so (OnWAVFinished). A sound taken out while the
// list is walked is only marked; the next domodal unlinks it. Main thread
// only.
class CSoundManager : public CXObject {
public:
    CSoundManager();
    // Flush.
    ~CSoundManager() override;
    CSoundManager(const CSoundManager&) = delete;
    CSoundManager& operator=(const CSoundManager&) = delete;

    // Appends the sound; with owned the manager deletes it on Flush.
    void add(CSound4* sound, bool owned);
    // The first entry of the sound is watched from now on.
    void play(CSound4* sound);
    // Takes the sound's first entry out.
    void remove(CSound4* sound);
    // The finish check, then the entries taken out are unlinked.
    void domodal();
    // Every listed sound that plays pauses; every paused one resumes.
    virtual void pause();
    virtual void resume();
    // domodal, then deletes the owned sounds and every entry.
    void Flush();
    int getCount() const { return count; }

private:
    struct Entry {
        CSound4* sound;
        bool watched;
        bool owned;
        bool removed;
        Entry* next;
    };
    Entry* entryOf(CSound4* sound);

    int count;
    Entry* first;
    Entry* last;
};
