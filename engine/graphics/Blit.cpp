// The copy family: static members of CGraphicsObject that draw one block
// of pixels into another by the rules of BlitRules.h. The dispatchers pick
// a member by the source and destination depths; the members work out the
// drawn area once and run a row loop over it.
#include "graphics/GraphicsObject.h"

#include "graphics/BlitKernels.h"
#include "graphics/BlitRules.h"
#include "graphics/BppConversionTable.h"

#include <algorithm>
#include <cstring>

namespace {

typedef uint32_t __attribute__((__may_alias__)) Pixel32;

bool is1516(int bpp) { return bpp == 15 || bpp == 16; }

// The part of a copy that lies inside both images, as row pointers and
// steps in bytes.
struct Area {
    char* src;
    int64_t srcStep;
    const uint8_t* alpha;
    int64_t alphaStep;
    char* dst;
    int64_t dstStep;
    uint8_t* dstAlpha;
    int64_t dstAlphaStep;
    int w, h;

    const PixelWord* srcRow(int y) const { return reinterpret_cast<const PixelWord*>(src + y * srcStep); }
    const uint8_t* alphaRow(int y) const { return alpha + y * alphaStep; }
    PixelWord* dstRow(int y) const { return reinterpret_cast<PixelWord*>(dst + y * dstStep); }
    Pixel32* dstRow32(int y) const { return reinterpret_cast<Pixel32*>(dst + y * dstStep); }
    uint8_t* dstAlphaRow(int y) const { return dstAlpha + y * dstAlphaStep; }
};

// The source's rect (all of it when empty) cut to the source, placed at
// (x, y) in the destination and cut to the destination and to its rect
// when that is not empty. False when no pixel is left.
bool clipArea(const _canvas* s, const _canvas* d, Area& a)
{
    if (s->width <= 0 || s->height <= 0 || d->width <= 0 || d->height <= 0)
        return false;
    const int64_t sp = CGraphicsObject::__get_pixel_size(s->bpp), dp = CGraphicsObject::__get_pixel_size(d->bpp);
    const int64_t srcPitch = std::max<int64_t>(s->pitch, s->width * sp);
    const int64_t dstPitch = std::max<int64_t>(d->pitch, d->width * dp);

    int64_t l = 0, t = 0, r = s->width, b = s->height;
    if (!s->rect.IsEmpty()) {
        l = std::max<int64_t>(l, s->rect.left);
        t = std::max<int64_t>(t, s->rect.top);
        r = std::min<int64_t>(r, s->rect.right);
        b = std::min<int64_t>(b, s->rect.bottom);
    }
    int64_t L = 0, T = 0, R = d->width, B = d->height;
    if (!d->rect.IsEmpty()) {
        L = std::max<int64_t>(L, d->rect.left);
        T = std::max<int64_t>(T, d->rect.top);
        R = std::min<int64_t>(R, d->rect.right);
        B = std::min<int64_t>(B, d->rect.bottom);
    }
    int64_t dx = int64_t(s->x) + l, dy = int64_t(s->y) + t;
    if (dx < L) {
        l += L - dx;
        dx = L;
    }
    if (dy < T) {
        t += T - dy;
        dy = T;
    }
    r = std::min(r, l + (R - dx));
    b = std::min(b, t + (B - dy));
    if (r <= l || b <= t)
        return false;

    a.w = int(r - l);
    a.h = int(b - t);
    a.src = s->data + t * srcPitch + l * sp;
    a.srcStep = srcPitch;
    a.alpha = s->alpha ? reinterpret_cast<const uint8_t*>(s->alpha) + t * s->width + l : nullptr;
    a.alphaStep = s->width;
    a.dst = d->data + dy * dstPitch + dx * dp;
    a.dstStep = dstPitch;
    a.dstAlpha = d->alpha ? reinterpret_cast<uint8_t*>(d->alpha) + dy * d->width + dx : nullptr;
    a.dstAlphaStep = d->width;
    return true;
}

// Both records usable for a member that needs these depths.
bool usable(const _canvas* s, const _canvas* d) { return s && d && s->data && d->data; }

// A 15- or 16-bit source word as the 5-6-5 word the 32-bit table expects.
unsigned as565(unsigned w, int bpp) { return bpp == 15 ? (w & 0x1F) | ((w & 0x7FE0) << 1) : w; }

// The blend in 5-bit channels of a 5-6-5 word over a 32-bit pixel: the
// destination's channels are its bytes' top five bits, the source's green
// its top five; the result, with green in the word's top five green bits,
// goes through the table.
uint32_t blend32(unsigned w, uint32_t p, unsigned weight, const uint32_t* table)
{
    const unsigned inv = 256 - weight;
    const unsigned b = ((w & 0x1F) * weight + ((p & 0xFF) >> 3) * inv) >> 8;
    const unsigned g = (((w & 0x7E0) >> 6) * weight + ((p & 0xFF00) >> 11) * inv) >> 8;
    const unsigned r = ((w >> 11) * weight + ((p & 0xFF0000) >> 19) * inv) >> 8;
    return table[(b & 31) | (g & 31) << 6 | (r & 31) << 11];
}

template <class Row>
bool eachRow(_canvas* s, _canvas* d, Row row)
{
    Area a;
    if (clipArea(s, d, a))
        for (int y = 0; y < a.h; ++y)
            row(a, y);
    return true;
}

// A rule drawing 15/16-bit words onto 32-bit pixels: pixel(w, a, p, table)
// gives the new pixel for the word w (as 5-6-5), its alpha byte a (255
// without a plane) and the present pixel p.
template <class Pixel>
bool rule32(_canvas* s, _canvas* d, bool needsAlpha, Pixel pixel)
{
    if (!usable(s, d) || (needsAlpha && !s->alpha) || !is1516(s->bpp) || d->bpp != 32)
        return false;
    const uint32_t* table = requireBppConversionTable();
    const int depth = s->bpp;
    return eachRow(s, d, [&](const Area& a, int y) {
        const PixelWord* src = a.srcRow(y);
        const uint8_t* alpha = a.alpha ? a.alphaRow(y) : nullptr;
        Pixel32* dst = a.dstRow32(y);
        for (int i = 0; i < a.w; ++i)
            dst[i] = pixel(as565(src[i], depth), alpha ? alpha[i] : 255u, uint32_t(dst[i]), table);
    });
}

enum Rule { RULE_ALPHA, RULE_BLEND, RULE_ALPHA_BLEND };

// A blending rule between two images of the same word depth, through the
// row loops of the widest instruction set. An opacity of 0 changes nothing.
bool wordRule(_canvas* s, _canvas* d, int depth, Rule rule, unsigned opacity)
{
    if (!usable(s, d) || s->bpp != depth || d->bpp != depth || (rule != RULE_BLEND && !s->alpha))
        return false;
    if (opacity == 0)
        return true;
    const blit::Kernels& k = blit::bestKernels();
    const bool is15 = depth == 15;
    return eachRow(s, d, [&](const Area& a, int y) {
        PixelWord* dst = a.dstRow(y);
        const PixelWord* src = a.srcRow(y);
        if (rule == RULE_ALPHA)
            (is15 ? k.alpha15 : k.alpha16)(dst, src, a.alphaRow(y), a.w);
        else if (rule == RULE_BLEND)
            (is15 ? k.blend15 : k.blend16)(dst, src, a.w, opacity);
        else
            (is15 ? k.alphaBlend15 : k.alphaBlend16)(dst, src, a.alphaRow(y), a.w, opacity);
    });
}

template <class F>
void canvasRow(const Area& a, int y)
{
    PixelWord* dst = a.dstRow(y);
    uint8_t* dstAlpha = a.dstAlphaRow(y);
    const PixelWord* src = a.srcRow(y);
    const uint8_t* alpha = a.alphaRow(y);
    for (int i = 0; i < a.w; ++i) {
        const unsigned av = alpha[i], da = dstAlpha[i];
        if (av == 0)
            continue;
        if (av == 255 || da == 0) {
            dst[i] = src[i];
            dstAlpha[i] = uint8_t(av);
        } else {
            dst[i] = PixelWord(blit::alphaPixel<F>(src[i], dst[i], av));
            dstAlpha[i] = uint8_t(std::min(255u, da + av));
        }
    }
}

} // namespace

// Dispatchers

bool CGraphicsObject::__copy(_canvas* s, _canvas* d)
{
    if (!s || !d || !is1516(s->bpp))
        return false;
    if (d->bpp == s->bpp)
        return __copy_bpp15_16(s, d);
    if (d->bpp == 24)
        return true;
    if (d->bpp == 32)
        return __copy_bpp32(s, d);
    return false;
}

bool CGraphicsObject::__copy_alpha(_canvas* s, _canvas* d)
{
    if (!s || !d || !is1516(s->bpp))
        return true;
    if (d->bpp == s->bpp)
        return s->bpp == 15 ? __copy_alpha15(s, d) : __copy_alpha16(s, d);
    if (d->bpp == 24)
        return false;
    if (d->bpp == 32)
        return __copy_alpha32(s, d);
    return true;
}

bool CGraphicsObject::__copy_blend(_canvas* s, _canvas* d, unsigned char opacity)
{
    if (!s || !d || !is1516(s->bpp))
        return true;
    if (d->bpp == s->bpp) {
        if (s->bpp == 15)
            return s->alpha ? __copy_alpha_blend15(s, d, opacity) : __copy_blend15(s, d, opacity);
        return s->alpha ? __copy_alpha_blend16(s, d, opacity) : __copy_blend16(s, d, opacity);
    }
    if (d->bpp == 32)
        return s->alpha ? __copy_alpha_blend32(s, d, opacity) : __copy_blend32(s, d, opacity);
    if (d->bpp == 24)
        return false;
    return true;
}

// Plain copies

bool CGraphicsObject::__copy_bpp15_16(_canvas* s, _canvas* d)
{
    if (!usable(s, d) || s->width + s->height == 0 || !is1516(s->bpp) || d->bpp != s->bpp)
        return false;
    Area a;
    if (!clipArea(s, d, a))
        return true;
    const size_t rowBytes = size_t(a.w) * 2;
    if (a.srcStep == int64_t(rowBytes) && a.dstStep == int64_t(rowBytes)) {
        std::memcpy(a.dst, a.src, rowBytes * size_t(a.h));
        return true;
    }
    for (int y = 0; y < a.h; ++y)
        std::memcpy(a.dstRow(y), a.srcRow(y), rowBytes);
    return true;
}

bool CGraphicsObject::__copy_bpp32(_canvas* s, _canvas* d)
{
    if (!usable(s, d) || s->width + s->height == 0)
        return false;
    return rule32(s, d, false, [](unsigned w, unsigned, uint32_t, const uint32_t* table) { return table[w]; });
}

// Alpha copies

bool CGraphicsObject::__copy_alpha15(_canvas* s, _canvas* d) { return wordRule(s, d, 15, RULE_ALPHA, 255); }

bool CGraphicsObject::__copy_alpha16(_canvas* s, _canvas* d) { return wordRule(s, d, 16, RULE_ALPHA, 255); }

bool CGraphicsObject::__copy_alpha32(_canvas* s, _canvas* d)
{
    return rule32(s, d, true, [](unsigned w, unsigned a, uint32_t p, const uint32_t* table) {
        return a == 255 ? table[w] : a != 0 ? blend32(w, p, a, table) : p;
    });
}

bool CGraphicsObject::__copy_alpha_as_mask(_canvas* s, _canvas* d)
{
    if (!usable(s, d) || !s->alpha || !is1516(s->bpp))
        return false;
    if (d->bpp == s->bpp) {
        const blit::Kernels& k = blit::bestKernels();
        return eachRow(s, d, [&](const Area& a, int y) { k.mask(a.dstRow(y), a.srcRow(y), a.alphaRow(y), a.w); });
    }
    return rule32(s, d, true,
                  [](unsigned w, unsigned a, uint32_t p, const uint32_t* table) { return a != 0 ? table[w] : p; });
}

// Blends

bool CGraphicsObject::__copy_blend15(_canvas* s, _canvas* d, unsigned char opacity)
{
    return wordRule(s, d, 15, RULE_BLEND, opacity);
}

bool CGraphicsObject::__copy_blend16(_canvas* s, _canvas* d, unsigned char opacity)
{
    return wordRule(s, d, 16, RULE_BLEND, opacity);
}

bool CGraphicsObject::__copy_blend32(_canvas* s, _canvas* d, unsigned char opacity)
{
    if (opacity == 0)
        return usable(s, d) && is1516(s->bpp) && d->bpp == 32;
    return rule32(s, d, false, [opacity](unsigned w, unsigned, uint32_t p, const uint32_t* table) {
        return blend32(w, p, opacity, table);
    });
}

bool CGraphicsObject::__copy_alpha_blend15(_canvas* s, _canvas* d, unsigned char opacity)
{
    return wordRule(s, d, 15, RULE_ALPHA_BLEND, opacity);
}

bool CGraphicsObject::__copy_alpha_blend16(_canvas* s, _canvas* d, unsigned char opacity)
{
    return wordRule(s, d, 16, RULE_ALPHA_BLEND, opacity);
}

bool CGraphicsObject::__copy_alpha_blend32(_canvas* s, _canvas* d, unsigned char opacity)
{
    // Pixels with a x o <= 255 are left as they are.
    return rule32(s, d, true, [opacity](unsigned w, unsigned a, uint32_t p, const uint32_t* table) {
        const unsigned weight = (a * opacity) >> 8;
        return weight ? blend32(w, p, weight, table) : p;
    });
}

// Onto a destination with its own alpha plane

bool CGraphicsObject::copyToCanvas(_canvas* s, _canvas* d)
{
    if (!usable(s, d) || !d->alpha)
        return false;
    if (!is1516(d->bpp) || s->bpp != d->bpp)
        return true;
    if (!s->alpha)
        return eachRow(s, d, [](const Area& a, int y) {
            std::memcpy(a.dstRow(y), a.srcRow(y), size_t(a.w) * 2);
            std::memset(a.dstAlphaRow(y), 255, size_t(a.w));
        });
    if (d->bpp == 15)
        return eachRow(s, d, canvasRow<blit::Format15>);
    return eachRow(s, d, canvasRow<blit::Format16>);
}
