// A drawable whose pixels arrive as LZO blocks, of the plain pixels (kind
// 2) or of their RLE2 form (kind 3), from arbitrary blocks and sizes:
// decoded, and a kind 3 image then opened from its RLE2 form.
#include "fuzz/PackedImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const _compression kind = data[0] & 1 ? COMPRESSION_LZO : COMPRESSION_LZO_RLE2;
    packedimage::Drawable g;
    if (!g.hold(data + 1, size - 1, kind))
        return 0;
    g.DeCompress();
    volatile unsigned sink = g.sum();
    if (g.GetCompression() == COMPRESSION_RLE2) {
        sink = sink + g.GetPixel(CHANNEL_ALPHA, CXPoint(0, g.Height() - 1));
        g.unpack();
        sink = sink + g.sum();
        g.pack(true);
    }
    (void)sink;
    return 0;
}
