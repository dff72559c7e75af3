#pragma once
#include "base/Geometry.h"
#include "ui/InputListeners.h"

class CControl;
class CGraphicsObject;

// What controls need of the screen unit they belong to (the scene's default
// unit, which implements this and answers CMC_ScreenUnit::getControlUnit).
// The unit hears every report of the buttons made for its scenes (it is one
// of their notifiers); their hot spots are found only while it is active,
// and it carries out their dragging.
class CControlUnit : public CControlNotifier {
public:
    // Hot spots of an inactive unit are never found.
    virtual bool isActive() = 0;
    // A drag started by a control is under way.
    virtual bool isDragging() = 0;
    // Before its first frame buttons skip their on-move image and sound.
    virtual bool wasInitiallyUpdated() = 0;
    // Starts dragging the image from p for the control: the unit moves it
    // with the mouse, calls the control's onDragging on the way, and at the
    // end its Enable(true) and onEndDragging. True when the drag started.
    virtual bool onStartDragging(CGraphicsObject* image, CXPoint p, CControl* control) = 0;
    // The return code a control reports on its action.
    virtual void setRetCode(int code) = 0;
    // The control is being destroyed: a drag it started ends.
    virtual void onControlGone(CControl*) {}

protected:
    ~CControlUnit() = default;
};
