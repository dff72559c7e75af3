// The multi-array's file reader on arbitrary bytes: a grid file as a title
// or a damaged disk could leave it, read over a grid that already holds a
// value, then read and written cell by cell.
#include "fuzz/InputFile.h"
#include "collections/MultiArray.h"
#include "script/Values.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("grid.bin", data, size))
        return 0;

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
