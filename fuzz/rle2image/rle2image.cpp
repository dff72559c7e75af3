// A drawable whose pixels are held in RLE2 (kind 4), from arbitrary packed
// bytes and sizes: read through the packed form, copied, opened, edited
// while open, packed again and opened again. The edit made while open must
// survive the packing, and packing the opened pixels anew must give them
// back, wherever the pixels are a whole number of words (RLE2 packs words).
// Sides are at most 63 pixels: each input is walked pixel by pixel some ten
// times, and rows of 63 already cross every packet length.
#include "fuzz/PackedImage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    packedimage::Drawable g;
    const int sideMask = 0x3F;
    if (!g.hold(data, size, COMPRESSION_RLE2, sideMask))
        return 0;
    volatile unsigned sink = g.GetPixel(CHANNEL_ALPHA, CXPoint(g.Width() - 1, g.Height() - 1));

    CGraphicsObject copy(nullptr);
    copy.Copy(&g);
    sink = sink + copy.GetPixel(0, 0).getPixel();

    g.unpack();
    sink = sink + g.sum();
    g.FlipV();
    const std::vector<char> flipped = g.plain();
    g.pack(true);
    g.unpack();
    const bool words = flipped.size() % 2 == 0;
    if (words && g.plain() != flipped)
        std::abort();

    packedimage::Drawable again;
    again.hold(data, size, COMPRESSION_RLE2, sideMask);
    again.DeCompressRLE2();
    const std::vector<char> opened = again.plain();
    again.bringBackCompressed();
    again.DeCompressRLE2();
    again.Compress(COMPRESSION_RLE2);
    again.unpack();
    if (words && again.plain() != opened)
        std::abort();
    return 0;
}
