#pragma once
#include "base/XObject.h"
#include "graphics/RefreshScreen.h"
#include "graphics/WindowLayers.h"

// The screen's background, drawn first in every frame into the dirty
// regions only. It is a display surface made from a colour or a drawable,
// or handed over; its position is the scroll offset. In the directions in
// which it is at least as large as the screen it wraps around like a tile,
// so a script scrolls a wide or tall picture without end by moving it.
// The scroll mode tells those directions. Made by the refresh screen, which
// deletes it. Main thread only.
//
// It watches the drawable it was made from, so that a lost surface is never
// drawn again from a drawable that is gone.
class CRefreshScreen::CBackgroundManager : public CXObject, public CScreenBackgroundIfc, public CInvalidateObserver {
public:
    enum { SCROLL_NONE = 0, SCROLL_HORIZONTAL = 1, SCROLL_VERTICAL = 2, SCROLL_BOTH = 3 };

    CBackgroundManager(CWindow* window, CRefreshScreen* screen);
    ~CBackgroundManager() override;
    CBackgroundManager(const CBackgroundManager&) = delete;
    CBackgroundManager& operator=(const CBackgroundManager&) = delete;

    // A surface of the screen's size filled with the colour ((7, 7, 7)
    // without one), in system memory; it does not wrap.
    void SetBackground(CColor* colour) override;
    // A surface of the drawable's size that the drawable is drawn into (and
    // drawn into again when the surface is lost); null leaves no
    // background. The mode follows the sizes.
    void SetBackground(CGraphicsObject* drawable) override;
    // Takes ownership of the surface; the mode follows the sizes.
    void setBackground(CDirectDrawSurface* surface) override;
    CDirectDrawSurface* getBackground() override { return background; }
    // From the sizes of the background (B) and the screen (S): both ways
    // when B is wider and taller than S, else horizontally when they are
    // as tall, else vertically when they are as wide, else not at all.
    void checkScrollMode();
    int getScrollMode() const { return scrollMode; }
    // Draws the background into the destination inside the dirty regions
    // (a null entry being the whole screen), from its position taken
    // modulo its size.
    void Redraw(CDirectDrawSurface* destination, CRefreshRegion* regions) override;

    // The background is a picture of the drawable as it was: changes do
    // not reach it.
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

private:
    void drop();
    void copyParts(CDirectDrawSurface* destination, const CXRect& dirty, int ox, int oy, int destinationHeight);

    CDirectDrawSurface* background;
    CRefreshScreen* screen;
    CWindow* window;
    int scrollMode;
};
