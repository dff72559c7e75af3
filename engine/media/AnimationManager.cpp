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

CAnimationManager::CAnimationManager() : removals(0) {}

// By now every playable has removed itself; what is left is freed all
// the same.
CAnimationManager::~CAnimationManager()
{
    for (Entry* e : entries)
        delete e;
}

void CAnimationManager::add(CPlayable* playable, CRefreshScreen* screen)
{
    entries.push_back(new Entry{playable, screen, false, platform::GetTickCount()});
}

void CAnimationManager::remove(CPlayable* playable)
{
    auto it = std::find_if(entries.begin(), entries.end(), [&](Entry* e) { return e->playable == playable; });
    if (it == entries.end())
        return;
    delete *it;
    entries.erase(it);
    ++removals;
}

bool CAnimationManager::listed(Entry* entry) const
{
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

// Two passes over copies of the list: the first decides which entries are
// due, the second steps them. Either may see the list change under it, so
// an entry of a copy is used only while it is still listed (which needs
// looking up only after a removal).
int CAnimationManager::domodal()
{
    std::vector<Entry*> copy(entries);
    const uint64_t removalsBefore = removals;
    const uint32_t now = platform::GetTickCount();
    for (Entry* e : copy) {
        if (removals != removalsBefore && !listed(e))
            continue;
        if (!e->playable->isPlaying())
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
    const uint64_t removalsBetween = removals;
    for (Entry* e : copy) {
        if (removals != removalsBetween && !listed(e))
            continue;
        if (e->due) {
            e->due = false;
            e->playable->next();
        }
    }
    return 0;
}

void CAnimationManager::pause()
{
    std::vector<Entry*> copy(entries);
    const uint64_t removalsBefore = removals;
    for (Entry* e : copy)
        if ((removals == removalsBefore || listed(e)) && e->playable->isPlaying())
            e->playable->pause();
}

void CAnimationManager::resume(CMC_GroupMembers* group)
{
    std::vector<Entry*> copy(entries);
    const uint64_t removalsBefore = removals;
    for (Entry* e : copy) {
        if (removals != removalsBefore && !listed(e))
            continue;
        if (e->playable->isPaused() && (!group || inGroup(e->playable, group)))
            e->playable->resume();
    }
}
