#include "script/CNVLoader.h"

#include "base/LoadBounds.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"
#include "script/Group.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/String.h"

#include <vector>

namespace {
CMC_RegisterRunner<CMC_CNVLoader_Runner> registration({MC_CNVLOADER});

// Behaviours are bound to events and listed among an object's anonymous
// behaviours at once: a member is listed once.
void addOnce(CMC_GroupMembers* group, CMC_Object* member)
{
    if (!CMC_Groups::holds(group, member))
        group->add(member);
}
} // namespace

CMC_CNVLoader::CMC_CNVLoader(CWindow* w, CMC_ObjectsContainer* container)
    : CMC_Object(CXString("CNVLOADER"), MC_CNVLOADER), window(w)
{
    scene = container;
}

void CMC_CNVLoader::load(const CXString& file)
{
    CMElements* records = CMElementsLoader::load(window, file);
    lastFile = file;
    if (!records)
        return;
    CMC_Object* group = nullptr;
    CMC_GroupMembers* members = nullptr;
    if (scene && !scene->getObject(file) && records->getSize() > 0) {
        group = CMC_Groups::make(file, scene);
        members = CMC_Groups::membersOf(group);
        if (!members) {
            delete group;
            group = nullptr;
        }
    }
    CLoadBounds bounds("definition file", CXString(), records->getSource());
    for (int i = 0; members && i < records->getSize(); ++i) {
        CXVector* made = scene->resolve(records->getAt(i), members);
        if (made->getSize() == 0)
            CMC_ObjectsContainer::tellUnmade(records->getAt(i), records->getSource());
        for (int k = 0; k < made->getSize(); ++k) {
            CMC_Object* obj = static_cast<CMC_Object*>((*made)[k]);
            if (!obj)
                continue;
            obj->init();
            scene->addObject(obj);
            addOnce(members, obj);
            CXVector* anonymous = obj->getTmpBehList();
            for (int b = 0; anonymous && b < anonymous->getSize(); ++b)
                addOnce(members, static_cast<CMC_Object*>((*anonymous)[b]));
        }
        delete made;
    }
    if (group)
        scene->addObject(group);
    delete records;
}

bool CMC_CNVLoader::releaseMember(CMC_Object* object)
{
    if (!scene->holds(object) || !scene->removeObject(object))
        return false;
    CMC_Disposal::dispose(object, CMC_Disposal::WITH_DONE);
    return true;
}

// The members go in the group's order, each after its clones, and each is
// taken out, finished and deleted before the next. Only what the container
// still holds itself is touched: a member that a script already removed
// (and deleted) is no longer looked at. The behaviours go last: the other
// members' "ONDONE" run them (an inline behaviour is listed before its
// object), and may still reach any member.
void CMC_CNVLoader::release(const CXString& file)
{
    if (!scene)
        return;
    CMC_Object* group = scene->getObject(file);
    CMC_GroupMembers* members = scene->holds(group) ? CMC_Groups::membersOf(group) : nullptr;
    if (!members)
        return;
    std::vector<CMC_Object*> listed;
    for (int i = 0; i < members->getMembersNo(); ++i)
        listed.push_back(members->getMember(i));
    for (bool behaviours : {false, true})
        for (CMC_Object* obj : listed) {
            if (!scene->holds(obj) || (obj->getType() == MC_BEHAVIOUR) != behaviours)
                continue;
            for (int k = 1; k <= obj->getClonesNo(); ++k)
                releaseMember(scene->getObject(obj->getName() + "_" + CXString::toString(k)));
            releaseMember(obj);
        }
    if (scene->removeObject(group))
        CMC_Disposal::dispose(group, CMC_Disposal::WITHOUT_DONE);
}

void CMC_CNVLoader_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("LOAD", LOAD);
    registerMethod("RELEASE", RELEASE);
}

CMC_Variable* CMC_CNVLoader_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_CNVLOADER || (id != LOAD && id != RELEASE))
        return CMC_Runner::run(id, object, container, args);
    if (getArgCount(args) < 1)
        return nullptr;
    CXString file = getParameterString(args, 0)->getValue();
    CMC_CNVLoader* loader = static_cast<CMC_CNVLoader*>(object);
    if (id == LOAD)
        loader->load(file);
    else
        loader->release(file);
    return nullptr;
}
