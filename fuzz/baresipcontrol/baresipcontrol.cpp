// What baresip's control connection receives: any bytes, in any pieces,
// are cut into netstrings whose JSON is read or refused, never past the
// bytes received.
#include "platform/telephony/BaresipControl.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform::telephony;
    // The first byte sets the size of the pieces the stream arrives in.
    const size_t piece = size ? size_t(data[0] % 16) + 1 : 1;
    NetstringReader reader;
    std::string frame;
    for (size_t i = size ? 1 : 0; i < size; i += piece) {
        reader.feed(reinterpret_cast<const char*>(data) + i, std::min(piece, size - i));
        while (reader.next(&frame)) {
            ControlMessage message;
            if (parseControlMessage(frame.data(), frame.size(), &message))
                (void)message.isEvent();
        }
    }
    // The whole input as one message too.
    ControlMessage whole;
    parseControlMessage(reinterpret_cast<const char*>(data), size, &whole);
    return 0;
}
