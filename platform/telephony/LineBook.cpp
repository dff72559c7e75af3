#include "platform/telephony/LineBook.h"

#include <algorithm>

namespace platform {
namespace telephony {

uint32_t LineBook::openLine(const Queue& queue, uint32_t device)
{
    lines.push_back(Line{newHandle(), device, queue});
    return lines.back().handle;
}

LineBook::Line* LineBook::findLine(const LineMessageQueue* queue, uint32_t handle)
{
    for (Line& l : lines)
        if (l.queue.get() == queue && l.handle == handle)
            return &l;
    return nullptr;
}

LineBook::Line* LineBook::lineOnDevice(uint32_t device)
{
    for (Line& l : lines)
        if (l.device == device)
            return &l;
    return nullptr;
}

LineBook::Call* LineBook::findCall(const LineMessageQueue* queue, uint32_t handle)
{
    for (Call& c : calls)
        if (c.queue.get() == queue && c.handle == handle)
            return &c;
    return nullptr;
}

LineBook::Call& LineBook::addCall(const Line& line, bool incoming)
{
    Call c;
    c.handle = newHandle();
    c.queue = line.queue;
    c.line = line.handle;
    c.incoming = incoming;
    calls.push_back(c);
    return calls.back();
}

std::vector<LineBook::Call> LineBook::closeLine(const LineMessageQueue* queue, uint32_t handle)
{
    std::vector<Call> closed;
    auto onLine = [&](const Call& c) { return c.queue.get() == queue && c.line == handle; };
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(closed), onLine);
    calls.erase(std::remove_if(calls.begin(), calls.end(), onLine), calls.end());
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const Line& l) { return l.queue.get() == queue && l.handle == handle; }),
                lines.end());
    return closed;
}

std::vector<uint32_t> LineBook::linesOf(const LineMessageQueue* queue)
{
    std::vector<uint32_t> handles;
    for (const Line& l : lines)
        if (l.queue.get() == queue)
            handles.push_back(l.handle);
    return handles;
}

int32_t LineBook::monitorDigits(const LineMessageQueue* queue, uint32_t handle, uint32_t digitModes)
{
    Call* call = findCall(queue, handle);
    if (!call)
        return LINE_ERR_CALL;
    call->digitModes = digitModes;
    return 0;
}

int32_t LineBook::deallocateCall(const LineMessageQueue* queue, uint32_t handle)
{
    auto it = std::find_if(calls.begin(), calls.end(),
                           [&](const Call& c) { return c.queue.get() == queue && c.handle == handle; });
    if (it == calls.end())
        return LINE_ERR_CALL;
    calls.erase(it);
    return 0;
}

void LineBook::give(const Call& call, uint32_t message, uint32_t param1, uint32_t param2, uint32_t param3)
{
    call.queue->push(LineMessage{call.handle, message, param1, param2, param3});
}

} // namespace telephony
} // namespace platform
