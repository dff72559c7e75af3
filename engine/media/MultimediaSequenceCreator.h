#pragma once
#include "base/XObject.h"
#include "base/XString.h"

class CMElements;
class CPlayable;
class CPlayableObserver;
class CResourcesManager;
class CWindow;

// Reads a sequence definition file, a text of one statement a line, into
// a tree of playables, and gives its root: the element named like the
// file without folder and extension.
//
//   # a comment
//   NAME = E                  declares element E
//   E TYPE = SIMPLE|SEQUENCE|SPEAKING   makes E's playable now
//   E FILENAME = F            a simple element's ".ANN" animation, ".WAV"
//                             sound or scene animation object (before TYPE)
//   E EVENT = V               its event name or number (before TYPE)
//   E SHOW, E HIDE            simple elements and talking animations
//   E MODE = SEQUENCE|RANDOM|PARAMETER
//   E SEQEVENT = EV P         playing the sequence's event EV gives it P
//   E ANIMOFN, WAVFN, PREFIX, STARTING, ENDING   talking animations
//   E ADD [= P]               E becomes a child of P ("ROOT" without one)
//   E WAIT = TRUE|FALSE       whether a SEQUENCE run stops after E
//
// Tokens are split at blanks, "=", ":" and line feeds, all alike. Keys and
// words are compared exactly in upper case. Lines naming no declared
// element, unknown keys and words are ignored.
//
// A file gives no playable (and an error) when it cannot be opened, has no
// root element with a playable (or one that is a shared sound), or its
// elements would contain themselves, the root would lie inside another
// element, or the tree would unfold into too many playables to play; then
// nothing it made is kept. Playables the file made outside the root's
// tree are deleted as well, except shared animations and sounds, which
// the resources manager keeps. Main thread only.
class CMultimediaSequenceCreator : public CXObject {
public:
    enum { ERROR_OPEN = 2000, ERROR_NO_ROOT = 2001, ERROR_BAD_TREE = 2002 };

    // Loads the file (see load); the error code tells why when no playable
    // came of it. The playable is deleted with this object unless keep.
    CMultimediaSequenceCreator(CWindow* window, const CXString& fileName, CResourcesManager* resources,
                               CPlayableObserver* observer, bool keep);
    ~CMultimediaSequenceCreator() override;
    CMultimediaSequenceCreator(const CMultimediaSequenceCreator&) = delete;
    CMultimediaSequenceCreator& operator=(const CMultimediaSequenceCreator&) = delete;

    // The root playable of the file (the caller's), or null with a line on
    // the debugger output. Animations and sounds are shared through the
    // resources manager (the application's when null); the observer becomes
    // the generic notifier of every playable made.
    static CPlayable* load(CWindow* window, const CXString& fileName, CResourcesManager* resources,
                           CPlayableObserver* observer);
    // The playable of the named definition record, with the playables of
    // its child records (looked up by name in the same list) as children;
    // null for a name not found, a record that makes no playable, or
    // records that hold themselves.
    static CPlayable* create(CWindow* window, CMElements* elements, const CXString& name);
    // Writes nothing.
    static bool save(CPlayable*, const CXString&) { return false; }
    // The parameter character that selects the child of that index in a
    // PARAMETER sequence: "1".."9" for 0 to 8, "A".."Z" for 9 to 34, "a" on
    // for 35 on.
    static char getParameter(int index);

    CPlayable* getPlayable() { return playable; }

private:
    static CPlayable* read(CWindow* window, const CXString& fileName, CResourcesManager* resources,
                           CPlayableObserver* observer, int* error);

    CPlayable* playable;
    bool keep;
};
