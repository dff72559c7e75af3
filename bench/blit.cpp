// Drawing an 800x600 16-bit picture onto an 800x600 surface: the plain
// copy, the alpha copy, the blend at opacity 128 and the alpha blend, each
// beside memcpy of the same 960,000 bytes measured in the same run. The
// "x_memcpy" counter is the draw's time over memcpy's, each taken as the
// best mean of a batch of 20 runs, so that a busy machine's pauses weigh
// on neither.
//
// The picture's alpha plane is shaped as a title's pictures are: opaque
// figures with soft edges on a transparent ground. The "AllPartial" forms
// give every pixel an alpha strictly between 0 and 255, so that no pixel
// takes the all-transparent or all-opaque shortcuts: the worst case. The
// "Rows" forms run each processor path's row loops over the same pixels.
#include "BestBatch.h"
#include "graphics/BlitKernels.h"
#include "graphics/GraphicsObject.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int Width = 800, Height = 600;
const int Pixels = Width * Height;
const int PictureBytes = Pixels * 2;

// A scene picture in RGB565: banded sky, walls, a dithered floor.
uint16_t pictureWord(int x, int y)
{
    if (y < 200)
        return uint16_t(0x001F + (y / 8) * 0x0841);
    if (y < 420)
        return (x / 160) % 2 ? 0x8410 : 0xA514;
    return uint16_t(0x4208 + ((x + y) & 1) * 0x0020);
}

// Three figures with edges 12 pixels soft.
uint8_t figureAlpha(int x, int y)
{
    const double figures[3][3] = {{220, 330, 150}, {520, 300, 200}, {700, 480, 90}};
    double best = 0;
    for (const auto& f : figures) {
        double inside = f[2] - std::hypot(x - f[0], y - f[1]);
        best = std::max(best, std::min(1.0, std::max(0.0, inside / 12.0)));
    }
    return uint8_t(std::lround(best * 255));
}

uint8_t partialAlpha(int x, int y) { return uint8_t(1 + (x * 7 + y * 13) % 254); }

std::unique_ptr<CGraphicsObject> picture(uint8_t (*alphaAt)(int, int))
{
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr, CXSize(Width, Height), 16));
    if (alphaAt)
        g->alloc(CXSize(Width, Height));
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            uint16_t w = pictureWord(x, y);
            std::memcpy(g->GetDataPtr() + 2 * (y * Width + x), &w, 2);
            if (alphaAt)
                g->GetChannelAlpha()[y * Width + x] = char(alphaAt(x, y));
        }
    return g;
}

std::unique_ptr<CGraphicsObject> surface()
{
    std::unique_ptr<CGraphicsObject> s(new CGraphicsObject(nullptr, CXSize(Width, Height), 16));
    for (int i = 0; i < Pixels; ++i) {
        uint16_t w = uint16_t(i * 2654435761u >> 16);
        std::memcpy(s->GetDataPtr() + 2 * i, &w, 2);
    }
    return s;
}

using benchsupport::bestBatch;

void copyPicture(std::vector<char>& to, const std::vector<char>& from)
{
    std::memcpy(to.data(), from.data(), PictureBytes);
    benchmark::DoNotOptimize(to.data());
}

double memcpyNanoseconds()
{
    static const double ns = benchsupport::memcpyNanoseconds(PictureBytes);
    return ns;
}

template <class Draw>
void measure(benchmark::State& state, Draw draw)
{
    const double reference = memcpyNanoseconds();
    const double ns = bestBatch(&state, 0, draw);
    state.SetBytesProcessed(int64_t(state.iterations()) * PictureBytes);
    state.counters["x_memcpy"] = ns / reference;
}

void BM_memcpy(benchmark::State& state)
{
    std::vector<char> from(PictureBytes, 1), to(PictureBytes);
    measure(state, [&] { copyPicture(to, from); });
}

// The engine's own path: the picture draws itself into the surface.
void drawOnto(benchmark::State& state, uint8_t (*alphaAt)(int, int), unsigned char opacity)
{
    std::unique_ptr<CGraphicsObject> src = picture(alphaAt), dest = surface();
    src->SetOpacity(opacity);
    measure(state, [&] { src->redraw(dest.get()); });
}

void BM_Copy(benchmark::State& state) { drawOnto(state, nullptr, 255); }
void BM_AlphaCopy(benchmark::State& state) { drawOnto(state, figureAlpha, 255); }
void BM_Blend128(benchmark::State& state) { drawOnto(state, nullptr, 128); }
void BM_AlphaBlend128(benchmark::State& state) { drawOnto(state, figureAlpha, 128); }
void BM_AlphaCopy_AllPartial(benchmark::State& state) { drawOnto(state, partialAlpha, 255); }
void BM_AlphaBlend128_AllPartial(benchmark::State& state) { drawOnto(state, partialAlpha, 128); }

// One processor path's row loops over the whole picture; state.range(0)
// picks the path (0 plain, 1 SSE2, 2 AVX2, 3 AVX-512) and range(1) the rule
// (0 alpha on the figures, 1 blend at 128, 2 alpha on AllPartial).
void BM_Rows(benchmark::State& state)
{
    const blit::Kernels* paths[] = {&blit::plainKernels(), blit::sse2Kernels(), blit::avx2Kernels(),
                                    blit::avx512Kernels()};
    const blit::Kernels* k = paths[state.range(0)];
    if (!k) {
        state.SkipWithError("not on this processor");
        return;
    }
    state.SetLabel(k->name);
    const int rule = int(state.range(1));
    std::unique_ptr<CGraphicsObject> src = picture(rule == 2 ? partialAlpha : figureAlpha), dest = surface();
    const PixelWord* s = reinterpret_cast<const PixelWord*>(src->GetDataPtr());
    const uint8_t* a = reinterpret_cast<const uint8_t*>(src->GetChannelAlpha());
    PixelWord* d = reinterpret_cast<PixelWord*>(dest->GetDataPtr());
    measure(state, [&] {
        for (int y = 0; y < Height; ++y) {
            const int at = y * Width;
            if (rule == 1)
                k->blend16(d + at, s + at, Width, 128);
            else
                k->alpha16(d + at, s + at, a + at, Width);
        }
    });
}

BENCHMARK(BM_memcpy)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_Copy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlphaCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Blend128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlphaBlend128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlphaCopy_AllPartial)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlphaBlend128_AllPartial)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rows)->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2}})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
