// The script interpreter against Lua 5.4, the same three loops in both
// languages, each 1,000,000 passes of a behaviour's LOOP:
// - Loop: two statements, one adding to an INTEGER and one comparing it
//   (the short form of IF with an inline condition);
// - Strings: a method on another object with a string argument and a
//   string concatenation (S^SET("A"); S^ADD(T));
// - Event: a signal raised on an object whose "ONSIGNAL^GO" is bound to a
//   small behaviour that counts.
// The loop is also run as plain C++. The ratio of each script loop's time
// to its Lua loop's is printed at the end; Lua comes with the build
// packages (Debian liblua5.4-dev). Figures are loop passes per second.
//
// CodeAsText runs a LOOP of a behaviour whose IF is given its code as text,
// which makes a behaviour for each pass: it prints the time a pass, beside
// the short IF's loop, and how many objects still wait to be freed after
// the loop (none: the memory does not grow with the passes).
#include "PerObject.h"
#include "script/Behaviour.h"
#include "script/Disposal.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
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

using benchsupport::Scene;

// A scene with the loop's objects and a behaviour BENCH running code once
// per iteration.
class ScriptLoop {
public:
    explicit ScriptLoop(const char* code)
    {
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        scene = new Scene;
        x = new CMC_Integer(CXString("X"));
        n = new CMC_Integer(CXString("N"));
        s = new CMC_String(CXString("S"));
        for (CMC_Object* o : {static_cast<CMC_Object*>(x), static_cast<CMC_Object*>(n), static_cast<CMC_Object*>(s)})
            scene->addObject(o);
        scene->addObject(new CMC_Integer(CXString("HITS")));
        scene->addObject(new CMC_String(CXString("T"), CXString("xyz")));
        CMC_Integer* e = new CMC_Integer(CXString("E"));
        scene->addObject(e);
        e->addBehaviour(CXString("ONSIGNAL^GO"), behaviour("COUNT", "N^INC();"), nullptr, scene);
        behaviour("BODY", "@IF(X,\">\",\"-1\",\"X^INC();\",\"\");");
        bench = behaviour("BENCH", code);
    }
    ~ScriptLoop()
    {
        delete scene;
        CMC_Disposal::freeAll();
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
    void run()
    {
        x->setValue(0);
        bench->run(nullptr, nullptr, false);
        waiting = CMC_Disposal::waitingCount();
        // As every frame does.
        CMC_Disposal::freeWaiting();
        CMC_VariableFactory::clearPool();
    }

    int waiting = 0;

    CMC_Integer* x;
    CMC_Integer* n;
    CMC_String* s;

private:
    CMC_Behaviour* behaviour(const char* name, const char* code)
    {
        CMC_Behaviour* b = new CMC_Behaviour(scene, CXString(name), CXString(code));
        scene->addObject(b);
        b->init();
        return b;
    }

    Scene* scene;
    CMC_Behaviour* bench;
};

void passes(benchmark::State& state)
{
    state.counters["passes/s"] = benchmark::Counter(double(state.iterations()) * PASSES, benchmark::Counter::kIsRate);
}

// Runs code once per iteration; done tells whether the objects hold what
// the passes leave.
template <class Done>
void runScript(benchmark::State& state, const char* code, Done done)
{
    ScriptLoop loop(code);
    for (auto _ : state)
        loop.run();
    if (!done(loop, int(state.iterations())))
        state.SkipWithError("the script did not do its work");
    passes(state);
}

void BM_ScriptLoop(benchmark::State& state)
{
    runScript(state, "@LOOP({X^ADD(1);@IF(X'1000000,{HITS^INC();},\"\");},0,1000000,1);",
              [](ScriptLoop& loop, int) { return loop.x->getValue() == PASSES; });
}
BENCHMARK(BM_ScriptLoop)->Unit(benchmark::kMillisecond);

void BM_ScriptStrings(benchmark::State& state)
{
    runScript(state, "@LOOP({S^SET(\"A\");S^ADD(T);},0,1000000,1);",
              [](ScriptLoop& loop, int) { return loop.s->getValue() == "Axyz"; });
}
BENCHMARK(BM_ScriptStrings)->Unit(benchmark::kMillisecond);

void BM_ScriptEvent(benchmark::State& state)
{
    runScript(state, "@LOOP({E^SEND(\"GO\");},0,1000000,1);",
              [](ScriptLoop& loop, int iterations) { return loop.n->getValue() == iterations * PASSES; });
}
BENCHMARK(BM_ScriptEvent)->Unit(benchmark::kMillisecond);

int codeAsTextWaiting = -1;

void BM_ScriptCodeAsText(benchmark::State& state)
{
    runScript(state, "@LOOP(\"BODY\",0,1000000,1);", [](ScriptLoop& loop, int) {
        codeAsTextWaiting = loop.waiting;
        return loop.x->getValue() == PASSES;
    });
}
BENCHMARK(BM_ScriptCodeAsText)->Unit(benchmark::kMillisecond);

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
    passes(state);
}
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

#ifdef QUARNEL_HAVE_LUA
// The code is loaded once as a function and called once per iteration.
void runLua(benchmark::State& state, const char* code)
{
    lua_State* lua = luaL_newstate();
    luaL_openlibs(lua);
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
    passes(state);
    lua_close(lua);
}

void BM_LuaLoop(benchmark::State& state)
{
    runLua(state, "local x, hits = 0, 0\n"
                  "for i = 0, 999999 do\n"
                  "  x = x + 1\n"
                  "  if x == 1000000 then hits = hits + 1 end\n"
                  "end\n"
                  "return x\n");
}
BENCHMARK(BM_LuaLoop)->Unit(benchmark::kMillisecond);

void BM_LuaStrings(benchmark::State& state)
{
    runLua(state, "local s, t = '', 'xyz'\n"
                  "for i = 0, 999999 do\n"
                  "  s = 'A'\n"
                  "  s = s .. t\n"
                  "end\n"
                  "return #s\n");
}
BENCHMARK(BM_LuaStrings)->Unit(benchmark::kMillisecond);

// An event raised by name: the handler is found under the event's key and
// called.
void BM_LuaEvent(benchmark::State& state)
{
    runLua(state, "local n = 0\n"
                  "local e = {}\n"
                  "e['ONSIGNAL^GO'] = function() n = n + 1 end\n"
                  "local function send(object, signal)\n"
                  "  local handler = object['ONSIGNAL^' .. signal]\n"
                  "  if handler then handler() end\n"
                  "end\n"
                  "for i = 0, 999999 do send(e, 'GO') end\n"
                  "return n\n");
}
BENCHMARK(BM_LuaEvent)->Unit(benchmark::kMillisecond);
#endif

// Keeps each benchmark's time per iteration for the closing ratios: the
// shortest of its repetitions (--benchmark_repetitions), which a shared
// machine disturbs least.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration)
                continue;
            auto known = seconds.find(r.run_name.function_name);
            double t = r.GetAdjustedRealTime();
            if (known == seconds.end() || t < known->second)
                seconds[r.run_name.function_name] = t;
        }
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
#ifndef QUARNEL_HAVE_LUA
    std::printf("Lua 5.4 was not found when building: no ratio.\n");
#endif
    const struct {
        const char* script;
        const char* lua;
        const char* what;
        double target;
    } pairs[] = {
        {"BM_ScriptLoop", "BM_LuaLoop", "loop", 5},
        {"BM_ScriptStrings", "BM_LuaStrings", "strings loop", 10},
        {"BM_ScriptEvent", "BM_LuaEvent", "event loop", 10},
    };
    for (const auto& p : pairs) {
        auto script = reporter.seconds.find(p.script);
        auto lua = reporter.seconds.find(p.lua);
        if (script != reporter.seconds.end() && lua != reporter.seconds.end() && lua->second > 0)
            std::printf("The script %s takes %.1f times as long as the same loop in Lua (target: %.0f).\n", p.what,
                        script->second / lua->second, p.target);
    }
    auto text = reporter.seconds.find("BM_ScriptCodeAsText");
    auto shortIf = reporter.seconds.find("BM_ScriptLoop");
    if (text != reporter.seconds.end() && shortIf != reporter.seconds.end() && shortIf->second > 0)
        std::printf("A pass whose IF is given its code as text takes %.0f ns, %.1f times the short IF's loop; "
                    "%d objects wait to be freed after %d passes.\n",
                    text->second * 1e6 / PASSES, text->second / shortIf->second, codeAsTextWaiting, PASSES);
    benchmark::Shutdown();
    return 0;
}
