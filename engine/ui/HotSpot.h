#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"

class CControlUnit;
class CGraphicsObject;
class CMC_Button;
class CHotSpot;
class CWindow;
template <class Key, class Item>
class CPriorityList;

// The spots of the registry, in registration order.
using CHotSpotList = CPriorityList<CHotSpot*, CHotSpot*>;

// The mouse events the dispatcher takes, as the window's mouse handlers
// send them (CWindow::HOTSPOT_MOVE and the rest).
using _event = int;

// A mouse-sensitive area of the screen: a rectangle, or the opaque pixels
// of a drawable, with an id, a priority, an enabled flag and virtual mouse
// handlers. Every hot spot lives in one class-wide registry, in
// registration order. The window offers each mouse event to the static
// dispatcher OnMouseEvent before its mouse listeners: the dispatcher finds
// the spot under the cursor (the highest priority inside the priority
// window, the one registered first among equals), tracks which spots the
// cursor is over, switches the window's cursor between its active and main
// forms and calls the spot's handlers. A handler's result above 0 means it
// took the event. Main thread only.
class CHotSpot : public CXObject {
public:
    // The first two are registered; the third only when spot is null. The
    // first window any of them is given is the one every spot uses.
    explicit CHotSpot(CWindow* window);
    CHotSpot(CWindow* window, _event mask, int argument);
    CHotSpot(CWindow* window, CHotSpot* spot, _event mask, int argument, CMC_Button* button);
    // Leaves the registry.
    ~CHotSpot() override;
    CHotSpot(const CHotSpot&) = delete;
    CHotSpot& operator=(const CHotSpot&) = delete;

    // The handlers: the cursor position, the window's flags and the spot's
    // user data. The dispatcher calls the first four and the focus pair;
    // every one answers 0 here.
    virtual int OnMouseMove(CXPoint p, int flags, void* data);
    virtual int OnLButtonDown(CXPoint p, int flags, void* data);
    virtual int OnLButtonUp(CXPoint p, int flags, void* data);
    virtual int OnRButtonDown(CXPoint p, int flags, void* data);
    virtual int OnRButtonUp(CXPoint p, int flags, void* data);
    virtual int OnMButtonDown(CXPoint p, int flags, void* data);
    virtual int OnMButtonUp(CXPoint p, int flags, void* data);
    virtual int OnLButtonDblClk(CXPoint p, int flags, void* data);
    virtual int OnChar(int key, int data, void* user);
    virtual int OnKeyDown(int key, int data, void* user);
    virtual int OnKeyUp(int key, int data, void* user);
    virtual void setPriority(int p) { priority = p; }
    // The shape's priority on the window's screen (-1 when it is not
    // listed there), else the priority set.
    virtual int getPriority();
    virtual int OnDrag(CXPoint p, int flags, void* data);
    virtual int OnFocusOn(CXPoint p, int flags, void* data);
    virtual int OnFocusOff(CXPoint p, int flags, void* data);
    virtual int OnKeyTyped(int key, void* data);

    // The drawable becomes the hit area (its own hit test decides) and the
    // rectangle is emptied; 0.
    int Set(CGraphicsObject* shape, _event mask = 0, int argument = 0);
    // The rectangle becomes the hit area and the shape is forgotten; 0.
    int SetActiveRect(CXRect rect, _event mask = 0, int argument = 0);
    // False when disabled; a rectangle with a width and a height decides,
    // else the shape's hit test, else false.
    bool TestHit(CXPoint p);
    // Disabling a spot the cursor is not over gives the window its main
    // cursor back (when the spot shows the active one).
    void Enable(bool on);
    bool IsEnabled() const { return enabled; }
    // Whether the window shows its active cursor while the cursor is over it.
    void EnableCursor(bool on) { cursor = on; }
    bool IsCursorEnabled() const { return cursor; }
    // The screen unit the spot belongs to: while it is not active the spot
    // is never found.
    void setUnit(CControlUnit* u) { unit = u; }
    CControlUnit* getUnit() const { return unit; }
    void setMCButton(CMC_Button* b) { button = b; }
    CMC_Button* getMCButton() const { return button; }
    void SetID(int i) { id = i; }
    int GetID() const { return id; }
    void setUserData(void* data) { userData = data; }
    void* getUserData() const { return userData; }
    bool hasFocus() const { return focus; }
    CXRect GetActiveRect() const { return *activeRect; }
    CGraphicsObject* getShape() const { return shape; }

    // The registry: initialize makes it (and records the window) when
    // missing; done deletes it (not the spots) and forgets the window, and
    // may be called again. add appends without looking for duplicates.
    static void initialize(CWindow* window);
    static void done();
    static bool add(CHotSpot* spot);
    static bool remove(CHotSpot* spot);
    static CHotSpotList* getList() { return registry; }
    // The priority window, both bounds included (0 .. 10,000,000 at
    // first); it stays as set across scenes.
    static void setMinPriority(int p) { minPriority = p; }
    static void setMaxPriority(int p) { maxPriority = p; }
    static int getMinPriority() { return minPriority; }
    static int getMaxPriority() { return maxPriority; }

    // The window's entry: moves, left presses and releases and right
    // presses are dispatched; the other known kinds answer 0, an unknown
    // kind answers flags.
    static int OnMouseEvent(_event kind, CXPoint p, int flags);
    // Keys reach no hot spot: 0.
    static int OnChar(int key, int data);
    static int OnKeyDown(int key, int data);
    static int OnKeyUp(int key, int data);

    // The spot under p that takes events: hit, enabled, of an active unit
    // (or none), its priority inside the window; the highest priority wins
    // and the first registered among equals. Null when none.
    static CHotSpot* findAt(CHotSpotList* list, CXPoint p);
    // The dispatchers over a list (OnMouseEvent passes the registry); the
    // bool is not used. A null list answers 0.
    static int OnMouseMove(CHotSpotList* list, CXPoint p, int flags, bool all);
    static int OnLButtonDown(CHotSpotList* list, CXPoint p, int flags, bool all);
    static int OnLButtonUp(CHotSpotList* list, CXPoint p, int flags, bool all);
    // Every enabled spot under p in registration order, whatever its
    // priority or unit, until one takes the press.
    static int OnRButtonDown(CHotSpotList* list, CXPoint p, int flags, bool all);
    static int OnRButtonUp(CHotSpotList*, CXPoint, int, bool) { return 0; }
    static int OnMButtonDown(CHotSpotList*, CXPoint, int, bool) { return 0; }
    static int OnMButtonUp(CHotSpotList*, CXPoint, int, bool) { return 0; }
    static int OnLButtonDblClk(CHotSpotList*, CXPoint, int, bool) { return 0; }

protected:
    // Takes the focus flag off and gives the window its main cursor back
    // when the spot showed the active one.
    void endCursor();

private:
    void setUp(_event mask, int argument, CMC_Button* b, bool registered);
    static int leftButton(CHotSpotList* list, CXPoint p, int flags, bool down);
    template <class Pick, class Tell>
    static int walkUntilTaken(CHotSpotList* list, Pick pick, Tell tell);
    bool inWindow();
    // Whether a walk that began when `removalsAtStart` spots had gone may
    // still visit spot: none went since, or the list still holds it.
    static bool stillThere(CHotSpotList* list, CHotSpot* spot, unsigned removalsAtStart);
    // The list a walk reads now: the registry may have been deleted by a
    // handler (done).
    static CHotSpotList* live(CHotSpotList* list, bool isRegistry) { return isRegistry ? registry : list; }

    void* userData;
    int id;
    CXRect* activeRect;
    CGraphicsObject* shape;
    int eventArgument;
    _event eventMask;
    bool enabled;
    bool cursor;
    bool focus;
    CControlUnit* unit;
    int priority;
    CMC_Button* button;

    static CHotSpotList* registry;
    static CWindow* window;
    static int minPriority;
    static int maxPriority;
    // Counts spots taken out or destroyed, so that a walk checks membership
    // only once one went.
    static unsigned removals;
};
