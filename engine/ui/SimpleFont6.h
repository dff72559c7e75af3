#pragma once
#include "graphics/GraphicsObject.h"

#include <array>
#include <cstdint>
#include <vector>

class CAnimo;
class CMElement;

// The engine's bitmap font: one drawable holding every glyph of one family,
// style and size side by side in a strip of N cells of equal width, the
// glyph shapes in the alpha plane, with each glyph's blank margins left and
// right and a table of pair kerning. Texts draw one letter at a time with
// drawLetter, which places the strip and clips it to the letter's visible
// part: letters are separated by 2 pixels, less the kerning of the pair.
//
// Fonts are read from font files ("FNT", FontFile.cpp), which the compiler
// create also writes from an animation whose frames are the glyphs. The
// letter "@" is drawn with the glyph of "<" and "$" with that of ">"; a
// space is as wide as "l", "~" is 1 pixel wide, and neither draws.
//
// Main thread only, like all drawing.
class CSimpleFont6 : public CGraphicsObject {
public:
    // The default text colour, which a text given the font takes.
    enum { DEFAULT_TEXT_COLOR = 65535 };
    // The widest cell and the tallest strip a font may have, in pixels.
    enum { MAX_GLYPH_SIDE = 4096 };

    // An empty font (no letters).
    explicit CSimpleFont6(CWindow* window);
    // The font of the file (Load).
    CSimpleFont6(CWindow* window, const CXString& fileName);
    // The font of the record's "FILENAME", with its "FAMILY", "STYLE" and
    // "SIZE".
    CSimpleFont6(CWindow* window, CMElement* element);
    ~CSimpleFont6() override;

    // Frees the letter, margin and kerning tables.
    virtual void flush();
    // Draws letter c into the destiny with its visible part at x, less the
    // kerning after prev (0 for none), and answers the advance to the next
    // letter. The strip's clipping rectangle, when set (SetClippingRect with
    // a letter), narrows the letter; it is left as it was.
    virtual int drawLetter(int x, int y, char prev, char c);
    // The visible width of c, less its kerning after prev.
    virtual int getLetterWidth(char prev, char c);
    virtual int getRealLetterWidth(char c);
    // A non-empty rectangle, given relative to letter c's visible part,
    // becomes the strip's clipping rectangle; an empty one clears it.
    virtual void SetClippingRect(char c, CXRect r);
    // Every pixel of the strip takes the low 16 bits of the colour: the
    // glyphs are the alpha plane's, so the font draws in that one colour.
    virtual void setColor(int colour);
    virtual bool isMultifont() { return false; }
    using CGraphicsObject::SetClippingRect;

    // Reads the font file through the data folders, then converts the
    // pixels to the display's depth. 0, or CFile::ERROR_OPEN when the file
    // cannot be opened or is short or damaged (cells wider or a strip
    // taller than MAX_GLYPH_SIDE too): the font is then empty.
    int Load(CXString fileName) override;
    // The font file from where the file stands; the error code as above.
    int Load(CFile* file) override;
    using CGraphicsObject::Save;

    // The font compiler: the animation's frames become the glyphs, the first
    // character of each frame's name in its first event the letter. The
    // strip is made of cells of the largest frame's size, the margins and
    // the kerning are measured from the frames' alpha, and the font file is
    // written. The error code: 0; CFile::ERROR_OPEN when the animation
    // cannot be read or the font file cannot be made (the compiled font
    // stays); ERROR_DAMAGED when a frame has no name or is larger than
    // MAX_GLYPH_SIDE, or there are no frames (nothing is compiled nor
    // written).
    int create(CXString animationFile, CXString fontFile);
    int create(CAnimo* animation, CXString fontFile);

    // Columns from the left (right) edge to the first with any alpha byte
    // that is not 0; the width when there is none.
    static int getLeftOffset(CGraphicsObject* graphic);
    static int getRightOffset(CGraphicsObject* graphic);
    // The kerning of letter b after letter a; 0 when either is missing.
    int getKerning(char a, char b);

    void setFamily(const CXString& f) { family = f; }
    CXString getFamily() { return family; }
    void setStyle(const CXString& s) { style = s; }
    CXString getStyle() { return style; }
    void setSize(int s) { size = s; }
    int getSize() { return size; }
    // The colour a text takes when it is given the font.
    int setDefColor(int colour) { return textColor = colour; }
    int getDefColor() { return textColor; }
    int getColor() { return color; }

    // The tables, as a font file holds them.
    int getLetterCount() const { return count; }
    const std::vector<char>& getLetters() const { return letters; }
    const std::vector<int8_t>& getKerningTable() const { return kerning; }
    const std::vector<int8_t>& getLeftMargins() const { return leftMargins; }
    const std::vector<int8_t>& getRightMargins() const { return rightMargins; }
    // The glyph index of a letter ("@" and "$" as "<" and ">"), the first
    // one holding it; -1 when the font has none.
    int indexOf(char c) const;

private:
    void construct();
    // The tables and the strip are emptied.
    void makeEmpty();
    // Every letter's first glyph index.
    void indexLetters();
    int cellWidth() const { return count > 0 ? width / count : 0; }
    int visibleWidth(int index) const { return cellWidth() - leftMargins[index] - rightMargins[index]; }
    // The kerning entry of glyph i after the letter prev.
    int kerningAfter(char prev, int i) const;
    bool writeFile(CFile* file);

    std::vector<int8_t> kerning;
    std::vector<int8_t> leftMargins;
    std::vector<int8_t> rightMargins;
    std::vector<char> letters;
    int count;
    CXString family;
    CXString style;
    int size;
    int textColor;
    int color;
    // Glyph index by letter byte, -1 for none.
    std::array<int16_t, 256> glyphOf;
};
