#pragma once
#include "base/Geometry.h"
#include "base/XString.h"

class CGraphicsObject;
class CSimpleFont6;
class CUnit6;
class CWindow;

// What the screen unit needs of an edit box (the text input field,
// CEditBox6, implements it): the unit owns the boxes of its scene, gives
// the keyboard focus to one at a time and moves it with Tab and Shift+Tab
// over the enabled ones.
class CEditBoxIfc {
public:
    virtual ~CEditBoxIfc() {}
    // Gives (true) or takes (false) the keyboard focus.
    virtual void activate(bool on) = 0;
    // Whether Tab may give the box the focus.
    virtual bool isEnabled() = 0;
    // The graphic that shows where the text is typed.
    virtual void setCursor(CGraphicsObject* cursor) = 0;

    // How the unit makes a box (window, unit, font, area, the box's own int
    // argument, text); the edit boxes install it. Without one the unit
    // makes none.
    using Maker = CEditBoxIfc* (*)(CWindow* window, CUnit6* unit, CSimpleFont6* font, CXRect rect, int argument,
                                   CXString text);
    static void setMaker(Maker maker);
    static Maker getMaker();
};
