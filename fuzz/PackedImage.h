#pragma once
// For targets that unpack a drawable's pixel blocks: the input describes a
// drawable as an image or animation reader leaves it.
//   bytes 0-1  width, 2-3 height: their low 10 bits, or as many as the
//              target's side mask keeps
//   byte 4     bits 0-1 depth (15, 16, 24, 32), bit 2 an alpha block
//   bytes 5-6  length of the colour block; the colour block; the rest is
//              the alpha block
#include "graphics/GraphicsObject.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace packedimage {

struct Drawable : CGraphicsObject {
    Drawable() : CGraphicsObject(nullptr) {}

    // False when the input is too short for the header. A target whose
    // every input walks each pixel many times keeps its sides small, so
    // that it explores rather than fills memory.
    bool hold(const uint8_t* in, size_t size, _compression kind, int sideMask = 0x3FF)
    {
        if (size < 7)
            return false;
        static const int depths[] = {15, 16, 24, 32};
        width = (in[0] | in[1] << 8) & sideMask;
        height = (in[2] | in[3] << 8) & sideMask;
        pitch = width;
        bpp = depths[in[4] & 3];
        const size_t colourLength = std::min<size_t>(size_t(in[5] | in[6] << 8), size - 7);
        data = copy(in + 7, colourLength);
        packedSize = packedSize2 = int(colourLength);
        if (in[4] & 4) {
            alpha = copy(in + 7 + colourLength, size - 7 - colourLength);
            planeSize[3] = int(size - 7 - colourLength);
        }
        compression = kind;
        return true;
    }

    // Reads every plain byte, so that a short buffer shows.
    unsigned sum() const
    {
        unsigned s = 0;
        const size_t n = size_t(width) * height;
        if (compression == COMPRESSION_NONE) {
            for (size_t i = 0; data && i < n * GetPixelSizeOf(bpp); ++i)
                s += uint8_t(data[i]);
            for (size_t i = 0; alpha && i < n; ++i)
                s += uint8_t(alpha[i]);
        }
        return s;
    }

    std::vector<char> plain() const
    {
        return data ? std::vector<char>(data, data + size_t(width) * height * GetPixelSizeOf(bpp)) : std::vector<char>();
    }

    static int GetPixelSizeOf(int depth) { return __get_pixel_size(depth); }

private:
    static char* copy(const uint8_t* from, size_t n)
    {
        char* p = new char[n];
        std::memcpy(p, from, n);
        return p;
    }
};

} // namespace packedimage
