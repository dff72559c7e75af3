#include "objects/Group.h"

#include "base/XArray.h"
#include "collections/Array.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"

namespace {

CMC_Object* makeGroup(CMC_ObjectsContainer* container, CMElement* element)
{
    return new CMC_Groupped(container, element);
}
CMC_Object* restoreGroup(CMC_Scene* scene) { return new CMC_Groupped(CXString(), scene); }
CMC_Object* scratchGroup(const CXString& name, CMC_ObjectsContainer* container)
{
    return new CMC_Groupped(name, container);
}
CMC_GroupMembers* membersOf(CMC_Object* group) { return static_cast<CMC_Groupped*>(group); }
// ADDTOGROUP: any object can be a member.
void addMember(CMC_Object* group, CMC_Object* member) { static_cast<CMC_Groupped*>(group)->add(member); }

CMC_RegisterType typeRegistration("GROUP", 6, &makeGroup);
CMC_RegisterSnapshotType snapshotRegistration(MC_GROUP, &restoreGroup);
CMC_RegisterRunner<CMC_Groupped_Runner> runnerRegistration({MC_GROUP});

struct Registration {
    Registration()
    {
        CMC_Groups::install(&scratchGroup, &membersOf);
        CMC_Runner::setMemberAdder(MC_GROUP, &addMember);
    }
} registration;

CMC_Variable* memberNameOf(CMC_Object* member) { return member ? CMC_String::temporary(member->getName()) : nullptr; }

} // namespace

CMC_Groupped::CMC_Groupped(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_GROUP), marker(-1)
{
    initializeBehaviours(container, element);
}

CMC_Groupped::CMC_Groupped(const CXString& n, CMC_ObjectsContainer* container) : CMC_Object(n, MC_GROUP), marker(-1)
{
    scene = container;
}

CMC_Groupped::~CMC_Groupped() { removeAll(); }

CXString** CMC_Groupped::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

CXObject* CMC_Groupped::clone()
{
    CMC_Groupped* copy = new CMC_Groupped(CXString("cloned"), scene);
    members.forEach([copy](CMC_Object* member) { copy->append(member); });
    return copy;
}

CXString CMC_Groupped::toString()
{
    CXString text;
    bool first = true;
    members.forEach([&text, &first](CMC_Object* member) {
        if (!first)
            text += ",";
        first = false;
        text += member->toString();
    });
    return text;
}

int CMC_Groupped::getSize() { return members.getSize(); }

CMC_Object* CMC_Groupped::get(int i) { return i >= 0 && i < members.getSize() ? members.at(i) : nullptr; }

CMC_Object* CMC_Groupped::next(int step)
{
    if (members.getSize() == 0)
        return nullptr;
    marker = CMC_Array::movedMarker(marker, step, members.getSize());
    return members.at(marker);
}

CMC_Object* CMC_Groupped::prev(int step)
{
    if (members.getSize() == 0)
        return nullptr;
    marker = CMC_Array::movedMarker(marker, -int64_t(step), members.getSize());
    return members.at(marker);
}

void CMC_Groupped::setMarkerPos(int position) { marker = CMC_Array::clampedMarker(position, members.getSize()); }

void CMC_Groupped::append(CMC_Object* member)
{
    members.add(member, 0, member);
    CMC_Groups::joined(member, this);
}

void CMC_Groupped::add(CMC_Object* member)
{
    if (member && !members.contains(member))
        append(member);
}

void CMC_Groupped::addClones(const CXString& n, int from, int to)
{
    for (int64_t i = from; scene && i <= to; ++i)
        if (CMC_Object* clone = scene->getObject(n + "_" + CXString::toString(int(i))))
            append(clone);
}

void CMC_Groupped::remove(CMC_Object* member)
{
    if (members.remove(member))
        CMC_Groups::left(member, this);
}

void CMC_Groupped::removeAll()
{
    members.forEach([this](CMC_Object* member) { CMC_Groups::left(member, this); });
    members.removeAll();
}

void CMC_Groupped::forget(CMC_Object* member)
{
    while (members.remove(member)) {
    }
}

void CMC_Groupped_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    static const char* const names[] = {"ADD",          "REMOVE",      "REMOVEALL",   "GETSIZE",
                                        "GETNAME",      "PREV",        "NEXT",        "ADDCLONES",
                                        "RESETMARKER",  "GETMARKERPOS", "SETMARKERPOS", "CLONE",
                                        "GETCLONEINDEX", "GETNAMEATMARKER"};
    for (int i = 0; i < int(sizeof names / sizeof names[0]); ++i)
        registerMethod(names[i], ADD + i);
}

CMC_Variable* CMC_Groupped_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_GROUP)
        return CMC_Runner::run(id, object, container, args);
    CMC_Groupped* group = static_cast<CMC_Groupped*>(object);
    int argc = getArgCount(args);
    auto step = [this, args, argc]() { return argc > 0 ? getParameterInteger(args, 0)->getValue() : 1; };
    switch (id) {
    case ADD: return addNamed(group, container, args);
    case REMOVE:
        if (argc > 0 && container)
            group->remove(container->getObject(getParameterString(args, 0)->getValue()));
        return nullptr;
    case REMOVEALL: group->removeAll(); return nullptr;
    case GETSIZE: return CMC_Integer::temporary(group->getSize());
    case GETNAME: return argc > 0 ? memberNameOf(group->get(getParameterInteger(args, 0)->getValue())) : nullptr;
    case PREV: return memberNameOf(group->prev(step()));
    case NEXT: return memberNameOf(group->next(step()));
    case ADDCLONES: return addClones(group, container, args);
    case RESETMARKER: group->resetMarker(); return nullptr;
    case GETMARKERPOS: return CMC_Integer::temporary(group->getMarkerPos());
    case SETMARKERPOS:
        if (argc > 0)
            group->setMarkerPos(getParameterInteger(args, 0)->getValue());
        return nullptr;
    case CLONE: return CMC_Runner::run(CMC_Runner::CLONE, object, container, args);
    case GETCLONEINDEX: return CMC_Runner::run(CMC_Runner::GETCLONEINDEX, object, container, args);
    // A marker before the first member, or left beyond the end, names none.
    case GETNAMEATMARKER: return memberNameOf(group->get(group->getMarkerPos()));
    default: return CMC_Runner::run(id, object, container, args);
    }
}

CMC_Variable* CMC_Groupped_Runner::run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args)
{
    int id = resolveMethod(name);
    if (id >= 0 || !object || object->getType() != MC_GROUP)
        return run(id, object, container, args);
    return broadcast(name, static_cast<CMC_Groupped*>(object), container, args);
}

// Names that find no object are skipped.
CMC_Variable* CMC_Groupped_Runner::addNamed(CMC_Groupped* group, CMC_ObjectsContainer* container, CXVector* args)
{
    for (int i = 0; container && i < getArgCount(args); ++i)
        group->add(container->getObject(getParameterString(args, i)->getValue()));
    return nullptr;
}

// A name that finds no object adds nothing, even when clones with that
// stem exist.
CMC_Variable* CMC_Groupped_Runner::addClones(CMC_Groupped* group, CMC_ObjectsContainer* container, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc < 1 || !container)
        return nullptr;
    CXString n = getParameterString(args, 0)->getValue();
    CMC_Object* found = container->getObject(n);
    if (!found)
        return nullptr;
    int from = argc > 1 ? getParameterInteger(args, 1)->getValue() : 1;
    int to = argc > 2 ? getParameterInteger(args, 2)->getValue() : found->getClonesNo();
    group->addClones(n, from, to);
    return nullptr;
}

// A member's method may change the group, and its script may pass a call
// on to the group again: the members are walked (CMC_Groupped). A call
// that comes back through script without end is ended by the engine's
// bound on nested script (CMC_Behaviour::Nesting). A member without a
// runner of its own type answers through its own (plug-in types), and one
// without any is skipped.
CMC_Variable* CMC_Groupped_Runner::broadcast(const CXString& name, CMC_Groupped* group,
                                             CMC_ObjectsContainer* container, CXVector* args)
{
    CMC_Groupped::Passing passing(*group, CMC_BehaviourBase::nestingDepth());
    if (!passing.ok())
        return nullptr;
    CMC_Groupped::Members::Walk walk(group->getMembers());
    while (CMC_Object** place = walk.next()) {
        CMC_Object* member = *place;
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(member);
        CMC_Hold hold(member);
        if (runner)
            CMC_Object::flush(runner->run(name, member, container, args), false);
    }
    return nullptr;
}
