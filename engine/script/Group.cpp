#include "script/Group.h"

namespace {
CMC_Groups::Maker groupMaker = nullptr;
CMC_Groups::Access groupAccess = nullptr;
} // namespace

void CMC_Groups::install(Maker maker, Access access)
{
    groupMaker = maker;
    groupAccess = access;
}

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
