// The receive buffer as a peer feeds it: any bytes, cut into reads of any
// size, must give whole frames within the limit or a broken stream, and
// every frame it yields must decode within its bytes.
#include "net/MessageStack.h"
#include "net/NetMessage.h"
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void decodeAll(CNetMessage* raw);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool pools = (CMC_VariableFactory::initialize(), true);
    (void)pools;
    if (size < 1)
        return 0;
    // The first byte sets the read sizes: 1 to 256 bytes, varied per read.
    unsigned step = data[0];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    size_t left = size - 1;
    CMessageStack stack(nullptr);
    long long taken = 0;
    while (left > 0) {
        size_t n = 1 + step % 256;
        if (n > left)
            n = left;
        stack.push(bytes, int(n));
        bytes += n;
        left -= n;
        step = step * 33 + 7;
        while (CNetMessage* m = stack.get()) {
            if (m->getBufferLen() < CNetMessage::HEADER_LENGTH || m->getBufferLen() > CNetMessage::MAX_FRAME_LENGTH)
                abort();
            taken += m->getBufferLen();
            decodeAll(m);
            delete m;
        }
    }
    if (!stack.isBroken() && taken + stack.getLength() != (long long)size - 1)
        abort();
    CMC_VariableFactory::clearPool();
    return 0;
}

namespace {
void decodeAll(CNetMessage* raw)
{
    CNetMessage::isWellFormed(raw->getBuffer(), raw->getBufferLen());
    CNetCmdMessage cmd(CXString("p"), raw);
    CNetVariableMessage var(CXString("p"), raw);
    CMC_Object::flush(var.getVariable());
    CNetPingMessage ping(CXString("p"), raw, true);
    CNetFileRequestMessage request(CXString("p"), raw);
    CNetFileDataMessage chunk(CXString("p"), raw);
    if (chunk.getData() && chunk.getChunkSize() > raw->getBufferLen() - 28)
        abort();
}
} // namespace
