#include "objects/ScriptFilter.h"

#include "base/Archive.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

namespace {

CMC_Object* makeFilter(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Filter(c, e); }
CMC_Object* restoreFilter(CMC_Scene* scene) { return new CMC_Filter(scene); }

CMC_RegisterType typeRegistration("FILTER", 6, &makeFilter);
CMC_RegisterSnapshotType snapshotRegistration(MC_FILTER, &restoreFilter);
CMC_RegisterRunner<CMC_Filter_Runner> runnerRegistration({MC_FILTER});

} // namespace

CMC_Filter::CMC_Filter(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_FILTER), effect(nullptr)
{
    if (element)
        action = element->getPropertyValue(CXString("ACTION"));
    createEffect();
    initializeBehaviours(container, element);
}

CMC_Filter::CMC_Filter(CMC_ObjectsContainer* container) : CMC_Object(CXString("temp"), MC_FILTER), effect(nullptr)
{
    scene = container;
}

CMC_Filter::~CMC_Filter()
{
    delete effect;
    effect = nullptr;
}

void CMC_Filter::createEffect()
{
    delete effect;
    effect = CTimedFilterEffect::create(action, scene ? scene->getWindow() : nullptr, scene);
    if (effect)
        effect->addListener(this);
}

CXString** CMC_Filter::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",     "ONDONE", "ONSIGNAL", "ONSTARTED",
                                        "ONFINISHED", "ONTICK", nullptr};
    return makeEventList(names);
}

void CMC_Filter::serialize(CXArchive* archive)
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
    createEffect();
}

void CMC_Filter::raise(int index, const char* event, CFilterEffectLink* link)
{
    if (!isEventBound(index))
        return;
    const CXString name(event);
    if (!onSignal(name + "^" + link->getObjectName()))
        onSignal(name);
}

void CMC_Filter::onStarted(CFilterEffectLink* link, CTimedFilterEffect*) { raise(EVENT_ONSTARTED, "ONSTARTED", link); }

void CMC_Filter::onTick(CFilterEffectLink* link, CTimedFilterEffect*) { raise(EVENT_ONTICK, "ONTICK", link); }

void CMC_Filter::onFinished(CFilterEffectLink* link, CTimedFilterEffect*)
{
    raise(EVENT_ONFINISHED, "ONFINISHED", link);
}

// The runner

void CMC_Filter_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("SETPROPERTY", SETPROPERTY);
    registerMethod("LINK", LINK);
    registerMethod("UNLINK", UNLINK);
    registerMethod("START", START);
    registerMethod("STOP", STOP);
    registerMethod("ISRUNNING", ISRUNNING);
}

CMC_Variable* CMC_Filter_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_FILTER || id < SETPROPERTY || id > ISRUNNING)
        return CMC_Runner::run(id, object, container, args);
    CTimedFilterEffect* effect = static_cast<CMC_Filter*>(object)->getEffect();
    if (id == SETPROPERTY) {
        if (effect)
            effect->setProperty(getParameterString(args, 0)->getValue(), getParameterString(args, 1)->getValue());
        return nullptr;
    }
    const CXString name = getParameterString(args, 0)->getValue();
    CGraphicsObject* graphic = effect && container ? container->getGraphicsObject(name) : nullptr;
    switch (id) {
    case LINK:
        // "NAME!FRAME" links a frame of the object NAME.
        if (graphic)
            effect->link(graphic, container->getObject(name.Find('!') >= 0 ? name.Left(name.Find('!')) : name));
        return nullptr;
    case UNLINK:
        if (graphic)
            effect->unlink(graphic);
        return nullptr;
    case START:
        if (graphic)
            effect->start(graphic);
        return nullptr;
    case STOP:
        if (graphic)
            effect->stop(graphic);
        return nullptr;
    default: {
        CMC_Bool* result = CMC_VariableFactory::allocBool();
        result->setValue(graphic && effect->isRunning(graphic));
        return result;
    }
    }
}
