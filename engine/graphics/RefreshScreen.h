#pragma once
#include "base/XArray.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshRegion.h"

class CDirectDrawSurface;
class CScreenBackgroundIfc;
class CSurface;
class CValidationQuene;

// Told when a frame starts and ends, on a screen unit's first frame and on
// focus changes (CRefreshScreen::addNotifier).
class CCanvasObserver {
public:
    virtual void onInitialUpdate() = 0;
    virtual void onInitialUpdated() = 0;
    virtual void onUpdate() = 0;
    virtual void onUpdated() = 0;
    virtual void onFocusOn() = 0;
    virtual void onFocusOff() = 0;

protected:
    ~CCanvasObserver() = default;
};

// Composes the picture. It keeps every drawable on screen in a list by
// priority (equal priorities in the order they were put) and the screen
// areas to redraw in a dirty-region list; once a frame it draws the
// background and then the drawables, lowest priority first, into the
// destination, each only where it changed or where the dirty regions meet
// it, and at most once whole. The window then copies the dirty regions to
// the screen (or flips) and empties the list.
//
// Drawables reach it through CGraphicsObject::Invalidate (their bounding
// box becomes dirty) and put / operator<< / operator>>; it sets itself as
// a drawable's canvas while it lists it and clears that when it lets go.
// It is itself a drawable of the screen's size and depth, without pixels
// unless made with a local surface. Main thread only.
class CRefreshScreen : public CGraphicsObject, public CRefreshScreenIfc {
public:
    // Notify codes of canvas observers.
    enum {
        NOTIFY_INITIAL_UPDATE = 0,
        NOTIFY_UPDATE = 1,
        NOTIFY_UPDATED = 2,
        NOTIFY_FOCUS_ON = 3,
        NOTIFY_FOCUS_OFF = 4,
        NOTIFY_INITIAL_UPDATED = 5
    };
    // Flag of SetFlags(null, ...): the frame is turned to grey scale.
    enum { FLAG_GRAY_SCALE = 2 };
    // The scrolling background (Background.h).
    class CBackgroundManager;

    // The window's screen size and its surface's depth (16 without one).
    CRefreshScreen(CWindow* window, bool useLocalSurface);
    ~CRefreshScreen() override;

    // Lists the drawable with that priority and invalidates it; null or a
    // drawable already listed is ignored.
    void put(CGraphicsObject* drawable, int priority);
    CRefreshScreen& operator<<(CGraphicsObject* drawable)
    {
        put(drawable, 0);
        return *this;
    }
    // Takes the drawable off the list; its area is not invalidated.
    CRefreshScreen& operator>>(CGraphicsObject* drawable);
    // Lists the drawable again with the new priority, after the others of
    // that priority; nothing is invalidated. Unlisted drawables: nothing.
    void SetPriority(CGraphicsObject* drawable, int priority);
    // -1 for a drawable that is not listed.
    int GetPriority(CGraphicsObject* drawable);
    int getIndex(CGraphicsObject* drawable);
    // With null, the screen's own flags (FLAG_GRAY_SCALE); else the
    // drawable's element's flags word, false when it is not listed.
    bool SetFlags(CGraphicsObject* drawable, int value);
    int GetFlags(CGraphicsObject* drawable);

    // Adds the rectangle, cut to the screen, to the dirty regions; without
    // one the whole screen. An empty part adds nothing.
    void Invalidate(CXRect* rect) override;
    void Invalidate() override { Invalidate(static_cast<CXRect*>(nullptr)); }
    // The drawable's bounding box, when it is visible and listed.
    void Invalidate(CGraphicsObject* drawable);
    // Lets go of every drawable.
    void Empty();
    // Shows or hides every listed drawable.
    void Visible(bool on) override;

    // With a local surface, draws a frame into it.
    void Redraw() override;
    // The window's frame: on the default screen unit's first frame its
    // initial update runs first (the whole screen is invalidated and
    // *fullRefresh set, so the next frame draws it all again); the frame is
    // drawn once the unit has had it (or without a unit). True when there
    // were dirty regions, which the caller copies to the screen.
    bool Redraw(CDirectDrawSurface* destination, CSurface* surface, bool* fullRefresh);
    // The default screen unit's part of every frame, the screen's or, for a
    // window without a display, the window's: the unit's first update
    // (told to the screen's observers, when there is a screen, and followed
    // by a redraw of the whole window) until it has had it, then its
    // per-frame step. True when the first update ran.
    static bool unitFrame(CRefreshScreen* screen, CWindow* window);
    // The topmost drawable at the point among priorities minPriority ..
    // maxPriority (a negative bound is no bound): the highest priority wins,
    // the later listed on equal priority; a drawable with an alpha plane is
    // hit only where its alpha is not 0 unless ignoreAlpha. Null when none.
    virtual CGraphicsObject* getGraphicsAt(int x, int y, bool visibleOnly, int minPriority, int maxPriority,
                                           bool ignoreAlpha);

    // Canvas observers, told only while notification is enabled, except of
    // the end of a screen unit's first frame (NOTIFY_INITIAL_UPDATED),
    // which they are always told of.
    void addNotifier(CCanvasObserver* observer);
    void removeNotifier(CCanvasObserver* observer);
    void notify(int code);
    void enableNotifyFlag(bool on) { notifyEnabled = on; }
    virtual void onFocusOn() { notify(NOTIFY_FOCUS_ON); }
    virtual void onFocusOff() { notify(NOTIFY_FOCUS_OFF); }

    // The background (the background manager).
    void SetBackground(CGraphicsObject* drawable);
    void SetBackground(CColor* colour);
    // Loads the image file and keeps it; when it loaded without error it
    // becomes the background.
    void SetBackground(CXString fileName);
    // Takes ownership of the surface.
    void setBackground(CDirectDrawSurface* surface);
    // Deletes the image loaded by SetBackground(fileName).
    void flush();
    CDirectDrawSurface* getBackgroundIfc();

    // Whether a frame (or a screen unit's part of one) is running now: the
    // observers' events run inside it, where drawing a frame again would
    // start it inside itself.
    bool isRedrawing() const { return redrawing > 0; }
    // The whole screen is drawn again in the next frame. Asked inside a
    // frame, where an invalidation would be emptied with the frame's own.
    void redrawNextFrame() { wholeNextFrame = true; }
    // The surface the last frame was drawn into; null before the first.
    CDirectDrawSurface* getCurrentDestination() { return currentDestination; }

    // Empties the dirty regions.
    void validate();
    CRefreshRegion* getRefreshList() { return regions; }
    CDirectDrawSurface* GetLocalDestiny() { return localSurface; }
    CValidationQuene* getRefreshQuene() { return refreshList; }
    int getFrameCounter() const { return frameCounter; }

    // Saves the last frame's destination with its Save (the engine image
    // file); nothing before the first frame.
    int Save(CXString fileName, _compression kind) override;
    using CGraphicsObject::Save;
    // Nothing makes a captured copy: null.
    CDirectDrawSurface* _catch() { return captured; }
    void _release();

    // CRefreshScreenIfc
    void invalidateArea(CXRect* rect) override { Invalidate(rect); }
    void removeDrawable(CGraphicsObject* drawable) override { *this >> drawable; }

private:
    bool __redraw(CDirectDrawSurface* destination);
    void letGo(CGraphicsObject* drawable);
    void dropFileBackground();

    CDirectDrawSurface* currentDestination;
    int screenFlags;
    bool useLocalSurface;
    int frameCounter;
    CDirectDrawSurface* captured;
    CDirectDrawSurface* localSurface;
    CRefreshRegion* regions;
    CXArray* canvasObservers;
    CGraphicsObject* fileBackground;
    bool notifyEnabled;
    CScreenBackgroundIfc* backgroundManager;
    CValidationQuene* refreshList;
    int redrawing;
    bool wholeNextFrame;
};
