// CLONE of a script object into a scene and into a class instance, as a
// behaviour runs it (A^CLONE(n);), then the removal of every second clone
// by name as a running script removes them (each put in the trash, which is
// flushed at the end), and the unload of what is left. Each figure is nanoseconds per
// object. The reference (plain) is a C++ loop that makes as many named
// objects and puts them into a std::unordered_map and a std::vector. The
// runs of 100,000 also print each figure over the same figure at 10,000
// measured in the same run (x10k): near 1 while the cost of an object does
// not grow with the number the container holds; the plain loop's shows how
// much of that growth the machine's caches give by themselves.
#include "PerObject.h"
#include "collections/Class.h"
#include "script/Behaviour.h"
#include "script/Disposal.h"
#include "script/RunnerFactory.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

using benchsupport::Figures;
using benchsupport::nanosecondsSince;
using benchsupport::Scene;

// One round in a fresh container: the scene itself, or an instance of a
// class (made without class files) that the scene's class object names.
Figures measure(bool inClass, int count)
{
    Figures f;
    Scene scene;
    CMC_Class* classObject = nullptr;
    CMC_ObjectsContainer* holder = &scene;
    if (inClass) {
        classObject = new CMC_Class(&scene, static_cast<CMElement*>(nullptr));
        scene.addObject(classObject);
        holder = new CMC_Class(&scene, classObject, CXString("INSTANCE"));
    }
    CMC_Integer* a = new CMC_Integer(CXString("A"));
    a->setScene(holder);
    holder->addObject(a);
    std::string code = "A^CLONE(" + std::to_string(count) + ");";
    CMC_Behaviour* make = new CMC_Behaviour(holder, CXString("MAKE"), CXString(code.c_str()));
    holder->addObject(make);
    make->init();

    auto start = std::chrono::steady_clock::now();
    make->run(nullptr, nullptr, false);
    f["clone"] = nanosecondsSince(start, count);
    if (a->getClonesNo() != count || !holder->getObject(CXString("A_") + CXString::toString(count)))
        return Figures{};

    start = std::chrono::steady_clock::now();
    for (int i = 1; i <= count; i += 2) {
        CMC_Object* clone = holder->getObject(CXString("A_") + CXString::toString(i));
        holder->removeObject(clone);
        CMC_Disposal::deferFree(clone);
    }
    CMC_Disposal::freeWaiting();
    f["remove"] = nanosecondsSince(start, (count + 1) / 2);

    int left = holder->getElementsNo();
    start = std::chrono::steady_clock::now();
    holder->unload();
    f["unload"] = nanosecondsSince(start, left);

    if (inClass)
        delete holder;
    CMC_VariableFactory::clearPool();

    f["plain"] = benchsupport::plainNamedObjects(count);
    return f;
}

void BM_Clone(benchmark::State& state)
{
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    bool inClass = state.range(0) != 0;
    int count = int(state.range(1));
    benchsupport::perObject(state, count, 10000, "x10k", [inClass](int n) { return measure(inClass, n); });
    CMC_Disposal::freeAll();
    CMC_RunnerFactory::done();
    CMC_VariableFactory::done();
}
// Arguments: 0 in a scene, 1 in a class instance; the number of clones.
BENCHMARK(BM_Clone)
    ->ArgNames({"class", "clones"})
    ->Args({0, 10000})
    ->Args({0, 100000})
    ->Args({1, 10000})
    ->Args({1, 100000})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
