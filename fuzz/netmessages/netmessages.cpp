// Every message decoder on a frame of any bytes (its header's length made
// to match, as the receive buffer guarantees): texts, words, values and
// chunks are read only inside the frame, and a frame that passes the
// receiver's check decodes to fields that fit it.
#include "net/NetMessage.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool pools = (CMC_VariableFactory::initialize(), true);
    (void)pools;
    if (size < 8 || size > CNetMessage::MAX_FRAME_LENGTH)
        return 0;
    std::string frame(reinterpret_cast<const char*>(data), size);
    // The type byte chooses one of the known types most of the time.
    CNetMessage::putLE32(&frame[0], data[0] % 12);
    CNetMessage::putLE32(&frame[4], uint32_t(size));
    bool wellFormed = CNetMessage::isWellFormed(frame.data(), int(size));
    CNetMessage raw(nullptr, frame.data(), int(size));
    CXString sender("p");

    CNetCmdMessage cmd(sender, &raw);
    long long total = cmd.getCommand().getLength() + 1;
    for (int i = 0; cmd.getParams() && i < cmd.getParams()->getSize(); ++i)
        total += cmd.getParams()->stringAt(i)->getLength() + 1;
    if (wellFormed && raw.getType() == CNetMessage::CMD && total + 8 != (long long)size)
        abort();

    CNetVariableMessage var(sender, &raw);
    std::strlen(var.getVariableName());
    CMC_Variable* v = var.getVariable();
    if (v) {
        std::string out(size_t(v->getBufferLen()), '\0');
        v->netstore(&out[0]);
    }
    CMC_Object::flush(v);

    std::strlen(CNetTextMessage(sender, &raw).getText());
    std::strlen(CNetBehaviourMessage(sender, &raw).getCode());
    std::strlen(CNetHelloMessage(sender, &raw).getName());
    CNetPingMessage ping(sender, &raw, true);
    if (ping.getBufferLen() >= 16 && !ping.isResponse())
        abort();
    CNetFileRequestMessage request(sender, &raw);
    if (wellFormed && raw.getType() == CNetMessage::FILE_REQUEST &&
        16 + request.getFolder().getLength() + request.getSubfolder().getLength() +
                request.getFileName().getLength() + 3 > (int)size)
        abort();
    CNetFileResponseMessage response(sender, &raw);
    CNetFileDataMessage chunk(sender, &raw);
    if (chunk.getData() && 28 + (long long)chunk.getChunkSize() > (long long)size)
        abort();
    if (wellFormed && raw.getType() == CNetMessage::FILE_DATA && !chunk.getData())
        abort();
    CMC_VariableFactory::clearPool();
    return 0;
}
