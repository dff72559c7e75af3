#pragma once
// Helpers of the benchmarks that print a cost per object beside the same
// cost at a smaller count and beside a plain C++ loop measured in the same
// run: a scene stand-in that deletes its objects, the time per object since
// a start, the plain loop (named objects put into a std::unordered_map and
// a std::vector), and the rounds that keep each figure's best and print it
// over the same figure at the smaller count.
#include "script/ObjectsContainer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace benchsupport {

// A container that is its own scene, named "ROOM"; it unloads (finishes
// and deletes) its objects when it goes.
class Scene : public CMC_ObjectsContainer {
public:
    Scene() : CMC_ObjectsContainer(nullptr, nullptr, CXString("ROOM"), MC_SCENE) { scene = this; }
    ~Scene() override { unload(); }
};

inline double nanosecondsSince(std::chrono::steady_clock::time_point start, int objects)
{
    auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::nano>(elapsed).count() / objects;
}

// Nanoseconds per object of making count objects named prefix1, prefix2, ...
// into a map by name and a list.
inline double plainNamedObjects(int count, const char* prefix = "A_")
{
    struct Plain {
        std::string name;
        int value;
    };
    std::vector<std::unique_ptr<Plain>> list;
    std::unordered_map<std::string, Plain*> names;
    auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= count; ++i) {
        list.emplace_back(new Plain{prefix + std::to_string(i), 0});
        names.emplace(list.back()->name, list.back().get());
    }
    double each = nanosecondsSince(start, count);
    benchmark::DoNotOptimize(names.size());
    return each;
}

// Nanoseconds per object by the name of what was measured. A round that
// failed gives no figures.
using Figures = std::map<std::string, double>;

// Runs measure(count) each iteration, and measure(smallest) beside it when
// count is larger, keeping each figure's least. Sets the counter
// "<name>_ns" of each figure and, when count is not the smallest, the ratio
// "<name>_<suffix>" of the figure over the same figure at the smallest
// count: near 1 while an object's cost does not grow with their number.
template <class Measure>
void perObject(benchmark::State& state, int count, int smallest, const char* suffix, Measure measure)
{
    Figures best, reference;
    auto keepBest = [](Figures& kept, const Figures& round) {
        for (const auto& figure : round) {
            auto it = kept.find(figure.first);
            if (it == kept.end())
                kept.insert(figure);
            else
                it->second = std::min(it->second, figure.second);
        }
    };
    for (auto _ : state) {
        keepBest(best, measure(count));
        if (count != smallest)
            keepBest(reference, measure(smallest));
    }
    for (const auto& figure : best) {
        state.counters[figure.first + "_ns"] = figure.second;
        auto small = reference.find(figure.first);
        if (count != smallest && small != reference.end())
            state.counters[figure.first + "_" + suffix] = figure.second / small->second;
    }
}

} // namespace benchsupport
