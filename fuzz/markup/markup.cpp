// The text markup on arbitrary bytes, as a title's TEXT or a text file read
// into one would present them: parsed by a formatted text and a multi-line
// text with a collection of two fonts, wrapped into an area whose width
// the first byte gives, drawn clipped, and asked for its words; then
// wrapped again with a single font.
#include "fuzz/BlockFonts.h"
#include "ui/MultilineText6.h"

#include <cstddef>
#include <cstdint>

using blockfonts::askWords;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static blockfonts::Fonts fonts;
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
