#pragma once
#include "base/XObject.h"

#include <cstdint>

// How a colour value is to be read.
enum _colormodel {
    COLORMODEL_NONE = 0,
    COLORMODEL_RGB = 4,  // bytes from the lowest: alpha (0), red, green, blue
    COLORMODEL_RGBA = 5, // the same with the alpha byte used
    COLORMODEL_15 = 6,   // a 5-5-5 word in the low 16 bits
    COLORMODEL_16 = 7    // a 5-6-5 word in the low 16 bits
};

typedef int32_t _pixel;

// A colour value with its model. Words of models 6 and 7 are held
// sign-extended, as Convert returns them, so that equal words compare
// equal whichever way they were made.
class CColor : public CXObject {
public:
    CColor() : value(0), model(COLORMODEL_NONE) {}
    CColor(short word, _colormodel m) : value(word), model(m) {}
    CColor(unsigned char r, unsigned char g, unsigned char b) { Set(r, g, b); }
    CColor(unsigned char r, unsigned char g, unsigned char b, unsigned char a) { Set(r, g, b, a); }
    // Model 5 with that value: alpha | red << 8 | green << 16 | blue << 24.
    explicit CColor(int v) : value(v), model(COLORMODEL_RGBA) {}
    CColor(const CColor& other) = default;
    CColor& operator=(const CColor& other) = default;

    void set(int v)
    {
        value = v;
        model = COLORMODEL_RGBA;
    }
    void Set(short word, _colormodel m)
    {
        value = word;
        model = m;
    }
    // Model 4; the alpha byte is 0.
    void Set(unsigned char r, unsigned char g, unsigned char b);
    // Model 5.
    void Set(unsigned char r, unsigned char g, unsigned char b, unsigned char a);

    _pixel getPixel() const { return value; }
    _colormodel getModel() const { return model; }

    // The value in model m: an RGB value (model 4 or 5) becomes a 5-5-5
    // or 5-6-5 word, sign-extended; every other pairing, and any word
    // model, gives the value unchanged.
    int Convert(_colormodel m) const;
    // The value for pixels of that depth: 15 and 16 as words, 24 in model
    // 4, 32 in model 5; any other depth gives that number back.
    int GetInBPP(int bpp) const;

private:
    _pixel value;
    _colormodel model;
};

// With equal models the values are compared; otherwise the right colour is
// converted to the left one's model. So the comparison is not symmetric: a
// word equals the RGB colour that converts to it, but an RGB colour never
// equals a word, which is not converted back.
bool operator==(const CColor& left, const CColor& right);
bool operator!=(const CColor& left, const CColor& right);
