#include "objects/ScriptStaticFilter.h"

#include "base/Archive.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/String.h"
#include "script/TypeRegistry.h"

namespace {

CMC_Object* makeStaticFilter(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_StaticFilter(c, e); }
CMC_Object* restoreStaticFilter(CMC_Scene* scene) { return new CMC_StaticFilter(scene); }

CMC_RegisterType typeRegistration("STATICFILTER", 6, &makeStaticFilter);
CMC_RegisterSnapshotType snapshotRegistration(MC_STATICFILTER, &restoreStaticFilter);
CMC_RegisterRunner<CMC_StaticFilter_Runner> runnerRegistration({MC_STATICFILTER});

} // namespace

CMC_StaticFilter::CMC_StaticFilter(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_STATICFILTER), controller(nullptr)
{
    if (element)
        action = element->getPropertyValue(CXString("ACTION"));
    createController();
    initializeBehaviours(container, element);
}

CMC_StaticFilter::CMC_StaticFilter(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("temp"), MC_STATICFILTER), controller(nullptr)
{
    scene = container;
}

CMC_StaticFilter::~CMC_StaticFilter()
{
    delete controller;
    controller = nullptr;
}

void CMC_StaticFilter::createController()
{
    delete controller;
    controller = CStaticFilterEffect::create(action, scene ? scene->getWindow() : nullptr);
}

bool CMC_StaticFilter::done(bool final)
{
    if (controller)
        controller->unlinkAll();
    return CMC_Object::done(final);
}

CXString** CMC_StaticFilter::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

void CMC_StaticFilter::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << action;
        return;
    }
    CXString read;
    *archive >> &read;
    if (archive->LastError())
        return;
    action = read;
    createController();
}

// The runner

void CMC_StaticFilter_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("SETPROPERTY", SETPROPERTY);
    registerMethod("LINK", LINK);
    registerMethod("UNLINK", UNLINK);
}

CMC_Variable* CMC_StaticFilter_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    // Unknown ids, the common ones included, are not passed on.
    if (!object || object->getType() != MC_STATICFILTER || id < SETPROPERTY || id > UNLINK)
        return nullptr;
    CStaticFilterEffect* controller = static_cast<CMC_StaticFilter*>(object)->getController();
    if (!controller)
        return nullptr;
    if (id == SETPROPERTY) {
        controller->setProperty(getParameterString(args, 0)->getValue(), getParameterString(args, 1)->getValue());
        return nullptr;
    }
    const CXString name = getParameterString(args, 0)->getValue();
    CGraphicsObject* graphic = container ? container->getGraphicsObject(name) : nullptr;
    if (!graphic)
        return nullptr;
    if (id == LINK) {
        graphic->Invalidate();
        controller->link(graphic, container->getObject(name));
        graphic->Invalidate();
    } else {
        controller->unlink(graphic);
    }
    return nullptr;
}
