// The engine image file reader on arbitrary bytes, as a damaged ".img" file
// of a title would present them (any of its three layouts and every
// compression kind): read by name, used, written back and read again.
#include "../InputFile.h"
#include "../PictureCheck.h"
#include "graphics/Image.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The file written back is made first, so that it is cleared away too.
    if (!fuzzinput::write("fuzz.img", data, size) || !fuzzinput::write("again.img", nullptr, 0))
        return 0;
    CImage image(nullptr);
    if (image.Load(CXString("F:\\fuzz.img"), false) != 0)
        return 0;
    // What was read is written as every kind and read back.
    for (_compression kind : {COMPRESSION_NONE, COMPRESSION_LZO, COMPRESSION_RLE2}) {
        if (image.Save(CXString("F:\\again.img"), kind) != 0)
            continue;
        CImage again(nullptr, CXString("F:\\again.img"));
        picturecheck::use(again);
    }
    picturecheck::use(image);
    return 0;
}
