#include "ui/DXMouse.h"

#include "graphics/Window.h"
#include "platform/Input.h"

namespace {
CDXMouse* singleton = nullptr;
}

CDXMouse::CDXMouse(CWindow* w) : window(w), device(nullptr)
{
    singleton = this;
    initialize();
    if (window)
        window->addIPoller(this);
}

CDXMouse::~CDXMouse()
{
    if (window)
        window->removeIPoller(this);
    flushSignals(false);
    release();
    if (singleton == this)
        singleton = nullptr;
}

CDXMouse* CDXMouse::getSingleton() { return singleton; }

void CDXMouse::initialize()
{
    platform::Input* input = window ? window->getDIIfc() : nullptr;
    device = input ? &input->mouse() : nullptr;
    if (!device)
        return;
    device->setBufferSize(BUFFER_SIZE);
    device->acquire();
}

void CDXMouse::release()
{
    if (device)
        device->unacquire();
    device = nullptr;
}

void CDXMouse::acquire(bool on)
{
    if (!device)
        return;
    if (on)
        device->acquire();
    else
        device->unacquire();
}

void CDXMouse::push(int kind) { queue.push_back(Record{kind, x.load(), y.load()}); }

// Moves carry the cursor's position at the moment of the move; button
// records carry the position of the last move read.
void CDXMouse::tick()
{
    if (!device)
        return;
    platform::MouseRecord records[READ_MAX];
    int n = 0;
    const int code = device->read(records, READ_MAX, &n);
    if (code != platform::INPUT_OK && code != platform::INPUT_BUFFER_OVERFLOW) {
        // One try a tick: the input thread holds the window lock meanwhile.
        device->acquire();
        return;
    }
    for (int i = 0; i < n; ++i) {
        const platform::MouseRecord& r = records[i];
        const bool down = (r.data & 0x80) != 0;
        switch (r.offset) {
        case platform::MOUSE_X:
        case platform::MOUSE_Y:
            x = r.x;
            y = r.y;
            push(MOVE);
            break;
        case platform::MOUSE_BUTTON0:
            leftDown = down;
            push(down ? LBUTTON_DOWN : LBUTTON_UP);
            break;
        case platform::MOUSE_BUTTON1:
            rightDown = down;
            push(down ? RBUTTON_DOWN : RBUTTON_UP);
            break;
        case platform::MOUSE_BUTTON2:
            middleDown = down;
            push(down ? MBUTTON_DOWN : MBUTTON_UP);
            break;
        default:
            break;
        }
    }
}

// The queue is taken first: a handler may reach this mouse again. Frames
// without input allocate nothing.
void CDXMouse::flushSignals(bool deliver)
{
    if (queue.empty())
        return;
    std::vector<Record> taken;
    taken.swap(queue);
    if (!deliver || !window)
        return;
    for (const Record& r : taken) {
        const CXPoint p(r.x, r.y);
        switch (r.kind) {
        case MOVE: window->OnMouseMove(p, 0); break;
        case LBUTTON_DOWN: window->OnLButtonDown(p, 0); break;
        case LBUTTON_UP: window->OnLButtonUp(p, 0); break;
        case MBUTTON_DOWN: window->OnMButtonDown(p, 0); break;
        case MBUTTON_UP: window->OnMButtonUp(p, 0); break;
        case RBUTTON_DOWN: window->OnRButtonDown(p, 0); break;
        case RBUTTON_UP: window->OnRButtonUp(p, 0); break;
        default: break;
        }
    }
}
