// The requester's side of file transfers as a server may drive it:
// responses and chunks for a few transfers in any order, with any sizes,
// offsets and lengths. A transfer completes only with every byte of its
// file covered, never reads or writes outside its buffer, and a size above
// the limit is refused before anything is allocated.
#include "net/FileTransfer.h"
#include "net/NetMessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int LIMIT = 1 << 16;

struct Check : CFileReceiver_Listener {
    bool onFileReceived(CFileReceiver_Entry* entry) override
    {
        if (entry->getSize() < 0 || entry->getSize() > LIMIT || entry->getReceived() != entry->getSize())
            abort();
        volatile char sum = 0;
        for (int i = 0; i < entry->getSize(); ++i)
            sum += entry->getData()[i];
        return true; // never written to disk
    }
};

uint32_t word(const uint8_t*& p, const uint8_t* end)
{
    uint32_t v = 0;
    for (int i = 0; i < 4 && p < end; ++i)
        v |= uint32_t(*p++) << (8 * i);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check check;
    CFileReceiver_Manager manager(&check);
    int ids[3];
    for (int& id : ids)
        id = manager.add_file(nullptr, CXString("F"), CXString("S"), CXString("f"), LIMIT);
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    // Each step: a byte (bits 0-1 the transfer, bit 7 a response, else a
    // chunk of 16 k^2 bytes for k in bits 2-5, bit 6 a lying length word),
    // then the size, or the offset and the bytes; the frame is built as a
    // peer would send it.
    while (p < end) {
        uint8_t op = *p++;
        int id = ids[(op & 3) % 3];
        std::unique_ptr<CNetMessage> raw;
        if (op & 0x80) {
            int n = int(word(p, end));
            CNetFileResponseMessage sent(nullptr, id, 1, n, n);
            raw.reset(new CNetMessage(nullptr, sent.getBuffer(), sent.getBufferLen()));
            CNetFileResponseMessage typed(CXString(), raw.get());
            manager.received(&typed);
        } else {
            int offset = int(word(p, end));
            size_t k = (op >> 2) & 15;
            size_t n = k * k * 16; // 0 to 3,600 bytes
            if (n > size_t(end - p))
                n = size_t(end - p);
            std::vector<char> bytes(p, p + n);
            p += n;
            CNetFileDataMessage sent(nullptr, id, 1, 0, offset, int(n), bytes.data());
            raw.reset(new CNetMessage(nullptr, sent.getBuffer(), sent.getBufferLen()));
            // A frame whose length word lies is what the receiver sees from a
            // hostile peer; the receiving socket refuses it, the decoder
            // bounds it.
            if (op & 0x40)
                CNetMessage::putLE32(const_cast<char*>(raw->getBuffer()) + 24, uint32_t(offset));
            CNetFileDataMessage typed(CXString(), raw.get());
            manager.received(&typed);
        }
    }
    for (int id : ids)
        if (CFileReceiver_Entry* e = manager.find(id))
            if (e->getReceived() < 0 || e->getReceived() > (long long)e->getSize())
                abort();
    return 0;
}
