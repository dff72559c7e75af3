#pragma once
#include "platform/telephony/Telephony.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
namespace telephony {

// What a telephony service keeps of its sessions' lines and calls. A
// session is known by its message queue. The caller holds `lock` around
// every use.
class LineBook {
public:
    using Queue = std::shared_ptr<LineMessageQueue>;
    struct Line {
        uint32_t handle;
        uint32_t device;
        Queue queue;
    };
    struct Call {
        uint32_t handle = 0;
        Queue queue;
        uint32_t line = 0;
        bool incoming = false;
        bool connected = false;
        bool gone = false;
        uint32_t digitModes = 0;
        char lastDigit = 0;  // the key down, for a service whose key-up names none
        std::string account; // the service's names of the line and the call
        std::string id;
    };

    std::mutex lock;
    std::vector<Line> lines;
    std::vector<Call> calls;

    uint32_t newHandle() { return nextHandle++; }
    uint32_t openLine(const Queue& queue, uint32_t device);
    Line* findLine(const LineMessageQueue* queue, uint32_t handle);
    // The first line open on the device.
    Line* lineOnDevice(uint32_t device);
    Call* findCall(const LineMessageQueue* queue, uint32_t handle);
    Call& addCall(const Line& line, bool incoming);
    // Takes the line out with its calls, which are given back.
    std::vector<Call> closeLine(const LineMessageQueue* queue, uint32_t handle);
    std::vector<uint32_t> linesOf(const LineMessageQueue* queue);
    int32_t monitorDigits(const LineMessageQueue* queue, uint32_t call, uint32_t digitModes);
    int32_t deallocateCall(const LineMessageQueue* queue, uint32_t call);
    // Tells the call's session.
    static void give(const Call& call, uint32_t message, uint32_t param1, uint32_t param2 = 0, uint32_t param3 = 0);

private:
    uint32_t nextHandle = 1;
};

} // namespace telephony
} // namespace platform
