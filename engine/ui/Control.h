#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "ui/InputListeners.h"

class CWindow;
class CXArray;

// The base of the engine's interactive controls: an id, an enabled flag, a
// flags word and the notifiers (not owned) that it tells of its focus,
// clicks, releases, actions, right clicks and dragging, in registration
// order. A notifier may add or remove notifiers while it is told: one
// removed meanwhile is not told. Main thread only.
class CControl : public CXObject, public CKeyListener {
public:
    explicit CControl(CWindow* window);
    ~CControl() override;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    virtual void SetID(int i) { id = i; }
    virtual int getId() { return id; }
    virtual void Enable(bool on) { enabled = on; }
    virtual bool IsEnabled() { return enabled; }
    // A null notifier is not added.
    virtual void addNotifier(CControlNotifier* notifier);
    virtual void removeNotifier(CControlNotifier* notifier);
    // Each tells every notifier; those with a result answer 0.
    virtual int onMouseMove(CXPoint p);
    virtual int onFocusOn(CXPoint p);
    virtual int onFocusOff(CXPoint p);
    virtual int onClick(CXPoint p);
    virtual int onRelease(CXPoint p);
    virtual int onRClick(CXPoint p);
    virtual void onAction(CXPoint p);
    virtual void onStartDragging(CXPoint p);
    virtual void onDragging(CXPoint p);
    virtual void onEndDragging(CXPoint p);

    void SetFlags(int f) { flags = f; }
    int GetFlags() const { return flags; }
    CWindow* getWindow() const { return window; }
    int getNotifierCount() const;

protected:
    CWindow* window;
    int id;
    bool enabled;
    int flags;

private:
    void tell(void (CControlNotifier::*what)(CControl*, CXPoint), CXPoint p);
    CXArray* notifiers;
};
