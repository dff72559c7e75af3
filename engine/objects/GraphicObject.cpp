#include "objects/GraphicObject.h"

#include "base/Archive.h"
#include "base/ResourcesManager.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "script/Element.h"
#include "script/Scene.h"
#include "ui/ScriptMouse.h"
#include "ui/Unit6.h"

namespace {

bool isSceneType(int type) { return type == MC_SCENE || type == MC_EPISODE || type == MC_APPLICATION; }

bool isMouseEvent(const CXString& name)
{
    return name.startsWith(CXString("ONCLICK")) || name.startsWith(CXString("ONRELEASE")) || name == "ONFOCUSON" ||
           name == "ONFOCUSOFF";
}

} // namespace

CMC_GraphicObject::CMC_GraphicObject(CMC_ObjectsContainer* container, CMElement* element, int typeId,
                                     const EventSlots& s)
    : CMC_Object(container, element, typeId), window(container ? container->getWindow() : nullptr), priority(0),
      hovered(false), listening(false), asButton(false), changeCursor(true), monitorCollision(false),
      monitorCollisionAlpha(false), preload(false), slots(s)
{
}

CMC_GraphicObject::CMC_GraphicObject(CMC_ObjectsContainer* container, const CXString& n, int typeId,
                                     const EventSlots& s)
    : CMC_Object(n, typeId), window(container ? container->getWindow() : nullptr), priority(0), hovered(false),
      listening(false), asButton(false), changeCursor(true), monitorCollision(false), monitorCollisionAlpha(false),
      preload(false), slots(s)
{
    scene = container;
}

CMC_GraphicObject::~CMC_GraphicObject()
{
    // The window may have gone first.
    if (window && window == CWindow::getWindow() && listening)
        window->removeMouseListener(this);
    if (CMC_SceneWindow* w = CMC_Scene::getSceneWindow())
        w->removeCollisionNotifier(this);
}

CMC_Scene* CMC_GraphicObject::sceneOf(CMC_ObjectsContainer* container)
{
    CMC_Object* c = container;
    for (int depth = 0; c && !isSceneType(c->getType()) && depth < 64; ++depth)
        c = c->getScene();
    return c && isSceneType(c->getType()) ? static_cast<CMC_Scene*>(c) : nullptr;
}

void CMC_GraphicObject::listen()
{
    if (listening || !window)
        return;
    hovered = false;
    listening = true;
    window->registerMouseListener(this, priority);
}

bool CMC_GraphicObject::verifyBehaviour(const CXString& name)
{
    if (isMouseEvent(name))
        listen();
    return true;
}

void CMC_GraphicObject::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element)
{
    CMC_Object::initializeBehaviours(container, element);
    if (element || listening)
        return;
    auto bound = [this](const char* key) {
        const CMC_BindingList* list = getBehaviour(CXString(key));
        return list && list->getSize() > 0;
    };
    // A key beginning with "ONCLICK" or "ONRELEASE" sets that event's flag.
    if (isEventBound(slots.click) || isEventBound(slots.release) || bound("ONFOCUSON") || bound("ONFOCUSOFF"))
        listen();
}

void CMC_GraphicObject::monitorCollisions(bool alpha)
{
    if (CMC_Scene* s = sceneOf(scene))
        s->monitorCollisions(getDrawable(), alpha, this);
}

void CMC_GraphicObject::removeCollisionsMonitoring()
{
    if (CMC_Scene* s = sceneOf(scene))
        s->removeMonitorCollisions(getDrawable(), this);
}

CMC_GraphicObject::Definition CMC_GraphicObject::readDefinition(CMElement* element)
{
    Definition d;
    if (!element)
        return d;
    d.file = element->getPropertyValue(CXString("FILENAME"));
    d.toCanvas = element->getPropertyBoolValue(CXString("TOCANVAS"));
    d.visible = element->getPropertyBoolValue(CXString("VISIBLE"));
    d.flushAfterPlayed = element->getPropertyBoolValue(CXString("FLUSHAFTERPLAYED"));
    const CXString raw = element->getPropertyValue(CXString("PRELOAD"));
    preload = element->getPropertyBoolValue(CXString("PRELOAD"));
    d.readNow = !raw.IsString() || preload;
    monitorCollision = element->getPropertyBoolValue(CXString("MONITORCOLLISION"));
    monitorCollisionAlpha = element->getPropertyBoolValue(CXString("MONITORCOLLISIONALPHA"));
    priority = element->getPropertyIntValue(CXString("PRIORITY"));
    return d;
}

void CMC_GraphicObject::serializeRecord(CXArchive* archive, Record* r)
{
    if (archive->isStoring()) {
        *archive << asButton << monitorCollision << monitorCollisionAlpha << r->file << r->onRefresh << r->visible
                 << priority << r->releaseAfterUse << preload;
        return;
    }
    *archive >> &asButton;
    *archive >> &monitorCollision;
    *archive >> &monitorCollisionAlpha;
    *archive >> &r->file;
    *archive >> &r->onRefresh;
    *archive >> &r->visible;
    *archive >> &priority;
    *archive >> &r->releaseAfterUse;
    *archive >> &preload;
}

bool CMC_GraphicObject::inScene() const { return scene && scene->getType() == MC_SCENE; }

CResourcesManager* CMC_GraphicObject::sceneCache() const
{
    CUnit6* unit = inScene() ? CUnit6::getDefUnit() : nullptr;
    return unit ? unit->getResourcesManager() : nullptr;
}

CRefreshScreen* CMC_GraphicObject::refresh() const { return window ? window->GetRefreshScreenInterface() : nullptr; }

int CMC_GraphicObject::refreshPriority(CGraphicsObject* drawable) const
{
    CRefreshScreen* screen = refresh();
    return screen && drawable ? screen->GetPriority(drawable) : -1;
}

void CMC_GraphicObject::putOnRefresh(CGraphicsObject* drawable, int at)
{
    if (CRefreshScreen* screen = refresh())
        screen->put(drawable, at);
}

bool CMC_GraphicObject::raiseForms(const CXString& event, const CXString& parameter)
{
    return onSignal(event + "^" + parameter) || onSignal(event);
}

void CMC_GraphicObject::raiseCollision(bool finished, CGraphicsObject* first, CGraphicsObject* second,
                                       const CXString* middle)
{
    if (!isEventBound(finished ? slots.collisionFinished : slots.collision) || !first || first != getDrawable())
        return;
    CXString event(finished ? "ONCOLLISIONFINISHED" : "ONCOLLISION");
    CXString own = scene ? scene->getGraphicsObjectName(first, true) : CXString("UNKNOWN");
    CXString other = scene ? scene->getGraphicsObjectName(second, true) : CXString("UNKNOWN");
    if (middle && onSignal(event + "^" + *middle + "^" + other))
        return;
    if (onSignal(event + "^" + other))
        return;
    CXArray* names = new CXArray(101, 0.75f);
    names->add(new CXString(own));
    names->add(new CXString(other));
    onSignal(event, names);
    CXString::releaseToVector(names);
}

void CMC_GraphicObject::showActiveCursor()
{
    if (changeCursor && window)
        window->BeginActiveCursor();
}

void CMC_GraphicObject::showMainCursor()
{
    if (changeCursor && window)
        window->EndWaitCursor();
}

CXString CMC_GraphicObject::buttonName(int button) { return CMC_Mouse::getButton(button); }

// The mouse over a box

namespace {

bool insideBox(CGraphicsObject* g, CXPoint p) { return g->GetBoundingBox().IsInRect(p); }

} // namespace

bool CMC_GraphicObject::boxMouseMove(CGraphicsObject* g, CXPoint p)
{
    if (!g || !asButton || !g->IsVisible() || !(isEventBound(slots.focusOn) || isEventBound(slots.focusOff)))
        return false;
    const bool in = insideBox(g, p);
    if (!hovered && in) {
        hovered = true;
        onSignal(CXString("ONFOCUSON"));
        showActiveCursor();
    } else if (hovered && !in) {
        hovered = false;
        onSignal(CXString("ONFOCUSOFF"));
        showMainCursor();
    }
    return false;
}

bool CMC_GraphicObject::boxClick(CGraphicsObject* g, int button, CXPoint p)
{
    if (!g || !asButton || !g->IsVisible() || !isEventBound(slots.click) || !insideBox(g, p))
        return false;
    raiseForms(CXString("ONCLICK"), buttonName(button));
    showMainCursor();
    return true;
}

bool CMC_GraphicObject::boxRelease(CGraphicsObject* g, int button, CXPoint p)
{
    if (g && asButton && g->IsVisible() && isEventBound(slots.release) && insideBox(g, p))
        raiseForms(CXString("ONRELEASE"), buttonName(button));
    return false;
}
