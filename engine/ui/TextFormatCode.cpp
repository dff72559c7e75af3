#include "ui/TextFormatCode.h"

#include "base/StringTokenizer.h"

#include <cstdint>

CTextFormatCode::CTextFormatCode(CXString t) : mode(TEXT), colour(0), text(t), font(nullptr), width(0) {}

CTextFormatCode::CTextFormatCode(CSimpleFont6* f, CXString t) : mode(FONT), colour(0), text(t), font(f), width(0) {}

CTextFormatCode::CTextFormatCode(int depth, int m, CXString argument)
    : mode(m), colour(0), font(nullptr), width(0)
{
    if (mode == EDIT)
        readEditField(argument);
    else if (mode == COLOR)
        colour = colorOf(depth, argument);
}

CTextFormatCode::CTextFormatCode(const CTextFormatCode& other)
    : CXObject(other), mode(other.mode), colour(other.colour), text(other.text), font(other.font),
      width(other.width), name(other.name)
{
}

CTextFormatCode& CTextFormatCode::operator=(const CTextFormatCode& other)
{
    CXObject::operator=(other);
    mode = other.mode;
    colour = other.colour;
    text = other.text;
    font = other.font;
    width = other.width;
    name = other.name;
    return *this;
}

// "E", then width, name and initial text; missing pieces keep their
// defaults and empty pieces do not count.
void CTextFormatCode::readEditField(const CXString& body)
{
    CStringTokenizer pieces(body, ",");
    pieces.nextToken();
    if (pieces.hasMoreTokens())
        width = pieces.nextToken().toNumber();
    if (pieces.hasMoreTokens())
        name = pieces.nextToken();
    if (pieces.hasMoreTokens())
        text = pieces.nextToken();
}

int CTextFormatCode::colorOf(int depth, const CXString& argument)
{
    if (argument.Find(',') < 0)
        return argument.toNumber();
    CStringTokenizer pieces(argument, ",");
    int rgb[3] = {0, 0, 0};
    for (int& component : rgb)
        if (pieces.hasMoreTokens())
            component = pieces.nextToken().toNumber();
    const int red = rgb[0], green = rgb[1], blue = rgb[2];
    if (depth == 15)
        return (((red >> 3) & 31) << 10) | (((green >> 3) & 31) << 5) | ((blue >> 3) & 31);
    // Red's bits above the 16-bit word are dropped by the widening.
    const int word = int(uint32_t(red >> 3) << 11) | (((green >> 2) & 63) << 5);
    return int(int16_t(uint16_t(word))) | ((blue >> 3) & 31);
}
