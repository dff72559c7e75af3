// The static filter kernels on an 800x600 16-bit picture with an alpha
// plane: BLUR of SIZE 3 and WAVES (AMPLITUDE 4, DENSITY 1.0), each beside
// memcpy of the picture's 960,000 bytes measured in the same run. The
// "x_memcpy" counter is the kernel's time over memcpy's, each the best mean
// of a batch of 20 runs. Each run builds the kernel's new buffers and frees
// the old ones, as a title's filter does.
#include "BestBatch.h"
#include "graphics/FilterKernels.h"
#include "graphics/GraphicsObject.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

const int Width = 800, Height = 600;
const int PictureBytes = Width * Height * 2;

std::unique_ptr<CGraphicsObject> picture()
{
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr, CXSize(Width, Height), 16));
    g->alloc(CXSize(Width, Height));
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const uint16_t w = uint16_t((x * 37 + y * 91) ^ (x * y));
            std::memcpy(g->GetDataPtr() + 2 * (y * Width + x), &w, 2);
            g->GetChannelAlpha()[y * Width + x] = char((x + y) & 0xFF);
        }
    return g;
}

template <class Work>
void measure(benchmark::State& state, Work work)
{
    static const double reference = benchsupport::memcpyNanoseconds(PictureBytes);
    const double ns = benchsupport::bestBatch(&state, 0, work);
    state.SetBytesProcessed(int64_t(state.iterations()) * PictureBytes);
    state.counters["x_memcpy"] = ns / reference;
}

void BM_memcpy(benchmark::State& state)
{
    std::vector<char> from(PictureBytes, 1), to(PictureBytes);
    measure(state, [&] {
        std::memcpy(to.data(), from.data(), PictureBytes);
        benchmark::DoNotOptimize(to.data());
    });
}

void BM_Blur3(benchmark::State& state)
{
    std::unique_ptr<CGraphicsObject> g = picture();
    measure(state, [&] { CFilterKernels::blur(g.get(), 3, true); });
}

void BM_Waves(benchmark::State& state)
{
    std::unique_ptr<CGraphicsObject> g = picture();
    measure(state, [&] { CFilterKernels::waves(g.get(), 4, 1.0, 0, true); });
}

BENCHMARK(BM_memcpy)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_Blur3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Waves)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
