#pragma once
#include "base/Geometry.h"
#include "base/XString.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "ui/InputListeners.h"

class CWindow;

// The script MOUSE (type 100): a mouse listener of the window, below hot
// spots and above every other listener, that keeps the last position and
// the last left press it saw and raises "ONMOVE", "ONCLICK" and "ONRELEASE"
// (with the button's name first: "ONCLICK^LEFT", then plain "ONCLICK" when
// no behaviour took that) and "ONDBLCLICK". It never takes an event:
// listeners below it hear every one. Its methods drive the window's cursor
// kinds, the system cursor's visibility, position and clip rectangle, the
// window's mouse input, and simulated presses through the window's own
// dispatch. Positions and the clip rectangle are in the window's client
// coordinates. Behaviours added to its events join those bound before.
class CMC_Mouse : public CMC_Object, public CMouseListener {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONMOVE = 3, EVENT_ONCLICK = 4, EVENT_ONRELEASE = 5, EVENT_ONDBLCLICK = 6 };
    enum { LISTENER_PRIORITY = 100002 };

    // For a snapshot: named "MOUSE" until serialize reads the stored name.
    explicit CMC_Mouse(CMC_ObjectsContainer* container);
    // From a definition; the type has no keys of its own.
    CMC_Mouse(CMC_ObjectsContainer* container, CMElement* element);
    // Leaves the window's listeners; the cursor, its visibility and the
    // clip rectangle stay as they are.
    ~CMC_Mouse() override;
    CMC_Mouse(const CMC_Mouse&) = delete;
    CMC_Mouse& operator=(const CMC_Mouse&) = delete;

    CXString** getBehavioursList() override;

    // The window's cursor: 1 or "ARROW" the main one, 2 or "WAIT" the wait
    // cursor, 3 or "ACTIVE" the active one; anything else does nothing.
    void set(int kind);
    void set(const CXString& kind);
    // Puts the system cursor there (kept inside the clip rectangle); the
    // stored position takes the values as given.
    void setPosition(int x, int y);
    void move(CXPoint d) { setPosition(position.x + d.x, position.y + d.y); }
    CXPoint getPosition() const { return position; }
    CXPoint getLastClickPosition() const { return lastClickPosition; }
    // The system cursor shown or hidden; each object changes it only from
    // the state it last set.
    void show();
    void hide();
    // All mouse input of the window on (the main cursor) or off (the wait
    // cursor; no event reaches hot spots or listeners).
    void enable();
    void disable();
    bool isEnabled() const { return enabled; }
    // ONCLICK, ONRELEASE and ONDBLCLICK on or off; ONMOVE is not affected.
    void enableSignal() { signalsEnabled = true; }
    void disableSignal() { signalsEnabled = false; }
    bool areSignalsEnabled() const { return signalsEnabled; }

    // A move to p, or by p from the stored position.
    virtual bool onMouseMove(CXPoint p, bool relative);
    // Keeps the cursor inside the rectangle, for every MOUSE object, until
    // it is reset; a rectangle turned inside out is put right.
    virtual void setClipRect(int left, int top, int right, int bottom);

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    bool onDblClick(CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    // The window becoming active clips the cursor to the rectangle again
    // (frees it when there is none); becoming inactive frees it (reset
    // false). reset(true) also forgets the rectangle: a scene is left.
    static void restore();
    static void reset(bool clear);
    // "LEFT" (0), "MIDDLE" (1), "RIGHT" (2); empty for any other code.
    static CXString getButton(int code);

    CWindow* getWindow() { return window; }

private:
    void listen();
    // "<event>^<button>", and the plain event when no behaviour took it.
    void raiseButton(int index, const char* event, int button);

    CWindow* window;
    bool enabled;
    bool signalsEnabled;
    CXPoint position;
    CXPoint lastClickPosition;
    bool cursorShown;
};

class CMC_Mouse_Runner : public CMC_Runner {
public:
    enum {
        SHOW = 1,
        HIDE = 2,
        ENABLE = 3,
        DISABLE = 4,
        GETPOSX = 5,
        GETPOSY = 6,
        GETLASTCLICKPOSX = 7,
        GETLASTCLICKPOSY = 8,
        SET = 9,
        SETPOSITION = 10,
        MOVE = 11,
        CLICK = 12,
        ENABLESIGNAL = 13,
        DISABLESIGNAL = 14,
        MOUSERELEASE = 15,
        SETCLIPRECT = 16,
        LOCKACTIVECURSOR = 17,
        ISLBUTTONDOWN = 18,
        ISRBUTTONDOWN = 19
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    // CLICK and MOUSERELEASE: the press or release of the named button at
    // (x, y) through the window's handlers.
    void simulate(CMC_Mouse* mouse, CXVector* args, bool press);
};
