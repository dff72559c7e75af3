#include "ui/FontCollection.h"

#include <algorithm>

CFontCollection::CFontCollection(CWindow* w) : CSimpleFont6(w), baseFont(nullptr) {}

CFontCollection::~CFontCollection() = default;

void CFontCollection::addFont(CSimpleFont6* font)
{
    if (!font || std::find(fonts.begin(), fonts.end(), font) != fonts.end())
        return;
    fonts.push_back(font);
    if (!baseFont)
        baseFont = font;
}

CSimpleFont6* CFontCollection::get(const CXString& family, const CXString& style, int size)
{
    for (CSimpleFont6* f : fonts)
        if (f->getFamily().equalsIgnoreCase(family) && f->getStyle().equalsIgnoreCase(style) && f->getSize() == size)
            return f;
    return nullptr;
}

int CFontCollection::drawLetter(int x, int y, char prev, char c)
{
    return baseFont ? baseFont->drawLetter(x, y, prev, c) : 0;
}

int CFontCollection::getLetterWidth(char prev, char c) { return baseFont ? baseFont->getLetterWidth(prev, c) : 0; }

int CFontCollection::getRealLetterWidth(char c) { return baseFont ? baseFont->getRealLetterWidth(c) : 0; }

int CFontCollection::Height() { return baseFont ? baseFont->Height() : 0; }

void CFontCollection::setColor(int colour)
{
    CSimpleFont6::setColor(colour);
    for (CSimpleFont6* f : fonts)
        f->setColor(colour);
}

void CFontCollection::SetOpacity(unsigned char value)
{
    CSimpleFont6::SetOpacity(value);
    for (CSimpleFont6* f : fonts)
        f->SetOpacity(value);
}
