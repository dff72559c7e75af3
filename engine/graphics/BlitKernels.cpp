#include "graphics/BlitKernels.h"

#include "graphics/BlitRules.h"

namespace blit {
namespace {

template <class F>
void alphaRow(PixelWord* __restrict dst, const PixelWord* __restrict src, const uint8_t* __restrict alpha, int n)
{
    for (int i = 0; i < n; ++i)
        dst[i] = PixelWord(alphaPixel<F>(src[i], dst[i], alpha[i]));
}

void maskRow(PixelWord* __restrict dst, const PixelWord* __restrict src, const uint8_t* __restrict alpha, int n)
{
    for (int i = 0; i < n; ++i)
        dst[i] = PixelWord(maskPixel(src[i], dst[i], alpha[i]));
}

template <class F>
void blendRow(PixelWord* __restrict dst, const PixelWord* __restrict src, int n, unsigned opacity)
{
    for (int i = 0; i < n; ++i)
        dst[i] = PixelWord(blendPixel<F>(src[i], dst[i], opacity));
}

template <class F>
void alphaBlendRow(PixelWord* __restrict dst, const PixelWord* __restrict src, const uint8_t* __restrict alpha, int n,
                   unsigned opacity)
{
    for (int i = 0; i < n; ++i)
        dst[i] = PixelWord(alphaBlendPixel<F>(src[i], dst[i], alpha[i], opacity));
}

const Kernels plain = {"plain",
                       alphaRow<Format15>,
                       alphaRow<Format16>,
                       maskRow,
                       blendRow<Format15>,
                       blendRow<Format16>,
                       alphaBlendRow<Format15>,
                       alphaBlendRow<Format16>};

} // namespace

const Kernels& plainKernels() { return plain; }

// Built only where the whole program may assume SSE2.
const Kernels* sse2Kernels() { return sse2Table(); }

// The AVX sets are asked for only after the processor has been checked:
// their files are compiled for those instructions.
const Kernels* avx2Kernels()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    return avx2Table() && __builtin_cpu_supports("avx2") ? avx2Table() : nullptr;
#else
    return nullptr;
#endif
}

const Kernels* avx512Kernels()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    return avx512Table() && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") ? avx512Table()
                                                                                                    : nullptr;
#else
    return nullptr;
#endif
}

const Kernels& bestKernels()
{
    static const Kernels* best = [] {
        if (const Kernels* k = avx512Kernels())
            return k;
        if (const Kernels* k = avx2Kernels())
            return k;
        if (const Kernels* k = sse2Kernels())
            return k;
        return &plain;
    }();
    return *best;
}

} // namespace blit
