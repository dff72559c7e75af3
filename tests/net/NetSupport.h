#pragma once
// Helpers of the network tests: frames written as readable hex, the
// variable pools, and waiting on a condition with a time limit.
#include "net/NetMessage.h"
#include "script/VariableFactory.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace nettest {

// Bytes from hex pairs, with 'quoted' text taken as it stands; blanks are
// ignored. hex("05000000 0b000000 'hi' 00")
inline std::string hex(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ')
            continue;
        if (c == '\'') {
            size_t end = text.find('\'', i + 1);
            out += text.substr(i + 1, end - i - 1);
            i = end;
            continue;
        }
        out += char(std::strtol(text.substr(i, 2).c_str(), nullptr, 16));
        ++i;
    }
    return out;
}

inline std::string frameOf(const CNetMessage& m)
{
    return m.getBuffer() ? std::string(m.getBuffer(), size_t(m.getBufferLen())) : std::string();
}

// A received frame as the socket would hand it on.
inline CNetMessage* raw(const std::string& frame)
{
    return new CNetMessage(nullptr, frame.data(), int(frame.size()));
}

struct Pools {
    Pools() { CMC_VariableFactory::initialize(); }
    ~Pools() { CMC_VariableFactory::done(); }
};

// Polls until done() holds or the time is up; whether it held.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace nettest
