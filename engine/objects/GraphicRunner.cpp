#include "objects/GraphicRunner.h"

#include "collections/Array.h"
#include "graphics/Color.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "objects/GraphicObject.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdint>
#include <cstring>

int CMC_GraphicRunner::intArg(CXVector* args, int index) { return getParameterInteger(args, index)->getValue(); }
bool CMC_GraphicRunner::boolArg(CXVector* args, int index) { return getParameterBool(args, index)->getValue(); }
CXString CMC_GraphicRunner::stringArg(CXVector* args, int index)
{
    return getParameterString(args, index)->getValue();
}

CMC_ObjectsContainer* CMC_GraphicRunner::names(CMC_Object* object, CMC_ObjectsContainer* container)
{
    return container ? container : object->getScene();
}

CGraphicsObject* CMC_GraphicRunner::namedDrawable(CMC_Object* object, CMC_ObjectsContainer* container,
                                                  CXVector* args, int index)
{
    CMC_ObjectsContainer* c = names(object, container);
    return c ? c->getGraphicsObject(stringArg(args, index)) : nullptr;
}

void CMC_GraphicRunner::setPosition(CGraphicsObject* g, CXVector* args)
{
    const int x = intArg(args, 0), y = intArg(args, 1);
    g->Invalidate();
    g->setPosition(x, y);
    g->Invalidate();
}

void CMC_GraphicRunner::setClipping(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args)
{
    CXRect r;
    if (getArgCount(args) == 1) {
        if (CGraphicsObject* other = namedDrawable(object, container, args, 0))
            r = other->GetBoundingBox();
    } else {
        r = CXRect(intArg(args, 0), intArg(args, 1), intArg(args, 2), intArg(args, 3));
    }
    g->SetClippingRect(r);
}

CMC_Variable* CMC_GraphicRunner::isNear(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container,
                                        CXVector* args)
{
    if (getArgCount(args) == 2)
        return CMC_Bool::temporary(g->isNear(namedDrawable(object, container, args, 0), intArg(args, 1)));
    const CXRect r(intArg(args, 0), intArg(args, 1), intArg(args, 2), intArg(args, 3));
    return CMC_Bool::temporary(g->isNear(r, intArg(args, 4)));
}

CMC_Variable* CMC_GraphicRunner::alphaAt(CGraphicsObject* source, CXPoint topLeft, CXVector* args)
{
    const int64_t x = int64_t(intArg(args, 0)) - topLeft.x, y = int64_t(intArg(args, 1)) - topLeft.y;
    if (!source || x < 0 || y < 0 || x >= source->Width() || y >= source->Height())
        return CMC_Integer::temporary(0);
    // Through the drawable's pixel access, which reads a packed plane too.
    return CMC_Integer::temporary(int8_t(source->GetPixel(CHANNEL_ALPHA, CXPoint(int(x), int(y)))));
}

CMC_Variable* CMC_GraphicRunner::pixelAt(CGraphicsObject* source, CXPoint topLeft, CXVector* args)
{
    const int64_t x = int64_t(intArg(args, 0)) - topLeft.x, y = int64_t(intArg(args, 1)) - topLeft.y;
    if (!source || x < 0 || y < 0 || x >= source->Width() || y >= source->Height())
        return CMC_Integer::temporary(0);
    const int depth = source->GetBpp();
    if (depth != 15 && depth != 16)
        return CMC_Integer::temporary(0);
    // A picture still in its stored form reads as black.
    const CColor c = source->GetPixel(int(x), int(y));
    return CMC_Integer::temporary(int16_t(c.GetInBPP(depth)));
}

void CMC_GraphicRunner::setAnchor(CGraphicsObject* g, CXPoint p, CXVector* args)
{
    if (getArgCount(args) != 1) {
        g->setAnchor(CXPoint(intArg(args, 0), intArg(args, 1)));
        return;
    }
    const CXString name = stringArg(args, 0);
    const int w = g->Size().cx, h = g->Size().cy;
    const struct {
        const char* name;
        int x, y;
    } anchors[] = {
        {"CENTER", p.x + w / 2, p.y + h / 2}, {"LEFTUPPER", p.x, p.y},
        {"RIGHTUPPER", p.x + w, p.y},         {"LEFTLOWER", p.x, p.y + h},
        {"RIGHTLOWER", p.x + w, p.y + h},     {"LEFT", p.x, p.y + h / 2},
        {"RIGHT", p.x + w, p.y + h / 2},      {"TOP", p.x + w / 2, p.y},
        {"BOTTOM", p.x + w / 2, p.y + h},
    };
    for (const auto& a : anchors)
        if (name == a.name) {
            g->setAnchor(CXPoint(a.x, a.y));
            return;
        }
    g->setAnchor(CXPoint(0, 0));
}

CMC_Variable* CMC_GraphicRunner::center(CGraphicsObject* g, CXPoint topLeft, bool x)
{
    return CMC_Integer::temporary(x ? topLeft.x + g->Size().cx / 2 : topLeft.y + g->Size().cy / 2);
}

void CMC_GraphicRunner::getAnchor(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container,
                                  CXVector* args)
{
    CMC_ObjectsContainer* c = names(object, container);
    CMC_Object* target = c ? c->getObject(stringArg(args, 0)) : nullptr;
    if (!target || target->getType() != MC_ARRAY)
        return;
    const CXPoint anchor = g->getAnchor();
    for (int v : {anchor.x, anchor.y}) {
        CMC_Integer* value = CMC_Integer::temporary(v);
        static_cast<CMC_Array*>(target)->add(value);
        CMC_Object::flush(value);
    }
}

void CMC_GraphicRunner::mergeAlpha(CGraphicsObject* g, CGraphicsObject* target, CMC_Object* object,
                                   CMC_ObjectsContainer* container, CXVector* args)
{
    const CXPoint at(intArg(args, 0), intArg(args, 1));
    CGraphicsObject* stamp = namedDrawable(object, container, args, 2);
    if (!stamp || !target)
        return;
    target->mergeAlpha(at, stamp);
    g->Invalidate();
}

void CMC_GraphicRunner::drawOnto(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container,
                                 CXVector* args)
{
    CGraphicsObject* onto = namedDrawable(object, container, args, 0);
    if (onto && onto != g)
        onto->addObject(g, getArgCount(args) > 1 ? intArg(args, 1) : 0);
}

void CMC_GraphicRunner::setPriority(CGraphicsObject* g, CWindow* window, CXVector* args)
{
    if (CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr)
        screen->SetPriority(g, intArg(args, 0));
}

CMC_Variable* CMC_GraphicRunner::getPriority(CGraphicsObject* g, CWindow* window)
{
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    return CMC_Integer::temporary(screen ? screen->GetPriority(g) : -1);
}

void CMC_GraphicRunner::monitorCollision(CMC_GraphicObject* object, CGraphicsObject* g, CXVector* args)
{
    object->monitorCollisions(boolArg(args, 0));
    g->setMonitorCollisions(true);
}

void CMC_GraphicRunner::removeMonitorCollision(CMC_GraphicObject* object, CGraphicsObject* g)
{
    object->removeCollisionsMonitoring();
    g->setMonitorCollisions(false);
}

void CMC_GraphicRunner::replacedColours(CWindow* window, CXVector* args, short* from, short* to)
{
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    const int depth = screen && screen->GetBpp() == 15 ? 15 : 16;
    // Dropping the low bits of each component keeps only its low 8 bits'
    // worth, so a component read as a byte packs the same.
    auto pack = [&](int first) {
        return short(CColor((unsigned char)intArg(args, first), (unsigned char)intArg(args, first + 1),
                            (unsigned char)intArg(args, first + 2))
                         .GetInBPP(depth));
    };
    *from = pack(1);
    *to = pack(4);
}
