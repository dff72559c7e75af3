#pragma once
// For the text targets: a collection of two fonts of block glyphs ("a",
// "b", "<", "_"), compiled in memory, and the word queries a title asks a
// text.
#include "fuzz/InputFile.h"
#include "../tests/ui/FontSupport.h"
#include "ui/FontCollection.h"
#include "ui/Text6.h"

#include <memory>
#include <string>
#include <vector>

namespace blockfonts {

inline CSimpleFont6* blockFont(const char* file, const char* style, int ink)
{
    static const char* const names[] = {"a", "b", "<", "_"};
    std::vector<fonttest::GlyphArt> art;
    for (int i = 0; i < 4; ++i) {
        fonttest::GlyphArt g{names[i], 0x8410, {}};
        for (int y = 0; y < 7; ++y)
            g.rows.push_back("." + std::string(size_t(ink + i), y > 0 && y < 6 ? '#' : '.') + ".");
        art.push_back(g);
    }
    CAnimo glyphs(nullptr);
    fonttest::fillAnimation(glyphs, art);
    fuzzinput::write(file, nullptr, 0);
    CSimpleFont6* font = new CSimpleFont6(nullptr);
    font->create(&glyphs, CXString("F:\\") + file);
    font->setFamily("Blocks");
    font->setStyle(style);
    font->setSize(7);
    return font;
}

struct Fonts {
    std::unique_ptr<CSimpleFont6> standard{blockFont("standard.fnt", "STANDARD", 1)};
    std::unique_ptr<CSimpleFont6> bold{blockFont("bold.fnt", "BOLD", 3)};
    CFontCollection collection{nullptr};
    Fonts()
    {
        collection.addFont(standard.get());
        collection.addFont(bold.get());
    }
};

// Unsigned sums: wrapping is no fault of the engine's.
inline void askWords(CText6& text, int count)
{
    volatile unsigned sink = 0;
    for (int i = -1; i <= count + 1; ++i) {
        sink = sink + unsigned(text.getWordAt(i).getLength()) + unsigned(text.getWordWidth(i)) +
               unsigned(text.getWordPosition(i).x);
        text.setWordColor(i, i & 1 ? 31 : 0x10000);
        sink = sink + unsigned(text.getWordAtXY(CXPoint(i * 3, 4)));
    }
    sink = sink + unsigned(text.search("a", 1)) + unsigned(text.search("", 0));
}

} // namespace blockfonts
