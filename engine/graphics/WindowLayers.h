#pragma once
#include "base/Geometry.h"
#include "graphics/GraphicsObject.h"

class CAnimationManager;
class CCollisionObserver;
class CDXMouse;
class CDirectDrawSurface;
class CKeyboard;
class CRefreshRegion;
class CRefreshScreen;
class CWindow;

// The host's window and a cursor as the platform layer hands them over;
// opaque to the engine. Both are null for a title run without a display.
using CWindowHandle = void*;
using CCursorHandle = void*;

// The window's collision inspector: scenes watch drawables and observers
// with it (through the window), drawables whose collisions are watched
// report their moves to it, the frame tick runs it once a frame, and the
// window deletes it.
class CCollisionInspectorIfc : public CPositionObserver {
public:
    virtual ~CCollisionInspectorIfc() {}
    virtual void addMonitoredObject(CGraphicsObject* drawable, bool pixelExact) = 0;
    // The drawable's entry stops being watched; the pointer may be stale
    // and is only compared.
    virtual void removeMonitoredObject(CGraphicsObject* drawable) = 0;
    virtual void addNotifier(CCollisionObserver* observer) = 0;
    virtual void removeNotifier(CCollisionObserver* observer) = 0;
    virtual void tick() = 0;
};

// The secondary display: mirrors the picture into a second window after a
// delay. The main surface hands it every rectangle it copies to the screen
// (update); the frame tick lets it show what is due (redraw). The window
// deletes it.
class CSecondaryDisplayIfc {
public:
    virtual ~CSecondaryDisplayIfc() {}
    virtual void update(CDirectDrawSurface* source, CXRect* rect) = 0;
    virtual void redraw() = 0;
};

// The screen's background as the refresh screen uses it: drawn first in
// every frame, into the dirty regions only. The refresh screen deletes it.
class CScreenBackgroundIfc {
public:
    virtual ~CScreenBackgroundIfc() {}
    virtual void Redraw(CDirectDrawSurface* destination, CRefreshRegion* regions) = 0;
    virtual void SetBackground(CGraphicsObject* drawable) = 0;
    virtual void SetBackground(CColor* colour) = 0;
    // Takes ownership of the surface.
    virtual void setBackground(CDirectDrawSurface* surface) = 0;
    virtual CDirectDrawSurface* getBackground() = 0;
};

// What the window and the screen refresh need of the layers above them
// (animation and sound, controls and input) and of parts of
// the graphics layer that are not there yet. Each layer fills its entries
// once; an empty entry does nothing: a maker makes nothing, a step does
// nothing, a query answers 0 or null.
struct CWindowLayers {
    // The keyboard and the DirectInput mouse, made by the window's
    // constructor; they add themselves as input pollers. The window's
    // release deletes them.
    CKeyboard* (*makeKeyboard)(CWindow* window);
    void (*deleteKeyboard)(CKeyboard* keyboard);
    CDXMouse* (*makeMouse)(CWindow* window);
    void (*deleteMouse)(CDXMouse* mouse);
    // The collision inspector, made by the window's constructor.
    CCollisionInspectorIfc* (*makeCollisionInspector)(CWindow* window);
    // The frame tick's step of the application's animation manager (the
    // sounds' step is the sound layer's, CWindowSoundLayer).
    void (*stepAnimations)(CAnimationManager* manager);
    // The hot-spot registry: a mouse event (the event code, the position,
    // 0) and a key (key, key data); non-zero when a hot spot took it.
    int (*hotSpotMouseEvent)(int event, CXPoint position, int flags);
    int (*hotSpotChar)(int key, int data);
    // The script mouse's cursor limits when the window loses and regains
    // the focus.
    void (*resetScriptMouse)(bool clearLimits);
    void (*restoreScriptMouse)();
    // The secondary display for the second window, made by the windowed
    // display set-up; delay in milliseconds. CSecondaryDisplay fills it
    // (SecondaryDisplay.cpp).
    CSecondaryDisplayIfc* (*makeSecondaryDisplay)(CWindowHandle secondWindow, CWindow* window, int delay);
    // The refresh screen's background manager, made with the refresh
    // screen. CRefreshScreen::CBackgroundManager fills it (Background.cpp).
    CScreenBackgroundIfc* (*makeBackground)(CWindow* window, CRefreshScreen* screen);
    // Turns a drawable's pixels to grey scale.
    void (*toGrayScale)(CGraphicsObject* drawable);
};
