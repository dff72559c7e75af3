#include "ui/SimpleFont6.h"

#include "script/Element.h"

#include <algorithm>
#include <cstring>

CSimpleFont6::CSimpleFont6(CWindow* w) : CGraphicsObject(w) { construct(); }

CSimpleFont6::CSimpleFont6(CWindow* w, const CXString& fileName) : CGraphicsObject(w)
{
    construct();
    Load(fileName);
}

CSimpleFont6::CSimpleFont6(CWindow* w, CMElement* element) : CGraphicsObject(w)
{
    construct();
    if (!element)
        return;
    Load(element->getPropertyValue(CXString("FILENAME")));
    family = element->getPropertyValue(CXString("FAMILY"));
    style = element->getPropertyValue(CXString("STYLE"));
    size = element->getPropertyIntValue(CXString("SIZE"));
}

void CSimpleFont6::construct()
{
    count = 0;
    size = 0;
    textColor = DEFAULT_TEXT_COLOR;
    color = 0;
    glyphOf.fill(-1);
    // Letters are clipped to their cells by drawLetter alone.
    SetAutoClip(false);
}

CSimpleFont6::~CSimpleFont6() { flush(); }

void CSimpleFont6::flush()
{
    kerning.clear();
    leftMargins.clear();
    rightMargins.clear();
    letters.clear();
    count = 0;
    glyphOf.fill(-1);
}

void CSimpleFont6::makeEmpty()
{
    flush();
    Flush();
    width = height = 0;
}

void CSimpleFont6::indexLetters()
{
    glyphOf.fill(-1);
    for (int i = count - 1; i >= 0; --i)
        glyphOf[static_cast<unsigned char>(letters[size_t(i)])] = int16_t(i);
}

int CSimpleFont6::indexOf(char c) const
{
    if (c == '@')
        c = '<';
    else if (c == '$')
        c = '>';
    return glyphOf[static_cast<unsigned char>(c)];
}

int CSimpleFont6::kerningAfter(char prev, int i) const
{
    const int p = prev ? indexOf(prev) : -1;
    return p >= 0 ? kerning[size_t(p) * size_t(count) + size_t(i)] : 0;
}

int CSimpleFont6::getKerning(char a, char b)
{
    const int i = indexOf(b);
    return i >= 0 && a ? kerningAfter(a, i) : 0;
}

int CSimpleFont6::getLetterWidth(char prev, char c)
{
    if (c == ' ')
        return CSimpleFont6::getLetterWidth(0, 'l');
    if (c == '~')
        return 1;
    const int i = c ? indexOf(c) : -1;
    if (i < 0)
        return 0;
    return visibleWidth(i) - kerningAfter(prev, i);
}

int CSimpleFont6::getRealLetterWidth(char c)
{
    if (c == ' ')
        return CSimpleFont6::getLetterWidth(0, 'l');
    if (c == '~')
        return 1;
    const int i = c ? indexOf(c) : -1;
    return i < 0 ? 0 : visibleWidth(i);
}

int CSimpleFont6::drawLetter(int px, int py, char prev, char c)
{
    if (c == ' ')
        return CSimpleFont6::getLetterWidth(0, 'l') + 2;
    if (c == '~')
        return 3;
    const int i = c ? indexOf(c) : -1;
    if (i < 0)
        return 2;
    const int source = i * cellWidth() + leftMargins[size_t(i)];
    const int visible = visibleWidth(i);
    const int k = kerningAfter(prev, i);
    const CXRect saved = clip;
    SetPosition(px - source - k, py);
    CXRect r(source, 0, source + visible, height);
    if (!saved.IsEmpty())
        r = CXRect(std::max(source, saved.left), std::max(saved.top, 0), std::min(source + visible, saved.right + 1),
                   std::min(height, saved.bottom));
    // An empty rectangle would be no clipping at all: the whole strip.
    if (r.right > r.left && r.bottom > r.top) {
        clip = r;
        Redraw();
        clip = saved;
    }
    return visible - k + 2;
}

void CSimpleFont6::SetClippingRect(char c, CXRect r)
{
    const int i = indexOf(c);
    if (!r.IsEmpty() && i >= 0) {
        const int shift = i * cellWidth() + leftMargins[size_t(i)];
        r.left += shift;
        r.right += shift;
    }
    CGraphicsObject::SetClippingRect(r);
}

void CSimpleFont6::setColor(int colour)
{
    color = colour;
    if (!data || compression != COMPRESSION_NONE || GetPixelSize() != 2)
        return;
    const uint16_t word = uint16_t(colour);
    uint16_t* pixels = reinterpret_cast<uint16_t*>(data);
    std::fill(pixels, pixels + size_t(width) * size_t(height), word);
}

int CSimpleFont6::getLeftOffset(CGraphicsObject* graphic)
{
    const int w = graphic ? graphic->Width() : 0, h = graphic ? graphic->Height() : 0;
    const unsigned char* a = graphic ? reinterpret_cast<const unsigned char*>(graphic->GetChannelAlpha()) : nullptr;
    if (!a)
        return w;
    for (int column = 0; column < w; ++column)
        for (int row = 0; row < h; ++row)
            if (a[size_t(row) * size_t(w) + size_t(column)])
                return column;
    return w;
}

int CSimpleFont6::getRightOffset(CGraphicsObject* graphic)
{
    const int w = graphic ? graphic->Width() : 0, h = graphic ? graphic->Height() : 0;
    const unsigned char* a = graphic ? reinterpret_cast<const unsigned char*>(graphic->GetChannelAlpha()) : nullptr;
    if (!a)
        return w;
    for (int column = w - 1; column >= 0; --column)
        for (int row = 0; row < h; ++row)
            if (a[size_t(row) * size_t(w) + size_t(column)])
                return w - 1 - column;
    return w;
}
