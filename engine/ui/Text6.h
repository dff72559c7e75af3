#pragma once
#include "base/Geometry.h"
#include "base/XString.h"
#include "graphics/GraphicsObject.h"
#include "ui/TextDisplay.h"
#include "ui/TextFormatCode.h"

class CSimpleFont6;
class CUnit6;
class CXVector;

// The engine's drawable for one line of formatted text. With a font
// collection its text is markup, parsed into CTextFormatCode records on
// every setText, setFont and setColor:
//   "|" or "\r" breaks the line, "\n" is dropped, a tab is eight spaces;
//   <B>, <I>, <U>, <LS>, <US> (any case) toggle bold, italic, underline,
//     lower and upper strike: the font of that style (or back to
//     "STANDARD" when the current font has it) of the same family and size;
//   <E,width,name,text> is an edit field, <COLOR...> a colour change (a
//     pixel value, or red,green,blue);
//   any other <...> loses its "<" and shows the rest.
// The fonts draw "@" with the glyph of "<" and "$" with that of ">". With a
// single font the stored text is drawn as plain characters, markup
// included. The text is stored wrapped in its colour ("<COLOR65535>" ...
// "<COLOR>").
//
// When drawn, the text records where each word went, for the word
// queries; word edges are window x positions and valid after one draw.
// Main thread only.
class CText6 : public CGraphicsObject {
public:
    enum { DEFAULT_COLOR = 65535, TAB_SPACES = 8 };

    // The second argument is accepted and not used: words are tracked.
    CText6(CWindow* window, bool hypertext, CUnit6* unit);
    ~CText6() override;
    CText6(const CText6&) = delete;
    CText6& operator=(const CText6&) = delete;

    // Frees the line records (not those borrowed from lines).
    virtual void flush_ht_info();
    // The font to measure and draw with (not owned); the text takes its
    // default colour and is parsed and sized again.
    virtual void setFont(CSimpleFont6* font);
    // Replaces the text (wrapped in the colour) and parses, sizes, places
    // and tracks it again; word colours are dropped.
    virtual void setText(CXString text);
    // Places the text in the rectangle by the justifications; Move later
    // shifts the rectangle when it is not empty.
    virtual void setJustify(CXRect rect, _justify horizontal, _justify vertical);
    // The stored text, with its colour wrapper.
    virtual CXString getText() { return text; }
    // s wrapped in the colour code of colour (none for 0); a wrapper s
    // starts with is removed first, with every other colour code of s.
    virtual CXString getColoruredText(CXString s, int colour);
    // A new colour sets the text again in it.
    virtual void setColor(int colour);
    virtual int getColor() { return colour; }
    // Word queries; words are counted in text order, n + 1 for a run of n
    // spaces. An index outside the words does nothing and answers none:
    // -1, "", (-1, -1), 0.
    virtual int getWordAtXY(CXPoint p);
    virtual CXString getWordAt(int index);
    virtual CXPoint getWordPosition(int index);
    virtual int getWordWidth(int index);
    // The first word equal to word (case as written) at index from or
    // later; -1 when none.
    virtual int search(CXString word, int from);
    // The word alone is drawn in the colour (WORD_COLOR_NONE for the
    // text's own) from the next draw on.
    virtual void setWordColor(int index, int colour);

    // With the justification rectangle empty the drawable moves; otherwise
    // the rectangle does and the text is placed in it again.
    void Move(int dx, int dy) override;
    using CGraphicsObject::Move;
    void Redraw() override;

    CSimpleFont6* getFont() { return font; }
    _justify getHJustify() const { return hJustify; }
    _justify getVJustify() const { return vJustify; }
    CXRect getJustifyRect() const { return justifyRect; }
    // The width of the stored text in pixels.
    virtual int getLength();
    // The width of the characters drawn one after another with the font,
    // as plain characters (no markup): each letter's width after the one
    // before it, and 2 pixels between letters. 0 without a font.
    static int getLength(CSimpleFont6* font, const CXString& text);
    static CXString convTab(CXString s);
    // Whether the body is one of the style codes (B, I, U, LS, US).
    static bool checkCode(CXString body);
    // The number of words of all text runs.
    int count_words();
    int getWordIndex(int index) { return index; }
    // The line record at that index; null when there is none.
    ht_Line* get_ht_lines_info(int index);
    int get_ht_lines_count() const { return linesInfoCount; }
    // The parsed codes, in text order.
    int getCodeCount();
    CTextFormatCode* getCode(int index);
    // The edit boxes a multi-line text placed in its text (not owned here).
    CXVector* getEditBoxes() { return editBoxes; }

protected:
    // Appends a code and answers the font to go on with: for a style
    // code the font it switches to (null when the collection lacks it);
    // otherwise the font given.
    CSimpleFont6* addCode(int mode, CXString text, CSimpleFont6* font);
    void parseText();
    void flushCodes();
    // A new line record for the words of the codes.
    void buildLineRecord();
    // The record and word k of line 0, null when there is none.
    ht_Word* wordOf(int index);
    // The display's pixel depth for colour codes: 15 or 16.
    int depth();
    // Places the text in the justification rectangle.
    void place();
    void drawCodes();
    void drawPlain();
    // Draws c at pen, clipped letter by letter to the clipping rectangle;
    // answers the advance.
    int drawClipped(CSimpleFont6* drawing, int pen, char previous, char c);

    CSimpleFont6* font;
    CXString text;
    CXRect justifyRect;
    _justify vJustify;
    _justify hJustify;
    CXVector* codes;
    CUnit6* unit;
    CXVector* editBoxes;
    int colour;
    bool tracking;
    bool linesDirty;
    ht_Line** linesInfo;
    int linesInfoCount;
    bool linesBorrowed;
};
