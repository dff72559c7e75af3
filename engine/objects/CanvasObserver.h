#pragma once
#include "graphics/RefreshScreen.h"
#include "script/Object.h"

class CMC_ObjectsContainer;
class CWindow;

// The script canvas observer (type 103, made from "CANVAS_OBSERVER"
// records): a handle on the window's whole screen refresh. It observes the
// screen and raises its notifications as events: "ONINITIALUPDATE",
// "ONUPDATE", "ONUPDATED", "ONWINDOWFOCUSON" and "ONWINDOWFOCUSOFF" while
// the screen's notify flag is set (ENABLENOTIFY), and "ONINITIALUPDATED" at
// the end of every scene's first frame whatever the flag. Behaviours bound
// to the update events run inside the screen's redraw. Its runner works on
// the screen as a whole. It owns nothing; it is the screen's observer from
// construction to destruction. Main thread only.
class CMC_CanvasObserver : public CMC_Object, public CCanvasObserver {
public:
    // Positions in getBehavioursList.
    enum {
        EVENT_ONINITIALUPDATE = 3,
        EVENT_ONUPDATE = 4,
        EVENT_ONUPDATED = 5,
        EVENT_ONWINDOWFOCUSON = 6,
        EVENT_ONWINDOWFOCUSOFF = 7,
        EVENT_ONINITIALUPDATED = 8
    };

    CMC_CanvasObserver(CMC_ObjectsContainer* container, CMElement* element);
    // For a scene's snapshot: named "tempCANVAS" until serialize reads the
    // name.
    explicit CMC_CanvasObserver(CMC_ObjectsContainer* container);
    // Stops observing the screen, when the window is still there.
    ~CMC_CanvasObserver() override;
    CMC_CanvasObserver(const CMC_CanvasObserver&) = delete;
    CMC_CanvasObserver& operator=(const CMC_CanvasObserver&) = delete;

    CXString** getBehavioursList() override;

    // The name of the object drawn on top at (x, y) among the screen's
    // drawables (CRefreshScreen::getGraphicsAt), looked up in the container
    // and, with searchParents, in its parents: "UNKNOWN" when no searched
    // object shows it, "" when nothing is hit.
    CXString getGraphicsAt(CMC_ObjectsContainer* container, int x, int y, bool visibleOnly, int minPriority,
                           int maxPriority, bool ignoreAlpha, bool searchParents);
    // Sets the screen's notify flag, shared by every observer of it.
    void enableNotify(bool on);
    // The observed screen; null without a window.
    CRefreshScreen* getScreen() { return screen; }
    CWindow* getWindow() { return window; }

    void onInitialUpdate() override;
    void onInitialUpdated() override;
    void onUpdate() override;
    void onUpdated() override;
    void onFocusOn() override;
    void onFocusOff() override;

private:
    void observe(CMC_ObjectsContainer* container);
    void raise(int index, const char* event);

    CWindow* window;
    CRefreshScreen* screen;
};
