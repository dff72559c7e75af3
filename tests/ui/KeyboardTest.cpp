// The keyboard device on the real road: key records fed to the headless
// platform, read by the window's keyboard in the frame tick and delivered
// through the window to its key listeners: the key-down, key-up and
// character streams, auto-repeat, the 10 ms between deliveries, shift and
// the language mappers, the key state by name, and a lost device.
#include "graphics/ScreenSupport.h"
#include "script/Application.h"
#include "ui/InputListeners.h"
#include "ui/Keyboard.h"
#include "ui/KeyboardMapper.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the window's key listeners hear: "down 30, char a, up 30".
struct Heard : CKeyListener {
    void note(const std::string& s) { log += (log.empty() ? "" : ", ") + s; }
    void onKeyDown(int k) override { note("down " + std::to_string(k)); }
    void onKeyUp(int k) override { note("up " + std::to_string(k)); }
    void onChar(unsigned char c) override
    {
        typed += char(c);
        char text[16];
        std::snprintf(text, sizeof text, c >= 0x20 && c < 0x7F ? "char %c" : "char 0x%02X", c);
        note(text);
    }
    std::string log;
    std::string typed;
};

class CKeyboardTest : public screentest::HeadlessScreen {
protected:
    CKeyboardTest()
    {
        window = makeWindow(false);
        // Without an application the window passes no key-down on.
        application.reset(new CApplication(window.get(), "", "", nullptr));
        window->registerKeyListener(&heard);
    }
    ~CKeyboardTest() override
    {
        window->removeKeyListener(&heard);
        application.reset();
        window.reset();
    }

    CKeyboard* keyboard() { return window->getKeyboardInterface(); }
    platform::Keyboard& keys() { return backend.input().keyboard(); }
    void frame(uint32_t ms = 16)
    {
        clockNow.advance(ms);
        window->Tick();
    }
    // The key goes down and up before the next frame reads the device.
    void tap(uint32_t code)
    {
        keys().key(code, true);
        keys().key(code, false);
    }
    std::string heardSoFar()
    {
        std::string s = heard.log;
        heard.log.clear();
        heard.typed.clear();
        return s;
    }

    std::unique_ptr<CWindow> window;
    std::unique_ptr<CApplication> application;
    Heard heard;
};

TEST_F(CKeyboardTest, AHeldKeyRepeatsAtEveryDeliveryOnlyWithAutoRepeat)
{
    ASSERT_NE(keyboard(), nullptr);
    EXPECT_TRUE(keyboard()->isAutoRepeat());
    for (bool repeat : {true, false}) {
        keyboard()->setAutoRepeat(repeat);
        keys().key(0x1E, true);
        frame();
        frame();
        frame();
        keys().key(0x1E, false);
        frame();
        frame();
        EXPECT_EQ(heardSoFar(), repeat ? "down 30, char a, down 30, char a, down 30, char a, up 30"
                                       : "down 30, char a, up 30")
            << "auto-repeat " << repeat;
    }
}

// Within one delivery all key-downs come first, then the key-ups, then the
// characters. A key pressed and released between two reads is delivered
// once whatever the auto-repeat; Enter has no character.
TEST_F(CKeyboardTest, AKeyTappedBetweenTwoReadsIsDeliveredOnce)
{
    for (bool repeat : {true, false}) {
        keyboard()->setAutoRepeat(repeat);
        tap(0x1E);
        tap(0x1C);
        frame();
        frame();
        EXPECT_EQ(heardSoFar(), "down 30, down 28, up 30, up 28, char a") << "auto-repeat " << repeat;
    }
    // Released after a delivery: repeated until then, and up once.
    keyboard()->setAutoRepeat(true);
    keys().key(0x30, true);
    frame();
    tap(0x30);
    frame();
    EXPECT_EQ(heardSoFar(), "down 48, char b, up 48");
}

TEST_F(CKeyboardTest, DeliveriesAreAtLeastTenMillisecondsApart)
{
    keys().key(0x1E, true);
    frame();
    EXPECT_EQ(heardSoFar(), "down 30, char a");
    frame(5);
    frame(4);
    EXPECT_EQ(heardSoFar(), "");
    frame(1);
    EXPECT_EQ(heardSoFar(), "down 30, char a");
    keys().key(0x1E, false);
    frame(9);
    EXPECT_EQ(heardSoFar(), "");
    frame(1);
    EXPECT_EQ(heardSoFar(), "up 30");
}

// The characters of keys with the modifiers held over the delivery. Caps
// lock changes nothing; shift changes letters and four signs only; alt
// gives the Polish letters of code page 1250.
TEST_F(CKeyboardTest, CharactersOfTheKeysWithShiftAndAlt)
{
    const struct {
        std::vector<uint32_t> held;
        uint32_t key;
        const char* typed;
    } cases[] = {
        {{}, 0x1E, "a"},          {{0x2A}, 0x1E, "A"},      {{0x36}, 0x2C, "Z"},     {{0x2A}, 0x02, "!"},
        {{0x2A}, 0x03, "2"},      {{0x2A}, 0x33, "<"},      {{0x2A}, 0x34, ">"},     {{0x2A}, 0x35, "?"},
        {{0x2A}, 0x0C, "-"},      {{}, 0x0B, "0"},          {{}, 0x1A, "("},         {{}, 0x39, " "},
        {{}, 0x47, "7"},          {{}, 0x52, "0"},          {{}, 0x4E, "+"},         {{}, 0x4A, "-"},
        {{}, 0x1C, ""},           {{}, 0x01, ""},           {{}, 0x0E, ""},          {{}, 0x0F, ""},
        {{}, 0xCB, ""},           {{}, 0x9C, ""},           {{0x1D}, 0x1E, "a"},     {{0x38}, 0x1F, "\x9C"},
        {{0xB8}, 0x1F, "\x9C"},   {{0x38, 0x2A}, 0x1F, "\x8C"}, {{0x38}, 0x2D, "\x9F"}, {{0x38, 0x36}, 0x2C, "\xAF"},
        {{0x38}, 0x15, "y"},      {{0x38}, 0x02, "1"},
    };
    for (const auto& c : cases) {
        for (uint32_t h : c.held)
            keys().key(h, true);
        tap(c.key);
        frame();
        const std::string typed = heard.typed;
        for (uint32_t h : c.held)
            keys().key(h, false);
        frame();
        heardSoFar();
        EXPECT_EQ(typed, c.typed) << "key " << c.key;
    }
    // Caps lock on: still small letters.
    tap(0x3A);
    ASSERT_TRUE(keys().isCapsLockOn());
    tap(0x1E);
    frame();
    EXPECT_EQ(heard.typed, "a");
}

// Czech and Hungarian keyboards swap Y and Z and type letters only, but
// every key still goes down and up; the keyboard follows the language
// object when a script changes the language. Shift is read when the
// characters are delivered.
TEST_F(CKeyboardTest, TheLanguageMappers)
{
    const struct {
        const char* language;
        const char* typed;
    } cases[] = {{"0405", "zYa"}, {"040E", "zYa"}, {"0415", "yZa1 ,"}, {"0409", "yZa1 ,"}};
    for (const auto& c : cases) {
        language.setLanguageFolder(c.language);
        tap(0x15);
        frame();
        keys().key(0x2A, true);
        tap(0x2C);
        frame();
        keys().key(0x2A, false);
        for (uint32_t code : {0x1E, 0x02, 0x39, 0x33})
            tap(code);
        frame();
        EXPECT_EQ(heard.typed, c.typed) << c.language;
        EXPECT_NE(heard.log.find("down 30, down 2, down 57, down 51, up 42, up 30, up 2, up 57, up 51"), std::string::npos)
            << heard.log;
        heardSoFar();
    }
    std::unique_ptr<CKeyboardMapper> czech(CKeyboardMapper::forLanguage(2));
    EXPECT_FALSE(czech->acceptChar(0xB9));
    EXPECT_EQ(czech->mapChar('s', true, false), 's');
}

TEST_F(CKeyboardTest, KeysDownByName)
{
    EXPECT_FALSE(keyboard()->isAnyKeyPressed());
    for (uint32_t code : {0x10, 0x36, 0xB8, 0xCB, 0x39, 0x4F})
        keys().key(code, true);
    // The state follows what the keyboard has read, not the device.
    EXPECT_FALSE(keyboard()->isKeyPressed("Q"));
    frame();
    EXPECT_TRUE(keyboard()->isAnyKeyPressed());
    const struct {
        const char* name;
        bool down;
    } cases[] = {{"Q", true},       {"q", false},     {"QUIT", true},   {"shift", true},  {"SHIFT", true},
                 {"rshift", true},  {"lshift", false}, {"Alt", true},    {"ralt", true},   {"lalt", false},
                 {"ctrl", false},   {"left", true},   {"right", false}, {"space", true},  {" ", true},
                 {"1", false},      {"W", false},     {"", false},      {"!", false},     {"up", false}};
    for (const auto& c : cases)
        EXPECT_EQ(keyboard()->isKeyPressed(c.name), c.down) << '"' << c.name << '"';
    keys().releaseAll();
    frame();
    EXPECT_FALSE(keyboard()->isAnyKeyPressed());
}

// A lost device loses what it held; the keyboard acquires it again once a
// tick, without holding up the frame, until the platform lets it.
TEST_F(CKeyboardTest, ALostDeviceIsAcquiredAgainOnceATick)
{
    keys().key(0x1E, true);
    keys().loseDevice();
    keys().refuseAcquire(2);
    frame();
    frame();
    EXPECT_FALSE(keys().isAcquired());
    frame();
    EXPECT_TRUE(keys().isAcquired());
    EXPECT_EQ(heardSoFar(), "");
    keys().key(0x1E, false);
    tap(0x30);
    frame();
    EXPECT_EQ(heardSoFar(), "down 48, up 48, char b");
}

using CKeyboardThreadTest = screentest::HeadlessScreen;

// The input thread reads the device; the frame tick delivers, under the
// window lock.
TEST_F(CKeyboardThreadTest, AWindowWithAnInputThreadDeliversWhatItsThreadRead)
{
    std::unique_ptr<CWindow> w(new CWindow(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", false));
    ASSERT_TRUE(w->hasInputThread());
    CApplication application(w.get(), "", "", nullptr);
    Heard heard;
    w->registerKeyListener(&heard);
    w->getKeyboardInterface()->setAutoRepeat(false);
    w->OnActivateApp(true);
    auto waitFor = [&](const std::string& log) {
        for (int i = 0; i < 400 && heard.log != log; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            clockNow.advance(16);
            w->Tick();
        }
        EXPECT_EQ(heard.log, log);
    };
    backend.input().keyboard().key(0x1E, true);
    waitFor("down 30, char a");
    backend.input().keyboard().key(0x1E, false);
    waitFor("down 30, char a, up 30");
    w->removeKeyListener(&heard);
}

} // namespace
