// The JPEG reader on arbitrary bytes, alone, as the colour block of a kind
// 5 drawable of the size the reader finds (input byte 0 picks the depth),
// and as a title's JPEG file read by the image object by its name.
#include "../InputFile.h"
#include "../PictureCheck.h"
#include "fuzz/PackedImage.h"
#include "graphics/Image.h"
#include "graphics/Jpeg.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int bpp = data[0] & 1 ? 15 : 16;
    std::vector<char> bytes(data + 1, data + size);
    int w = 0, h = 0;
    {
        JPEG reader(bytes.data(), long(bytes.size()));
        w = reader.getWidth();
        h = reader.getHeight();
        std::unique_ptr<short[]> pixels(reader.decompress(bpp));
        if (pixels && w > 0 && h > 0) {
            volatile short sink = pixels[size_t(w) * h - 1];
            (void)sink;
        }
    }
    if (fuzzinput::write("fuzz.jpg", data + 1, size - 1)) {
        CImage image(nullptr, CXString("F:\\FUZZ.JPG"));
        picturecheck::use(image);
    }
    if (w <= 0 || w > 1023 || h <= 0 || h > 1023)
        return 0;
    // The drawable's header, then the JPEG as its colour block.
    std::vector<uint8_t> input = {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8),
                                  uint8_t(bpp == 15 ? 0 : 1), uint8_t(bytes.size()), uint8_t(bytes.size() >> 8)};
    input.insert(input.end(), bytes.begin(), bytes.end());
    packedimage::Drawable g;
    g.hold(input.data(), input.size(), COMPRESSION_JPEG);
    g.DeCompress();
    volatile unsigned sink = g.sum();
    (void)sink;
    return 0;
}
