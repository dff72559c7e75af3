// The scrambled-text reader on arbitrary bytes, then the writer's half over
// the same bytes taken as plain text.
#include "base/TextCoder.h"
#include "base/TextFileReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> text(data, data + size);
    char* block = text.empty() ? nullptr : text.data();
    {
        CTextCoder coder(nullptr, new CTextFileReader(nullptr, block, int(text.size())), true);
        for (size_t guard = 0; !coder._eof() && guard <= size + 1; ++guard)
            coder.getLine();
    }
    {
        CTextCoder coder(nullptr, new CTextFileReader(nullptr, block, int(text.size())), true);
        coder.setCycle(size ? 1 + data[0] % 8 : 3);
        for (size_t guard = 0; guard <= size + 1; ++guard)
            coder.codeLine();
    }
    return 0;
}
