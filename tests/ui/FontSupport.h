#pragma once
// A small font the tests compile: five glyphs drawn as text pictures, made
// into an animation in memory (one frame a glyph, named by its letter in
// the first event), and the font file the compiler must write for it,
// worked out here from the pictures.
#include "media/Animo.h"
#include "media/Frame.h"
#include "ui/SimpleFont6.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fonttest {

// A glyph's frame, a row of text a pixel row: '#' ink (alpha 255), '+'
// faint (alpha 20: not blank, but no ink for the kerning), '.' blank. The
// compiler clears the frame's border, ink or not.
struct GlyphArt {
    const char* name; // the frame's name: its first character is the letter
    uint16_t colour;  // of every pixel of the frame
    std::vector<std::string> rows;
    int width() const { return int(rows[0].size()); }
    int height() const { return int(rows.size()); }
    uint8_t alphaAt(int x, int y) const
    {
        char c = rows[size_t(y)][size_t(x)];
        return c == '#' ? 255 : c == '+' ? 20 : 0;
    }
};

// Cells of 6 x 5; the "." frame is narrower than the cell.
inline const std::vector<GlyphArt>& glyphs()
{
    static const std::vector<GlyphArt> art = {
        {"A", 0xF800, {"#.....", ".###..", ".###..", ".###..", "......"}},
        {"lower l", 0x8410, {"......", "..#...", "..#+..", "..#...", "......"}},
        {"<", 0x07E0, {"......", "....#.", "..#...", ".#....", "......"}},
        {".", 0x001F, {"....", "....", "....", "..#.", "...."}},
        {">", 0xFFFF, {"......", ".####.", "......", "......", "......"}},
    };
    return art;
}
const int CELL_W = 6, CELL_H = 5, GLYPHS = 5;

// What the compiler finds, worked out by hand from the pictures: margins
// in the cell, and the kerning of each glyph (row) before each (column).
const char LETTERS[] = "Al<.>";
const int8_t LEFT[GLYPHS] = {1, 2, 1, 2, 1};
const int8_t RIGHT[GLYPHS] = {2, 2, 1, 3, 1};
const int8_t KERNING[GLYPHS][GLYPHS] = {
    {1, 1, 1, 1, 1},
    {0, 0, 0, 0, 0},
    {1, 1, -2, -2, 1},
    {1, 1, 1, 1, 0},
    {1, 1, -3, -3, 1},
};

inline bool inside(const GlyphArt& g, int x, int y) { return x > 0 && y > 0 && x < g.width() - 1 && y < g.height() - 1; }

// The glyph's frame, with its border as drawn (the compiler clears it).
inline CFrame* frameOf(CWindow* window, const GlyphArt& g)
{
    CFrame* f = new CFrame(window);
    f->SetBpp(16);
    f->alloc(CXSize(g.width(), g.height()));
    for (int y = 0; y < g.height(); ++y)
        for (int x = 0; x < g.width(); ++x) {
            std::memcpy(f->GetDataPtr() + (y * g.width() + x) * 2, &g.colour, 2);
            f->GetChannelAlpha()[y * g.width() + x] = char(g.alphaAt(x, y));
        }
    return f;
}

// The glyphs as the frames of an animation, named in its one event.
inline void fillAnimation(CAnimo& a, const std::vector<GlyphArt>& art = glyphs())
{
    _annEventInfo3* e = new _annEventInfo3;
    e->setName("glyphs");
    e->opacity = 255;
    std::vector<_anmFrameInfo3*> records;
    for (size_t i = 0; i < art.size(); ++i) {
        a.appendFrame(frameOf(a.GetWindow(), art[i]));
        e->frames.push_back(uint16_t(i));
        _anmFrameInfo3* r = new _anmFrameInfo3;
        if (art[i].name)
            r->frameName = CXString(art[i].name);
        records.push_back(r);
    }
    a.appendEvent(e, records);
}

inline void put32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += char((v >> (8 * i)) & 0xFF);
}

// The strip's pixel (x, y): (colour, alpha) of the glyph's frame there,
// 0 on the cleared border and right of a narrow frame.
inline void stripAt(int x, int y, uint16_t* colour, uint8_t* alpha)
{
    const GlyphArt& g = glyphs()[size_t(x / CELL_W)];
    const int fx = x % CELL_W;
    const bool kept = fx < g.width() && inside(g, fx, y);
    *colour = kept ? g.colour : 0;
    *alpha = kept ? g.alphaAt(fx, y) : 0;
}

// The font file of the glyphs, byte for byte.
inline std::string expectedFile()
{
    std::string s("FNT", 4);
    put32(s, CELL_W * GLYPHS);
    put32(s, CELL_H);
    put32(s, 16);
    put32(s, GLYPHS);
    s += LETTERS;
    for (const auto& row : KERNING)
        for (int8_t k : row)
            s += char(k);
    for (int8_t m : LEFT)
        s += char(m);
    for (int8_t m : RIGHT)
        s += char(m);
    std::string alphas;
    for (int y = 0; y < CELL_H; ++y)
        for (int x = 0; x < CELL_W * GLYPHS; ++x) {
            uint16_t c;
            uint8_t a;
            stripAt(x, y, &c, &a);
            s += char(c & 0xFF);
            s += char(c >> 8);
            alphas += char(a);
        }
    return s + alphas;
}

// Compiles the glyphs into the font file (an engine path) with the font.
inline int compile(CSimpleFont6& font, const std::string& fontFile)
{
    CAnimo animation(font.GetWindow());
    fillAnimation(animation);
    return font.create(&animation, CXString(fontFile.c_str()));
}

} // namespace fonttest
