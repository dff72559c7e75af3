#pragma once
#include "script/ObjectsContainer.h"

// What the script runtime needs of the group object (type 3000 "GROUP"),
// which the graphics script types define: a list of member objects that
// can be filled, emptied and read. That layer installs how a group is made
// and how a group object gives its list; until then no group is made and
// no object is taken for one.
class CMC_GroupMembers : public CMC_ObjectGroup {
public:
    virtual int getMembersNo() = 0;
    virtual CMC_Object* getMember(int index) = 0;
    // The object is being deleted: every place it holds in the group goes.
    virtual void forget(CMC_Object* member) = 0;

protected:
    ~CMC_GroupMembers() {}
};

class CMC_Groups {
public:
    using Maker = CMC_Object* (*)(const CXString& name, CMC_ObjectsContainer* container);
    using Access = CMC_GroupMembers* (*)(CMC_Object* group);

    static void install(Maker maker, Access access);
    static Maker getMaker();
    static Access getAccess();
    // A new, empty group named name for the container (not added to it);
    // null without a maker.
    static CMC_Object* make(const CXString& name, CMC_ObjectsContainer* container);
    // The member list of a group object; null for any other object.
    static CMC_GroupMembers* membersOf(CMC_Object* object);

    // Groups do not own their members, and nothing else tells them when a
    // member is deleted: a group reports each place a member takes in it
    // and each it gives up, and the object's destructor reports that it
    // goes, which makes every group holding it forget it.
    static void joined(CMC_Object* member, CMC_GroupMembers* group);
    static void left(CMC_Object* member, CMC_GroupMembers* group);
    static void objectGone(CMC_Object* object);
    // Whether the member holds a place in the group, from those reports:
    // the cost follows the places the member holds, not the group's size.
    static bool holds(CMC_GroupMembers* group, CMC_Object* member);
};
