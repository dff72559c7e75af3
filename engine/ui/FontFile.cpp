// The font file and the font compiler. A font file is little-endian, with
// no padding:
//   "FNT" and a zero byte (not checked), int32 strip width W, int32 strip
//   height H, int32 bits per pixel (15 or 16; the compiler writes 16),
//   int32 letter count N, then N letters, N x N kerning bytes (row: the
//   preceding letter, column: the following one), N left margins, N right
//   margins (signed bytes), W x H 16-bit pixels and W x H alpha bytes, rows
//   from the top. Nothing follows.
#include "ui/SimpleFont6.h"

#include "base/File.h"
#include "media/Animo.h"
#include "media/AnimoStream.h"
#include "media/Frame.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Alpha above this is ink when kerning is measured.
const unsigned char INK = 20;

// A glyph being compiled: a plain 16-bit copy of its frame, with an alpha
// plane (opaque when the frame has none).
struct Glyph {
    std::unique_ptr<CGraphicsObject> picture;
    int w = 0, h = 0;
    int left = 0;  // blank columns from the left edge of the frame
    int right = 0; // blank columns from the right edge of the frame
    const unsigned char* alpha() const
    {
        return reinterpret_cast<const unsigned char*>(picture->GetChannelAlpha());
    }
    bool ink(int column, int row) const
    {
        return column >= 0 && column < w && row >= 0 && row < h && alpha()[size_t(row) * size_t(w) + size_t(column)] > INK;
    }
};

// How far a's right edge lies from touching b's left edge: a's test column
// walks left from its last visible column until, in some row, it has ink
// where b's first visible column has ink (or the two touch diagonally from
// one row to the next); the steps walked, or all of them when a's left
// margin is passed first.
int contactDistance(const Glyph& a, const Glyph& b, int rows)
{
    int column = a.w - a.right - 1;
    if (column < a.left)
        return 0;
    for (int steps = 0;; ++steps) {
        int previous = 0;
        for (int row = 0; row < rows; ++row) {
            const int state = (a.ink(column, row) ? 1 : 0) + (b.ink(b.left, row) ? 2 : 0);
            if (state == 3)
                return steps;
            if ((state == 2 && previous == 1) || (state == 1 && previous == 2))
                return steps + 1;
            previous = state;
        }
        if (--column < a.left)
            return steps + 1;
    }
}

// The glyph of a frame, its one-pixel border cleared in pixels and alpha.
bool makeGlyph(CWindow* window, CGraphicsObject* frame, Glyph& glyph)
{
    glyph.picture.reset(new CGraphicsObject(window));
    CGraphicsObject& g = *glyph.picture;
    g.Copy(frame);
    g.Convert(16);
    glyph.w = g.Width();
    glyph.h = g.Height();
    if (g.GetBpp() != 16 || !g.GetDataPtr() || glyph.w <= 0 || glyph.h <= 0 ||
        glyph.w > CSimpleFont6::MAX_GLYPH_SIDE || glyph.h > CSimpleFont6::MAX_GLYPH_SIDE)
        return false;
    if (!g.GetChannelAlpha()) {
        char* plane = new char[size_t(glyph.w) * size_t(glyph.h)];
        std::memset(plane, 0xFF, size_t(glyph.w) * size_t(glyph.h));
        g.AlphaChannel(plane);
    }
    uint16_t* pixels = reinterpret_cast<uint16_t*>(g.GetDataPtr());
    unsigned char* alpha = reinterpret_cast<unsigned char*>(g.GetChannelAlpha());
    auto clear = [&](int column, int row) {
        const size_t at = size_t(row) * size_t(glyph.w) + size_t(column);
        pixels[at] = 0;
        alpha[at] = 0;
    };
    for (int column = 0; column < glyph.w; ++column) {
        clear(column, 0);
        clear(column, glyph.h - 1);
    }
    for (int row = 0; row < glyph.h; ++row) {
        clear(0, row);
        clear(glyph.w - 1, row);
    }
    glyph.left = CSimpleFont6::getLeftOffset(&g);
    glyph.right = CSimpleFont6::getRightOffset(&g);
    return true;
}

} // namespace

int CSimpleFont6::Load(CXString fileName)
{
    makeEmpty();
    CFile file;
    if (file.Open(window, fileName, CFile::MODE_READ | CFile::MODE_BINARY) != 0) {
        setErrorCode(CFile::ERROR_OPEN);
        return CFile::ERROR_OPEN;
    }
    Load(&file);
    file.Close();
    if (LastError() == 0) {
        setFileName(fileName);
        convertToDisplay();
    }
    return LastError();
}

// Every block is known to be there before anything is allocated, so a
// header that announces more than the file holds costs nothing.
int CSimpleFont6::Load(CFile* file)
{
    makeEmpty();
    CAnimoReader in(file);
    in.skip(4);
    const int32_t w = in.i32(), h = in.i32(), depth = in.i32(), n = in.i32();
    const int64_t tables = int64_t(n) * (3 + int64_t(n));
    const int64_t pixels = int64_t(w) * int64_t(h);
    // Glyphs larger than any screen are damage, and bounding them keeps
    // every sum of a letter's place, width, margins and kerning in range.
    const bool glyphsFit = n > 0 && w / n <= MAX_GLYPH_SIDE && h <= MAX_GLYPH_SIDE;
    if (!in.ok() || n <= 0 || w < 0 || h < 0 || !glyphsFit || (depth != 15 && depth != 16) || !in.has(tables) ||
        pixels > (in.remaining() - tables) / 3) {
        setErrorCode(CFile::ERROR_OPEN);
        return CFile::ERROR_OPEN;
    }
    count = n;
    letters.resize(size_t(n));
    kerning.resize(size_t(n) * size_t(n));
    leftMargins.resize(size_t(n));
    rightMargins.resize(size_t(n));
    in.read(letters.data(), n);
    in.read(kerning.data(), int64_t(n) * n);
    in.read(leftMargins.data(), n);
    in.read(rightMargins.data(), n);
    SetBpp(depth);
    alloc(CXSize(w, h));
    in.read(data, 2 * pixels);
    in.read(alpha, pixels);
    if (!in.ok()) {
        makeEmpty();
        setErrorCode(CFile::ERROR_OPEN);
        return CFile::ERROR_OPEN;
    }
    indexLetters();
    setErrorCode(0);
    return 0;
}

bool CSimpleFont6::writeFile(CFile* file)
{
    CAnimoWriter out;
    out.put("FNT", 4);
    out.u32(uint32_t(width));
    out.u32(uint32_t(height));
    out.u32(uint32_t(bpp));
    out.u32(uint32_t(count));
    out.put(letters.data(), count);
    out.put(kerning.data(), count * count);
    out.put(leftMargins.data(), count);
    out.put(rightMargins.data(), count);
    out.put(data, width * height * 2);
    out.put(alpha, width * height);
    return out.flush(file);
}

int CSimpleFont6::create(CXString animationFile, CXString fontFile)
{
    CAnimo animation(window, animationFile);
    if (animation.LastError() != 0) {
        setErrorCode(CFile::ERROR_OPEN);
        return CFile::ERROR_OPEN;
    }
    return create(&animation, fontFile);
}

int CSimpleFont6::create(CAnimo* animation, CXString fontFile)
{
    const int n = animation ? animation->GetNOF() : 0;
    // Every glyph needs its letter: a frame without a name gives no font.
    std::vector<char> names(size_t(n > 0 ? n : 0));
    std::vector<Glyph> glyphs(names.size());
    bool usable = n > 0;
    int cellW = 0, cellH = 0;
    for (int i = 0; i < n && usable; ++i) {
        _anmFrameInfo3* record = animation->GetFrameInfo(0, i);
        usable = record && record->frameName && record->frameName->IsString() && animation->GetFrame(i) &&
                 makeGlyph(window, animation->GetFrame(i), glyphs[size_t(i)]);
        if (usable) {
            names[size_t(i)] = record->frameName->GetAt(0);
            cellW = std::max(cellW, glyphs[size_t(i)].w);
            cellH = std::max(cellH, glyphs[size_t(i)].h);
        }
    }
    // The file's blocks must be counted in int, as its writer counts them.
    const int64_t fileBytes = int64_t(n) * (n + 3) + int64_t(n) * cellW * cellH * 3;
    if (!usable || fileBytes > INT32_MAX) {
        setErrorCode(CGraphicsObject::ERROR_DAMAGED);
        return CGraphicsObject::ERROR_DAMAGED;
    }

    makeEmpty();
    SetBpp(16);
    alloc(CXSize(n * cellW, cellH));
    count = n;
    letters = names;
    kerning.assign(size_t(n) * size_t(n), 0);
    leftMargins.assign(size_t(n), 0);
    rightMargins.assign(size_t(n), 0);
    uint16_t* strip = reinterpret_cast<uint16_t*>(data);
    for (int i = 0; i < n; ++i) {
        const Glyph& g = glyphs[size_t(i)];
        // A frame narrower than the cell leaves blank columns on its right.
        leftMargins[size_t(i)] = int8_t(g.left);
        rightMargins[size_t(i)] = int8_t(cellW - g.w + g.right);
        const uint16_t* pixels = reinterpret_cast<const uint16_t*>(g.picture->GetDataPtr());
        for (int row = 0; row < g.h; ++row) {
            const size_t to = size_t(row) * size_t(width) + size_t(i) * size_t(cellW);
            const size_t from = size_t(row) * size_t(g.w);
            std::memcpy(strip + to, pixels + from, size_t(g.w) * 2);
            std::memcpy(alpha + to, g.alpha() + from, size_t(g.w));
        }
    }
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
            kerning[size_t(a) * size_t(n) + size_t(b)] =
                int8_t(1 - contactDistance(glyphs[size_t(a)], glyphs[size_t(b)], cellH));
    indexLetters();

    CFile file;
    if (file.Open(window, fontFile, CFile::MODE_WRITE | CFile::MODE_BINARY) != 0) {
        setErrorCode(CFile::ERROR_OPEN);
        return CFile::ERROR_OPEN;
    }
    const bool written = writeFile(&file);
    file.Close();
    setErrorCode(written ? 0 : CFile::ERROR_OPEN);
    return LastError();
}
