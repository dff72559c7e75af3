// Finding script objects by name and raising an event, as behaviours do
// many times a frame, beside std::unordered_map found by a C string (the
// reference: it builds a std::string per lookup).
#include "script/BehaviourBase.h"
#include "script/ObjectsContainer.h"

#include <benchmark/benchmark.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

const int names = 1000;

std::string nameOf(int i) { return "OBJECT_" + std::to_string(i * 37); }

class Quiet : public CMC_BehaviourBase {
public:
    Quiet(CMC_ObjectsContainer* c, const CXString& n) : CMC_BehaviourBase(c, n) {}
    bool run(CMC_Object*, CXArray*, bool) override { return false; }
    void resolveCondition() override {}
};

class Clicky : public CMC_Object {
public:
    Clicky() : CMC_Object(CXString("CLICKY"), 2001) {}
    CXString** getBehavioursList() override
    {
        static const char* const list[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONCLICKED", nullptr};
        return makeEventList(list);
    }
};

struct Scene {
    CMC_ObjectsContainer app{nullptr, nullptr, CXString("GAME"), 1000};
    CMC_ObjectsContainer scene{nullptr, nullptr, CXString("SCENE"), 1002};
    std::vector<std::string> probes;
    Scene()
    {
        scene.setParent(&app);
        for (int i = 0; i < names; ++i) {
            scene.addObject(new CMC_Object(CXString(nameOf(i).c_str()), 1));
            probes.push_back(nameOf(i));
        }
        app.addObject(new CMC_Object(CXString("SYSTEM"), 11000));
    }
    ~Scene()
    {
        scene.unload();
        app.unload();
    }
};

void BM_GetObjectInScene(benchmark::State& state)
{
    Scene s;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.scene.getObject(s.probes[i].c_str()));
        i = (i + 1) % s.probes.size();
    }
}
BENCHMARK(BM_GetObjectInScene);

void BM_GetObjectThroughParent(benchmark::State& state)
{
    Scene s;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.scene.getObject("SYSTEM"));
}
BENCHMARK(BM_GetObjectThroughParent);

void BM_UnorderedMapByCString(benchmark::State& state)
{
    std::unordered_map<std::string, int> table;
    std::vector<std::string> probes;
    for (int i = 0; i < names; ++i) {
        table[nameOf(i)] = i;
        probes.push_back(nameOf(i));
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(probes[i].c_str()));
        i = (i + 1) % probes.size();
    }
}
BENCHMARK(BM_UnorderedMapByCString);

void BM_RaiseBoundEvent(benchmark::State& state)
{
    CMC_ObjectsContainer scene(nullptr, nullptr, CXString("SCENE"), 1002);
    Quiet* behaviour = new Quiet(&scene, CXString("DOIT"));
    scene.addObject(behaviour);
    Clicky button;
    button.initializeBehaviours(&scene, nullptr);
    button.addBehaviour(CXString("ONCLICKED"), behaviour, nullptr, &scene);
    CXString event("ONCLICKED");
    for (auto _ : state)
        benchmark::DoNotOptimize(button.onSignal(event));
    scene.unload();
}
BENCHMARK(BM_RaiseBoundEvent);

} // namespace

BENCHMARK_MAIN();
