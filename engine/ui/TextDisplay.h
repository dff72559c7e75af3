#pragma once
#include "base/Geometry.h"
#include "base/XString.h"
#include "graphics/GraphicsObject.h"

#include <vector>

class CSimpleFont6;

// What an edit box needs of the drawable that shows its text: a text with
// "|" for each line break, drawn with a bitmap font in a rectangle, in a
// colour. The edit box puts the drawable on the window's screen, clips,
// shows and hides it.
class CTextDisplay {
public:
    // Justification, horizontal and vertical.
    enum { JUSTIFY_LEFT = 0, JUSTIFY_RIGHT = 1, JUSTIFY_CENTER = 2, JUSTIFY_TOP = 3, JUSTIFY_BOTTOM = 4 };

    virtual ~CTextDisplay() {}
    // The drawable itself.
    virtual CGraphicsObject* getGraphics() = 0;
    virtual void setFont(CSimpleFont6* font) = 0;
    virtual void setText(CXString text) = 0;
    // The area the text is laid out in and placed by the justification.
    virtual void setJustify(CXRect rect, int horizontal, int vertical) = 0;
    // The text colour as a 15/16-bit pixel word; 0 keeps the font's own.
    virtual void setColor(int colour) = 0;
};

// A text of plain characters over several lines: "|" and "\r" break a
// line, "\n" is dropped, a tab counts as eight spaces, and a line wider
// than the area is wrapped before the word that does not fit (a word keeps
// the spaces before it; one of them goes at a wrap). Lines stand Height() - 4
// pixels apart, so that they overlap by 4 pixels of the font's height; each
// letter is drawn after the one before it with the font's kerning, clipped
// to the drawable's clipping rectangle. Markup is not interpreted.
// Main thread only.
class CPlainText6 : public CGraphicsObject, public CTextDisplay {
public:
    explicit CPlainText6(CWindow* window);
    ~CPlainText6() override;
    CPlainText6(const CPlainText6&) = delete;
    CPlainText6& operator=(const CPlainText6&) = delete;

    CGraphicsObject* getGraphics() override { return this; }
    // Lays the text out again; the colour stays.
    void setFont(CSimpleFont6* font) override;
    void setText(CXString text) override;
    // Places the text: x at the left, right or centre of the area, y at
    // its top, bottom or centre; other values leave that coordinate.
    void setJustify(CXRect rect, int horizontal, int vertical) override;
    void setColor(int colour) override;
    int getColor() const { return colour; }
    CXString getText() const { return text; }
    CSimpleFont6* getFont() { return font; }
    // The laid-out lines, top to bottom.
    const std::vector<CXString>& getLines() const { return lines; }

    // Draws the lines into the destiny with the font, which is left with
    // its colour and opacity as they were.
    void Redraw() override;

private:
    // Breaks the text into lines and sizes the drawable.
    void layOut();
    void place();
    void drawLine(CSimpleFont6* drawing, const CXString& line, int top);

    CSimpleFont6* font;
    CXString text;
    CXRect area;
    int horizontal;
    int vertical;
    int colour;
    std::vector<CXString> lines;
};
