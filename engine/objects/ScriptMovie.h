#pragma once
#include "media/Playable.h"
#include "script/Object.h"

class CMoviePlayer;
class CWindow;

// The script MOVIE (type 2024): a video file shown in the scene by one
// movie player the object owns, whose start, new frames and end are raised
// as "ONSTARTED", "ONFRAMEUPDATED" and "ONFINISHED", in their plain forms
// only and only when a behaviour is bound to them. The player reports all
// three on the main thread (a new frame from its 40 ms timer), so the
// behaviours run there.
//
// The snapshot record is the base object's alone: the file, the position
// and the priority are not kept, and an object read from a record has a
// player without a stream, on the screen at priority 0, until LOAD.
class CMC_Movie : public CMC_Object, public CPlayableObserver {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONSTARTED = 3, EVENT_ONFINISHED = 4, EVENT_ONFRAMEUPDATED = 5 };

    // From a definition: "FILENAME" (opened at once; empty or unplayable
    // leaves the player without a stream), "PRIORITY" (on the screen at
    // it; negative keeps the player off the screen) and "POSITION".
    CMC_Movie(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", until serialize reads the base record.
    explicit CMC_Movie(CMC_ObjectsContainer* container);
    ~CMC_Movie() override;
    CMC_Movie(const CMC_Movie&) = delete;
    CMC_Movie& operator=(const CMC_Movie&) = delete;

    CXString** getBehavioursList() override;

    // Never null.
    CMoviePlayer* getPlayer() { return player; }

    bool onPlayableStarted(CPlayable*) override;
    bool onPlayableTick(CPlayable*) override;
    bool onPlayableFinished(CPlayable*) override;

private:
    void build(CMC_ObjectsContainer* container, const CXString& fileName, int priority, CXPoint position);
    void raise(int index, const char* event);

    CMoviePlayer* player;
};
