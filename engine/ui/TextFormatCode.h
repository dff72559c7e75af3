#pragma once
#include "base/XObject.h"
#include "base/XString.h"

class CSimpleFont6;

// One piece of a parsed formatted text: a run of characters, a font change,
// a tab, a line break, an edit field or a colour change. The text measures,
// draws and wraps these without reading its markup again.
class CTextFormatCode : public CXObject {
public:
    enum { FONT = 1, TEXT = 2, TAB = 3, BREAK = 4, EDIT = 5, COLOR = 6 };

    // A text run.
    explicit CTextFormatCode(CXString text);
    // A font change to the font, with the code as written ("<B>").
    CTextFormatCode(CSimpleFont6* font, CXString text);
    // A tab, line break, edit field or colour, its argument read for the
    // display's pixel depth (15, or anything else for 16): an edit field's
    // "E,width,name,text" and a colour's pixel value or red,green,blue.
    CTextFormatCode(int depth, int mode, CXString argument);
    CTextFormatCode(const CTextFormatCode& other);
    CTextFormatCode& operator=(const CTextFormatCode& other);

    int getMode() const { return mode; }
    int getColor() const { return colour; }
    CSimpleFont6* getFont() const { return font; }
    int getWidth() const { return width; }
    CXString getText() const { return text; }
    CXString getName() const { return name; }

    // A colour argument as a pixel value of that depth. Without a comma it
    // is the value written in decimal; otherwise its first three numbers
    // are red, green and blue, 0 to 255, packed 5-5-5 at depth 15 and
    // 5-6-5 otherwise (a sign-extended 16-bit value, as scripts see it).
    static int colorOf(int depth, const CXString& argument);

private:
    void readEditField(const CXString& body);

    int mode;
    int colour;
    CXString text;
    CSimpleFont6* font;
    int width;
    CXString name;
};

// Where one word of a text was drawn (window x of its first and last
// pixel columns) and the colour it alone is drawn in (WORD_COLOR_NONE for
// the text's own).
struct ht_Word {
    enum { WORD_COLOR_NONE = 0x10000 };
    int left;
    int right;
    int colour;
};

// One line of a text for word queries: the index of its first word in the
// whole text, its window top and bottom when last drawn, and its words
// (null when there are none). A copy shares the word array.
struct ht_Line {
    int firstWord;
    int top;
    int bottom;
    int wordCount;
    ht_Word* words;
};
