#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"

class CPlayable;
class CPlayableObserver;
class CResourcesManager;
class CWindow;

// One declared element of a sequence definition file.
struct _tse_entry {
    enum { KIND_NONE = 0, KIND_SIMPLE = 1, KIND_SEQUENCE = 2, KIND_SPEAKING = 3 };

    explicit _tse_entry(const CXString& n) : name(n), type(KIND_NONE), event("0"), playable(nullptr) {}

    CXString name;
    int type;
    // A simple element's file or scene object, and its event (a name or a
    // number).
    CXString fileName;
    CXString event;
    // Not owned by the entry.
    CPlayable* playable;
};

// The working table of the sequence definition reader: one entry per
// declared element, with its kind, file name, event and playable. It
// makes the playables (an event of an animation, a sound, a sequence, a
// talking animation), links children to their sequences and applies the
// element properties. The playables outlive the table.
//
// Animations and sounds are shared through the resources manager by file
// name, so that elements, files and the scene's objects naming one file
// use one; without a manager the application's is used. Names are
// compared exactly; every name-addressed operation does nothing for an
// undeclared element or one without a playable, and the talking-animation
// operations nothing on other kinds. Main thread only.
class CTreeSequenceElements : public CXObject {
public:
    CTreeSequenceElements(CWindow* window, CResourcesManager* resources);
    // Deletes the entries, not their playables.
    ~CTreeSequenceElements() override;
    CTreeSequenceElements(const CTreeSequenceElements&) = delete;
    CTreeSequenceElements& operator=(const CTreeSequenceElements&) = delete;

    void add(const CXString& name);
    // The first entry of that name; null when none is.
    _tse_entry* find(const CXString& name);
    bool contains(const CXString& name) { return find(name) != nullptr; }
    int getSize() { return entries->getSize(); }
    _tse_entry* at(int index) { return static_cast<_tse_entry*>(entries->at(index)); }

    // "SIMPLE", "SEQUENCE" or "SPEAKING"; other words change nothing.
    void setType(const CXString& name, const CXString& kind);
    void setFileName(const CXString& name, const CXString& file);
    void setEvent(const CXString& name, const CXString& event);
    // Makes the entry's playable by its kind (none for an unset kind, or a
    // simple element whose file is no animation object of the scene, no
    // ".ANN" and no ".WAV"); the observer becomes its generic notifier.
    void create(_tse_entry* entry, CPlayableObserver* observer);
    void create(CPlayableObserver* observer);
    // The child's playable becomes a child of the parent's (only a
    // sequence takes children).
    void add(const CXString& child, const CXString& parent);
    // "SEQUENCE", "RANDOM" or "PARAMETER"; other words change nothing.
    void setMode(const CXString& name, const CXString& mode);
    void setWaitMode(const CXString& name, bool wait);
    void addSequenceEvent(const CXString& name, const CXString& parameter, const CXString& event);
    // Simple elements and talking animations only.
    void show(const CXString& name);
    void hide(const CXString& name);
    void setAnimoFN(const CXString& name, const CXString& file);
    // The sound: another element of the file that is a sound, else the
    // current scene's sound object of that name, else the sound file.
    void setWAVFN(const CXString& name, const CXString& value);
    void setPrefix(const CXString& name, const CXString& prefix);
    void setStarting(const CXString& name, bool on);
    void setEnding(const CXString& name, bool on);
    void setSequence(const CXString&, const CXString&, const CXString&) {}
    void setToSay(const CXString&, const CXString&) {}

private:
    // The entry's playable when it has one.
    CPlayable* playableOf(const CXString& name);
    // The talking animation of the entry; null for other kinds.
    class CSpeakingAnimation* speakingOf(const CXString& name);
    void createSimple(_tse_entry* entry);

    CWindow* window;
    CResourcesManager* resourceManager;
    CXArray* entries;
};
