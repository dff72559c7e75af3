// One frame of a scene drawn through the screen refresh and the window onto
// the headless primary surface, and shown: 100 drawables of 64 x 64 pixels
// with soft-edged alpha planes at distinct positions (neighbouring rows
// overlap), all invalidated; the same drawables without alpha planes, for
// the share of the alpha copies; and a frame in which nothing changed. The
// "x_memcpy" counter is the frame's time over memcpy of one whole 800 x 600
// 16-bit frame (960,000 bytes) measured in the same run.
#include "BestBatch.h"
#include "HeadlessWindow.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int FrameBytes = 800 * 600 * 2;
const int Side = 64;

// A figure with edges 6 pixels soft on a transparent ground.
uint8_t figureAlpha(int x, int y)
{
    double inside = 30.0 - std::hypot(x - 31.5, y - 31.5);
    return uint8_t(std::lround(std::min(1.0, std::max(0.0, inside / 6.0)) * 255));
}

struct Scene : benchsupport::HeadlessWindow {
    std::vector<std::unique_ptr<CGraphicsObject>> sprites;

    explicit Scene(bool withAlpha)
    {
        for (int i = 0; i < 100; ++i) {
            std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(window.get(), CXSize(Side, Side), 16));
            if (withAlpha)
                g->alloc(CXSize(Side, Side));
            for (int y = 0; y < Side; ++y)
                for (int x = 0; x < Side; ++x) {
                    uint16_t w = uint16_t(i * 653 + x * 33 + y * 2049);
                    std::memcpy(g->GetDataPtr() + 2 * (y * Side + x), &w, 2);
                    if (withAlpha)
                        g->GetChannelAlpha()[y * Side + x] = char(figureAlpha(x, y));
                }
            g->SetPosition((i % 10) * 81, (i / 10) * 59);
            window->GetRefreshScreenInterface()->put(g.get(), i);
            sprites.push_back(std::move(g));
        }
        window->Redraw();
    }
    ~Scene() { sprites.clear(); }
};

template <class Draw>
void measure(benchmark::State& state, Draw draw)
{
    benchsupport::measureAgainstMemcpy(state, FrameBytes, draw);
}

void allInvalidated(benchmark::State& state, bool withAlpha)
{
    Scene scene(withAlpha);
    measure(state, [&] {
        for (auto& g : scene.sprites)
            g->Invalidate();
        scene.window->Redraw();
    });
}

void BM_FrameAllInvalidated(benchmark::State& state) { allInvalidated(state, true); }
void BM_FrameAllInvalidatedOpaque(benchmark::State& state) { allInvalidated(state, false); }

void BM_FrameUnchanged(benchmark::State& state)
{
    Scene scene(true);
    measure(state, [&] { scene.window->Redraw(); });
}

BENCHMARK(BM_FrameAllInvalidated)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameAllInvalidatedOpaque)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameUnchanged)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
