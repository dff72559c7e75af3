#pragma once
#include "base/Geometry.h"
#include "script/Runner.h"

class CGraphicsObject;
class CMC_GraphicObject;
class CWindow;

// The methods that the runners of the graphic script types (ANIMO, IMAGE)
// share under the same names and rules, each applied to the object's
// drawable. A type's runner keeps its own ids and switch and calls these.
// Arguments are read by position; a missing one reads as the empty value.
class CMC_GraphicRunner : public CMC_Runner {
protected:
    // Where names are looked up: the calling container, else the object's.
    static CMC_ObjectsContainer* names(CMC_Object* object, CMC_ObjectsContainer* container);
    // The drawable that argument index names; null when it names none.
    CGraphicsObject* namedDrawable(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args, int index);

    // SETPOSITION (x, y): invalidates, places, invalidates again.
    void setPosition(CGraphicsObject* g, CXVector* args);
    // SETCLIPPING: with one argument the named drawable's bounding box
    // ((0, 0, 0, 0) when it names none), else left, top, right, bottom.
    void setClipping(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    // ISNEAR: with two arguments a drawable's name and the percentage, else
    // a rectangle and the percentage. True when at least that share of the
    // drawable's box lies in the other; false for a drawable without area.
    CMC_Variable* isNear(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    // GETALPHA and GETPIXEL (x, y): the byte of the alpha plane or the
    // 16-bit pixel of source at (x, y) - topLeft, read as signed numbers;
    // 0 outside source's size and where the source cannot be read.
    CMC_Variable* alphaAt(CGraphicsObject* source, CXPoint topLeft, CXVector* args);
    CMC_Variable* pixelAt(CGraphicsObject* source, CXPoint topLeft, CXVector* args);
    // SETANCHOR: one of the nine names ("CENTER", "LEFTUPPER", ...; any
    // other name gives (0, 0)) on the box at topLeft of the drawable's
    // size, else the point of the first two arguments.
    void setAnchor(CGraphicsObject* g, CXPoint topLeft, CXVector* args);
    // GETCENTERX and GETCENTERY: topLeft plus half the drawable's size.
    static CMC_Variable* center(CGraphicsObject* g, CXPoint topLeft, bool x);
    // GETANCHOR (array): the anchor's x and y appended to the named ARRAY.
    void getAnchor(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    // MERGEALPHA (x, y, name): the named drawable's alpha merged into
    // target's at (x, y); g is invalidated.
    void mergeAlpha(CGraphicsObject* g, CGraphicsObject* target, CMC_Object* object, CMC_ObjectsContainer* container,
                    CXVector* args);
    // DRAWONTO (name, order): the named drawable draws g onto itself.
    void drawOnto(CGraphicsObject* g, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    // SETPRIORITY and GETPRIORITY on the window's screen refresh.
    void setPriority(CGraphicsObject* g, CWindow* window, CXVector* args);
    static CMC_Variable* getPriority(CGraphicsObject* g, CWindow* window);
    // MONITORCOLLISION (use alpha) and REMOVEMONITORCOLLISION.
    void monitorCollision(CMC_GraphicObject* object, CGraphicsObject* g, CXVector* args);
    static void removeMonitorCollision(CMC_GraphicObject* object, CGraphicsObject* g);
    // REPLACECOLOR's two colours (arguments 1 to 3 and 4 to 6), packed for
    // the depth of the window's screen: 5-5-5 at 15 bits, else 5-6-5.
    void replacedColours(CWindow* window, CXVector* args, short* from, short* to);

    int intArg(CXVector* args, int index);
    bool boolArg(CXVector* args, int index);
    CXString stringArg(CXVector* args, int index);
};
