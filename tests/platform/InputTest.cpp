// The input devices: records fed on one side and read on the other.
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace platform;

// Injected on the headless backend, as a test drives a headless run.
TEST(MouseTest, RecordsReadBackInOrder)
{
    ManualClock clock(7000);
    ScopedClock inUse(&clock);
    HeadlessPlatform platform(clock);
    Mouse& mouse = platform.input().mouse();
    ASSERT_EQ(mouse.acquire(), INPUT_OK);
    mouse.moveTo(10, 20);
    clock.advance(5);
    mouse.button(0, true);
    mouse.moveTo(10, 25);
    mouse.button(0, false);
    mouse.button(1, true);
    mouse.button(2, true);
    mouse.wheel(-120);
    MouseRecord r[20];
    int n = -1;
    ASSERT_EQ(mouse.read(r, 20, &n), INPUT_OK);
    ASSERT_EQ(n, 8);
    const uint32_t offsets[8] = {MOUSE_X, MOUSE_Y, MOUSE_BUTTON0, MOUSE_Y, MOUSE_BUTTON0,
                                 MOUSE_BUTTON1, MOUSE_BUTTON2, MOUSE_WHEEL};
    const int32_t data[8] = {10, 20, 0x80, 5, 0, 0x80, 0x80, -120};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(r[i].offset, offsets[i]) << i;
        EXPECT_EQ(r[i].data, data[i]) << i;
        EXPECT_EQ(r[i].sequence, uint32_t(i + 1)) << i;
    }
    // Each record carries the cursor position of its moment.
    EXPECT_EQ(r[0].x, 10);
    EXPECT_EQ(r[0].y, 20);
    EXPECT_EQ(r[2].y, 20);
    EXPECT_EQ(r[4].y, 25);
    EXPECT_EQ(r[0].time, 7000u);
    EXPECT_EQ(r[2].time, 7005u);
    EXPECT_EQ(mouse.cursorPosition().x, 10);
    EXPECT_EQ(mouse.cursorPosition().y, 25);
    ASSERT_EQ(mouse.read(r, 20, &n), INPUT_OK);
    EXPECT_EQ(n, 0);
    // Buttons outside 0-7 make nothing.
    mouse.button(8, true);
    mouse.button(-1, true);
    ASSERT_EQ(mouse.read(r, 20, &n), INPUT_OK);
    EXPECT_EQ(n, 0);
}

TEST(MouseTest, OverflowKeepsTheOldestAndSaysSo)
{
    Mouse mouse;
    EXPECT_EQ(mouse.bufferSize(), 16);
    ASSERT_EQ(mouse.setBufferSize(4), INPUT_OK);
    ASSERT_EQ(mouse.acquire(), INPUT_OK);
    for (int i = 0; i < 6; ++i)
        mouse.button(0, i % 2 == 0);
    MouseRecord r[20];
    int n = 0;
    ASSERT_EQ(mouse.read(r, 3, &n), INPUT_BUFFER_OVERFLOW);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(r[0].data, 0x80);
    EXPECT_EQ(r[1].data, 0);
    EXPECT_EQ(r[0].sequence, 1u);
    EXPECT_EQ(r[2].sequence, 3u);
    ASSERT_EQ(mouse.read(r, 3, &n), INPUT_OK);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(r[0].sequence, 4u);
}

TEST(MouseTest, AcquiringLosingAndBadArguments)
{
    Mouse mouse;
    MouseRecord r[4];
    int n = 5;
    mouse.button(0, true); // not acquired: not buffered
    EXPECT_EQ(mouse.read(r, 4, &n), INPUT_NOT_ACQUIRED);
    EXPECT_EQ(n, 0);
    mouse.refuseAcquire(2);
    EXPECT_EQ(mouse.acquire(), INPUT_ACQUIRE_REFUSED);
    EXPECT_EQ(mouse.acquire(), INPUT_ACQUIRE_REFUSED);
    EXPECT_EQ(mouse.acquire(), INPUT_OK);
    ASSERT_EQ(mouse.read(r, 4, &n), INPUT_OK);
    EXPECT_EQ(n, 0);
    mouse.button(0, false);
    mouse.loseDevice();
    EXPECT_EQ(mouse.read(r, 4, &n), INPUT_LOST);
    EXPECT_EQ(mouse.read(r, 4, &n), INPUT_LOST);
    EXPECT_EQ(mouse.acquire(), INPUT_OK);
    ASSERT_EQ(mouse.read(r, 4, &n), INPUT_OK);
    EXPECT_EQ(n, 0); // what was buffered went with the loss
    EXPECT_EQ(mouse.read(r, -1, &n), INPUT_INVALID_PARAMS);
    EXPECT_EQ(mouse.read(r, 4, nullptr), INPUT_INVALID_PARAMS);
    EXPECT_EQ(mouse.read(nullptr, 4, &n), INPUT_INVALID_PARAMS);
    EXPECT_EQ(mouse.setBufferSize(-1), INPUT_INVALID_PARAMS);
    // The cursor moves, clipped, whether acquired or not.
    Rect clip(100, 100, 200, 150);
    mouse.clipCursor(&clip);
    EXPECT_EQ(mouse.cursorPosition().x, 100);
    mouse.moveTo(500, 120);
    EXPECT_EQ(mouse.cursorPosition().x, 199);
    EXPECT_EQ(mouse.cursorPosition().y, 120);
    mouse.clipCursor(nullptr);
    mouse.moveTo(500, 120);
    EXPECT_EQ(mouse.cursorPosition().x, 500);
    mouse.showCursor(false);
    EXPECT_FALSE(mouse.isCursorShown());
}

TEST(KeyboardTest, KeysReadBackInOrderWithTheirModifiers)
{
    Keyboard keyboard;
    EXPECT_EQ(keyboard.bufferSize(), 1024);
    ASSERT_EQ(keyboard.acquire(), INPUT_OK);
    keyboard.key(KEY_LSHIFT, true);
    keyboard.key(0x1E, true); // A
    EXPECT_TRUE(keyboard.isShiftDown());
    EXPECT_FALSE(keyboard.isAltDown());
    EXPECT_TRUE(keyboard.isKeyDown(0x1E));
    keyboard.key(0x1E, false);
    keyboard.key(KEY_LSHIFT, false);
    keyboard.key(KEY_RALT, true);
    keyboard.key(KEY_CAPSLOCK, true);
    keyboard.key(KEY_CAPSLOCK, false);
    keyboard.key(300, true); // no such key
    EXPECT_FALSE(keyboard.isShiftDown());
    EXPECT_TRUE(keyboard.isAltDown());
    EXPECT_TRUE(keyboard.isCapsLockOn());
    KeyRecord r[10];
    int n = 0;
    ASSERT_EQ(keyboard.read(r, 2, &n), INPUT_OK);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(r[0].scanCode, uint32_t(KEY_LSHIFT));
    EXPECT_EQ(r[0].data, 0x80u);
    EXPECT_EQ(r[1].scanCode, 0x1Eu);
    ASSERT_EQ(keyboard.read(r, 10, &n), INPUT_OK);
    ASSERT_EQ(n, 5);
    EXPECT_EQ(r[0].scanCode, 0x1Eu);
    EXPECT_EQ(r[0].data, 0u);
    EXPECT_EQ(r[2].scanCode, uint32_t(KEY_RALT));
    EXPECT_EQ(r[4].sequence, 7u);
    // Focus lost: every key still down goes up.
    keyboard.releaseAll();
    EXPECT_FALSE(keyboard.isAltDown());
    ASSERT_EQ(keyboard.read(r, 10, &n), INPUT_OK);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(r[0].scanCode, uint32_t(KEY_RALT));
    EXPECT_EQ(r[0].data, 0u);
}

TEST(KeyboardTest, OverflowAndLoss)
{
    Keyboard keyboard;
    ASSERT_EQ(keyboard.setBufferSize(3), INPUT_OK);
    ASSERT_EQ(keyboard.acquire(), INPUT_OK);
    for (uint32_t c = 0x10; c < 0x15; ++c)
        keyboard.key(c, true);
    KeyRecord r[10];
    int n = 0;
    ASSERT_EQ(keyboard.read(r, 10, &n), INPUT_BUFFER_OVERFLOW);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(r[0].scanCode, 0x10u);
    EXPECT_EQ(r[2].scanCode, 0x12u);
    // The state knows every key, read or not.
    EXPECT_TRUE(keyboard.isKeyDown(0x14));
    keyboard.loseDevice();
    EXPECT_EQ(keyboard.read(r, 10, &n), INPUT_LOST);
    ASSERT_EQ(keyboard.unacquire(), INPUT_OK);
    EXPECT_EQ(keyboard.read(r, 10, &n), INPUT_NOT_ACQUIRED);
}

// One thread feeds, the input thread reads: nothing lost, nothing reordered.
TEST(KeyboardTest, OneThreadFeedsAnotherReads)
{
    Keyboard keyboard;
    ASSERT_EQ(keyboard.acquire(), INPUT_OK);
    const int total = 1000;
    std::thread feeder([&keyboard] {
        for (int i = 0; i < total; ++i)
            keyboard.key(uint32_t(i % 200), i % 2 == 0);
    });
    std::vector<KeyRecord> got;
    KeyRecord r[64];
    while (int(got.size()) < total) {
        int n = 0;
        ASSERT_EQ(keyboard.read(r, 64, &n), INPUT_OK);
        got.insert(got.end(), r, r + n);
        if (n == 0)
            std::this_thread::yield();
    }
    feeder.join();
    for (int i = 0; i < total; ++i) {
        ASSERT_EQ(got[size_t(i)].sequence, uint32_t(i + 1));
        ASSERT_EQ(got[size_t(i)].scanCode, uint32_t(i % 200));
    }
}

TEST(JoystickTest, EnumeratedWithAFirstAxisRangedAndButtons)
{
    Input input;
    EXPECT_EQ(input.joystickCount(), 0);
    EXPECT_EQ(input.joystick(0), nullptr);
    Joystick* pad = input.attachJoystick("pad", 12, 3);
    Joystick* stick = input.attachJoystick("stick", 200, 9);
    ASSERT_EQ(input.joystickCount(), 2);
    EXPECT_EQ(input.joystick(0), pad);
    EXPECT_EQ(input.joystick(1), stick);
    EXPECT_EQ(stick->buttonCount(), 128);
    EXPECT_EQ(stick->axisCount(), 6);

    JoystickState s;
    EXPECT_EQ(pad->poll(), INPUT_NOT_ACQUIRED);
    EXPECT_EQ(pad->state(&s), INPUT_NOT_ACQUIRED);
    ASSERT_EQ(pad->setFirstAxisRange(-1000, 1000), INPUT_OK);
    EXPECT_EQ(pad->setAxisRange(1, 5, 5), INPUT_INVALID_PARAMS);
    EXPECT_EQ(pad->setAxisRange(3, 0, 10), INPUT_INVALID_PARAMS); // it has three axes
    ASSERT_EQ(pad->acquire(), INPUT_OK);
    ASSERT_EQ(pad->poll(), INPUT_OK);
    pad->setAxis(0, 32767);
    pad->setAxis(1, -32768);
    pad->setButton(3, true);
    pad->setButton(12, true); // it has twelve
    ASSERT_EQ(pad->state(&s), INPUT_OK);
    EXPECT_EQ(s.x, 1000);
    EXPECT_EQ(s.y, 0);
    EXPECT_EQ(s.z, 32768); // the middle of 0..65535
    EXPECT_EQ(s.rx, 0);    // no such axis
    EXPECT_EQ(s.buttons[3], 0x80);
    EXPECT_EQ(s.buttons[12], 0);
    pad->setAxis(0, -32768);
    ASSERT_EQ(pad->state(&s), INPUT_OK);
    EXPECT_EQ(s.x, -1000);
    pad->setAxis(0, 0);
    ASSERT_EQ(pad->state(&s), INPUT_OK);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(pad->state(nullptr), INPUT_INVALID_PARAMS);

    pad->loseDevice();
    EXPECT_EQ(pad->poll(), INPUT_LOST);
    EXPECT_EQ(pad->acquire(), INPUT_OK);
    pad->unplug();
    EXPECT_EQ(pad->poll(), INPUT_LOST);
    EXPECT_EQ(pad->acquire(), INPUT_ACQUIRE_REFUSED);
    EXPECT_EQ(input.joystickCount(), 1);
    EXPECT_EQ(input.joystick(0), stick);
}

} // namespace
