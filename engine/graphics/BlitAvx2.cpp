// The copy family's row loops in AVX2: sixteen pixels a step. This file is
// compiled for AVX2 and only called when the processor has it; it holds
// nothing that other files could share (every function is its own).
#include "graphics/BlitKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace blit {
namespace {

struct V {
    typedef __m256i T;
    typedef __m256i M;
    enum { N = 16 };

    static T load(const PixelWord* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(PixelWord* p, T v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static __m128i alphaBytes(const uint8_t* a) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(a)); }
    static T loadAlpha(const uint8_t* a) { return _mm256_cvtepu8_epi16(alphaBytes(a)); }
    static bool noAlpha(const uint8_t* a)
    {
        __m128i bytes = alphaBytes(a);
        return _mm_testz_si128(bytes, bytes);
    }
    static bool fullAlpha(const uint8_t* a)
    {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_set1_epi8(-1))) == 0xFFFF;
    }
    static bool fullMask(const uint8_t* a)
    {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_setzero_si128())) == 0;
    }
    static T set1(int v) { return _mm256_set1_epi16(short(v)); }
    static T zero() { return _mm256_setzero_si256(); }
    static T add(T a, T b) { return _mm256_add_epi16(a, b); }
    static T addsu(T a, T b) { return _mm256_adds_epu16(a, b); }
    static T sub(T a, T b) { return _mm256_sub_epi16(a, b); }
    static T mullo(T a, T b) { return _mm256_mullo_epi16(a, b); }
    static T andv(T a, T b) { return _mm256_and_si256(a, b); }
    static T orv(T a, T b) { return _mm256_or_si256(a, b); }
    template <int K>
    static T srli(T v) { return _mm256_srli_epi16(v, K); }
    template <int K>
    static T slli(T v) { return _mm256_slli_epi16(v, K); }
    static M eq(T a, T b) { return _mm256_cmpeq_epi16(a, b); }
    static T select(M m, T ifSet, T otherwise) { return _mm256_blendv_epi8(otherwise, ifSet, m); }
};

#include "graphics/BlitSimd.inl"

const Kernels avx2 = {"avx2",           Rows15::alpha,      Rows16::alpha,     maskRows,
                      Rows15::blend,    Rows16::blend,      Rows15::alphaBlend, Rows16::alphaBlend};

} // namespace

const Kernels* avx2Table() { return &avx2; }

} // namespace blit

#else

namespace blit {
const Kernels* avx2Table() { return nullptr; }
} // namespace blit

#endif
