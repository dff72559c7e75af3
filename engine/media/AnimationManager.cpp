#include "media/AnimationManager.h"

#include "media/Animo.h"
#include "platform/Clock.h"
#include "script/Group.h"
#include "script/Object.h"

#include <algorithm>

namespace {

// The animation a group member shows: the drawable of a script animation
// object, which is its engine animation.
CGraphicsObject* memberAnimation(CMC_Object* member)
{
    if (!member || member->getType() != MC_ANIMO || !member->getScene())
        return nullptr;
    return member->getScene()->getGraphicsObject(member->getName());
}

bool inGroup(CPlayable* playable, CMC_GroupMembers* group)
{
    // Only animations answer type 2; the drawable half of one is what a
    // member's object gives.
    if (playable->getType() != CAnimo::TYPE_ANIMATION)
        return false;
    CGraphicsObject* drawable = static_cast<CAnimo*>(playable);
    for (int i = 0; i < group->getMembersNo(); ++i)
        if (memberAnimation(group->getMember(i)) == drawable)
            return true;
    return false;
}

} // namespace

CAnimationManager::CAnimationManager() : goneCount(0), walking(0) {}

// By now every playable has removed itself; what is left is freed all
// the same.
CAnimationManager::~CAnimationManager()
{
    for (Entry* e : entries)
        delete e;
}

void CAnimationManager::add(CPlayable* playable, CRefreshScreen* screen)
{
    Entry* entry = new Entry{playable, screen, false, platform::GetTickCount(), false, nullptr};
    entries.push_back(entry);
    byPlayable.append(playable, entry);
}

void CAnimationManager::remove(CPlayable* playable)
{
    Entry* entry = byPlayable.first(playable);
    if (!entry)
        return;
    byPlayable.remove(playable, entry);
    entry->gone = true;
    ++goneCount;
    if (goneCount > entries.size() - goneCount + 16)
        tidy();
}

void CAnimationManager::tidy()
{
    if (walking > 0 || goneCount == 0)
        return;
    deleteMarked(entries);
    goneCount = 0;
}

std::vector<CAnimationManager::Entry*> CAnimationManager::walkCopy()
{
    tidy();
    return entries;
}

namespace {
struct Walk {
    explicit Walk(int* d) : depth(d) { ++*depth; }
    ~Walk() { --*depth; }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;
    int* depth;
};
} // namespace

// Two passes over copies of the list: the first decides which entries are
// due, the second steps them. Either may see the list change under it: an
// entry removed meanwhile is passed over.
int CAnimationManager::domodal()
{
    std::vector<Entry*> copy = walkCopy();
    Walk walk(&walking);
    const uint32_t now = platform::GetTickCount();
    for (Entry* e : copy) {
        if (e->gone || !e->playable->isPlaying())
            continue;
        const int rate = e->playable->getFPS();
        // A rate of 0 or below never makes an entry due; the tick's wrap is
        // harmless in unsigned arithmetic.
        if (rate > 0 && uint32_t(1000 / rate) <= uint32_t(now - e->lastStep)) {
            e->due = true;
            e->lastStep = platform::GetTickCount();
        }
    }
    copy = entries;
    for (Entry* e : copy) {
        if (!e->gone && e->due) {
            e->due = false;
            e->playable->next();
        }
    }
    return 0;
}

void CAnimationManager::pause()
{
    std::vector<Entry*> copy = walkCopy();
    Walk walk(&walking);
    for (Entry* e : copy)
        if (!e->gone && e->playable->isPlaying())
            e->playable->pause();
}

void CAnimationManager::resume(CMC_GroupMembers* group)
{
    std::vector<Entry*> copy = walkCopy();
    Walk walk(&walking);
    for (Entry* e : copy) {
        if (!e->gone && e->playable->isPaused() && (!group || inGroup(e->playable, group)))
            e->playable->resume();
    }
}
