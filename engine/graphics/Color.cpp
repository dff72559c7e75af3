#include "graphics/Color.h"

void CColor::Set(unsigned char r, unsigned char g, unsigned char b)
{
    value = _pixel(uint32_t(r) << 8 | uint32_t(g) << 16 | uint32_t(b) << 24);
    model = COLORMODEL_RGB;
}

void CColor::Set(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
    value = _pixel(uint32_t(a) | uint32_t(r) << 8 | uint32_t(g) << 16 | uint32_t(b) << 24);
    model = COLORMODEL_RGBA;
}

int CColor::Convert(_colormodel m) const
{
    if (m == model || (model != COLORMODEL_RGB && model != COLORMODEL_RGBA))
        return value;
    const uint32_t v = uint32_t(value);
    const unsigned r = (v >> 8) & 0xFF, g = (v >> 16) & 0xFF, b = (v >> 24) & 0xFF;
    if (m == COLORMODEL_15)
        return short((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
    if (m == COLORMODEL_16)
        return short((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    return value;
}

int CColor::GetInBPP(int bpp) const
{
    switch (bpp) {
    case 15:
        return Convert(COLORMODEL_15);
    case 16:
        return Convert(COLORMODEL_16);
    case 24:
        return Convert(COLORMODEL_RGB);
    case 32:
        return Convert(COLORMODEL_RGBA);
    default:
        return bpp;
    }
}

bool operator==(const CColor& left, const CColor& right)
{
    if (left.getModel() == right.getModel())
        return left.getPixel() == right.getPixel();
    return right.Convert(left.getModel()) == left.getPixel();
}

bool operator!=(const CColor& left, const CColor& right) { return !(left == right); }
