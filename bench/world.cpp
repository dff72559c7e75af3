// The World plug-in's physics: a world of 200 bodies piled in a box, one
// step as a WORLD's "MOVEOBJECTS" makes it each frame. Printed beside it:
// the step as a share of its budget, a tenth of a 60 Hz frame
// (of_budget, aim below 1), with every body awake, and against the same world stepped by Box2D
// alone in the same run (vs_box2d).
#include "world/BoxWorld.h"

#include <benchmark/benchmark.h>
#include <box2d/box2d.h>
#include <chrono>

namespace {

void buildPile(CBoxWorld& world)
{
    world.SetGravity(0, -300, 0);
    world.AddBody(1000, 0, -250, 0, 400, 10, 0, 0, 1, 1, 0.5f, 0);
    world.AddBody(1001, -400, 0, 0, 10, 260, 0, 0, 1, 1, 0.5f, 0);
    world.AddBody(1002, 400, 0, 0, 10, 260, 0, 0, 1, 1, 0.5f, 0);
    for (uint32_t i = 0; i < 200; ++i) {
        float x = -300 + float(i % 20) * 30 + float(i / 20 % 2) * 7;
        float y = -200 + float(i / 20) * 30;
        world.AddBody(i, x, y, 0, 8, 8, 0, 1, int32_t(i % 2), 1, 0.4f, 0.1f);
        world.SetAlwaysActive(i, true); // the worst case: no body sleeps
    }
    float dt;
    for (int i = 0; i < 180; ++i) // settle into a resting pile
        world.MoveObjects(&dt);
}

void BM_WorldStep200Bodies(benchmark::State& state)
{
    CBoxWorld world, reference;
    buildPile(world);
    buildPile(reference);
    float dt = 0;
    int64_t steps = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        world.MoveObjects(&dt);
        ++steps;
    }
    double ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(steps);
    start = std::chrono::steady_clock::now();
    for (int64_t i = 0; i < steps; ++i)
        reference.getBox2D()->Step(1.0f / 60, CBoxWorld::VELOCITY_ITERATIONS, CBoxWorld::POSITION_ITERATIONS);
    double alone = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(steps);
    state.counters["of_budget"] = ours / (1.0 / 600.0);
    state.counters["vs_box2d"] = ours / alone;
}
BENCHMARK(BM_WorldStep200Bodies)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
