// Both run-length decoders (bytes and 16-bit words) on arbitrary packets, and
// encoding any bytes then decoding them back. Input: uint16 unpacked length,
// then the packets.
#include "base/Compression.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using Encode = char* (*)(char*, int, int&);
using Decode = char* (*)(char*, int, int);

void check(char* packed, int size, int length, Encode encode, Decode decode, int whole)
{
    std::unique_ptr<char[]> out(decode(packed, size, length));
    volatile char sink = length ? out[length - 1] : 0;
    (void)sink;

    // The word form packs whole words only.
    const int n = size & ~(whole - 1);
    int packedLength = 0;
    std::unique_ptr<char[]> again(encode(packed, n, packedLength));
    std::unique_ptr<char[]> back(decode(again.get(), packedLength, n));
    if (std::memcmp(back.get(), packed, n) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int length = data[0] | data[1] << 8;
    const int n = int(size - 2);
    std::unique_ptr<char[]> packed(new char[n]);
    std::memcpy(packed.get(), data + 2, n);
    check(packed.get(), n, length, CRLECompression::__compresschar, CRLECompression::__decompresschar, 1);
    check(packed.get(), n, length, CRLECompression::__compress, CRLECompression::__decompress, 2);
    return 0;
}
