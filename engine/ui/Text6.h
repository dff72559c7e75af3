#pragma once
#include "base/XString.h"

class CSimpleFont6;

// The engine's formatted text. The edit boxes measure their lines with its
// plain measure.
class CText6 {
public:
    // The width of the characters drawn one after another with the font,
    // as plain characters (no markup): each letter's width after the one
    // before it, and 2 pixels between letters. 0 without a font.
    static int getLength(CSimpleFont6* font, const CXString& text);
};
