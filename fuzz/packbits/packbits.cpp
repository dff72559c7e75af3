// The PackBits row decoder on arbitrary rows. Input: width and height bytes,
// a row-length table of int16 per row, then the packed rows.
#include "base/Compression.h"

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int width = data[0] % 65, height = data[1] % 65;
    size_t pos = 2;
    short* rows = new short[height + 1]();
    for (int r = 0; r < height && pos + 2 <= size; ++r, pos += 2)
        rows[r] = short(data[pos] | data[pos + 1] << 8);
    std::unique_ptr<char[]> packed(new char[size - pos]);
    std::memcpy(packed.get(), data + pos, size - pos);
    CRLECompression2 codec(CXSize(width, height), rows, packed.get(), int(size - pos));
    std::unique_ptr<char[]> out(codec.Decompress(0));
    volatile char sink = width > 0 && height > 0 ? out[width * height - 1] : 0;
    (void)sink;
    return 0;
}
