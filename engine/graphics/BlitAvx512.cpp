// The copy family's row loops in AVX-512 (BW): thirty-two pixels a step,
// with lane masks for the choices. Compiled for AVX-512 and only called
// when the processor has it; nothing here is shared with other files.
#include "graphics/BlitKernels.h"

#if defined(__AVX512BW__) && defined(__AVX512VL__)
#include <immintrin.h>

namespace blit {
namespace {

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
    static bool fullAlpha(const uint8_t* a)
    {
        return _mm256_cmpeq_epi8_mask(alphaBytes(a), _mm256_set1_epi8(-1)) == 0xFFFFFFFFu;
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

const Kernels avx512 = {"avx512",         Rows15::alpha,      Rows16::alpha,     maskRows,
                        Rows15::blend,    Rows16::blend,      Rows15::alphaBlend, Rows16::alphaBlend};

} // namespace

const Kernels* avx512Table() { return &avx512; }

} // namespace blit

#else

namespace blit {
const Kernels* avx512Table() { return nullptr; }
} // namespace blit

#endif
