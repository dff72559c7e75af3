#include "objects/CanvasObserverRunner.h"

#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "graphics/Window.h"
#include "objects/CanvasObserver.h"
#include "objects/CanvasRunner.h"
#include "script/String.h"
#include "script/Values.h"

namespace {

const char* const methodNames[] = {"REFRESH", "ADD",          "REMOVE", "SETBACKGROUND", "GETGRAPHICSAT",
                                   "MOVEBKG", "SETBKGPOS",    "SAVE",   "ENABLENOTIFY",  "REDRAW",
                                   "GETBPP",  "PASTE",        "GETGRAPHICSAT2"};
static_assert(sizeof methodNames / sizeof methodNames[0] == CMC_CanvasObserver_Runner::GETGRAPHICSAT2,
              "one name per id");

int required(int id)
{
    switch (id) {
    case CMC_CanvasObserver_Runner::ADD:
    case CMC_CanvasObserver_Runner::REMOVE:
    case CMC_CanvasObserver_Runner::SETBACKGROUND:
    case CMC_CanvasObserver_Runner::SAVE:
    case CMC_CanvasObserver_Runner::ENABLENOTIFY: return 1;
    case CMC_CanvasObserver_Runner::GETGRAPHICSAT:
    case CMC_CanvasObserver_Runner::GETGRAPHICSAT2:
    case CMC_CanvasObserver_Runner::MOVEBKG:
    case CMC_CanvasObserver_Runner::SETBKGPOS: return 2;
    case CMC_CanvasObserver_Runner::PASTE: return 3;
    default: return 0;
    }
}

CMC_Variable* emptyResult(int id)
{
    switch (id) {
    case CMC_CanvasObserver_Runner::GETGRAPHICSAT:
    case CMC_CanvasObserver_Runner::GETGRAPHICSAT2: return CMC_String::temporary(CXString("NULL"));
    case CMC_CanvasObserver_Runner::GETBPP: return CMC_Integer::temporary(0);
    default: return nullptr;
    }
}

} // namespace

void CMC_CanvasObserver_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (int id = REFRESH; id <= GETGRAPHICSAT2; ++id)
        registerMethod(methodNames[id - 1], id);
}

CMC_Variable* CMC_CanvasObserver_Runner::graphicsAt(CMC_Object* object, CMC_ObjectsContainer* container,
                                                    CXVector* args, bool parents)
{
    const int argc = getArgCount(args);
    const bool visibleOnly = argc > 2 && boolArg(args, 2);
    // The two bounds come together or not at all.
    const int minPriority = argc > 4 ? intArg(args, 3) : -1;
    const int maxPriority = argc > 4 ? intArg(args, 4) : -1;
    const bool ignoreAlpha = argc > 5 && boolArg(args, 5);
    const CXString name = static_cast<CMC_CanvasObserver*>(object)->getGraphicsAt(
        names(object, container), intArg(args, 0), intArg(args, 1), visibleOnly, minPriority, maxPriority,
        ignoreAlpha, parents);
    return CMC_String::temporary(name.IsString() ? name : CXString("NULL"));
}

CMC_Variable* CMC_CanvasObserver_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                             CXVector* args)
{
    if (!object || object->getType() != MC_CANVASOBSERVER || id < REFRESH || id > GETGRAPHICSAT2)
        return CMC_Runner::run(id, object, container, args);
    CMC_CanvasObserver* observer = static_cast<CMC_CanvasObserver*>(object);
    CRefreshScreen* screen = observer->getScreen();
    if (!screen || getArgCount(args) < required(id))
        return emptyResult(id);
    CDirectDrawSurface* background = screen->getBackgroundIfc();
    switch (id) {
    case REFRESH: screen->Invalidate(); break;
    case ADD:
        screen->put(namedDrawable(object, container, args, 0),
                    getArgCount(args) > 1 ? intArg(args, 1) : int(DEFAULT_PRIORITY));
        break;
    case REMOVE: *screen >> namedDrawable(object, container, args, 0); break;
    case SETBACKGROUND:
        if (CGraphicsObject* g = namedDrawable(object, container, args, 0))
            screen->SetBackground(g);
        else
            screen->SetBackground(stringArg(args, 0));
        screen->Invalidate();
        break;
    case GETGRAPHICSAT: return graphicsAt(object, container, args, false);
    case GETGRAPHICSAT2: return graphicsAt(object, container, args, true);
    case MOVEBKG:
        if (background) {
            background->Move(intArg(args, 0), intArg(args, 1));
            screen->Invalidate();
        }
        break;
    case SETBKGPOS:
        if (background) {
            background->setPosition(intArg(args, 0), intArg(args, 1));
            screen->Invalidate();
        }
        break;
    case SAVE: CMC_Canvas_Runner::saveCopy(this, screen->getCurrentDestination(), observer->getWindow(), args); break;
    case ENABLENOTIFY: observer->enableNotify(boolArg(args, 0)); break;
    case REDRAW:
        // From a behaviour of the screen's own redraw (an update event) a
        // redraw now would start inside itself: the next frame draws it all.
        if (screen->isRedrawing()) {
            screen->redrawNextFrame();
        } else {
            screen->Invalidate();
            if (CWindow* w = observer->getWindow())
                w->Redraw();
        }
        break;
    case GETBPP: return CMC_Integer::temporary(screen->GetBpp());
    case PASTE: {
        // Shown where the screen is next drawn: nothing is invalidated.
        CGraphicsObject* g = namedDrawable(object, container, args, 0);
        if (!g || !background || g == screen)
            break;
        // setPosition may shift by an anchor (or place an animation): the
        // way back is the same shift from the place it gave.
        const CXPoint kept = g->getPosition();
        const int x = intArg(args, 1), y = intArg(args, 2);
        g->setPosition(x, y);
        g->redraw(background);
        const CXPoint placed = g->getPosition();
        g->setPosition(int(int64_t(x) + kept.x - placed.x), int(int64_t(y) + kept.y - placed.y));
        break;
    }
    default: break;
    }
    return nullptr;
}
