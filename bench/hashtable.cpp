// Name lookup as the script interpreter does it: a prebuilt key probed
// against a table of 1,000 names, beside std::unordered_map as reference.
#include "base/Hashtable.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

const int names = 1000;

std::string nameOf(int i) { return "OBJECT_" + std::to_string(i * 37); }

void BM_CHashtableGet(benchmark::State& state)
{
    CHashtable table(101, 0.75, true);
    std::vector<CXObject> values(names);
    std::vector<std::unique_ptr<CStringHashCode>> probes;
    for (int i = 0; i < names; ++i) {
        table.put(new CStringHashCode(CXString(nameOf(i).c_str())), &values[size_t(i)]);
        probes.emplace_back(new CStringHashCode(CXString(nameOf(i).c_str())));
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.get(probes[i].get()));
        i = (i + 1) % probes.size();
    }
}
BENCHMARK(BM_CHashtableGet);

void BM_UnorderedMapFind(benchmark::State& state)
{
    std::unordered_map<std::string, int> table;
    std::vector<std::string> probes;
    for (int i = 0; i < names; ++i) {
        table[nameOf(i)] = i;
        probes.push_back(nameOf(i));
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(probes[i]));
        i = (i + 1) % probes.size();
    }
}
BENCHMARK(BM_UnorderedMapFind);

} // namespace

BENCHMARK_MAIN();
