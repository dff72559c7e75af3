#pragma once
#include "base/Geometry.h"
#include "graphics/InputPoller.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CWindow;
namespace platform {
class Mouse;
}

// The system mouse read in buffered mode: tick (the window's input thread,
// or the frame tick without one) turns what the device reports into a
// queue of mouse records; flushSignals (the frame tick) delivers them, in
// order, to the window's mouse handlers, through which hot spots, buttons
// and mouse listeners get them. Both run under the window lock when there
// is an input thread, which is what guards the queue. The window makes the
// one mouse and deletes it. Double clicks do not come from here.
class CDXMouse : public CInputPoller {
public:
    // The records' kinds.
    enum {
        MOVE = 1,
        LBUTTON_DOWN = 2,
        LBUTTON_UP = 3,
        MBUTTON_DOWN = 4,
        MBUTTON_UP = 5,
        RBUTTON_DOWN = 6,
        RBUTTON_UP = 7
    };
    // Records the device keeps between two reads, and read at most at once.
    enum { BUFFER_SIZE = 16, READ_MAX = 20 };

    // Acquires the device (nothing without a platform), becomes the
    // singleton and joins the window's pollers.
    explicit CDXMouse(CWindow* window);
    // Leaves the pollers, drops the queue, releases the device.
    virtual ~CDXMouse();
    CDXMouse(const CDXMouse&) = delete;
    CDXMouse& operator=(const CDXMouse&) = delete;

    // Reads the device. A failed read loses that tick's events and acquires
    // the device once; the next tick tries again.
    void tick() override;
    // Delivers the queue when deliver is true (flags 0), drops it otherwise.
    void flushSignals(bool deliver) override;
    void acquire(bool on);

    // The cursor as last read, in client coordinates ((0, 0) before the
    // first move), and the buttons as last reported; readable from any
    // thread.
    CXPoint getPosition() const { return CXPoint(x.load(), y.load()); }
    bool isLeftDown() const { return leftDown; }
    bool isRightDown() const { return rightDown; }
    bool isMiddleDown() const { return middleDown; }
    int getQueuedCount() const { return int(queue.size()); }

    // The mouse last made, until it goes.
    static CDXMouse* getSingleton();

private:
    struct Record {
        int32_t kind;
        int32_t x;
        int32_t y;
    };
    void initialize();
    void release();
    void push(int kind);

    CWindow* window;
    platform::Mouse* device;
    std::atomic<int> x{0};
    std::atomic<int> y{0};
    std::atomic<bool> leftDown{false};
    std::atomic<bool> rightDown{false};
    std::atomic<bool> middleDown{false};
    std::vector<Record> queue;
};
