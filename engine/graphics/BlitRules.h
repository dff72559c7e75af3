#pragma once
// The copy family's per-pixel rules on 15- and 16-bit words, written as
// plain branch-free arithmetic that the compiler can vectorise. With every
// channel below 64 and every weight at most 256, each product fits 16 bits,
// so (s x a + d x (256 - a)) >> 8 is exactly the rule's
// ((mul(s - d, a) + d x 256) mod 65536) >> 8 over the multiply table.
#include "graphics/PixelWord.h"

#include <cstdint>

namespace blit {

template <unsigned GreenMax, unsigned RedShift>
struct Format {
    static constexpr unsigned greenMax = GreenMax;
    static constexpr unsigned redShift = RedShift;
};
using Format15 = Format<31, 10>;
using Format16 = Format<63, 11>;

inline unsigned atMost(unsigned v, unsigned limit) { return v < limit ? v : limit; }

// The alpha copy: a = 0 keeps d, a = 255 takes s, otherwise each channel
// is ((s x a + d x (256 - a)) >> 8) + 1, at most the channel's maximum (the
// added 1 is part of the rule: half-transparent black over black gives 1).
template <class F>
inline unsigned alphaPixel(unsigned s, unsigned d, unsigned a)
{
    const unsigned inv = 256 - a;
    unsigned b = atMost((((s & 31) * a + (d & 31) * inv) >> 8) + 1, 31);
    unsigned g = atMost(((((s >> 5) & F::greenMax) * a + ((d >> 5) & F::greenMax) * inv) >> 8) + 1, F::greenMax);
    unsigned r = atMost(((((s >> F::redShift) & 31) * a + ((d >> F::redShift) & 31) * inv) >> 8) + 1, 31);
    unsigned v = r << F::redShift | g << 5 | b;
    v = a == 255 ? s : v;
    return a == 0 ? d : v;
}

// The blend: each channel is (s x o + d x (256 - o)) >> 8, without the
// added 1; weight 0 gives d.
template <class F>
inline unsigned blendPixel(unsigned s, unsigned d, unsigned o)
{
    const unsigned inv = 256 - o;
    unsigned b = ((s & 31) * o + (d & 31) * inv) >> 8;
    unsigned g = (((s >> 5) & F::greenMax) * o + ((d >> 5) & F::greenMax) * inv) >> 8;
    unsigned r = (((s >> F::redShift) & 31) * o + ((d >> F::redShift) & 31) * inv) >> 8;
    return r << F::redShift | g << 5 | b;
}

// The alpha blend: the blend with weight (a x o) >> 8; where a x o <= 255
// the pixel is left as it is (its unused top bit too).
template <class F>
inline unsigned alphaBlendPixel(unsigned s, unsigned d, unsigned a, unsigned o)
{
    const unsigned weight = (a * o) >> 8;
    const unsigned v = blendPixel<F>(s, d, weight);
    return weight == 0 ? d : v;
}

// Any non-zero alpha counts as opaque.
inline unsigned maskPixel(unsigned s, unsigned d, unsigned a) { return a ? s : d; }

} // namespace blit
