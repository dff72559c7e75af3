#pragma once
#include "base/Language.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "graphics/InputPoller.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CKeyboardMapper;
class CWindow;
namespace platform {
class Keyboard;
struct KeyRecord;
}

// The system keyboard read in buffered mode, in DirectInput scan codes.
// tick (the window's input thread, or the frame tick without one) turns
// the device's records into queues of key-downs, key-ups and keys whose
// characters are to be typed; flushSignals (the frame tick) hands them to
// the window's OnKeyDown, OnKeyUp and OnChar, all key-downs first, then the
// key-ups, then the characters, at most once every 10 ms. Both run under
// the window lock when there is an input thread, which is what guards the
// queues.
//
// With auto-repeat on (at first) a held key is delivered again, with its
// character, at every flush until it is released; off, each press is
// delivered once. Characters come from the engine's own scan-code table
// with shift, and a mapper chosen by the window's language; keys without
// a character (Enter, the arrows...) give key-downs and key-ups only.
//
// The window makes the one keyboard and deletes it; it follows the
// window's language object as it changes (initLanguage).
class CKeyboard : public CXObject, public CInputPoller, public CKeyboardLanguageIfc {
public:
    // Records the device keeps between two reads; no character.
    enum { BUFFER_SIZE = 1024, NO_CHAR = 0xFF };
    // The least time between two deliveries, in milliseconds.
    enum { FLUSH_INTERVAL = 10 };

    // Acquires the device (nothing without a platform), picks the mapper
    // and joins the window's pollers.
    explicit CKeyboard(CWindow* window);
    // Leaves the pollers and the language object, drops the queues and
    // releases the device.
    ~CKeyboard() override;
    CKeyboard(const CKeyboard&) = delete;
    CKeyboard& operator=(const CKeyboard&) = delete;

    // Makes the mapper of the window's language again.
    void initLanguage() override;
    // Reads the device. A failed read loses that tick's records and
    // acquires the device once; the next tick tries again.
    void tick() override;
    // Delivers (deliver true) or drops the queues; nothing when the last
    // delivery was less than 10 ms ago.
    void flushSignals(bool deliver) override;
    // The character of a scan code, typed at once (CWindow::OnChar) when
    // there is one and the mapper takes it.
    void onChar(int code);

    // Whether the key of that name is down, by the keys' state as last
    // read: "left", "up", "down", "right", "lshift", "rshift", "shift",
    // "lctrl", "rctrl", "ctrl", "lalt", "ralt", "alt", "space" in any case,
    // or a name whose first character is a space, a digit of the top row
    // or an upper-case letter. Any thread.
    bool isKeyPressed(const CXString& name);
    bool isAnyKeyPressed();
    void setAutoRepeat(bool on) { autoRepeat = on; }
    bool isAutoRepeat() const { return autoRepeat; }
    CKeyboardMapper* getMapper() { return mapper.get(); }

private:
    // A queued key. With auto-repeat a key-down or character stays queued
    // once delivered; a key released before its first delivery is still
    // delivered once.
    struct Queued {
        uint8_t code;
        bool delivered;
        bool released;
    };
    void keyDown(int code);
    void keyUp(int code);
    // Takes the delivery list of a queue and keeps what auto-repeat keeps.
    void take(std::vector<Queued>& queue, std::vector<int>& out);
    static void markReleased(std::vector<Queued>& queue, int code);
    // The character of the code with the modifier keys as they are now,
    // NO_CHAR for a key without one.
    unsigned char getChar(int code);
    bool stateOf(int code) const { return (states[code].load(std::memory_order_relaxed) & 0x80) != 0; }

    CWindow* window;
    CLanguageOSVer* language;
    platform::Keyboard* device;
    std::atomic<bool> autoRepeat{true};
    std::atomic<uint8_t> states[256];
    std::vector<Queued> pressed;
    std::vector<int> released;
    std::vector<Queued> characters;
    std::unique_ptr<CKeyboardMapper> mapper;
    std::vector<platform::KeyRecord> records;
    // What one delivery hands on; kept to allocate once.
    std::vector<int> downs, ups, typed;
    bool flushing = false;
    bool flushedOnce = false;
    uint32_t lastFlush = 0;
};
