// Opening a file through the engine's search order, as loaders do for every
// picture and sound of a scene: a name given in the case it has on disk, the
// same name in other letter case (each folder matched from its cached
// listing), and a name that does not exist. Beside it, fopen of the host
// path as reference.
#include "base/File.h"
#include "platform/Drives.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A title tree in a folder of its own, left alone while the benchmark runs
// (a folder changed in the last seconds is listed afresh on each lookup).
struct Tree {
    std::string host;
    std::string engine;
    Tree()
    {
        const char* base = std::getenv("TMPDIR");
        host = std::string(base && *base ? base : "/tmp") + "/quarnel-bench-XXXXXX";
        if (!mkdtemp(&host[0]))
            std::abort();
        std::string dir = host;
        for (const char* part : {"/Title", "/Rara", "/Scene01", "/Images"}) {
            dir += part;
            mkdir(dir.c_str(), 0755);
        }
        std::fclose(std::fopen((dir + "/Logo.img").c_str(), "wb"));
        engine = platform::toEnginePath(host);
        sleep(3);
    }
    ~Tree()
    {
        std::string dir = host + "/Title/Rara/Scene01/Images";
        std::remove((dir + "/Logo.img").c_str());
        for (int i = 0; i < 5; ++i) {
            rmdir(dir.c_str());
            dir = dir.substr(0, dir.rfind('/'));
        }
    }
};

const Tree& tree()
{
    static Tree t;
    return t;
}

void openEngine(benchmark::State& state, const char* tail)
{
    CXString name = CXString(tree().engine.c_str()) + tail;
    for (auto _ : state) {
        CFile f(nullptr, name, CFile::MODE_READ | CFile::MODE_BINARY);
        benchmark::DoNotOptimize(f.GetHandle());
    }
}

void BM_OpenExactCase(benchmark::State& state) { openEngine(state, "\\Title\\Rara\\Scene01\\Images\\Logo.img"); }
BENCHMARK(BM_OpenExactCase);

void BM_OpenOtherCase(benchmark::State& state) { openEngine(state, "\\TITLE\\RARA\\SCENE01\\IMAGES\\LOGO.IMG"); }
BENCHMARK(BM_OpenOtherCase);

void BM_OpenMissing(benchmark::State& state) { openEngine(state, "\\Title\\Rara\\Scene01\\Images\\Missing.img"); }
BENCHMARK(BM_OpenMissing);

void BM_FopenHost(benchmark::State& state)
{
    std::string name = tree().host + "/Title/Rara/Scene01/Images/Logo.img";
    for (auto _ : state) {
        FILE* f = std::fopen(name.c_str(), "rb");
        benchmark::DoNotOptimize(f);
        if (f)
            std::fclose(f);
    }
}
BENCHMARK(BM_FopenHost);

} // namespace

BENCHMARK_MAIN();
