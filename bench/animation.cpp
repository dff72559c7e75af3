// Loading an animation of 100 frames of 200x200 pixels with alpha, stored
// as LZO blocks (kind 2, opened by the loader) and as RLE2 (kind 4, kept
// packed and opened once per frame as drawing does), from a file held in
// memory. Each figure is given beside memcpy of the same unpacked bytes
// (into buffers allocated as every unpacking must) measured in the same
// run, both as the best mean of a batch: the "x_memcpy" counter is the
// load's time over memcpy's.
#include "BestBatch.h"
#include "base/Compression.h"
#include "base/FileStream.h"
#include "media/Animo.h"
#include "media/AnimoStream.h"
#include "media/Frame.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

const int Frames = 100, Side = 200;
const int ColourBytes = Side * Side * 2, AlphaBytes = Side * Side;
const int64_t UnpackedBytes = int64_t(Frames) * (ColourBytes + AlphaBytes);

// A walking figure as titles draw them: a shaded body on a transparent
// ground, moving a little from frame to frame, with a soft edge and some
// texture.
void drawFrame(int n, std::vector<char>& colour, std::vector<char>& alpha)
{
    std::mt19937 rng{uint32_t(n)};
    colour.assign(ColourBytes, 0);
    alpha.assign(AlphaBytes, 0);
    const int cx = 100 + (n % 10) - 5, cy = 100 + (n % 7) - 3;
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) {
            const int dx = x - cx, dy = (y - cy) * 3 / 4, d2 = dx * dx + dy * dy;
            if (d2 > 80 * 80)
                continue;
            const int i = y * Side + x;
            uint16_t c = uint16_t(((y / 12) << 11) | ((x / 8) << 5) | 0x08);
            if ((x / 16 + y / 16) % 3 == 0)
                c = uint16_t(c ^ (rng() & 0x0861));
            std::memcpy(&colour[size_t(i) * 2], &c, 2);
            alpha[size_t(i)] = char(d2 > 76 * 76 ? 128 : 255);
        }
}

// The animation file: "NVP", one event over every frame, the frames' data
// in the kind asked for.
std::vector<char> animationFile(_compression kind)
{
    CAnimoWriter head, data;
    head.put("NVP", 4);
    head.u16(Frames);
    head.u16(16);
    head.u16(1);
    head.zeros(13);
    head.u32(15);
    head.u32(0);
    head.u8(255);
    head.u16(0);
    head.zeros(10);
    head.u32(0);
    head.u32(0);
    char name[32] = "walk";
    head.put(name, 32);
    head.u16(Frames);
    head.zeros(4 + 8);
    head.u32(15);
    head.u32(0);
    head.u8(255);
    head.zeros(12);
    for (int i = 0; i < Frames; ++i)
        head.u16(uint16_t(i));
    for (int i = 0; i < Frames; ++i) {
        head.zeros(12);
        head.u32(0xFFFFFFFF);
        head.zeros(8);
        head.u8(255);
        head.zeros(5);
    }
    std::vector<char> colour, alpha;
    for (int i = 0; i < Frames; ++i) {
        drawFrame(i, colour, alpha);
        int colourLength = 0, alphaLength = 0;
        std::unique_ptr<char[]> c, a;
        if (kind == COMPRESSION_LZO) {
            c.reset(CLZWCompression2(colour.data(), ColourBytes).compress(colourLength));
            a.reset(CLZWCompression2(alpha.data(), AlphaBytes).compress(alphaLength));
            colourLength += 8;
            alphaLength += 8;
        } else {
            c.reset(CRLECompression::__compress(colour.data(), ColourBytes, colourLength));
            a.reset(CRLECompression::__compresschar(alpha.data(), AlphaBytes, alphaLength));
        }
        const size_t start = head.size();
        head.u16(Side);
        head.u16(Side);
        head.zeros(4);
        head.u16(kind);
        head.u32(uint32_t(colourLength));
        head.u16(4);
        head.zeros(12);
        head.u32(uint32_t(alphaLength));
        head.padTo(start + CFrame::HEADER_NEW2);
        data.put(c.get(), colourLength);
        data.put(a.get(), alphaLength);
    }
    head.bytes.insert(head.bytes.end(), data.bytes.begin(), data.bytes.end());
    return head.bytes;
}

// memcpy of every frame's colour and alpha data into buffers of their
// own, as opening the frames makes them.
double memcpyNanoseconds()
{
    static const double ns = [] {
        std::vector<char> colour, alpha;
        drawFrame(0, colour, alpha);
        return benchsupport::bestBatch(nullptr, 5, [&] {
            for (int i = 0; i < Frames; ++i) {
                std::unique_ptr<char[]> c(new char[ColourBytes]), a(new char[AlphaBytes]);
                std::memcpy(c.get(), colour.data(), ColourBytes);
                std::memcpy(a.get(), alpha.data(), AlphaBytes);
                benchmark::DoNotOptimize(c.get());
                benchmark::DoNotOptimize(a.get());
            }
        });
    }();
    return ns;
}

// Loads the file and opens every frame once.
void measure(benchmark::State& state, _compression kind)
{
    const std::vector<char> file = animationFile(kind);
    const double reference = memcpyNanoseconds();
    bool loaded = true;
    const double ns = benchsupport::bestBatch(&state, 0, [&] {
        CFile_Stream in(const_cast<char*>(file.data()), int(file.size()));
        CAnimo animation(nullptr);
        animation.Load(&in);
        for (int i = 0; i < animation.GetNOF(); ++i) {
            CFrame* f = animation.GetFrame(i);
            f->DeCompressRLE2();
            benchmark::DoNotOptimize(f->GetDataPtr());
            f->bringBackCompressed();
        }
        loaded = loaded && animation.LastError() == 0 && animation.GetNOF() == Frames;
    });
    if (!loaded)
        state.SkipWithError("the animation did not load");
    state.SetBytesProcessed(int64_t(state.iterations()) * UnpackedBytes);
    state.counters["x_memcpy"] = ns / reference;
    state.counters["ms"] = ns / 1e6;
    state.counters["memcpy_ms"] = reference / 1e6;
    state.counters["file_pct"] = 100.0 * double(file.size()) / double(UnpackedBytes);
}

void BM_LoadLZO(benchmark::State& state) { measure(state, COMPRESSION_LZO); }
void BM_LoadRLE2(benchmark::State& state) { measure(state, COMPRESSION_RLE2); }

BENCHMARK(BM_LoadLZO)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRLE2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
