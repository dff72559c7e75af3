#pragma once
#include "graphics/GraphicsObject.h"

class CValidationQuene;

// A drawable that composes others: the drawables added to it are drawn
// into its own pixels on every Redraw, lowest priority first (equal
// priorities in the order they were added), and then the canvas is drawn
// into its destiny like any drawable. An optional background drawable of
// the canvas's size keeps what was painted for good: drawables stamped
// onto it (draw), areas rubbed out of its alpha (erase), or the whole
// composition flattened into it (capture). The canvas watches the
// drawables it lists but owns only the background. Main thread only.
class CCanvas : public CGraphicsObject {
public:
    // A canvas of that size and depth; with withAlpha an alpha plane, with
    // withBackground a background drawable of the same size, depth and
    // alpha, listed at priority 0.
    CCanvas(CWindow* window, CXSize size, int bpp, bool withAlpha, bool withBackground);
    // Deletes the background and stops watching the drawables; those whose
    // destiny is this canvas lose it.
    ~CCanvas() override;
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    // Lists o (once: a drawable already listed keeps its first priority),
    // watches it, makes the canvas its destiny, sets its autoClip and
    // invalidates it. The canvas itself and null are ignored.
    virtual void add(CGraphicsObject* o, int priority);
    // Stops listing and watching o; a destiny of this canvas is cleared.
    virtual void remove(CGraphicsObject* o);
    // Removes every drawable; the background, when there is one, is listed
    // again at priority -1.
    virtual void removeAll();
    // Colour words and alpha bytes become 0 inside the clipping rectangle
    // (the whole canvas when it is empty); with alsoBackground the same
    // area of the background too.
    virtual void clear(bool alsoBackground);
    // Draws the composition (the listed drawables and the canvas itself)
    // into the background, then lists only the background, at -1.
    virtual void capture();
    // Rubs brush's alpha out of the canvas's and the background's alpha
    // planes with brush's top-left at (x, y): each byte becomes the
    // difference, not below 0. The area is invalidated on the screen.
    virtual void erase(CGraphicsObject* brush, int x, int y);
    // Stamps o onto the background at (x, y) (o's anchor applied); o keeps
    // its position, clipping rectangle and destiny. The area is invalidated
    // on the screen. Nothing without a background.
    virtual void draw(CGraphicsObject* o, int x, int y);

    // A canvas of the same window, size and depth, with an alpha plane and
    // a background of its own (empty) when this one has them, listing the
    // same drawables at the same priorities (shared, not copied) but for
    // this canvas's background, put on the screen at this canvas's priority
    // when this one is there.
    CXObject* clone() override;
    // Clears the canvas, draws the visible listed drawables that meet the
    // clipping rectangle into it, draws the canvas into its destiny and
    // restarts the count of forwarded invalidations. A canvas reached again
    // while it draws (canvases listed in each other) draws nothing then.
    void Redraw() override;
    // A listed drawable changed: the first nine changes after a Redraw go
    // to the screen as they are; from the tenth on the whole canvas is
    // invalidated (once) instead.
    void onInvalidate(CGraphicsObject* source, CXRect* rect) override;
    // A listed drawable is being destroyed: it is removed.
    void onDestroy(CGraphicsObject* source) override;

    CGraphicsObject* getBackground() { return backgroundObject; }
    CValidationQuene* getEntries() { return entries; }
    int getInvalidationCount() const { return invalidations; }

    // The number of child invalidations passed on one by one after a
    // Redraw before the whole canvas is invalidated instead.
    static int getInvalidationLimit() { return invalidationLimit; }

private:
    static void clearArea(CGraphicsObject* target, const CXRect& area);
    // Stops watching o and clears a destiny of this canvas; o stays listed.
    void letGo(CGraphicsObject* o);
    // Lets go of every drawable and empties the list.
    void letGoOfAll();
    void invalidateOnScreen(CXRect area);
    static int invalidationLimit;

    CValidationQuene* entries;
    CGraphicsObject* backgroundObject;
    int32_t invalidations;
    bool drawing = false;
};
