// The LZO block decoder on arbitrary blocks, and packing any bytes then
// unpacking them back.
#include "base/Compression.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::unique_ptr<char[]> block(new char[size]);
    std::memcpy(block.get(), data, size);
    CLZWCompression2 damaged(block.get(), int(size));
    std::unique_ptr<char[]> out(damaged.decompress());
    if (out && size >= 8) {
        const uint32_t unpacked = data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24;
        if (unpacked > 0) {
            volatile char sink = out[unpacked - 1];
            (void)sink;
        }
    }

    CLZWCompression2 packer(block.get(), int(size));
    int packedLength = 0;
    std::unique_ptr<char[]> packed(packer.compress(packedLength));
    if (!packed)
        std::abort();
    CLZWCompression2 unpacker(packed.get(), packedLength + 8);
    std::unique_ptr<char[]> back(unpacker.decompress());
    if (!back || std::memcmp(back.get(), data, size) != 0)
        std::abort();
    return 0;
}
