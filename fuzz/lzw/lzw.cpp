// The LZW decoder on arbitrary blocks, and encoding any bytes then decoding
// them back.
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
    CLZWCompression damaged(block.get(), int(size));
    std::unique_ptr<char[]> out(damaged.decompress(size > 0 ? data[0] : 0));
    if (out && damaged.GetSize() > 0) {
        volatile char sink = out[damaged.GetSize() - 1];
        (void)sink;
    }

    CLZWCompression packer(block.get(), int(size));
    int packedLength = 0;
    std::unique_ptr<char[]> packed(packer.compress(packedLength));
    CLZWCompression unpacker(packed.get(), packedLength);
    std::unique_ptr<char[]> back(unpacker.decompress(0));
    if (!back || unpacker.GetSize() != int(size) || std::memcmp(back.get(), data, size) != 0)
        std::abort();
    return 0;
}
