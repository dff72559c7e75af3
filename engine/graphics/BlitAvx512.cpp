// The copy family's row loops in AVX-512 (BW): thirty-two pixels a step,
// with lane masks for the choices. Compiled for AVX-512 and only called
// when the processor has it; nothing here is shared with other files.
#include "graphics/BlitKernels.h"

#if defined(__AVX512BW__) && defined(__AVX512VL__)
#include <immintrin.h>

namespace blit {
namespace {

#include "graphics/BlitLanes256.inl"

// Sixteen pixels with the AVX-512 lane masks on 256-bit vectors.
struct V256 : Lanes256 {
    typedef __mmask16 M;

    // One bit a pixel: its alpha is 0, or 255.
    static unsigned zeros(const uint8_t* a)
    {
        __m128i bytes = alphaBytes(a);
        return _mm_testn_epi8_mask(bytes, bytes);
    }
    static unsigned fulls(const uint8_t* a) { return _mm_cmpeq_epi8_mask(alphaBytes(a), _mm_set1_epi8(-1)); }
    // The lanes whose alpha is value: the bits above are the mask.
    static M lanes(unsigned bits, T, int) { return M(bits); }
    static M eq(T a, T b) { return _mm256_cmpeq_epi16_mask(a, b); }
    static T select(M m, T ifSet, T otherwise) { return _mm256_mask_mov_epi16(otherwise, m, ifSet); }
};

struct V {
    typedef __m512i T;
    typedef __mmask32 M;
    enum { N = 32 };

    static T load(const PixelWord* p) { return _mm512_loadu_si512(p); }
    static void store(PixelWord* p, T v) { _mm512_storeu_si512(p, v); }
    static __m256i alphaBytes(const uint8_t* a) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)); }
    static T loadAlpha(const uint8_t* a) { return _mm512_cvtepu8_epi16(alphaBytes(a)); }
    static bool noAlpha(const uint8_t* a)
    {
        __m256i bytes = alphaBytes(a);
        return _mm256_testz_si256(bytes, bytes);
    }
    static bool fullMask(const uint8_t* a)
    {
        __m256i bytes = alphaBytes(a);
        return _mm256_test_epi8_mask(bytes, bytes) == 0xFFFFFFFFu;
    }
    static T set1(int v) { return _mm512_set1_epi16(short(v)); }
    static T zero() { return _mm512_setzero_si512(); }
    static T add(T a, T b) { return _mm512_add_epi16(a, b); }
    static T addsu(T a, T b) { return _mm512_adds_epu16(a, b); }
    static T sub(T a, T b) { return _mm512_sub_epi16(a, b); }
    static T mullo(T a, T b) { return _mm512_mullo_epi16(a, b); }
    static T andv(T a, T b) { return _mm512_and_si512(a, b); }
    static T orv(T a, T b) { return _mm512_or_si512(a, b); }
    template <int K>
    static T srli(T v) { return _mm512_srli_epi16(v, K); }
    template <int K>
    static T slli(T v) { return _mm512_slli_epi16(v, K); }
    static M eq(T a, T b) { return _mm512_cmpeq_epi16_mask(a, b); }
    static T select(M m, T ifSet, T otherwise) { return _mm512_mask_mov_epi16(otherwise, m, ifSet); }
};

#include "graphics/BlitSimd.inl"

// The alpha copy, thirty-two pixels a step: a block of only 0s and 255s is
// left or copied lane by lane, and one with every alpha in between is
// worked out whole. A block where a soft edge begins or ends goes a half
// at a time to the 256-bit loops, whose shortcuts then skip the half that
// needs no arithmetic; they also run on a vector port that some processors
// shut while 512-bit arithmetic runs.
template <unsigned GreenMax, unsigned RedShift>
void alphaRows(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n)
{
    typedef Rows<V256, GreenMax, RedShift> Halves;
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        const __m256i bytes = V::alphaBytes(alpha + i);
        const unsigned zeros = _mm256_testn_epi8_mask(bytes, bytes);
        if (zeros == 0xFFFFFFFFu)
            continue;
        const unsigned fulls = _mm256_cmpeq_epi8_mask(bytes, _mm256_set1_epi8(-1));
        if ((zeros | fulls) == 0xFFFFFFFFu) {
            _mm512_mask_storeu_epi16(dst + i, fulls, V::load(src + i));
            continue;
        }
        if ((zeros | fulls) == 0) {
            V::store(dst + i, Rows<V, GreenMax, RedShift>::alphaWords(V::load(src + i), V::load(dst + i),
                                                                       _mm512_cvtepu8_epi16(bytes), 0, 0));
            continue;
        }
        Halves::alphaBlock(dst + i, src + i, alpha + i, zeros & 0xFFFF, fulls & 0xFFFF);
        Halves::alphaBlock(dst + i + 16, src + i + 16, alpha + i + 16, zeros >> 16, fulls >> 16);
    }
    if (i < n)
        Halves::alpha(dst + i, src + i, alpha + i, n - i);
}

const Kernels avx512 = {"avx512",
                        alphaRows<31, 10>,
                        alphaRows<63, 11>,
                        maskRows,
                        Rows15::blend,
                        Rows16::blend,
                        Rows15::alphaBlend,
                        Rows16::alphaBlend};

} // namespace

const Kernels* avx512Table() { return &avx512; }

} // namespace blit

#else

namespace blit {
const Kernels* avx512Table() { return nullptr; }
} // namespace blit

#endif
