#include "platform/Debug.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

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
    if (toStderr)
        std::fputs(text, stderr);
}

void setDebugSink(DebugSink newSink, void* context)
{
    std::lock_guard<std::mutex> guard(sinkLock);
    sink = newSink;
    sinkContext = context;
}

} // namespace platform
