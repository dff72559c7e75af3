#include "platform/Input.h"

#include "platform/Clock.h"

#include <algorithm>

namespace platform {

using Guard = std::lock_guard<std::mutex>;

int BufferedDevice::setBufferSize(int records)
{
    if (records < 0)
        return INPUT_INVALID_PARAMS;
    Guard g(lock);
    capacity = records;
    return INPUT_OK;
}

int BufferedDevice::bufferSize()
{
    Guard g(lock);
    return capacity;
}

int BufferedDevice::acquire()
{
    Guard g(lock);
    if (refusals > 0) {
        --refusals;
        return INPUT_ACQUIRE_REFUSED;
    }
    acquired = true;
    lost = false;
    return INPUT_OK;
}

int BufferedDevice::unacquire()
{
    Guard g(lock);
    acquired = false;
    lost = false;
    dropRecords();
    overflowed = false;
    return INPUT_OK;
}

bool BufferedDevice::isAcquired()
{
    Guard g(lock);
    return acquired;
}

void BufferedDevice::loseDevice()
{
    Guard g(lock);
    if (!acquired)
        return;
    acquired = false;
    lost = true;
    dropRecords();
    overflowed = false;
}

void BufferedDevice::refuseAcquire(int count)
{
    Guard g(lock);
    refusals = std::max(count, 0);
}

int BufferedDevice::readCheck(int max, int* count)
{
    if (count)
        *count = 0;
    if (max < 0 || !count)
        return INPUT_INVALID_PARAMS;
    if (lost)
        return INPUT_LOST;
    if (!acquired)
        return INPUT_NOT_ACQUIRED;
    return INPUT_OK;
}

namespace {
template <class R> int take(std::deque<R>& records, R* out, int max, int* count, bool* overflowed)
{
    int n = 0;
    while (n < max && !records.empty()) {
        if (out)
            out[n] = records.front();
        records.pop_front();
        ++n;
    }
    *count = n;
    int code = *overflowed ? INPUT_BUFFER_OVERFLOW : INPUT_OK;
    *overflowed = false;
    return code;
}
} // namespace

int Mouse::read(MouseRecord* out, int max, int* count)
{
    Guard g(lock);
    int code = readCheck(max, count);
    if (code != INPUT_OK)
        return code;
    if (max > 0 && !out)
        return INPUT_INVALID_PARAMS;
    return take(records, out, max, count, &overflowed);
}

void Mouse::queue(uint32_t offset, int32_t data)
{
    if (!acquired)
        return;
    if (int(records.size()) >= capacity) {
        overflowed = true;
        return;
    }
    MouseRecord r;
    r.offset = offset;
    r.data = data;
    r.x = cursor.x;
    r.y = cursor.y;
    r.time = GetTickCount();
    r.sequence = ++sequence;
    records.push_back(r);
}

Point Mouse::cursorPosition()
{
    Guard g(lock);
    return cursor;
}

namespace {
Point clipTo(Point p, const Rect& r)
{
    if (r.isEmpty())
        return Point{r.left, r.top};
    p.x = std::min(std::max(p.x, r.left), r.right - 1);
    p.y = std::min(std::max(p.y, r.top), r.bottom - 1);
    return p;
}
} // namespace

void Mouse::clipCursor(const Rect* rect)
{
    Guard g(lock);
    clipped = rect != nullptr;
    if (rect) {
        clip = *rect;
        cursor = clipTo(cursor, clip);
    }
}

bool Mouse::cursorClip(Rect* rect)
{
    Guard g(lock);
    if (clipped && rect)
        *rect = clip;
    return clipped;
}

void Mouse::showCursor(bool show)
{
    Guard g(lock);
    cursorShown = show;
}

bool Mouse::isCursorShown()
{
    Guard g(lock);
    return cursorShown;
}

void Mouse::setCursorPosition(Point p)
{
    Guard g(lock);
    cursor = clipped ? clipTo(p, clip) : p;
    warpPending = true;
}

bool Mouse::takeCursorWarp(Point* p)
{
    Guard g(lock);
    if (!warpPending)
        return false;
    warpPending = false;
    if (p)
        *p = cursor;
    return true;
}

void Mouse::moveTo(int x, int y)
{
    Guard g(lock);
    Point to{x, y};
    if (clipped)
        to = clipTo(to, clip);
    int dx = to.x - cursor.x, dy = to.y - cursor.y;
    cursor = to;
    if (dx)
        queue(MOUSE_X, dx);
    if (dy)
        queue(MOUSE_Y, dy);
}

void Mouse::button(int index, bool down)
{
    if (index < 0 || index > 7)
        return;
    Guard g(lock);
    queue(MOUSE_BUTTON0 + uint32_t(index), down ? 0x80 : 0);
}

void Mouse::wheel(int delta)
{
    Guard g(lock);
    queue(MOUSE_WHEEL, delta);
}

int Keyboard::read(KeyRecord* out, int max, int* count)
{
    Guard g(lock);
    int code = readCheck(max, count);
    if (code != INPUT_OK)
        return code;
    if (max > 0 && !out)
        return INPUT_INVALID_PARAMS;
    return take(records, out, max, count, &overflowed);
}

bool Keyboard::isShiftDown()
{
    Guard g(lock);
    return down[KEY_LSHIFT] || down[KEY_RSHIFT];
}

bool Keyboard::isAltDown()
{
    Guard g(lock);
    return down[KEY_LALT] || down[KEY_RALT];
}

bool Keyboard::isControlDown()
{
    Guard g(lock);
    return down[KEY_LCONTROL] || down[KEY_RCONTROL];
}

bool Keyboard::isCapsLockOn()
{
    Guard g(lock);
    return capsLock;
}

bool Keyboard::isKeyDown(uint32_t scanCode)
{
    Guard g(lock);
    return scanCode < 256 && down[scanCode];
}

void Keyboard::key(uint32_t scanCode, bool isDown)
{
    if (scanCode > 255)
        return;
    Guard g(lock);
    if (isDown && !down[scanCode] && scanCode == KEY_CAPSLOCK)
        capsLock = !capsLock;
    down[scanCode] = isDown;
    if (!acquired)
        return;
    if (int(records.size()) >= capacity) {
        overflowed = true;
        return;
    }
    KeyRecord r;
    r.scanCode = scanCode;
    r.data = isDown ? 0x80 : 0;
    r.time = GetTickCount();
    r.sequence = ++sequence;
    records.push_back(r);
}

void Keyboard::releaseAll()
{
    std::vector<uint32_t> held;
    {
        Guard g(lock);
        for (uint32_t c = 0; c < 256; ++c)
            if (down[c])
                held.push_back(c);
    }
    for (uint32_t c : held)
        key(c, false);
}

Joystick::Joystick(const std::string& name, int buttonCount, int axisCount)
    : deviceName(name), buttons(std::min(std::max(buttonCount, 0), int(MAX_BUTTONS))),
      axes(std::min(std::max(axisCount, 0), int(AXES)))
{
    for (int i = 0; i < AXES; ++i) {
        rangeMin[i] = 0;
        rangeMax[i] = 65535;
    }
}

int Joystick::setAxisRange(int axis, int32_t min, int32_t max)
{
    if (axis < 0 || axis >= axes || min >= max)
        return INPUT_INVALID_PARAMS;
    Guard g(lock);
    rangeMin[axis] = min;
    rangeMax[axis] = max;
    return INPUT_OK;
}

int Joystick::acquire()
{
    Guard g(lock);
    if (!plugged)
        return INPUT_ACQUIRE_REFUSED;
    acquired = true;
    lost = false;
    return INPUT_OK;
}

int Joystick::unacquire()
{
    Guard g(lock);
    acquired = false;
    return INPUT_OK;
}

int Joystick::poll()
{
    Guard g(lock);
    if (lost)
        return INPUT_LOST;
    return acquired ? INPUT_OK : INPUT_NOT_ACQUIRED;
}

int32_t Joystick::scaled(int axis)
{
    if (axis >= axes)
        return 0;
    int64_t span = int64_t(rangeMax[axis]) - rangeMin[axis];
    return int32_t(rangeMin[axis] + (int64_t(position[axis]) + 32768) * span / 65535);
}

int Joystick::state(JoystickState* out)
{
    if (!out)
        return INPUT_INVALID_PARAMS;
    Guard g(lock);
    if (lost)
        return INPUT_LOST;
    if (!acquired)
        return INPUT_NOT_ACQUIRED;
    JoystickState s;
    s.x = scaled(0);
    s.y = scaled(1);
    s.z = scaled(2);
    s.rx = scaled(3);
    s.ry = scaled(4);
    s.rz = scaled(5);
    for (int i = 0; i < buttons; ++i)
        s.buttons[i] = pressed[i];
    *out = s;
    return INPUT_OK;
}

void Joystick::setAxis(int axis, int value)
{
    if (axis < 0 || axis >= AXES)
        return;
    Guard g(lock);
    position[axis] = std::min(std::max(value, -32768), 32767);
}

void Joystick::setButton(int index, bool down)
{
    if (index < 0 || index >= buttons)
        return;
    Guard g(lock);
    pressed[index] = down ? 0x80 : 0;
}

void Joystick::loseDevice()
{
    Guard g(lock);
    if (acquired) {
        acquired = false;
        lost = true;
    }
}

void Joystick::unplug()
{
    Guard g(lock);
    plugged = false;
    acquired = false;
    lost = true;
}

bool Joystick::isPlugged()
{
    Guard g(lock);
    return plugged;
}

int Input::joystickCount()
{
    Guard g(lock);
    int n = 0;
    for (auto& j : joysticks)
        n += j->isPlugged() ? 1 : 0;
    return n;
}

Joystick* Input::joystick(int index)
{
    Guard g(lock);
    for (auto& j : joysticks)
        if (j->isPlugged() && index-- == 0)
            return j.get();
    return nullptr;
}

Joystick* Input::attachJoystick(const std::string& name, int buttonCount, int axisCount)
{
    Guard g(lock);
    joysticks.push_back(std::unique_ptr<Joystick>(new Joystick(name, buttonCount, axisCount)));
    return joysticks.back().get();
}

} // namespace platform
