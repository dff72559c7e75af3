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
    static constexpr uint16_t greenMax = GreenMax;
    static constexpr unsigned redShift = RedShift;
};
using Format15 = Format<31, 10>;
using Format16 = Format<63, 11>;

// The arithmetic is kept in 16 bits (every value fits), so that the
// vectoriser can put eight or more pixels in a register.
typedef uint16_t u16;

inline u16 atMost(u16 v, u16 limit) { return v < limit ? v : limit; }

// (s x w + d x (256 - w)) >> 8 of one channel.
inline u16 mix(u16 s, u16 d, u16 w, u16 inv) { return u16(u16(u16(s * w) + u16(d * inv)) >> 8); }

template <class F>
inline u16 blue(u16 w) { return u16(w & 31); }
template <class F>
inline u16 green(u16 w) { return u16((w >> 5) & F::greenMax); }
template <class F>
inline u16 red(u16 w) { return u16((w >> F::redShift) & 31); }
template <class F>
inline u16 word(u16 r, u16 g, u16 b) { return u16(r << F::redShift | g << 5 | b); }

// The alpha copy: a = 0 keeps d, a = 255 takes s, otherwise each channel
// is ((s x a + d x (256 - a)) >> 8) + 1, at most the channel's maximum (the
// added 1 is part of the rule: half-transparent black over black gives 1).
template <class F>
inline u16 alphaPixel(u16 s, u16 d, u16 a)
{
    const u16 inv = u16(256 - a);
    const u16 v = word<F>(atMost(u16(mix(red<F>(s), red<F>(d), a, inv) + 1), 31),
                          atMost(u16(mix(green<F>(s), green<F>(d), a, inv) + 1), F::greenMax),
                          atMost(u16(mix(blue<F>(s), blue<F>(d), a, inv) + 1), 31));
    return a == 0 ? d : a == 255 ? s : v;
}

// The blend: each channel is (s x o + d x (256 - o)) >> 8, without the
// added 1; weight 0 gives d's channels.
template <class F>
inline u16 blendPixel(u16 s, u16 d, u16 o)
{
    const u16 inv = u16(256 - o);
    return word<F>(mix(red<F>(s), red<F>(d), o, inv), mix(green<F>(s), green<F>(d), o, inv),
                   mix(blue<F>(s), blue<F>(d), o, inv));
}

// The alpha blend: the blend with weight (a x o) >> 8; where a x o <= 255
// the pixel is left as it is (its unused top bit too).
template <class F>
inline u16 alphaBlendPixel(u16 s, u16 d, u16 a, u16 o)
{
    const u16 weight = u16(u16(a * o) >> 8);
    const u16 v = blendPixel<F>(s, d, weight);
    return weight == 0 ? d : v;
}

// Any non-zero alpha counts as opaque.
inline u16 maskPixel(u16 s, u16 d, u16 a) { return a ? s : d; }

} // namespace blit
