#pragma once
#include "base/KeyedChain.h"
#include "base/XObject.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CMC_GroupMembers;
class CPlayable;
class CRefreshScreen;

// Steps every registered playable at its own frame rate, once per frame of
// the window's tick: a playable whose interval of 1000 / getFPS()
// milliseconds has passed on the engine clock takes one step (next()).
// There is no catch-up: a playable faster than the frame rate advances one
// step a frame. The application owns the manager; animations and sequences
// add themselves when they are made and remove themselves when they go.
// Main thread only.
class CAnimationManager : public CXObject {
public:
    CAnimationManager();
    ~CAnimationManager() override;
    CAnimationManager(const CAnimationManager&) = delete;
    CAnimationManager& operator=(const CAnimationManager&) = delete;

    // Every registered playable that plays is paused.
    virtual void pause();
    // Without a group, every paused playable resumes; with one, only the
    // paused animations of its members (an empty group resumes nothing).
    virtual void resume(CMC_GroupMembers* group);

    // A new entry, due from now; a playable added twice has two entries.
    // The refresh screen is kept, not used.
    void add(CPlayable* playable, CRefreshScreen* screen);
    // Removes the first entry of the playable; nothing when it has none.
    void remove(CPlayable* playable);
    // One scheduling step; returns 0. A playable may add or remove entries
    // (its own or others') while it is stepped: one removed before its turn
    // is not stepped.
    int domodal();

    int getSize() const { return int(entries.size() - goneCount); }

private:
    struct Entry {
        CPlayable* playable;
        CRefreshScreen* screen;
        bool due;
        uint32_t lastStep;
        bool gone;              // removed; deleted once no pass walks the list
        Entry* nextOfPlayable;  // the playable's next entry, in order
    };
    // Deletes the removed entries, unless a pass walks the list.
    void tidy();
    // The entries as they stand, for a pass to walk while the list changes.
    std::vector<Entry*> walkCopy();

    // In the order added; removed entries stay, marked, until tidied, so
    // that a pass never meets a deleted one.
    std::vector<Entry*> entries;
    CKeyedChain<CPlayable*, Entry, &Entry::nextOfPlayable> byPlayable;
    size_t goneCount;
    int walking;
};
