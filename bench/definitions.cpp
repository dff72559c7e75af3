// Reading a definition file of many objects: a scene's own file, read when
// the scene is entered (loadCnv), and a further file that CNVLOADER LOAD
// reads into a scene. The objects are behaviours, integers bound to them,
// strings with an inline behaviour, truth values and numbers, each with a
// few properties. Each figure is nanoseconds per object; the reference
// (plain) puts as many named objects into a std::unordered_map and a
// std::vector. Each figure is also printed over the same figure at 1,000
// objects measured in the same run (x1k): near 1 while the cost of an
// object does not grow with the number of objects in the file.
//
// The memory a round frees is kept in the process for the next round: by
// default the C library gives it back to the system, and only the large
// rounds, which need more than the rounds before them left behind, then
// pay the system for fresh pages again (x1k about 2 instead of 1.3 at
// 16,000 objects).
#include "PerObject.h"
#include "platform/Drives.h"
#include "script/Behaviour.h"
#include "script/CNVLoader.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/VariableFactory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace {

const int Smallest = 1000;

// Definition text of count objects, CR LF lines, the last object's name
// ending the file so that a run can check that all were made.
std::string definitionText(int count)
{
    std::string text = "# objects of a large room\r\n";
    auto line = [&text](const std::string& l) { text += l + "\r\n"; };
    for (int i = 0; i < count; ++i) {
        std::string n = std::to_string(i);
        switch (i % 5) {
        case 0:
            line("OBJECT=BEH_" + n);
            line("BEH_" + n + ":TYPE=BEHAVIOUR");
            line("BEH_" + n + ":CODE={VAR_" + std::to_string(i + 1) + "^ADD(1);}");
            break;
        case 1:
            line("OBJECT=VAR_" + n);
            line("VAR_" + n + ":TYPE=INTEGER");
            line("VAR_" + n + ":VALUE=" + n);
            line("VAR_" + n + ":ONCHANGED=BEH_" + std::to_string(i - 1));
            break;
        case 2:
            line("OBJECT=TEXT_" + n);
            line("TEXT_" + n + ":TYPE=STRING");
            line("TEXT_" + n + ":VALUE=line " + n);
            line("TEXT_" + n + ":ONCHANGED={VAR_" + std::to_string(i - 1) + "^SET(0);}");
            break;
        case 3:
            line("OBJECT=FLAG_" + n);
            line("FLAG_" + n + ":TYPE=BOOL");
            line("FLAG_" + n + ":VALUE=TRUE");
            line("FLAG_" + n + ":DESCRIPTION=a flag");
            break;
        default:
            line("OBJECT=NUM_" + n);
            line("NUM_" + n + ":TYPE=DOUBLE");
            line("NUM_" + n + ":VALUE=1.5");
            break;
        }
    }
    return text;
}

std::string lastName(int count)
{
    const char* prefixes[] = {"BEH_", "VAR_", "TEXT_", "FLAG_", "NUM_"};
    return prefixes[(count - 1) % 5] + std::to_string(count - 1);
}

// A temporary folder, current while it exists, holding the room's own file
// "ROOM.cnv" and the further file "EXTRA.cnv".
class Folder {
public:
    explicit Folder(int count)
    {
        const char* base = std::getenv("TMPDIR");
        host = std::string(base && *base ? base : "/tmp") + "/quarnel-bench-XXXXXX";
        if (!mkdtemp(&host[0]) || !getcwd(previous, sizeof previous))
            std::abort();
        std::string text = definitionText(count);
        for (const char* name : {"/ROOM.cnv", "/EXTRA.cnv"}) {
            FILE* f = std::fopen((host + name).c_str(), "wb");
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        if (chdir(host.c_str()) != 0)
            std::abort();
    }
    ~Folder()
    {
        if (chdir(previous) != 0)
            std::abort();
        for (const char* name : {"/ROOM.cnv", "/EXTRA.cnv"})
            std::remove((host + name).c_str());
        rmdir(host.c_str());
    }

private:
    std::string host;
    char previous[4096];
};

CMElement* roomRecord()
{
    static CMElement record(CXString("ROOM"));
    return &record;
}

// One round of each reading in a fresh scene; the scenes are unloaded
// outside the timed part.
benchsupport::Figures measure(int count)
{
    Folder folder(count);
    benchsupport::Figures f;
    CXString last(lastName(count).c_str());
    {
        CMC_Scene room(nullptr, nullptr, roomRecord(), MC_SCENE);
        auto start = std::chrono::steady_clock::now();
        room.loadCnv();
        f["scene"] = benchsupport::nanosecondsSince(start, count);
        if (!room.getObject(last))
            return {};
    }
    CMC_Disposal::freeAll();
    {
        CMC_Scene room(nullptr, nullptr, roomRecord(), MC_SCENE);
        CMC_CNVLoader loader(nullptr, &room);
        auto start = std::chrono::steady_clock::now();
        loader.load(CXString("EXTRA.cnv"));
        f["loader"] = benchsupport::nanosecondsSince(start, count);
        if (!room.getObject(last) || !room.getObject(CXString("EXTRA.cnv")))
            return {};
    }
    CMC_Disposal::freeAll();
    CMC_VariableFactory::clearPool();
    f["plain"] = benchsupport::plainNamedObjects(count);
    return f;
}

void BM_Definitions(benchmark::State& state)
{
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    int count = int(state.range(0));
    benchsupport::perObject(state, count, Smallest, "x1k", &measure);
    CMC_Disposal::freeAll();
    CMC_RunnerFactory::done();
    CMC_VariableFactory::done();
}
// Argument: the number of objects in the file.
BENCHMARK(BM_Definitions)
    ->ArgName("objects")
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Arg(16000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
