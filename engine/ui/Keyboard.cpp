#include "ui/Keyboard.h"

#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "ui/KeyboardMapper.h"

#include <algorithm>
#include <cstring>

namespace {

// The character of each scan code that has one, before shift and the
// mapper: letters upper case, the keypad's digits and signs as the main
// row's.
struct CharTable {
    unsigned char chars[256];
    CharTable()
    {
        std::memset(chars, CKeyboard::NO_CHAR, sizeof chars);
        put(0x02, "1234567890-=");
        put(0x10, "QWERTYUIOP()");
        put(0x1E, "ASDFGHJKL");
        put(0x2C, "ZXCVBNM,./");
        put(0x39, " ");
        put(0x47, "789-456+1230");
    }
    void put(int code, const char* text)
    {
        for (; *text; ++text)
            chars[code++] = (unsigned char)*text;
    }
};

const CharTable& charTable()
{
    static const CharTable table;
    return table;
}

// Names of isKeyPressed: one key, or either of two.
const struct {
    const char* name;
    uint8_t code, other;
} keyNames[] = {{"left", 0xCB, 0xCB},  {"up", 0xC8, 0xC8},     {"down", 0xD0, 0xD0},   {"right", 0xCD, 0xCD},
                {"lshift", 0x2A, 0x2A}, {"rshift", 0x36, 0x36}, {"shift", 0x2A, 0x36},  {"lctrl", 0x1D, 0x1D},
                {"rctrl", 0x9D, 0x9D},  {"ctrl", 0x1D, 0x9D},   {"lalt", 0x38, 0x38},   {"ralt", 0xB8, 0xB8},
                {"alt", 0x38, 0xB8},    {"space", 0x39, 0x39}};

} // namespace

CKeyboard::CKeyboard(CWindow* w)
    : window(w), language(w ? w->getLangIfc() : nullptr), device(nullptr), records(BUFFER_SIZE)
{
    for (auto& s : states)
        s.store(0, std::memory_order_relaxed);
    platform::Input* input = window ? window->getDIIfc() : nullptr;
    device = input ? &input->keyboard() : nullptr;
    if (device) {
        device->setBufferSize(BUFFER_SIZE);
        device->acquire();
    }
    initLanguage();
    if (language)
        language->setKeyboard(this);
    if (window)
        window->addIPoller(this);
}

CKeyboard::~CKeyboard()
{
    if (window)
        window->removeIPoller(this);
    if (language)
        language->setKeyboard(nullptr);
    pressed.clear();
    released.clear();
    characters.clear();
    if (device)
        device->unacquire();
}

void CKeyboard::initLanguage() { mapper.reset(CKeyboardMapper::forLanguage(language ? language->getLanguage() : 0)); }

void CKeyboard::tick()
{
    if (!device)
        return;
    int n = 0;
    const int code = device->read(records.data(), BUFFER_SIZE, &n);
    // An overflow lost the newest records, not the ones read.
    if (code != platform::INPUT_OK && code != platform::INPUT_BUFFER_OVERFLOW) {
        // One try a tick: the input thread holds the window lock meanwhile.
        device->acquire();
        return;
    }
    for (int i = 0; i < n; ++i) {
        const int key = int(records[size_t(i)].scanCode & 0xFF);
        if (records[size_t(i)].data & 0x80)
            keyDown(key);
        else
            keyUp(key);
    }
}

// A key already down (its release was lost) queues nothing more.
void CKeyboard::keyDown(int code)
{
    const bool wasDown = stateOf(code);
    states[code].store(0x80, std::memory_order_relaxed);
    if (wasDown)
        return;
    pressed.push_back(Queued{uint8_t(code), false, false});
    characters.push_back(Queued{uint8_t(code), false, false});
}

void CKeyboard::keyUp(int code)
{
    const bool wasDown = stateOf(code);
    states[code].store(0, std::memory_order_relaxed);
    if (!wasDown)
        return;
    if (autoRepeat) {
        markReleased(pressed, code);
        markReleased(characters, code);
    }
    released.push_back(code);
}

// The first entry of the key stops repeating: gone once delivered, else
// delivered once more.
void CKeyboard::markReleased(std::vector<Queued>& queue, int code)
{
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->code != code || it->released)
            continue;
        if (it->delivered)
            queue.erase(it);
        else
            it->released = true;
        return;
    }
}

void CKeyboard::take(std::vector<Queued>& queue, std::vector<int>& out)
{
    out.clear();
    for (const Queued& q : queue)
        out.push_back(q.code);
    if (!autoRepeat) {
        queue.clear();
        return;
    }
    queue.erase(std::remove_if(queue.begin(), queue.end(), [](const Queued& q) { return q.released; }), queue.end());
    for (Queued& q : queue)
        q.delivered = true;
}

void CKeyboard::flushSignals(bool deliver)
{
    const uint32_t now = platform::GetTickCount();
    if (flushing || (flushedOnce && now - lastFlush < FLUSH_INTERVAL))
        return;
    flushedOnce = true;
    lastFlush = now;
    if (pressed.empty() && released.empty() && characters.empty())
        return;
    // The queues are settled before anything is delivered: a behaviour may
    // change the auto-repeat or reach this keyboard again.
    take(pressed, downs);
    ups.swap(released);
    released.clear();
    take(characters, typed);
    if (!deliver || !window)
        return;
    flushing = true;
    for (int code : downs)
        window->OnKeyDown(code, 0);
    for (int code : ups)
        window->OnKeyUp(code, 0);
    for (int code : typed) {
        const unsigned char c = getChar(code);
        if (c != NO_CHAR && mapper->acceptChar(c))
            window->OnChar(c, 0);
    }
    flushing = false;
}

void CKeyboard::onChar(int code)
{
    const unsigned char c = getChar(code);
    if (c != NO_CHAR && mapper->acceptChar(c) && window)
        window->OnChar(c, 0);
}

unsigned char CKeyboard::getChar(int code)
{
    if (code < 0 || code > 255)
        return NO_CHAR;
    unsigned char c = charTable().chars[code];
    if (c == NO_CHAR)
        return NO_CHAR;
    const bool shift = device && device->isShiftDown();
    const bool alt = device && device->isAltDown();
    if (c >= 'A' && c <= 'Z' && !shift)
        c = (unsigned char)(c + 0x20);
    c = mapper->mapChar(c, alt, shift);
    if (shift) {
        switch (c) {
        case ',': return '<';
        case '.': return '>';
        case '/': return '?';
        case '1': return '!';
        default: break;
        }
    }
    return c;
}

bool CKeyboard::isKeyPressed(const CXString& name)
{
    for (const auto& k : keyNames)
        if (name.equalsIgnoreCase(CXString(k.name)))
            return stateOf(k.code) || stateOf(k.other);
    const unsigned char first = (unsigned char)name.GetAt(0);
    if (first != ' ' && !(first >= '0' && first <= '9') && !(first >= 'A' && first <= 'Z'))
        return false;
    // The keys of the main rows only: the keypad's digits come later.
    for (int code = 0; code < 0x40; ++code)
        if (charTable().chars[code] == first)
            return stateOf(code);
    return false;
}

bool CKeyboard::isAnyKeyPressed()
{
    for (int code = 0; code < 256; ++code)
        if (stateOf(code))
            return true;
    return false;
}
