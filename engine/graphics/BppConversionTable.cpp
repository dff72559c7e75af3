#include "graphics/BppConversionTable.h"

namespace {
uint32_t* table = nullptr;
}

void prepareBppConversionTable(int bpp)
{
    if ((bpp == 24 || bpp == 32) && !table)
        requireBppConversionTable();
}

const uint32_t* getBppConversionTable() { return table; }

const uint32_t* requireBppConversionTable()
{
    if (!table) {
        table = new uint32_t[65536];
        for (uint32_t v = 0; v < 65536; ++v)
            table[v] = (v & 0xF800) << 8 | (v & 0x07E0) << 5 | (v & 0x001F) << 3;
    }
    return table;
}

void releaseBppConversionTable()
{
    delete[] table;
    table = nullptr;
}
