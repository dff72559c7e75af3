// The script interpreter on a behaviour whose LOOP runs one million passes,
// each adding 1 to an INTEGER and comparing it in an IF: two statements a
// pass, given as statements per second. When Lua 5.4 was found, the same
// loop runs in Lua in the same run and the ratio of the two times is printed.
#include "script/Behaviour.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
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
const int STATEMENTS_PER_PASS = 2;

void BM_ScriptLoop(benchmark::State& state)
{
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    {
        CMC_Scene scene(nullptr, MC_SCENE);
        CMC_Integer* n = new CMC_Integer(CXString("N"));
        scene.addObject(n);
        CMC_Behaviour* loop = new CMC_Behaviour(
            &scene, CXString("COUNT"),
            CXString("@LOOP({N^ADD(1);@IF(N,\">\",2000000000,{@BREAK();},\"\");},0,1000000,1);"));
        scene.addObject(loop);
        loop->init();
        for (auto _ : state) {
            n->setValue(0);
            loop->run(&scene, nullptr, false);
            CMC_VariableFactory::clearPool();
        }
        if (n->getValue() != PASSES)
            state.SkipWithError("the loop did not run one million passes");
        state.counters["statements/s"] = benchmark::Counter(double(state.iterations()) * PASSES * STATEMENTS_PER_PASS,
                                                            benchmark::Counter::kIsRate);
        scene.unload();
    }
    CMC_RunnerFactory::done();
    CMC_VariableFactory::done();
}
BENCHMARK(BM_ScriptLoop)->Unit(benchmark::kMillisecond);

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
    state.counters["statements/s"] = benchmark::Counter(double(state.iterations()) * PASSES * STATEMENTS_PER_PASS,
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
