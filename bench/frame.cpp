// One frame of a scene drawn through the screen refresh and the window onto
// the headless primary surface, and shown: 100 drawables of 64 x 64 pixels
// with soft-edged alpha planes at distinct positions (neighbouring rows
// overlap), all invalidated; the same drawables without alpha planes, for
// the share of the alpha copies; and a frame in which nothing changed. The
// "x_memcpy" counter is the frame's time over memcpy of one whole 800 x 600
// 16-bit frame (960,000 bytes) measured in the same run.
#include "BestBatch.h"
#include "base/CommandLine.h"
#include "base/Language.h"
#include "base/WindowPaths.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Platform.h"

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

struct Scene {
    platform::ManualClock clock{1000};
    platform::ScopedClock clockInUse{&clock};
    std::unique_ptr<platform::Platform> backend = platform::createHeadlessPlatform(clock);
    platform::ScopedPlatform backendInUse{backend.get()};
    CCommandLine6 commandLine{"-window"};
    CLanguageOSVer language;
    std::unique_ptr<CWindow> window;
    std::vector<std::unique_ptr<CGraphicsObject>> sprites;

    explicit Scene(bool withAlpha)
    {
        window.reset(new CWindow(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", true));
        window->CreateSurface(nullptr);
        window->OnActivateApp(true);
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
    ~Scene()
    {
        sprites.clear();
        window.reset();
        CWindowPaths::reset();
    }
};

template <class Draw>
void measure(benchmark::State& state, Draw draw)
{
    static const double reference = benchsupport::memcpyNanoseconds(FrameBytes);
    const double ns = benchsupport::bestBatch(&state, 0, draw);
    state.counters["x_memcpy"] = ns / reference;
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
