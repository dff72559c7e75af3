#include "net/NetMessage.h"

#include "script/Behaviour.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

#include <cstring>
#include <initializer_list>

namespace {

// The length of the text at p, at most limit bytes; whether it ends there.
int boundedLength(const char* p, int limit, bool* terminated)
{
    const void* zero = limit > 0 ? std::memchr(p, 0, size_t(limit)) : nullptr;
    *terminated = zero != nullptr;
    return zero ? int(static_cast<const char*>(zero) - p) : (limit > 0 ? limit : 0);
}

// The offset past the zero of the text at offset; 0 when the text does not
// end inside the frame.
int pastText(const char* frame, int length, int offset)
{
    if (offset >= length)
        return 0;
    bool terminated;
    int n = boundedLength(frame + offset, length - offset, &terminated);
    return terminated ? offset + n + 1 : 0;
}

// Frame lengths are computed in 64 bits: a frame of texts longer than the
// limit is not made at all.
long long textSize(const CXString& text) { return (long long)text.getLength() + 1; }

void putText(char* at, const CXString& text)
{
    int n = text.getLength();
    if (n > 0)
        std::memcpy(at, text.c_str(), size_t(n));
    at[n] = 0;
}

} // namespace

uint32_t CNetMessage::getLE32(const void* bytes)
{
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void CNetMessage::putLE32(void* bytes, uint32_t value)
{
    unsigned char* b = static_cast<unsigned char*>(bytes);
    b[0] = uint8_t(value);
    b[1] = uint8_t(value >> 8);
    b[2] = uint8_t(value >> 16);
    b[3] = uint8_t(value >> 24);
}

CNetMessage::CNetMessage(CXSocket* h)
    : type(0), length(0), buffer(nullptr), handle(h), lost(false), borrowed(false)
{
}

CNetMessage::CNetMessage(CXSocket* h, int t) : CNetMessage(h) { allocate(t, HEADER_LENGTH); }

CNetMessage::CNetMessage(CXSocket* h, const char* frame, int n) : CNetMessage(h)
{
    if (!frame || n < HEADER_LENGTH || n > MAX_FRAME_LENGTH)
        return;
    if (allocate(int(getLE32(frame)), n))
        std::memcpy(buffer, frame, size_t(n));
}

CNetMessage::CNetMessage(const CXString& name, CNetMessage* raw) : CNetMessage(raw ? raw->handle : nullptr)
{
    sender = name;
    if (raw && raw->buffer) {
        type = raw->type;
        length = raw->length;
        buffer = raw->buffer;
        borrowed = true;
    }
}

CNetMessage::CNetMessage(const CXString& name, CNetMessage* raw, bool copy) : CNetMessage(name, raw)
{
    if (!copy || !buffer)
        return;
    const char* frame = buffer;
    buffer = nullptr;
    borrowed = false;
    if (allocate(raw->type, raw->length))
        std::memcpy(buffer, frame, size_t(length));
}

CNetMessage::~CNetMessage()
{
    if (!borrowed)
        delete[] buffer;
}

CNetMessage* CNetMessage::connectionLost(CXSocket* h)
{
    CNetMessage* note = new CNetMessage(h);
    note->lost = true;
    return note;
}

char* CNetMessage::allocate(int frameType, int frameLength)
{
    if (!borrowed)
        delete[] buffer;
    buffer = nullptr;
    borrowed = false;
    type = frameType;
    length = 0;
    if (frameLength < HEADER_LENGTH || frameLength > MAX_FRAME_LENGTH)
        return nullptr;
    // The payload is left for the caller to fill; only the zero past the
    // frame is set.
    buffer = new char[size_t(frameLength) + 1];
    buffer[frameLength] = 0;
    length = frameLength;
    putLE32(buffer, uint32_t(frameType));
    putLE32(buffer + 4, uint32_t(frameLength));
    return buffer;
}

const char* CNetMessage::textAt(int offset, int* next) const
{
    if (!buffer || offset < HEADER_LENGTH || offset >= length) {
        *next = length + 1;
        return "";
    }
    bool terminated;
    int n = boundedLength(buffer + offset, length - offset, &terminated);
    *next = offset + n + 1;
    return buffer + offset;
}

uint32_t CNetMessage::wordAt(int offset) const
{
    return buffer && offset >= 0 && offset <= length - 4 ? getLE32(buffer + offset) : 0;
}

bool CNetMessage::isWellFormed(const char* frame, int n)
{
    if (!frame || n < HEADER_LENGTH || n > MAX_FRAME_LENGTH || getLE32(frame + 4) != uint32_t(n))
        return false;
    switch (getLE32(frame)) {
    case CMD:
        // The command and every argument end with a zero: so does the frame.
        return n > HEADER_LENGTH && frame[n - 1] == 0;
    case VARIABLE: {
        int value = pastText(frame, n, HEADER_LENGTH);
        if (!value)
            return false;
        int left = n - value;
        if (left == 0)
            return true; // a structure or expression: no value at all
        if (left < 4)
            return false;
        switch (getLE32(frame + value)) {
        case 1: return left >= 8;
        case 2: return pastText(frame, n, value + 4) != 0;
        case 3: return left >= 5;
        case 4: return left >= 12;
        default: return true; // a type the receiver ignores
        }
    }
    case BEHAVIOUR:
    case TEXT:
    case HELLO:
        // The text's zero is usually the frame's last byte.
        return n > HEADER_LENGTH && (frame[n - 1] == 0 || pastText(frame, n, HEADER_LENGTH) != 0);
    case PING: return n >= 16;
    case FILE_REQUEST: {
        if (n < 16)
            return false;
        int subfolder = pastText(frame, n, 16);
        int name = subfolder ? pastText(frame, n, subfolder) : 0;
        return name && pastText(frame, n, name) != 0;
    }
    case FILE_RESPONSE: return n >= 24;
    case FILE_DATA: return n >= 28 && 28 + (long long)getLE32(frame + 24) <= n;
    default: return true;
    }
}

CNetCmdMessage::CNetCmdMessage(CXSocket* h, const CXString& cmd, CXArray* arguments)
    : CNetMessage(h), command(cmd), params(nullptr)
{
    long long total = HEADER_LENGTH + textSize(cmd);
    int count = arguments ? arguments->getSize() : 0;
    for (int i = 0; i < count; ++i) {
        CXString* a = static_cast<CXString*>((*arguments)[i]);
        total += a ? textSize(*a) : 1;
    }
    if (total > MAX_FRAME_LENGTH || !allocate(CMD, int(total)))
        return;
    char* at = buffer + HEADER_LENGTH;
    putText(at, cmd);
    at += cmd.getLength() + 1;
    for (int i = 0; i < count; ++i) {
        CXString* a = static_cast<CXString*>((*arguments)[i]);
        CXString text = a ? *a : CXString();
        putText(at, text);
        at += text.getLength() + 1;
    }
}

// Arguments follow while the offset is inside the frame, so empty
// arguments survive and a frame that ends after the command has none.
CNetCmdMessage::CNetCmdMessage(const CXString& name, CNetMessage* raw) : CNetMessage(name, raw), params(nullptr)
{
    int next = 0;
    const char* text = textAt(HEADER_LENGTH, &next);
    command = CXString(text, next - HEADER_LENGTH - 1);
    while (next < length) {
        int at = next;
        text = textAt(at, &next);
        if (!params)
            params = new CXArray(101, 0.75f);
        params->add(new CXString(text, next - at - 1));
    }
}

CNetCmdMessage::~CNetCmdMessage()
{
    if (params)
        CXString::releaseToVector(params);
}

CNetVariableMessage::CNetVariableMessage(CXSocket* h, CMC_Variable* variable) : CNetMessage(h), valueOffset(0)
{
    if (!variable)
        return;
    CXString name = variable->getName();
    // Structures and expressions have no network value: not even the type word.
    int valueSize = CMC_Variable::isBasicType(variable->getType()) ? variable->getBufferLen() : 0;
    long long total = HEADER_LENGTH + textSize(name) + valueSize;
    if (valueSize < 0 || total > MAX_FRAME_LENGTH || !allocate(VARIABLE, int(total)))
        return;
    putText(buffer + HEADER_LENGTH, name);
    valueOffset = HEADER_LENGTH + name.getLength() + 1;
    if (valueSize > 0)
        variable->netstore(buffer + valueOffset);
}

CNetVariableMessage::CNetVariableMessage(const CXString& name, CNetMessage* raw) : CNetMessage(name, raw)
{
    textAt(HEADER_LENGTH, &valueOffset);
}

int CNetVariableMessage::getVariableType() const { return valueOffset > 0 ? int(wordAt(valueOffset)) : 0; }

CMC_Variable* CNetVariableMessage::getVariable() const
{
    if (!buffer || valueOffset <= 0 || valueOffset > length - 4)
        return nullptr;
    return CMC_VariableFactory::netrestore(buffer + valueOffset, length - valueOffset);
}

void CNetMessage::buildText(int frameType, const CXString& text)
{
    long long total = HEADER_LENGTH + textSize(text);
    if (total <= MAX_FRAME_LENGTH && allocate(frameType, int(total)))
        putText(buffer + HEADER_LENGTH, text);
}

CNetBehaviourMessage::CNetBehaviourMessage(CXSocket* h, const CXString& code) : CNetMessage(h)
{
    buildText(BEHAVIOUR, code);
}

CNetBehaviourMessage::CNetBehaviourMessage(CXSocket* h, CMC_Behaviour* behaviour)
    : CNetBehaviourMessage(h, behaviour ? behaviour->getCode() : CXString())
{
}

CNetTextMessage::CNetTextMessage(CXSocket* h, const CXString& text) : CNetMessage(h) { buildText(TEXT, text); }

CNetHelloMessage::CNetHelloMessage(CXSocket* h, const CXString& name) : CNetMessage(h) { buildText(HELLO, name); }

CNetPingMessage::CNetPingMessage(CXSocket* h, long time) : CNetMessage(h)
{
    if (allocate(PING, PING_LENGTH)) {
        std::memset(buffer + HEADER_LENGTH, 0, PING_LENGTH - HEADER_LENGTH);
        putLE32(buffer + 8, uint32_t(time));
    }
}

// The answer returns the request's padding as it came.
CNetPingMessage::CNetPingMessage(const CXString& name, CNetMessage* raw, bool answer)
    : CNetMessage(name, raw, true)
{
    if (buffer && length >= 16)
        putLE32(buffer + 12, answer ? 1 : 0);
}

CNetFileRequestMessage::CNetFileRequestMessage(CXSocket* h, int transferId, const CXString& f, const CXString& s,
                                               const CXString& n)
    : CNetMessage(h), requesterId(transferId), serverId(-1), folder(f), subfolder(s), fileName(n)
{
    long long total = 16 + textSize(f) + textSize(s) + textSize(n);
    if (total > MAX_FRAME_LENGTH || !allocate(FILE_REQUEST, int(total)))
        return;
    putLE32(buffer + 8, uint32_t(transferId));
    putLE32(buffer + 12, 0xFFFFFFFFu);
    char* at = buffer + 16;
    for (const CXString* text : {&f, &s, &n}) {
        putText(at, *text);
        at += text->getLength() + 1;
    }
}

CNetFileRequestMessage::CNetFileRequestMessage(const CXString& name, CNetMessage* raw)
    : CNetMessage(name, raw), requesterId(int(wordAt(8))), serverId(int(wordAt(12)))
{
    int next = 16;
    for (CXString* text : {&folder, &subfolder, &fileName}) {
        int at = next;
        const char* p = textAt(at, &next);
        *text = at < length ? CXString(p, next - at - 1) : CXString();
    }
}

CNetFileResponseMessage::CNetFileResponseMessage(CXSocket* h, int r, int s, int announced, int n)
    : CNetMessage(h), requesterId(r), serverId(s), announcedSize(announced), size(n)
{
    if (!allocate(FILE_RESPONSE, 24))
        return;
    putLE32(buffer + 8, uint32_t(r));
    putLE32(buffer + 12, uint32_t(s));
    putLE32(buffer + 16, uint32_t(announced));
    putLE32(buffer + 20, uint32_t(n));
}

CNetFileResponseMessage::CNetFileResponseMessage(const CXString& name, CNetMessage* raw)
    : CNetMessage(name, raw), requesterId(int(wordAt(8))), serverId(int(wordAt(12))),
      announcedSize(int(wordAt(16))), size(int(wordAt(20)))
{
}

CNetFileDataMessage::CNetFileDataMessage(CXSocket* h, int r, int s, int res, int at, int n)
    : CNetMessage(h), requesterId(r), serverId(s), reserved(res), offset(at), chunkSize(0), data(nullptr)
{
    if (n < 0 || DATA_OFFSET + (long long)n > MAX_FRAME_LENGTH || !allocate(FILE_DATA, DATA_OFFSET + n))
        return;
    putLE32(buffer + 8, uint32_t(r));
    putLE32(buffer + 12, uint32_t(s));
    putLE32(buffer + 16, uint32_t(res));
    putLE32(buffer + 20, uint32_t(at));
    putLE32(buffer + 24, uint32_t(n));
    chunkSize = n;
    data = buffer + DATA_OFFSET;
}

CNetFileDataMessage::CNetFileDataMessage(CXSocket* h, int r, int s, int res, int at, int n, const char* bytes)
    : CNetFileDataMessage(h, r, s, res, at, n > 0 && !bytes ? -1 : n)
{
    if (chunkSize > 0)
        std::memcpy(getRoom(), bytes, size_t(chunkSize));
}

CNetFileDataMessage::CNetFileDataMessage(const CXString& name, CNetMessage* raw)
    : CNetMessage(name, raw), requesterId(int(wordAt(8))), serverId(int(wordAt(12))), reserved(int(wordAt(16))),
      offset(int(wordAt(20))), chunkSize(0), data(nullptr)
{
    uint32_t n = wordAt(24);
    if (buffer && length >= DATA_OFFSET && DATA_OFFSET + (long long)n <= length) {
        chunkSize = int(n);
        data = buffer + DATA_OFFSET;
    }
}
