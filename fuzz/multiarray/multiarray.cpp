// The multi-array's file reader on arbitrary bytes: a grid file as a title
// or a damaged disk could leave it, read over a grid that already holds a
// value, then read and written cell by cell.
#include "collections/MultiArray.h"
#include "platform/Drives.h"
#include "script/Values.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A folder of its own for the input file, mapped as drive F:.
std::string folder()
{
    static std::string path = [] {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/quarnel-fuzz-XXXXXX";
        if (!mkdtemp(&templ[0]))
            std::abort();
        platform::mapDrive('F', templ, platform::DriveKind::FixedDisk);
        std::atexit([] { std::remove((folder() + "/grid.bin").c_str()); std::remove(folder().c_str()); });
        return templ;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string file = folder() + "/grid.bin";
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CMC_MultiArray grid(nullptr, CXString("GRID"));
    CMC_Integer seven(7);
    int at[] = {3, 4};
    grid.set(at, 2, &seven);
    grid.load(CXString("F:\\grid.bin"));
    for (int c0 = 0; c0 < 40; c0 += 7)
        for (int c1 = 0; c1 < 40; c1 += 5) {
            int where[] = {c0, c1, c0 + c1};
            if (CMC_Variable* v = grid.get(where, 3))
                v->toString();
            grid.set(where, 3, &seven);
        }
    grid.count(&seven);
    return 0;
}
