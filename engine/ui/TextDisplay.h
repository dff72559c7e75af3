#pragma once
#include "base/Geometry.h"
#include "base/XString.h"

class CGraphicsObject;
class CSimpleFont6;

// Where a text stands in its area: horizontally LEFT, RIGHT or CENTER,
// vertically TOP, BOTTOM or CENTER. A horizontal TOP or BOTTOM and a
// vertical LEFT or RIGHT leave that coordinate as it is.
enum _justify { LEFT = 0, RIGHT = 1, CENTER = 2, TOP = 3, BOTTOM = 4 };

// What an edit box needs of the drawable that shows its text: a text with
// "|" for each line break, drawn with a bitmap font in a rectangle, in a
// colour. The edit box puts the drawable on the window's screen, clips,
// shows and hides it. The multi-line text (CMultilineText6) is the one.
class CTextDisplay {
public:
    virtual ~CTextDisplay() {}
    // The drawable itself.
    virtual CGraphicsObject* getGraphics() = 0;
    virtual void setFont(CSimpleFont6* font) = 0;
    virtual void setText(CXString text) = 0;
    // The area the text is laid out in and placed by the justification.
    virtual void setJustify(CXRect rect, _justify horizontal, _justify vertical) = 0;
    // The text colour as a 15/16-bit pixel word; 0 keeps the font's own.
    virtual void setColor(int colour) = 0;
};
