// A variable's network value as a peer sends it: any bytes must give a
// temporary or nothing, and a value read must write back within its size.
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    CMC_Variable* v = CMC_VariableFactory::netrestore(bytes.data(), int(bytes.size()));
    if (v) {
        std::vector<uint8_t> out(size_t(v->getBufferLen()));
        v->netstore(out.data());
        CMC_Object::flush(v);
    }
    return 0;
}
