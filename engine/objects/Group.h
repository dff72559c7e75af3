#pragma once
#include "base/PriorityList.h"
#include "script/Group.h"
#include "script/Object.h"
#include "script/Runner.h"

class CXVector;

// Script GROUP (type id 3000): a named, ordered list of other script objects
// of the scene, with a marker for stepping through them. The group does not
// own its members: the scene does. A member deleted while the group holds
// it leaves the group (CMC_Groups::objectGone).
//
// The engine also uses groups as result lists: the containers' queries fill
// a group (getObjects, the playing animations, the running timers), and the
// definition loader keeps each loaded file's objects in one.
//
// A call passed on to the members walks them (CPriorityList's walk), while
// the members' script may add and take out members and pass calls on to
// the group again: a member taken out before the call reaches it is not
// called, every member there throughout is called once, and one added
// meanwhile gets the next call. A group reached again with no script run
// in between (a group that holds itself, or a group that holds it) passes
// the call on once; a group that a member's script calls again passes it
// on again.
//
// The marker works as the ARRAY's does: -1 is before the first member;
// NEXT and PREV wrap around (PREV from -1 lands on size - 2), a marker left
// beyond the end by REMOVE is brought back into the list, and on an empty
// group they reach no member and leave the marker as it is.
class CMC_Groupped : public CMC_Object, public CMC_GroupMembers {
public:
    // For a record whose "TYPE" is "GROUP"; binds the record's events.
    CMC_Groupped(CMC_ObjectsContainer* container, CMElement* element);
    // An empty group with the container as its scene and no behaviours
    // (snapshots, the definition loader, clones, scratch groups).
    CMC_Groupped(const CXString& name, CMC_ObjectsContainer* container);
    ~CMC_Groupped() override;
    CMC_Groupped(const CMC_Groupped&) = delete;
    CMC_Groupped& operator=(const CMC_Groupped&) = delete;

    // A group named "cloned" of the same scene with the same members; the
    // object cloning names and files it.
    CXObject* clone() override;
    using CMC_Object::clone;
    // Each member's own text form (its name, a value's value) joined by ",".
    CXString toString() override;
    CXString** getBehavioursList() override;

    // Move the marker by step with wrap-around and give the member there;
    // null (marker unchanged) on an empty group.
    virtual CMC_Object* prev(int step);
    virtual CMC_Object* next(int step);
    virtual void resetMarker() { marker = -1; }
    virtual int getMarkerPos() { return marker; }
    // Clamped to -1 .. size - 1.
    virtual void setMarkerPos(int position);

    // Appended unless it is a member already.
    void add(CMC_Object* member) override;
    // The objects name_from .. name_to found in the group's scene, appended
    // even when they are members already.
    void addClones(const CXString& name, int from, int to);
    // Takes out the member's first place; the marker stays.
    void remove(CMC_Object* member);
    // Empties the list; the marker stays.
    void removeAll() override;
    // Member i; null outside the list.
    CMC_Object* get(int i);
    int getSize();

    int getMembersNo() override { return getSize(); }
    CMC_Object* getMember(int index) override { return get(index); }
    void forget(CMC_Object* member) override;

    // The members in their order, each place once (a member may hold
    // several), keyed by the member; all have the same priority.
    using Members = CPriorityList<CMC_Object*, CMC_Object*>;
    const Members& getMembers() const { return members; }
    // A call passed on to the members, for its scope. Script that runs
    // nests deeper, so a call that reaches the group again at the very
    // nesting of the one under way came back with no script run in between:
    // through groups alone (a group that holds itself, or holds a group
    // holding it). That one passes nothing on (ok() is false): it would
    // recurse in C++ without end. A call that comes back through a
    // member's script is passed on, bounded by the nesting bound.
    class Passing {
    public:
        Passing(CMC_Groupped& group, int nesting)
            : group(group), was(group.passingAt), allowed(group.passingAt != nesting)
        {
            if (allowed)
                group.passingAt = nesting;
        }
        ~Passing()
        {
            if (allowed)
                group.passingAt = was;
        }
        Passing(const Passing&) = delete;
        Passing& operator=(const Passing&) = delete;
        bool ok() const { return allowed; }

    private:
        CMC_Groupped& group;
        int was;
        bool allowed;
    };

private:
    void append(CMC_Object* member);

    Members members;
    int marker;
    // The script nesting at which the innermost call being passed on
    // started; -1 when none is.
    int passingAt = -1;
};

// The methods of groups. A name that the group's own table does not know
// (its names and the common ones) is sent to every member in order, through
// the runner of the member's type, with the same arguments; the results are
// given back at once and the group answers none.
//
// "GETNAME" and "CLONE" are common names too, and a name keeps the id it
// was registered with first: called by name they are the common methods
// (GETNAME answers the group's own name); a member's name by index is the
// group's id GETNAME.
class CMC_Groupped_Runner : public CMC_Runner {
public:
    enum {
        ADD = 1,
        REMOVE = 2,
        REMOVEALL = 3,
        GETSIZE = 4,
        GETNAME = 5,
        PREV = 6,
        NEXT = 7,
        ADDCLONES = 8,
        RESETMARKER = 9,
        GETMARKERPOS = 10,
        SETMARKERPOS = 11,
        CLONE = 12,
        GETCLONEINDEX = 13,
        GETNAMEATMARKER = 14
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    CMC_Variable* run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                      CXVector* args) override;

private:
    CMC_Variable* addNamed(CMC_Groupped* group, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* addClones(CMC_Groupped* group, CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* broadcast(const CXString& name, CMC_Groupped* group, CMC_ObjectsContainer* container,
                            CXVector* args);
};
