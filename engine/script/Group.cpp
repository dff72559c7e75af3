#include "script/Group.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {
CMC_Groups::Maker groupMaker = nullptr;
CMC_Groups::Access groupAccess = nullptr;

// One entry per place a member holds in a group. Made on first use and
// kept for the process, so that objects deleted late (at exit) still find it.
std::unordered_multimap<CMC_Object*, CMC_GroupMembers*>& places()
{
    static auto* table = new std::unordered_multimap<CMC_Object*, CMC_GroupMembers*>;
    return *table;
}
} // namespace

void CMC_Groups::install(Maker maker, Access access)
{
    groupMaker = maker;
    groupAccess = access;
}

CMC_Groups::Maker CMC_Groups::getMaker() { return groupMaker; }

CMC_Groups::Access CMC_Groups::getAccess() { return groupAccess; }

CMC_Object* CMC_Groups::make(const CXString& name, CMC_ObjectsContainer* container)
{
    return groupMaker ? groupMaker(name, container) : nullptr;
}

CMC_GroupMembers* CMC_Groups::membersOf(CMC_Object* object)
{
    if (!object || object->getType() != MC_GROUP || !groupAccess)
        return nullptr;
    return groupAccess(object);
}

void CMC_Groups::joined(CMC_Object* member, CMC_GroupMembers* group)
{
    if (member && group)
        places().emplace(member, group);
}

void CMC_Groups::left(CMC_Object* member, CMC_GroupMembers* group)
{
    auto range = places().equal_range(member);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == group) {
            places().erase(it);
            return;
        }
}

bool CMC_Groups::holds(CMC_GroupMembers* group, CMC_Object* member)
{
    auto range = places().equal_range(member);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == group)
            return true;
    return false;
}

void CMC_Groups::objectGone(CMC_Object* object)
{
    auto range = places().equal_range(object);
    if (range.first == range.second)
        return;
    std::vector<CMC_GroupMembers*> holders;
    for (auto it = range.first; it != range.second; ++it)
        holders.push_back(it->second);
    places().erase(object);
    std::sort(holders.begin(), holders.end());
    holders.erase(std::unique(holders.begin(), holders.end()), holders.end());
    for (CMC_GroupMembers* group : holders)
        group->forget(object);
}
