#pragma once
#include "graphics/PixelWord.h"

// The row loops of the copy family's blending rules, one set per processor
// path. The plain loops (BlitRules.h) are the reference; the SSE2, AVX2 and
// AVX-512 sets give the same words for every input and are chosen at run
// time by what the processor offers. Each loop draws n pixels of src (with
// their alpha bytes) onto dst.
//
// The files compiled for wider instruction sets include only this header,
// so that no inline function they emit can stand in for another file's.
namespace blit {

struct Kernels {
    const char* name;
    void (*alpha15)(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n);
    void (*alpha16)(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n);
    void (*mask)(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n);
    // opacity 1..255.
    void (*blend15)(PixelWord* dst, const PixelWord* src, int n, unsigned opacity);
    void (*blend16)(PixelWord* dst, const PixelWord* src, int n, unsigned opacity);
    void (*alphaBlend15)(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n, unsigned opacity);
    void (*alphaBlend16)(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n, unsigned opacity);
};

const Kernels& plainKernels();
// Null where the processor lacks the instructions.
const Kernels* sse2Kernels();
const Kernels* avx2Kernels();
const Kernels* avx512Kernels();
// The widest set the processor runs, chosen on first use.
const Kernels& bestKernels();

// The sets as their files build them, without asking the processor; null
// where the file is not built for this machine.
const Kernels* sse2Table();
const Kernels* avx2Table();
const Kernels* avx512Table();

} // namespace blit
