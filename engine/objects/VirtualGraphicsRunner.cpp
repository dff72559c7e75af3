#include "objects/VirtualGraphicsRunner.h"

#include "graphics/VirtualGraphicsObject.h"
#include "media/Animo.h"
#include "objects/ScriptVirtualGraphics.h"
#include "script/ObjectsContainer.h"
#include "script/Values.h"

void CMC_VirtualGraphicsObject_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    static const struct {
        const char* name;
        int id;
    } methods[] = {{"SHOW", SHOW},
                   {"HIDE", HIDE},
                   {"SETPOSITION", SETPOSITION},
                   {"MOVE", MOVE},
                   {"SETSOURCE", SETSOURCE},
                   {"SETMASK", SETMASK},
                   {"CLEARCLIPPING", CLEARCLIPPING},
                   {"SETCLIPPING", SETCLIPPING},
                   {"GETPOSITIONX", GETPOSITIONX},
                   {"GETPOSITIONY", GETPOSITIONY},
                   {"GETWIDTH", GETWIDTH},
                   {"GETHEIGHT", GETHEIGHT},
                   {"ISNEAR", ISNEAR},
                   {"ISINSIDE", ISINSIDE},
                   {"MONITORCOLLISION", MONITORCOLLISION},
                   {"REMOVEMONITORCOLLISION", REMOVEMONITORCOLLISION},
                   {"SETPRIORITY", SETPRIORITY},
                   {"INVALIDATE", INVALIDATE},
                   {"ISVISIBLE", ISVISIBLE},
                   {"SETASBUTTON", SETASBUTTON}};
    for (const auto& m : methods)
        registerMethod(m.name, m.id);
}

namespace {

// Arguments each method needs; fewer leave everything unchanged.
int required(int id)
{
    using R = CMC_VirtualGraphicsObject_Runner;
    switch (id) {
    case R::SETPOSITION:
    case R::MOVE:
    case R::ISNEAR:
    case R::SETASBUTTON: return 2;
    case R::ISINSIDE: return 3;
    case R::SETSOURCE:
    case R::SETMASK:
    case R::SETCLIPPING:
    case R::MONITORCOLLISION:
    case R::SETPRIORITY: return 1;
    default: return 0;
    }
}

} // namespace

CMC_Variable* CMC_VirtualGraphicsObject_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                                    CXVector* args)
{
    if (!object || object->getType() != MC_VIRTUAL_GRAPHICSOBJECT)
        return CMC_Runner::run(id, object, container, args);
    CMC_VirtualGraphicsObject* o = static_cast<CMC_VirtualGraphicsObject*>(object);
    CVirtualGraphicsObject* view = o->getVirtualGraphicsObject();
    const int given = getArgCount(args);
    // The rectangle forms of SETCLIPPING and ISNEAR need all their numbers.
    const bool partRectangle =
        (id == SETCLIPPING && given > 1 && given < 4) || (id == ISNEAR && given > 2 && given < 5);
    if (!view || partRectangle || (id >= SHOW && id <= SETASBUTTON && given < required(id)))
        return id == ISNEAR || id == ISINSIDE ? CMC_Bool::temporary(false) : nullptr;
    switch (id) {
    case SHOW: view->Visible(true); return nullptr;
    case HIDE: view->Visible(false); return nullptr;
    case SETPOSITION: setPosition(view, args); return nullptr;
    case MOVE: view->Move(intArg(args, 0), intArg(args, 1)); return nullptr;
    case SETSOURCE:
        if (CGraphicsObject* g = namedDrawable(object, container, args, 0))
            view->setSource(g);
        return nullptr;
    case SETMASK:
        if (CGraphicsObject* g = namedDrawable(object, container, args, 0)) {
            CMC_ObjectsContainer* c = names(object, container);
            CMC_Object* named = c ? c->getObject(stringArg(args, 0)) : nullptr;
            if (named && named->getType() == MC_ANIMO)
                view->setMaskAnimo(static_cast<CAnimo*>(g));
            else
                view->setMask(g);
        }
        return nullptr;
    case CLEARCLIPPING: view->SetClippingRect(CXRect(0, 0, 0, 0)); return nullptr;
    case SETCLIPPING: setClipping(view, object, container, args); return nullptr;
    case GETPOSITIONX: return CMC_Integer::temporary(view->GetPosition().x);
    case GETPOSITIONY: return CMC_Integer::temporary(view->GetPosition().y);
    case GETWIDTH: return CMC_Integer::temporary(view->Width());
    case GETHEIGHT: return CMC_Integer::temporary(view->Height());
    case ISNEAR: return isNear(view, object, container, args);
    case ISINSIDE: {
        const CXPoint p(intArg(args, 0), intArg(args, 1));
        // A view has no alpha plane of its own: its mask's is tested.
        const bool inside = boolArg(args, 2) ? view->GetBoundingBox().IsInRect(p) && view->testHit(p)
                                             : view->isInside(p.x, p.y, false);
        return CMC_Bool::temporary(inside);
    }
    case MONITORCOLLISION:
        o->monitorCollisions(boolArg(args, 0));
        view->setMonitorCollisions(true);
        return nullptr;
    case REMOVEMONITORCOLLISION:
        o->removeCollisionsMonitoring();
        view->setMonitorCollisions(false);
        return nullptr;
    case SETPRIORITY: setPriority(view, o->getWindow(), args); return nullptr;
    case INVALIDATE: view->Invalidate(); return nullptr;
    case ISVISIBLE: return CMC_Bool::temporary(view->IsVisible());
    case SETASBUTTON: o->setAsButton(boolArg(args, 0), boolArg(args, 1)); return nullptr;
    default: return CMC_Runner::run(id, object, container, args);
    }
}
