// A script method call by id, as a parsed statement makes it: "ADD" on an
// INTEGER with an INTEGER argument, its result given back to the pool.
// The reference is the same sum through a plain C++ virtual call.
#include "script/RunnerFactory.h"
#include "script/Values.h"
#include "script/VariableFactory.h"
#include "script/VariableRunner.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DispatchAddOnInteger(benchmark::State& state)
{
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(MC_INTEGER);
    int add = runner->resolveMethod("ADD");
    CMC_Integer variable(CXString("X"));
    CMC_Integer one(1);
    CXVector args(101, 0.75f);
    args.add(&one);
    for (auto _ : state) {
        CMC_Variable* result = runner->run(add, &variable, nullptr, &args);
        CMC_Object::flush(result);
    }
    benchmark::DoNotOptimize(variable.getValue());
    state.SetItemsProcessed(state.iterations());
    CMC_RunnerFactory::done();
    CMC_VariableFactory::done();
}
BENCHMARK(BM_DispatchAddOnInteger);

struct Adder {
    virtual ~Adder() {}
    virtual int add(int a, int b) { return a + b; }
};

void BM_PlainVirtualAdd(benchmark::State& state)
{
    Adder* adder = new Adder;
    benchmark::DoNotOptimize(adder);
    int value = 0;
    for (auto _ : state) {
        value = adder->add(value, 1);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
    delete adder;
}
BENCHMARK(BM_PlainVirtualAdd);

} // namespace

BENCHMARK_MAIN();
