// The text markup on arbitrary bytes, as a title's TEXT or a text file read
// into one would present them: parsed by a formatted text and a multi-line
// text with a collection of two fonts, wrapped into an area whose width
// the first byte gives, drawn clipped, and asked for its words; then
// wrapped again with a single font.
#include "../InputFile.h"
#include "../../tests/ui/FontSupport.h"
#include "ui/FontCollection.h"
#include "ui/MultilineText6.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// A font of block glyphs ("a", "b", "<", "_"), compiled in memory.
CSimpleFont6* blockFont(const char* file, const char* style, int ink)
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

void askWords(CText6& text, int count)
{
    volatile int sink = 0;
    for (int i = -1; i <= count + 1; ++i) {
        sink = sink + text.getWordAt(i).getLength() + text.getWordWidth(i) + text.getWordPosition(i).x;
        text.setWordColor(i, i & 1 ? 31 : 0x10000);
        sink = sink + text.getWordAtXY(CXPoint(i * 3, 4));
    }
    sink = sink + text.search("a", 1) + text.search("", 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fonts fonts;
    if (size == 0)
        return 0;
    const int width = data[0];
    const CXString markup(reinterpret_cast<const char*>(data + 1), int(size - 1));
    CGraphicsObject destination(nullptr, CXSize(96, 48), 16);

    CText6 line(nullptr, false, nullptr);
    line.SetDestiny(&destination);
    line.setFont(&fonts.collection);
    line.setText(markup);
    line.SetClippingRect(CXRect(width % 7, 1, width, 5));
    line.Redraw();
    askWords(line, line.count_words());

    CMultilineText6 text(nullptr, false, nullptr);
    text.SetDestiny(&destination);
    text.setJustify(CXRect(-2, 0, width - 2, 40), _justify(width % 3), _justify(3 + width % 3));
    text.setFont(&fonts.collection);
    text.setText(markup);
    text.SetClippingRect(CXRect(0, width % 5, 80, 30));
    text.Redraw();
    askWords(text, text.getNumWords());
    text.Move(3, -1);
    text.setColor(-2048);
    text.Redraw();
    text.setFont(fonts.standard.get());
    text.Redraw();
    askWords(text, text.getLineCount());
    return 0;
}
