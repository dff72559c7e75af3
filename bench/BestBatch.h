#pragma once
// The time of one run of a piece of work for benchmarks that print their
// figure beside a reference measured in the same run: each is taken as the
// best mean of a batch of runs, so that a busy machine's pauses weigh on
// neither.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace benchsupport {

constexpr int Batch = 20;

// The best mean time of draw over batches of Batch runs, each batch a
// fixed number of iterations of the state's loop.
template <class Draw>
inline double bestBatch(benchmark::State* state, int batches, Draw draw)
{
    double best = 1e300;
    int done = 0;
    auto start = std::chrono::steady_clock::now();
    auto finishBatch = [&] {
        auto now = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::nano>(now - start).count() / Batch);
        start = now;
        done = 0;
    };
    if (state) {
        for (auto _ : *state) {
            draw();
            benchmark::ClobberMemory();
            if (++done == Batch)
                finishBatch();
        }
    } else {
        for (int b = 0; b < batches; ++b) {
            for (int i = 0; i < Batch; ++i) {
                draw();
                benchmark::ClobberMemory();
            }
            finishBatch();
        }
    }
    return best;
}

// memcpy of that many bytes, the reference most figures are printed beside.
inline double memcpyNanoseconds(size_t bytes)
{
    std::vector<char> from(bytes, 1), to(bytes);
    return bestBatch(nullptr, 100, [&] {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    });
}

// Times draw as bestBatch does and sets the state's "x_memcpy" counter to
// that time over memcpy of the given number of bytes.
template <class Draw>
inline void measureAgainstMemcpy(benchmark::State& state, size_t bytes, Draw draw)
{
    const double reference = memcpyNanoseconds(bytes);
    state.counters["x_memcpy"] = bestBatch(&state, 0, draw) / reference;
}

} // namespace benchsupport
