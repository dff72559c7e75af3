// The array file reader on arbitrary bytes, as a damaged or foreign save
// file would present them; what it keeps is then printed and sorted.
#include "base/FileStream.h"
#include "collections/Array.h"
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> bytes(data, data + size);
    CFile_Stream stream(bytes.data(), int(bytes.size()));
    CMC_Array array(nullptr, CXString("FUZZ"));
    array.loadFrom(&stream);
    array.toString();
    array.sort(true);
    CMC_VariableFactory::clearPool();
    return 0;
}
