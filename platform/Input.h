#pragma once
#include "platform/Display.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Mouse, keyboard and joysticks as the input Parts read them through
// DirectInput: buffered records in DirectInput's offsets and scan codes,
// devices that are acquired and lost. The devices are the same code in
// every backend; a backend (or a test, on the headless one) feeds them
// through their "feed" side as the window system reports events.
//
// Threads: one thread feeds a device, another (the engine's input thread)
// reads it; both sides may also be the same thread. Every call is
// thread-safe.
//
// Answers (InputResult): 0 and INPUT_BUFFER_OVERFLOW are successes (the
// records were read; with the overflow some were lost since the last read,
// the newest ones, as DirectInput drops them); the others are failures.

enum InputResult : int {
    INPUT_OK = 0,
    INPUT_BUFFER_OVERFLOW = 1,      // records read, but the buffer had filled and newer ones were dropped
    INPUT_LOST = -2147024866,       // 0x8007001E: the device was lost (focus gone); acquire again
    INPUT_NOT_ACQUIRED = -2147024884, // 0x8007000C: read or poll before acquire
    INPUT_INVALID_PARAMS = -2147024809, // 0x80070057: a null pointer or a negative count
    INPUT_ACQUIRE_REFUSED = -2147024891 // 0x80070005: acquire refused (another window is in front)
};

// The offsets of mouse records (DirectInput's mouse format 2).
enum : uint32_t {
    MOUSE_X = 0,       // data: the motion in pixels (signed)
    MOUSE_Y = 4,
    MOUSE_WHEEL = 8,   // data: wheel motion, 120 a notch, positive away from the user
    MOUSE_BUTTON0 = 12, // left; data 0x80 pressed, 0 released
    MOUSE_BUTTON1 = 13, // right
    MOUSE_BUTTON2 = 14, // middle
    MOUSE_BUTTON7 = 19
};

// One mouse record. x and y are the cursor's position in the window's
// client coordinates when the event happened (the Parts read the system
// cursor instead; this gives them the position that belongs to the event).
struct MouseRecord {
    uint32_t offset = 0;
    int32_t data = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t time = 0;     // the tick (Clock.h) when it happened
    uint32_t sequence = 0; // counts the device's records from 1
};

// One keyboard record: the DirectInput scan code (DIK_, 0x01 Escape ...
// 0xD3 Delete; extended keys have 0x80 added) and 0x80 in data when the key
// went down, 0 when it went up.
struct KeyRecord {
    uint32_t scanCode = 0;
    uint32_t data = 0;
    uint32_t time = 0;
    uint32_t sequence = 0;
};

// Scan codes the devices themselves look at.
enum : uint32_t {
    KEY_LSHIFT = 0x2A,
    KEY_RSHIFT = 0x36,
    KEY_LCONTROL = 0x1D,
    KEY_RCONTROL = 0x9D,
    KEY_LALT = 0x38,
    KEY_RALT = 0xB8,
    KEY_CAPSLOCK = 0x3A
};

// What the mouse and the keyboard share: the buffer, acquiring and losing.
// A device buffers records only while it is acquired; losing it (or
// unacquiring) drops what it held.
class BufferedDevice {
public:
    virtual ~BufferedDevice() {}
    // Records kept between two reads (DIPROP_BUFFERSIZE); 0 keeps none.
    // Negative: INPUT_INVALID_PARAMS.
    int setBufferSize(int records);
    int bufferSize();
    // INPUT_OK, or INPUT_ACQUIRE_REFUSED while the feed side refuses it.
    int acquire();
    int unacquire();
    bool isAcquired();

    // Feed side: the device is lost (reads answer INPUT_LOST until it is
    // acquired again); the next `count` acquire calls are refused.
    void loseDevice();
    void refuseAcquire(int count);

protected:
    // Reads under the lock: the common answer before any record is taken.
    int readCheck(int max, int* count);
    std::mutex lock;
    int capacity = 0;
    bool acquired = false;
    bool lost = false;
    bool overflowed = false;
    int refusals = 0;
    uint32_t sequence = 0;
    virtual void dropRecords() = 0;
};

class Mouse : public BufferedDevice {
public:
    Mouse() { capacity = 16; }
    // Takes up to max records, oldest first, into out; *count tells how
    // many. INPUT_OK or INPUT_BUFFER_OVERFLOW with the records; otherwise
    // no record is taken.
    int read(MouseRecord* out, int max, int* count);
    // The cursor's position in client coordinates now (GetCursorPos and
    // ScreenToClient in the Parts).
    Point cursorPosition();
    // Keeps the cursor inside the rectangle (client coordinates); null
    // frees it. The cursor is moved inside at once.
    void clipCursor(const Rect* rect);
    // Whether the cursor is kept inside a rectangle, and which (the backend
    // follows it).
    bool cursorClip(Rect* rect);
    // Whether the cursor is shown; the backend follows it.
    void showCursor(bool show);
    bool isCursorShown();
    // Puts the cursor at (x, y) in client coordinates, kept inside the clip
    // (SetCursorPos): no record is queued, as the device reports motion, not
    // where the cursor was put. The backend moves the system's cursor there
    // (takeCursorWarp tells it once where to).
    void setCursorPosition(Point p);
    bool takeCursorWarp(Point* p);

    // Feed side. A move to (x, y) queues an X and/or a Y record with the
    // motion (none for an axis that did not change) and moves the cursor,
    // clipped; buttons 0-7 (0 left, 1 right, 2 middle); wheel motion.
    void moveTo(int x, int y);
    void button(int index, bool down);
    void wheel(int delta);

private:
    void queue(uint32_t offset, int32_t data);
    void dropRecords() override { records.clear(); }
    std::deque<MouseRecord> records;
    Point cursor;
    bool clipped = false;
    Rect clip;
    bool cursorShown = true;
    bool warpPending = false;
};

class Keyboard : public BufferedDevice {
public:
    Keyboard() { capacity = 1024; }
    // As Mouse::read.
    int read(KeyRecord* out, int max, int* count);
    // The keys' state now, whatever has been read (GetKeyState in the
    // Parts): a shift, an alt or a control key held; caps lock on.
    bool isShiftDown();
    bool isAltDown();
    bool isControlDown();
    bool isCapsLockOn();
    bool isKeyDown(uint32_t scanCode);

    // Feed side: a key went down or up (scan codes 0-255; others are
    // ignored). Caps lock toggles on each press.
    void key(uint32_t scanCode, bool down);
    // Every key that is down goes up (focus lost), each with its record.
    void releaseAll();

private:
    void dropRecords() override { records.clear(); }
    std::deque<KeyRecord> records;
    bool down[256] = {};
    bool capsLock = false;
};

// The joystick state the script joystick reads (DirectInput's extended
// state, reduced to what the Parts use): the axes in each axis's range and
// 128 button bytes, 0x80 while pressed.
struct JoystickState {
    int32_t x = 0, y = 0, z = 0;
    int32_t rx = 0, ry = 0, rz = 0;
    uint8_t buttons[128] = {};
};

// One game controller. Each axis has a range, 0..65535 unless set; the
// feed side gives positions from -32768 (left, up) to 32767, which are
// mapped linearly onto the range.
class Joystick {
public:
    enum { MAX_BUTTONS = 128, AXES = 6 };
    Joystick(const std::string& name, int buttonCount, int axisCount);

    std::string name() const { return deviceName; }
    int buttonCount() const { return buttons; }
    int axisCount() const { return axes; }
    // axis 0 is X, the first axis reported; min must be below max
    // (INPUT_INVALID_PARAMS otherwise, or for an axis the device lacks).
    int setAxisRange(int axis, int32_t min, int32_t max);
    int setFirstAxisRange(int32_t min, int32_t max) { return setAxisRange(0, min, max); }
    int acquire();
    int unacquire();
    // INPUT_OK; INPUT_NOT_ACQUIRED before acquire; INPUT_LOST once the
    // device was lost or unplugged, until it is acquired again (an
    // unplugged one never is: INPUT_ACQUIRE_REFUSED).
    int poll();
    int state(JoystickState* out);

    // Feed side.
    void setAxis(int axis, int position);
    void setButton(int index, bool down);
    void loseDevice();
    void unplug();
    bool isPlugged();

private:
    int32_t scaled(int axis);
    std::mutex lock;
    std::string deviceName;
    int buttons, axes;
    int32_t rangeMin[AXES], rangeMax[AXES];
    int position[AXES] = {};
    uint8_t pressed[MAX_BUTTONS] = {};
    bool acquired = false, lost = false, plugged = true;
};

// The input devices of a backend: one mouse, one keyboard and the game
// controllers attached, in the order they were attached. Devices live as
// long as the Input: an unplugged joystick leaves the list, but a pointer
// to it stays valid and answers INPUT_LOST.
class Input {
public:
    Mouse& mouse() { return theMouse; }
    Keyboard& keyboard() { return theKeyboard; }
    // Attached (plugged) controllers, in order; index counts them from 0.
    int joystickCount();
    Joystick* joystick(int index);

    // Feed side: a controller is attached; the Input owns it.
    Joystick* attachJoystick(const std::string& name, int buttonCount, int axisCount);

private:
    Mouse theMouse;
    Keyboard theKeyboard;
    std::mutex lock;
    std::vector<std::unique_ptr<Joystick>> joysticks;
};

} // namespace platform
