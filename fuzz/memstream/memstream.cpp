// The memory stream and bit reader, and the memory file stream, on arbitrary
// bytes: the first half of the input is read by the second half taken as a
// list of operations, as a damaged picture or sound header would present
// them.
#include "base/DataBuffer.h"
#include "base/FileStream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const size_t half = size / 2;
    const uint8_t* ops = data + half;
    const size_t opCount = size - half;

    CMemStream stream(data, int(half));
    char sink[300];
    for (size_t i = 0; i + 1 < opCount; i += 2) {
        int n = ops[i + 1];
        switch (ops[i] % 8) {
        case 0: stream.get_bit(); break;
        case 1: stream.get_bits(n % 40 - 4); break;
        case 2: stream.get_signed_bits(n % 40 - 4); break;
        case 3: stream.get_bytes(sink, n); break;
        case 4: stream.get_char(); break;
        case 5: stream.get_shortint(); break;
        case 6: stream.get_int(); break;
        default: stream.move(int(int8_t(n)) * 3); break;
        }
    }

    std::vector<char> bytes(data, data + half);
    bytes.push_back(0);
    CFile_Stream file(bytes.data(), int(half));
    char line[64];
    for (size_t i = 0; i + 1 < opCount; i += 2) {
        int n = ops[i + 1];
        switch (ops[i] % 5) {
        case 0: file.Read(sink, n); break;
        case 1: file.Seek(int(int8_t(n)) * 5, ops[i] % 3); break;
        case 2: file.GetLine(line, n % int(sizeof line)); break;
        case 3: file.getLine(); break;
        default: file.eof(); file.Tell(); file.Length(); break;
        }
    }
    CMemStream rest(&file);
    rest.get_int();
    return 0;
}
