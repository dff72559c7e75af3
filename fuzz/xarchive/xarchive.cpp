// The serializer's reads on arbitrary bytes: each opcode byte picks the next
// value to read, as a damaged snapshot would present them.
#include "base/Archive.h"
#include "base/FileStream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> bytes(data, data + size);
    CFile_Stream stream(bytes.data(), int(bytes.size()));
    CXArchive ar(&stream, false);
    for (int step = 0; step < 10000 && ar.LastError() == 0 && !stream.eof(); ++step) {
        unsigned char op = 0;
        ar >> &op;
        int i;
        uint32_t u;
        int64_t l;
        bool b;
        double d;
        CXRect r;
        CXString s;
        char* text = nullptr;
        switch (op % 9) {
        case 0: ar >> &i; break;
        case 1: ar >> &u; break;
        case 2: ar >> &l; break;
        case 3: ar >> &b; break;
        case 4: ar >> &d; break;
        case 5: ar >> &r; break;
        case 6: ar >> &s; break;
        case 7: ar >> &text; delete[] text; break;
        default: ar.readShortString(&s); ar.FRead(s); break;
        }
    }
    return 0;
}
