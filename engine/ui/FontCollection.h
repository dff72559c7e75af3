#pragma once
#include "ui/SimpleFont6.h"

#include <cstddef>
#include <vector>

// A font made of several bitmap fonts of different family, style and size,
// itself a font so that a text draws with it as with one: measuring and
// drawing go to its base font (the first one added unless set otherwise),
// colour and opacity to every member. Texts pick members by family, style
// and size. The collection does not own its members.
class CFontCollection : public CSimpleFont6 {
public:
    explicit CFontCollection(CWindow* window);
    ~CFontCollection() override;
    CFontCollection(const CFontCollection&) = delete;
    CFontCollection& operator=(const CFontCollection&) = delete;

    // Appended unless it is a member already; the first becomes the base
    // font.
    void addFont(CSimpleFont6* font);
    void setBaseFont(CSimpleFont6* font) { baseFont = font; }
    CSimpleFont6* getBaseFont() { return baseFont; }
    // The first member whose family and style equal these in any case and
    // whose size is this one; null when none does.
    CSimpleFont6* get(const CXString& family, const CXString& style, int size);
    int getFontCount() const { return int(fonts.size()); }
    CSimpleFont6* getFont(int index) { return index >= 0 && index < getFontCount() ? fonts[size_t(index)] : nullptr; }

    // The base font's answers; 0 without one.
    int drawLetter(int x, int y, char prev, char c) override;
    int getLetterWidth(char prev, char c) override;
    int getRealLetterWidth(char c) override;
    int Height() override;
    // To every member.
    void setColor(int colour) override;
    void SetOpacity(unsigned char value) override;
    bool isMultifont() override { return true; }

private:
    std::vector<CSimpleFont6*> fonts;
    CSimpleFont6* baseFont;
};
