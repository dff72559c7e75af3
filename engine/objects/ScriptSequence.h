#pragma once
#include "media/Playable.h"
#include "script/Object.h"

class CSequencedPlayable;

// The script SEQUENCE (type 2004): the playable tree of a sequence
// definition file ("FILENAME", read as written), with the object as the
// observer of every playable the file made. The whole sequence's start and
// end are raised as plain "ONSTARTED" and "ONFINISHED", each element's as
// "ONSTARTED^" and "ONFINISHED^" followed by its name in upper case, only
// when a behaviour is bound to the event in one of its forms.
//
// The tree is read once: by the scene's init (which raises "ONINIT"), or
// earlier, without events, by the first call that needs it. It is deleted
// when the scene unloads, before the animations and sounds it plays.
class CMC_Sequence : public CMC_Object, public CPlayableObserver {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONSTARTED = 3, EVENT_ONFINISHED = 4 };

    CMC_Sequence(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", without a file until serialize.
    explicit CMC_Sequence(CMC_ObjectsContainer* container);
    ~CMC_Sequence() override;
    CMC_Sequence(const CMC_Sequence&) = delete;
    CMC_Sequence& operator=(const CMC_Sequence&) = delete;

    // Reads the file unless a tree is held already, then raises "ONINIT".
    void init() override;
    bool doneFirst() override { return true; }
    bool done(bool final) override;
    CXString** getBehavioursList() override;
    // The file name; the tree is read again from it.
    void serialize(CXArchive* archive) override;

    // The root of the tree, read on first need; null without a file name or
    // when the file gave no playable. A file's root is a sequence unless the
    // file names a single element as its root.
    CPlayable* getSequence();
    // The root when it is a sequence.
    CSequencedPlayable* getSequencedPlayable();
    CXString getFileName() { return fileName; }

    bool onPlayableStarted(CPlayable* playable) override;
    bool onPlayableFinished(CPlayable* playable) override;

private:
    CWindow* window();
    void build();
    void raise(int index, const char* event, CPlayable* element);

    CPlayable* sequence;
    CXString fileName;
};
