#pragma once
#include "ui/Text6.h"

#include <vector>

class CEditBox6;
class CXArray;

// A formatted text wrapped over several lines to the width of its
// justification rectangle: one CText6 a line, each holding the markup of
// its own line, drawn below each other Height() - 4 pixels apart (lines
// overlap by 4 pixels of their font's height). "&NBSP;" is one more way to
// write a space.
//
// With a font collection the markup is wrapped code by code: a style
// switched on and not yet off carries over to the next line, an explicit
// line break leaves a null entry among the lines, and an edit field
// becomes underscores with an edit box of the screen unit over them (none
// without a unit). Words are numbered across all lines. With a single font
// the text is wrapped at spaces as plain characters, and answers no word
// queries.
//
// It is the display of the edit boxes. Main thread only.
class CMultilineText6 : public CText6, public CTextDisplay {
public:
    // Edit fields ask the unit for their boxes; without one they get none.
    CMultilineText6(CWindow* window, bool hypertext, CUnit6* unit);
    ~CMultilineText6() override;
    CMultilineText6(const CMultilineText6&) = delete;
    CMultilineText6& operator=(const CMultilineText6&) = delete;

    // Deletes the lines, and the edit boxes after taking them from the
    // unit.
    virtual void flush();

    CGraphicsObject* getGraphics() override { return this; }
    // The font is stored (the colour stays) and the text wrapped again.
    void setFont(CSimpleFont6* font) override;
    // Wraps the text again: the lines, their word colours and the edit
    // boxes with their contents are made anew.
    void setText(CXString text) override;
    // Places the wrapped text by its width (the widest line) and height.
    void setJustify(CXRect rect, _justify horizontal, _justify vertical) override;
    void setColor(int colour) override { CText6::setColor(colour); }
    // Shifts the justification rectangle and places the text in it again.
    // The edit boxes stay where they were made.
    void Move(int dx, int dy) override;
    using CText6::Move;
    void Redraw() override;
    // Reads a text file (code page 1250, CR LF line ends read as one line
    // end that does not break the text; "\r" or "|" do) and sets it as the
    // text. The file's error code: 0, or CFile::ERROR_OPEN.
    int Load(CXString fileName) override;
    using CText6::Load;

    // The widest line.
    int getLength() override;
    using CText6::getLength;
    // The lines' heights less 2 pixels for each entry after the first.
    int getHeight() override;
    int getNumWords();
    // Entries in order; a null entry stands for an explicit line break.
    int getLineCount() const;
    CText6* getLine(int index) const;

    // Word queries with one numbering over all lines (see CText6).
    int getWordAtXY(CXPoint p) override;
    CXString getWordAt(int index) override;
    // (the word's x plus the text's x, its line's top plus the text's y).
    CXPoint getWordPosition(int index) override;
    int getWordWidth(int index) override;
    int search(CXString word, int from) override;
    void setWordColor(int index, int colour) override;

private:
    // Wraps at spaces as plain characters.
    void splitText();
    // Wraps the codes of a collection.
    void splitMultiText();
    // A line's markup, or an explicit break.
    struct Entry {
        bool isBreak;
        CXString markup;
    };
    // Makes the lines of the entries, with their word records when asked.
    void makeLines(const std::vector<Entry>& entries, bool records);
    void layOut();
    void addEditBox(CXRect rect, CTextFormatCode* code);
    // The line whose record holds word index, with the line's own index
    // of it; null when none does.
    CText6* lineOf(int index, int* local);

    CXArray* lines;
};
