// The copy family's row loops in SSE2: eight pixels a step.
#include "graphics/BlitKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace blit {
namespace {

struct V {
    typedef __m128i T;
    typedef __m128i M;
    enum { N = 8 };
    static constexpr unsigned all = 0xFF;

    static T load(const PixelWord* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(PixelWord* p, T v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static __m128i alphaBytes(const uint8_t* a) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)); }
    static T loadAlpha(const uint8_t* a) { return _mm_unpacklo_epi8(alphaBytes(a), _mm_setzero_si128()); }
    // One bit a pixel: its alpha is 0, or 255.
    static unsigned zeros(const uint8_t* a)
    {
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_setzero_si128()))) & all;
    }
    static unsigned fulls(const uint8_t* a)
    {
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_set1_epi8(-1)))) & all;
    }
    // The lanes whose alpha is value, of the bits above or of the words a.
    static M lanes(unsigned, T a, int value) { return eq(a, set1(value)); }
    static bool noAlpha(const uint8_t* a) { return zeros(a) == all; }
    static bool fullMask(const uint8_t* a)
    {
        return (_mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_setzero_si128())) & 0xFF) == 0;
    }
    static T set1(int v) { return _mm_set1_epi16(short(v)); }
    static T zero() { return _mm_setzero_si128(); }
    static T add(T a, T b) { return _mm_add_epi16(a, b); }
    static T addsu(T a, T b) { return _mm_adds_epu16(a, b); }
    static T sub(T a, T b) { return _mm_sub_epi16(a, b); }
    static T mullo(T a, T b) { return _mm_mullo_epi16(a, b); }
    static T andv(T a, T b) { return _mm_and_si128(a, b); }
    static T orv(T a, T b) { return _mm_or_si128(a, b); }
    template <int K>
    static T srli(T v) { return _mm_srli_epi16(v, K); }
    template <int K>
    static T slli(T v) { return _mm_slli_epi16(v, K); }
    static M eq(T a, T b) { return _mm_cmpeq_epi16(a, b); }
    static T select(M m, T ifSet, T otherwise) { return _mm_or_si128(_mm_and_si128(m, ifSet), _mm_andnot_si128(m, otherwise)); }
};

#include "graphics/BlitSimd.inl"

const Kernels sse2 = {"sse2",           Rows15::alpha,      Rows16::alpha,     maskRows,
                      Rows15::blend,    Rows16::blend,      Rows15::alphaBlend, Rows16::alphaBlend};

} // namespace

const Kernels* sse2Table() { return &sse2; }

} // namespace blit

#else

namespace blit {
const Kernels* sse2Table() { return nullptr; }
} // namespace blit

#endif
