// The title's settings file in use: 10,000 assignments to a TOINI integer
// and 10,000 reads of keys, in a settings file of 200 keys in ten sections.
// The reference writes the same file's bytes 10,000 times with plain fopen,
// fwrite and fclose to a temporary file in the same folder, in turns of 100
// with the settings work, so that both meet the same load of a shared disk;
// "x_fwrite" is the time of the settings work over the reference's.
#include "PerObject.h"
#include "base/Config.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const int Operations = 10000, Turn = 100;
const int Sections = 10, KeysPerSection = 20;

using Clock = std::chrono::steady_clock;

std::string keyName(int i) { return "KEY_" + std::to_string(i); }
std::string sectionName(int s) { return s == 0 ? "ROOM" : "SCENE_" + std::to_string(s); }

// A folder with the settings file, as a title leaves it after some play.
struct Folder {
    std::string host, engine, bytes;
    Folder()
    {
        const char* base = std::getenv("TMPDIR");
        host = std::string(base && *base ? base : "/tmp") + "/quarnel-bench-XXXXXX";
        if (!mkdtemp(&host[0]))
            std::abort();
        engine = platform::toEnginePath(host);
        for (int s = 0; s < Sections; ++s) {
            bytes += "[" + sectionName(s) + "]\r\n";
            for (int k = 0; k < KeysPerSection; ++k)
                bytes += keyName(s * KeysPerSection + k) + "=" + std::to_string(k * 7919) + "\r\n";
        }
    }
    ~Folder()
    {
        for (const char* name : {"/Game.ini", "/Game.ini.tmp", "/reference.tmp"})
            std::remove((host + name).c_str());
        rmdir(host.c_str());
    }
    void reset() const
    {
        FILE* f = std::fopen((host + "/Game.ini").c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    // Seconds to write the file's bytes `count` times with plain fwrite.
    double reference(int count) const
    {
        std::string name = host + "/reference.tmp";
        auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            FILE* f = std::fopen(name.c_str(), "wb");
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
};

const Folder& folder()
{
    static Folder f;
    return f;
}

CConfig*& settings()
{
    static CConfig* config = nullptr;
    return config;
}

using benchsupport::Scene;

void report(benchmark::State& state, double seconds, double reference)
{
    state.counters["us_each"] = 1e6 * seconds / (double(state.iterations()) * Operations);
    state.counters["fwrite_us_each"] = 1e6 * reference / (double(state.iterations()) * Operations);
    state.counters["x_fwrite"] = seconds / reference;
}

void BM_AssignTOINI(benchmark::State& state)
{
    folder().reset();
    CMC_VariableFactory::initialize();
    {
        CConfig config(CXString((folder().engine + "\\Game.ini").c_str()));
        settings() = &config;
        CMC_Variable::setSettingsSource([](CMC_ObjectsContainer*) { return settings(); });
        Scene scene;
        CMElement element(CXString("KEY_5"));
        element.addProperty(CXString("VALUE"), CXString("0"));
        element.addProperty(CXString("TOINI"), CXString("TRUE"));
        CMC_Integer* counter = new CMC_Integer(&scene, &element);
        scene.addObject(counter);
        counter->init();
        double seconds = 0, reference = 0;
        for (auto _ : state) {
            for (int turn = 0; turn < Operations / Turn; ++turn) {
                auto start = Clock::now();
                for (int i = 0; i < Turn; ++i)
                    counter->inc();
                seconds += std::chrono::duration<double>(Clock::now() - start).count();
                reference += folder().reference(Turn);
            }
        }
        report(state, seconds, reference);
        CMC_Variable::setSettingsSource(nullptr);
        settings() = nullptr;
    }
    CMC_VariableFactory::done();
}
BENCHMARK(BM_AssignTOINI)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadKeys(benchmark::State& state)
{
    folder().reset();
    CConfig config(CXString((folder().engine + "\\Game.ini").c_str()));
    std::vector<std::pair<CXString, CXString>> keys;
    for (int i = 0; i < Sections * KeysPerSection; ++i)
        keys.emplace_back(CXString(sectionName(i / KeysPerSection).c_str()), CXString(keyName(i).c_str()));
    double seconds = 0, reference = 0;
    long sum = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < Operations; ++i) {
            const auto& k = keys[size_t(i * 37) % keys.size()];
            sum += i % 2 ? config.GetInt(k.first, k.second) : config.GetString(k.first, k.second).getLength();
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        reference += folder().reference(Operations);
    }
    benchmark::DoNotOptimize(sum);
    report(state, seconds, reference);
}
BENCHMARK(BM_ReadKeys)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
