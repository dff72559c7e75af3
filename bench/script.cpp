// The script interpreter: a behaviour whose LOOP runs 1,000,000 passes of
// two statements, one adding to an INTEGER and one comparing it (the short
// form of IF with an inline condition). The references are the same loop in
// plain C++ and, when Lua 5.4 was found at build time, in Lua, run in the
// same run; the ratio of the script's time to Lua's is printed at the end.
// Figures are statements (or loop passes) per second.
#include "script/Behaviour.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#ifdef QUARNEL_HAVE_LUA
extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}
#endif

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

#ifdef QUARNEL_HAVE_LUA
void BM_LuaLoop(benchmark::State& state)
{
    lua_State* lua = luaL_newstate();
    luaL_openlibs(lua);
    const char* code = "local n = 0\n"
                       "for i = 0, 999999 do\n"
                       "  n = n + 1\n"
                       "  if n > 2000000000 then break end\n"
                       "end\n"
                       "return n\n";
    if (luaL_loadstring(lua, code) != LUA_OK) {
        state.SkipWithError("Lua did not load the loop");
        lua_close(lua);
        return;
    }
    for (auto _ : state) {
        lua_pushvalue(lua, -1);
        lua_call(lua, 0, 1);
        benchmark::DoNotOptimize(lua_tointeger(lua, -1));
        lua_pop(lua, 1);
    }
    state.counters["statements/s"] = benchmark::Counter(double(state.iterations()) * 2 * PASSES,
                                                        benchmark::Counter::kIsRate);
    lua_close(lua);
}
BENCHMARK(BM_LuaLoop)->Unit(benchmark::kMillisecond);
#endif

// Keeps each benchmark's time per iteration for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (!r.error_occurred && r.run_type == Run::RT_Iteration)
                seconds[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto script = reporter.seconds.find("BM_ScriptLoop");
    auto lua = reporter.seconds.find("BM_LuaLoop");
#ifndef QUARNEL_HAVE_LUA
    std::printf("Lua 5.4 was not found when building: no ratio.\n");
#endif
    if (script != reporter.seconds.end() && lua != reporter.seconds.end() && lua->second > 0)
        std::printf("The script loop takes %.1f times as long as the same loop in Lua.\n", script->second / lua->second);
    benchmark::Shutdown();
    return 0;
}
