#pragma once

// An input device the engine window polls: the keyboard, the mouse and the
// script joystick. tick reads the device and queues its events; it runs on
// the window's input thread under the window lock (or in the frame tick
// when the window has no input thread). flushSignals hands the queued
// events to the window's handlers, always on the main thread; the frame
// tick passes true. Pollers add themselves with CWindow::addIPoller and
// take themselves out with removeIPoller before they go.
class CInputPoller {
public:
    virtual void tick() = 0;
    virtual void flushSignals(bool deliver) = 0;

protected:
    ~CInputPoller() = default;
};
