// The script interpreter: a behaviour whose LOOP runs 1,000,000 passes of
// two statements, one adding to an INTEGER and one comparing it (the short
// form of IF with an inline condition). The reference is the same loop in
// plain C++. Figures are statements (or loop passes) per second.
#include "script/Behaviour.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <benchmark/benchmark.h>

namespace {

const int PASSES = 1000000;

class Scene : public CMC_ObjectsContainer {
public:
    Scene() : CMC_ObjectsContainer(nullptr, nullptr, CXString("ROOM"), MC_SCENE) { scene = this; }
    ~Scene() override { unload(); }
};

void BM_ScriptLoop(benchmark::State& state)
{
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    {
        Scene scene;
        CMC_Integer* x = new CMC_Integer(CXString("X"));
        CMC_Integer* hits = new CMC_Integer(CXString("HITS"));
        scene.addObject(x);
        scene.addObject(hits);
        CMC_Behaviour* b = new CMC_Behaviour(
            &scene, CXString("BENCH"),
            CXString("@LOOP({X^ADD(1);@IF(X'1000000,{HITS^INC();},\"\");},0,1000000,1);"));
        scene.addObject(b);
        b->init();
        for (auto _ : state) {
            x->setValue(0);
            b->run(nullptr, nullptr, false);
            CMC_VariableFactory::clearPool();
        }
        benchmark::DoNotOptimize(hits->getValue());
        state.counters["statements/s"] =
            benchmark::Counter(double(state.iterations()) * 2 * PASSES, benchmark::Counter::kIsRate);
    }
    CMC_Behaviour::doneTrash();
    CMC_RunnerFactory::done();
    CMC_VariableFactory::done();
}
BENCHMARK(BM_ScriptLoop)->Unit(benchmark::kMillisecond);

void BM_PlainLoop(benchmark::State& state)
{
    for (auto _ : state) {
        int x = 0;
        int hits = 0;
        for (int i = 0; i < PASSES; ++i) {
            benchmark::DoNotOptimize(x += 1);
            if (x == PASSES)
                ++hits;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.counters["statements/s"] =
        benchmark::Counter(double(state.iterations()) * 2 * PASSES, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
