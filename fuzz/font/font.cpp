// The font file reader on arbitrary bytes, as a damaged font file named by
// a title's FONT would present them: read by name, then measured and drawn
// as texts use a font, clipped letter by letter.
#include "../InputFile.h"
#include "../PictureCheck.h"
#include "ui/SimpleFont6.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("fuzz.fnt", data, size))
        return 0;
    CSimpleFont6 font(nullptr, CXString("F:\\fuzz.fnt"));
    CGraphicsObject destination(nullptr, CXSize(64, 24), 16);
    font.SetDestiny(&destination);
    // Unsigned, so that the sums wrap: a harness's own overflow would end
    // the run before the reader is explored.
    volatile unsigned sink = unsigned(font.Height());
    int pen = -8;
    char prev = 0;
    for (int c = 0; c < 256; ++c) {
        const char letter = char(c);
        sink = sink + unsigned(font.getLetterWidth(prev, letter)) + unsigned(font.getRealLetterWidth(letter)) +
               unsigned(font.getKerning(prev, letter));
        if (c % 3 == 0)
            font.SetClippingRect(letter, CXRect(c % 5 - 2, 0, c % 7, 3));
        else if (c % 3 == 1)
            font.SetClippingRect(CXRect());
        pen += font.drawLetter(pen, c % 9 - 3, prev, letter);
        if (pen > 64)
            pen = -8;
        prev = letter;
    }
    font.setColor(0x1234);
    picturecheck::use(font);
    return 0;
}
