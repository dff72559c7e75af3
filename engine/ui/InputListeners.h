#pragma once
#include "base/Geometry.h"

class CControl;
class CEditBox6;

// The callback interfaces that carry input and control events between the
// engine window, the controls and the script objects. Every operation has
// a default that does nothing and, where it answers a bool, answers false,
// so an implementer overrides only what it needs. The engine window, the
// controls and the plug-ins call these by slot: new operations go at the
// end. A registry never owns its listeners, and none is deleted through
// these interfaces.

// Mouse events from the engine window (CWindow::registerMouseListener). The
// int is the button: 0 left, 1 middle, 2 right. True means "taken": the
// window offers the event to no listener of lower priority. A left press
// is offered as onClick(p) first and then as onClick(0, p); a middle or
// right press only as onClick(1 or 2, p); releases alike.
class CMouseListener {
public:
    virtual bool onMouseMove(CXPoint) { return false; }
    virtual bool onClick(int, CXPoint) { return false; }
    virtual bool onClick(CXPoint) { return false; }
    virtual bool onRelease(int, CXPoint) { return false; }
    virtual bool onRelease(CXPoint) { return false; }
    virtual bool onDblClick(CXPoint) { return false; }
    // The window's mouse capture (CWindow::setMouseCaption) tells the
    // listener that loses the first place and the one that takes it.
    virtual void onLooseFocus() {}
    virtual void onSetFocus() {}

protected:
    ~CMouseListener() = default;
};

// Key events from the engine window (CWindow::registerKeyListener): the
// keyboard's DirectInput scan code, and the character it derived from it.
// Every key listener hears every key event.
class CKeyListener {
public:
    virtual void onKeyUp(int) {}
    virtual void onKeyDown(int) {}
    virtual void onChar(unsigned char) {}

protected:
    ~CKeyListener() = default;
};

// What a control tells its notifiers (CControl::addNotifier): the control
// and the cursor position.
class CControlNotifier {
public:
    virtual void onControlOnMove(CControl*, CXPoint) {}
    virtual void onControlFocusOn(CControl*, CXPoint) {}
    virtual void onControlFocusOff(CControl*, CXPoint) {}
    virtual void onControlClicked(CControl*, CXPoint) {}
    virtual void onControlReleased(CControl*, CXPoint) {}
    virtual void onControlAction(CControl*, CXPoint) {}
    virtual void onControlPopup(CControl*, CXPoint) {}
    virtual void onStartDragging(CControl*, CXPoint) {}
    virtual void onDragging(CControl*, CXPoint) {}
    virtual void onEndDragging(CControl*, CXPoint) {}

protected:
    ~CControlNotifier() = default;
};

// What an edit box tells its notifiers (CEditBox6::addNotifier).
class CEditBoxNotifier {
public:
    // The edit box became the active one / stopped being it.
    virtual void onFocusOn(CEditBox6*) {}
    virtual void onFocusOff(CEditBox6*) {}
    virtual void onChanged(CEditBox6*) {}
    virtual void onEnter(CEditBox6*) {}
    virtual void onEsc(CEditBox6*) {}

protected:
    ~CEditBoxNotifier() = default;
};
