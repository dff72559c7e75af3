#include "platform/Debug.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace platform {

namespace {
std::mutex sinkLock;
DebugSink sink = nullptr;
void* sinkContext = nullptr;
} // namespace

void OutputDebugString(const char* text)
{
    if (!text)
        return;
    std::lock_guard<std::mutex> guard(sinkLock);
    if (sink) {
        sink(text, sinkContext);
        return;
    }
    static const bool toStderr = std::getenv("QUARNEL_DEBUG") != nullptr;
    if (!toStderr)
        return;
    // A debugger shows each string as a line of its own; on a terminal the
    // line end is added where the text has none, so that lines never run
    // together. One write: standard error is unbuffered, and other threads
    // write their own lines to it.
    std::string line(text);
    if (line.empty() || line.back() != '\n')
        line += '\n';
    std::fputs(line.c_str(), stderr);
}

void setDebugSink(DebugSink newSink, void* context)
{
    std::lock_guard<std::mutex> guard(sinkLock);
    sink = newSink;
    sinkContext = context;
}

} // namespace platform
