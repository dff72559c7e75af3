#include "objects/ScriptVirtualGraphics.h"

#include "graphics/RefreshScreen.h"
#include "graphics/VirtualGraphicsObject.h"
#include "graphics/Window.h"
#include "objects/GraphicObject.h"
#include "objects/VirtualGraphicsRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneServices.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"

CMC_VirtualGraphicsObject::CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_VIRTUAL_GRAPHICSOBJECT),
      window(container ? container->getWindow() : nullptr), view(nullptr), priority(0), asButton(false),
      secondFlag(true)
{
    auto flag = [element](const char* key) { return element && element->getPropertyBoolValue(CXString(key)); };
    const bool toCanvas = flag("TOCANVAS");
    const bool visible = flag("VISIBLE");
    const bool monitor = flag("MONITORCOLLISION");
    const bool monitorAlpha = flag("MONITORCOLLISIONALPHA");
    view = new CVirtualGraphicsObject(window);
    if (!visible)
        view->Visible(false);
    priority = element ? element->getPropertyIntValue(CXString("PRIORITY")) : 0;
    if (monitor || monitorAlpha)
        monitorCollisions(monitorAlpha);
    if (CRefreshScreen* s = toCanvas && window ? window->GetRefreshScreenInterface() : nullptr)
        s->put(view, priority);
    if (element) {
        sourceName = element->getPropertyValue(CXString("SOURCE"));
        maskName = element->getPropertyValue(CXString("MASK"));
    }
    asButton = flag("ASBUTTON");
    initializeBehaviours(container, element);
}

CMC_VirtualGraphicsObject::CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container, CVirtualGraphicsObject* v)
    : CMC_Object(CXString("clone"), MC_VIRTUAL_GRAPHICSOBJECT),
      window(container ? container->getWindow() : nullptr), view(v), priority(0), asButton(false), secondFlag(true)
{
    scene = container;
}

CMC_VirtualGraphicsObject::~CMC_VirtualGraphicsObject()
{
    if (CMC_SceneWindow* w = CMC_Scene::getSceneWindow()) {
        // The scene's watch must not keep a drawable that is gone.
        if (view && w->getMonitorCollisionsFlag(view))
            if (CMC_Scene* s = CMC_GraphicObject::sceneOf(scene))
                s->removeMonitorCollisions(view, this);
        w->removeCollisionNotifier(this);
    }
    // A window that went first took its screen with it.
    if (view && window && window == CWindow::getWindow())
        view->Invalidate();
    // It may be drawing now (its script deleted by what its source draws).
    CGraphicsObject::deleteWhenDrawn(view);
    view = nullptr;
}

void CMC_VirtualGraphicsObject::monitorCollisions(bool alpha)
{
    if (CMC_Scene* s = CMC_GraphicObject::sceneOf(scene))
        s->monitorCollisions(view, alpha, this);
}

void CMC_VirtualGraphicsObject::setAsButton(bool, bool second)
{
    asButton = true;
    secondFlag = second;
}

CXObject* CMC_VirtualGraphicsObject::clone()
{
    if (!view)
        return nullptr;
    CVirtualGraphicsObject* copy = static_cast<CVirtualGraphicsObject*>(static_cast<CGraphicsObject*>(view->clone()));
    CRefreshScreen* s = window && window == CWindow::getWindow() ? window->GetRefreshScreenInterface() : nullptr;
    const int at = s ? s->GetPriority(view) : -1;
    if (s && at >= 0)
        s->put(copy, at);
    CMC_VirtualGraphicsObject* made = new CMC_VirtualGraphicsObject(scene, copy);
    made->priority = priority;
    return made;
}

CXString** CMC_VirtualGraphicsObject::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

// Registration

namespace {

CMC_Object* makeVirtualGraphics(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_VirtualGraphicsObject(c, e); }

CMC_Object* wrapNewView(CMC_ObjectsContainer* c)
{
    return new CMC_VirtualGraphicsObject(c, new CVirtualGraphicsObject(c ? c->getWindow() : nullptr));
}

// The record is the base record alone; reading it back keeps the records
// after it readable.
CMC_Object* restoreVirtualGraphics(CMC_Scene* scene)
{
    CMC_VirtualGraphicsObject* made = static_cast<CMC_VirtualGraphicsObject*>(wrapNewView(scene));
    made->getVirtualGraphicsObject()->Visible(false);
    return made;
}

// CMC_Scene::createObject with "VGO": an empty view off the screen.
CMC_Object* makeAtRunTime(CMC_Scene* scene, const CXString& name)
{
    CMC_Object* made = wrapNewView(scene);
    made->setName(name);
    return made;
}

CMC_RegisterType typeRegistration("VIRTUALGRAPHICSOBJECT", 5, &makeVirtualGraphics);
CMC_RegisterSnapshotType snapshotRegistration(MC_VIRTUAL_GRAPHICSOBJECT, &restoreVirtualGraphics);
CMC_RegisterRunner<CMC_VirtualGraphicsObject_Runner> runnerRegistration({MC_VIRTUAL_GRAPHICSOBJECT});

// Other objects name a view by its object's name (a source, a mask, a
// canvas entry, a filter's target).
CGraphicsObject* viewDrawable(CMC_Object* o, const CXString&)
{
    return static_cast<CMC_VirtualGraphicsObject*>(o)->getVirtualGraphicsObject();
}

struct Registration {
    Registration()
    {
        CMC_Scene::setObjectMaker(CXString("VGO"), &makeAtRunTime);
        CMC_ObjectsContainer::setDrawableAccessor(MC_VIRTUAL_GRAPHICSOBJECT, &viewDrawable);
    }
} registration;

} // namespace
