#include "net/MessageStack.h"

#include "net/NetMessage.h"

#include <cstring>

void CMessageStack::push(const char* bytes, int n)
{
    char* room = bytes && n > 0 ? reserve(n) : nullptr;
    if (!room)
        return;
    std::memcpy(room, bytes, size_t(n));
    commit(n);
}

char* CMessageStack::reserve(int n)
{
    if (broken || n <= 0)
        return nullptr;
    // Taken bytes are dropped when they are most of the buffer, so that a
    // stream of small frames never moves the same bytes twice.
    if (start > 0 && start >= used - start) {
        std::memmove(data.data(), data.data() + start, used - start);
        used -= start;
        start = 0;
    }
    if (data.size() < used + size_t(n))
        data.resize(used + size_t(n));
    return data.data() + used;
}

void CMessageStack::commit(int n)
{
    if (!broken && n > 0 && used + size_t(n) <= data.size())
        used += size_t(n);
}

CNetMessage* CMessageStack::get()
{
    size_t left = used - start;
    if (broken || left < CNetMessage::HEADER_LENGTH)
        return nullptr;
    const char* frame = data.data() + start;
    uint32_t length = CNetMessage::getLE32(frame + 4);
    if (length < CNetMessage::HEADER_LENGTH || length > CNetMessage::MAX_FRAME_LENGTH) {
        broken = true;
        std::vector<char>().swap(data);
        used = start = 0;
        return nullptr;
    }
    if (length > left)
        return nullptr;
    CNetMessage* message = new CNetMessage(owner, frame, int(length));
    start += length;
    if (start == used)
        used = start = 0;
    return message;
}
