#include "ui/KeyboardMapper.h"

CKeyboardMapper* CKeyboardMapper::forLanguage(int language)
{
    switch (language) {
    case 2: return new CCzechKeyboardMapper();
    case 6: return new CHungarianKeyboardMapper();
    default: return new CDefaultKeyboardMapper();
    }
}

unsigned char CCzechKeyboardMapper::mapChar(unsigned char c, bool, bool)
{
    switch (c) {
    case 'Y': return 'Z';
    case 'Z': return 'Y';
    case 'y': return 'z';
    case 'z': return 'y';
    default: return c;
    }
}

bool CCzechKeyboardMapper::acceptChar(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

unsigned char CDefaultKeyboardMapper::mapChar(unsigned char c, bool alt, bool)
{
    if (!alt)
        return c;
    // Code page 1250: A C E L N O S X Z as Ą Ć Ę Ł Ń Ó Ś Ź Ż, and their
    // small letters.
    static const struct {
        unsigned char latin, polish;
    } letters[] = {{'A', 0xA5}, {'C', 0xC6}, {'E', 0xCA}, {'L', 0xA3}, {'N', 0xD1}, {'O', 0xD3},
                   {'S', 0x8C}, {'X', 0x8F}, {'Z', 0xAF}, {'a', 0xB9}, {'c', 0xE6}, {'e', 0xEA},
                   {'l', 0xB3}, {'n', 0xF1}, {'o', 0xF3}, {'s', 0x9C}, {'x', 0x9F}, {'z', 0xBF}};
    for (const auto& l : letters)
        if (l.latin == c)
            return l.polish;
    return c;
}
