#include "ui/Text6.h"

#include "ui/SimpleFont6.h"

int CText6::getLength(CSimpleFont6* font, const CXString& text)
{
    if (!font)
        return 0;
    const char* s = text.c_str();
    int width = 0;
    char previous = 0;
    for (int i = 0; i < text.getLength(); ++i) {
        width += font->getLetterWidth(previous, s[i]) + 2;
        previous = s[i];
    }
    return width;
}
