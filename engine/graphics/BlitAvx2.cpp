// The copy family's row loops in AVX2: sixteen pixels a step. This file is
// compiled for AVX2 and only called when the processor has it; it holds
// nothing that other files could share (every function is its own, those
// of BlitLanes256.inl too).
#include "graphics/BlitKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace blit {
namespace {

#include "graphics/BlitLanes256.inl"

struct V : Lanes256 {
    typedef __m256i M;

    // One bit a pixel: its alpha is 0, or 255.
    static unsigned zeros(const uint8_t* a)
    {
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_setzero_si128())));
    }
    static unsigned fulls(const uint8_t* a)
    {
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_set1_epi8(-1))));
    }
    // The lanes whose alpha is value, of the bits above or of the words a.
    static M lanes(unsigned, T a, int value) { return eq(a, set1(value)); }
    static bool fullMask(const uint8_t* a)
    {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(alphaBytes(a), _mm_setzero_si128())) == 0;
    }
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
