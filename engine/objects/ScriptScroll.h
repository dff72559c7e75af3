#pragma once
#include "base/Geometry.h"
#include "graphics/GraphicsObject.h"
#include "script/Object.h"

#include <vector>

// The script SCROLL (type 2022): a viewport, a rectangle of the screen,
// and a list of drawables of other script objects that scroll together
// behind it. After every move each drawable is clipped to the viewport, so
// only its part inside is drawn; one wholly outside is hidden and shown
// again when it comes back in. The scroll has no drawable and no timer of
// its own; everything happens when a script calls a method. It lists the
// events "ONTOP", "ONBOTTOM", "ONLEFT" and "ONRIGHT" but never raises them.
//
// The drawables are not owned; one may stand in the list more than once.
// The scroll watches each listed drawable and drops every entry of one
// that is destroyed, so it never reaches a drawable that is gone. Clipping
// rectangles and visibility it gave stay when the scroll goes.
class CMC_Scroll : public CMC_Object, private CInvalidateObserver {
public:
    // "VIEWPORT": left, top, right, bottom; (0, 0, 0, 0) without it.
    CMC_Scroll(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", viewport (0, 0, 0, 0).
    CMC_Scroll();
    ~CMC_Scroll() override;
    CMC_Scroll(const CMC_Scroll&) = delete;
    CMC_Scroll& operator=(const CMC_Scroll&) = delete;

    CXString** getBehavioursList() override;
    // After the base record the viewport as four 32-bit integers (left,
    // top, right, bottom). The list is not kept: a restored scroll has none.
    void serialize(CXArchive* archive) override;

    // Clips g against the viewport (its present clipping narrowing its box)
    // and appends it, even when it is listed already.
    void add(CGraphicsObject* g);
    // Takes out the first entry of the drawable of that name in the scroll's
    // scene, when listed, and clears its clipping; its visibility stays.
    void remove(const CXString& name);
    // Move every listed drawable by n pixels and clip it; n is not bounded
    // and a negative n moves the other way. The viewport stays.
    void scrollUp(int n) { scrollBy(0, -n); }
    void scrollDown(int n) { scrollBy(0, n); }
    void scrollLeft(int n) { scrollBy(-n, 0); }
    void scrollRight(int n) { scrollBy(n, 0); }
    void setViewport(const CXRect& r);
    void moveViewport(int dx, int dy);
    // Moves the viewport and every drawable together; clipping stays valid
    // as it is in the drawables' own coordinates. (0, 0) does nothing.
    void move(int dx, int dy);
    // The clip pass: each drawable unclipped, then clipped to the viewport,
    // hidden when wholly outside, shown when inside.
    void invalidate();

    CXRect getViewport() const { return viewport; }
    int getSize() const { return int(graphics.size()); }
    CGraphicsObject* getAt(int index) const;
    // The whole screen of the scroll's window is redrawn.
    void invalidateScreen();

private:
    void scrollBy(int dx, int dy);
    // Steps 2 to 4 of the clip pass for one drawable.
    void clip(CGraphicsObject* g);
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

    CXRect viewport;
    std::vector<CGraphicsObject*> graphics;
};
