#include "objects/CanvasObserver.h"

#include "graphics/Window.h"
#include "objects/CanvasObserverRunner.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"

CMC_CanvasObserver::CMC_CanvasObserver(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_CANVASOBSERVER), window(nullptr), screen(nullptr)
{
    observe(container);
    initializeBehaviours(container, element);
}

CMC_CanvasObserver::CMC_CanvasObserver(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("tempCANVAS"), MC_CANVASOBSERVER), window(nullptr), screen(nullptr)
{
    scene = container;
    observe(container);
}

CMC_CanvasObserver::~CMC_CanvasObserver()
{
    // The window, and its screen with it, may have gone first.
    if (screen && window == CWindow::getWindow())
        screen->removeNotifier(this);
}

void CMC_CanvasObserver::observe(CMC_ObjectsContainer* container)
{
    window = container ? container->getWindow() : nullptr;
    screen = window ? window->GetRefreshScreenInterface() : nullptr;
    if (screen)
        screen->addNotifier(this);
}

CXString** CMC_CanvasObserver::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",          "ONDONE",           "ONSIGNAL",
                                        "ONINITIALUPDATE", "ONUPDATE",         "ONUPDATED",
                                        "ONWINDOWFOCUSON", "ONWINDOWFOCUSOFF", "ONINITIALUPDATED",
                                        nullptr};
    return makeEventList(names);
}

CXString CMC_CanvasObserver::getGraphicsAt(CMC_ObjectsContainer* container, int x, int y, bool visibleOnly,
                                           int minPriority, int maxPriority, bool ignoreAlpha, bool searchParents)
{
    CGraphicsObject* hit = screen ? screen->getGraphicsAt(x, y, visibleOnly, minPriority, maxPriority, ignoreAlpha)
                                  : nullptr;
    if (!hit)
        return CXString();
    return container ? container->getGraphicsObjectName(hit, searchParents) : CXString("UNKNOWN");
}

void CMC_CanvasObserver::enableNotify(bool on)
{
    if (screen)
        screen->enableNotifyFlag(on);
}

void CMC_CanvasObserver::raise(int index, const char* event)
{
    if (isEventBound(index))
        onSignal(CXString(event));
}

void CMC_CanvasObserver::onInitialUpdate() { raise(EVENT_ONINITIALUPDATE, "ONINITIALUPDATE"); }
void CMC_CanvasObserver::onInitialUpdated() { raise(EVENT_ONINITIALUPDATED, "ONINITIALUPDATED"); }
void CMC_CanvasObserver::onUpdate() { raise(EVENT_ONUPDATE, "ONUPDATE"); }
void CMC_CanvasObserver::onUpdated() { raise(EVENT_ONUPDATED, "ONUPDATED"); }
void CMC_CanvasObserver::onFocusOn() { raise(EVENT_ONWINDOWFOCUSON, "ONWINDOWFOCUSON"); }
void CMC_CanvasObserver::onFocusOff() { raise(EVENT_ONWINDOWFOCUSOFF, "ONWINDOWFOCUSOFF"); }

// Registration

namespace {

CMC_Object* makeObserver(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_CanvasObserver(c, e); }
CMC_Object* restoreObserver(CMC_Scene* scene) { return new CMC_CanvasObserver(scene); }
// The whole screen stands for the observer's drawable.
CGraphicsObject* observerDrawable(CMC_Object* o, const CXString&)
{
    return static_cast<CMC_CanvasObserver*>(o)->getScreen();
}

CMC_RegisterType typeRegistration("CANVAS_OBSERVER", 6, &makeObserver);
CMC_RegisterSnapshotType snapshotRegistration(MC_CANVASOBSERVER, &restoreObserver);
CMC_RegisterRunner<CMC_CanvasObserver_Runner> runnerRegistration({MC_CANVASOBSERVER});

struct Registration {
    Registration() { CMC_ObjectsContainer::setDrawableAccessor(MC_CANVASOBSERVER, &observerDrawable); }
} registration;

} // namespace
