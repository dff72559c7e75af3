#pragma once
// Helpers of the benchmarks that print a cost per object beside the same
// cost at a smaller count and beside a plain C++ loop measured in the same
// run: a scene stand-in that deletes its objects, the time per object since
// a start, and the plain loop (named objects put into a std::unordered_map
// and a std::vector).
#include "script/ObjectsContainer.h"

#include <benchmark/benchmark.h>

#include <chrono>
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

} // namespace benchsupport
