// The SDL backend under SDL's dummy video and audio drivers: its key table,
// the events it turns into input records and window messages (pushed with
// SDL_PushEvent as the window system would send them), the frames it
// presents, its audio callback and a virtual joystick.
#ifdef QUARNEL_WITH_SDL
#include "platform/sdl/SdlPlatform.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using namespace platform;

struct Recorded : WindowProcedure {
    std::vector<WindowMessage> messages;
    void windowMessage(const WindowMessage& m) override { messages.push_back(m); }
};

class SdlPlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void SetUp() override
    {
        std::string why;
        made = createSdlPlatform(&why);
        ASSERT_NE(made, nullptr) << why;
        sdl = static_cast<SdlPlatform*>(made.get());
        ASSERT_NE(sdl->createMainWindow(0, "Quarnel test", true, Point{0, 0}), nullptr);
        window = sdl->windowId(0);
        ASSERT_NE(window, 0u);
        sdl->input().keyboard().acquire();
        sdl->input().mouse().acquire();
    }
    void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
    void pushWindowEvent(Uint8 what)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = window;
        e.window.event = what;
        push(e);
    }
    void pushKey(SDL_Scancode code, bool down, bool repeat = false, Uint16 mod = 0)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = window;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.scancode = code;
        e.key.keysym.mod = mod;
        push(e);
    }
    void pushButton(Uint8 button, bool down, int x, int y, Uint8 clicks = 1)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = window;
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = clicks;
        e.button.x = x;
        e.button.y = y;
        push(e);
    }
    std::vector<KeyRecord> keys()
    {
        KeyRecord r[64];
        int n = 0;
        sdl->input().keyboard().read(r, 64, &n);
        return std::vector<KeyRecord>(r, r + n);
    }
    std::vector<MouseRecord> mouseRecords()
    {
        MouseRecord r[64];
        int n = 0;
        sdl->input().mouse().read(r, 64, &n);
        return std::vector<MouseRecord>(r, r + n);
    }

    std::unique_ptr<Platform> made;
    SdlPlatform* sdl = nullptr;
    Uint32 window = 0;
    Recorded procedure;
};

TEST(SdlKeyTableTest, SdlScancodesBecomeDirectInputScanCodes)
{
    const std::pair<int, uint32_t> cases[] = {
        {SDL_SCANCODE_ESCAPE, 0x01},    {SDL_SCANCODE_1, 0x02},       {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_BACKSPACE, 0x0E}, {SDL_SCANCODE_TAB, 0x0F},     {SDL_SCANCODE_Q, 0x10},
        {SDL_SCANCODE_P, 0x19},         {SDL_SCANCODE_RETURN, 0x1C},  {SDL_SCANCODE_LCTRL, 0x1D},
        {SDL_SCANCODE_A, 0x1E},         {SDL_SCANCODE_L, 0x26},       {SDL_SCANCODE_LSHIFT, 0x2A},
        {SDL_SCANCODE_Z, 0x2C},         {SDL_SCANCODE_M, 0x32},       {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_LALT, 0x38},      {SDL_SCANCODE_SPACE, 0x39},   {SDL_SCANCODE_CAPSLOCK, 0x3A},
        {SDL_SCANCODE_F1, 0x3B},        {SDL_SCANCODE_F10, 0x44},     {SDL_SCANCODE_F11, 0x57},
        {SDL_SCANCODE_F12, 0x58},       {SDL_SCANCODE_KP_7, 0x47},    {SDL_SCANCODE_KP_0, 0x52},
        {SDL_SCANCODE_KP_PERIOD, 0x53}, {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_RCTRL, 0x9D}, {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_HOME, 0xC7},      {SDL_SCANCODE_UP, 0xC8},      {SDL_SCANCODE_PAGEUP, 0xC9},
        {SDL_SCANCODE_LEFT, 0xCB},      {SDL_SCANCODE_RIGHT, 0xCD},   {SDL_SCANCODE_END, 0xCF},
        {SDL_SCANCODE_DOWN, 0xD0},      {SDL_SCANCODE_PAGEDOWN, 0xD1}, {SDL_SCANCODE_INSERT, 0xD2},
        {SDL_SCANCODE_DELETE, 0xD3},    {SDL_SCANCODE_APPLICATION, 0xDD}, {SDL_SCANCODE_PRINTSCREEN, 0xB7},
        // No DirectInput code, or not a scancode at all.
        {SDL_SCANCODE_UNKNOWN, 0},      {SDL_SCANCODE_F24, 0},        {-1, 0},
        {SDL_NUM_SCANCODES, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(scanCodeFromSdl(c.first), c.second) << "SDL scancode " << c.first;
}

TEST_F(SdlPlatformTest, KeysBecomeRecordsWithoutRepeatsAndGoUpWhenTheFocusGoes)
{
    pushKey(SDL_SCANCODE_A, true);
    pushKey(SDL_SCANCODE_A, true, true); // auto-repeat: no record
    pushKey(SDL_SCANCODE_A, false);
    pushKey(SDL_SCANCODE_LSHIFT, true);
    pushKey(SDL_SCANCODE_UP, true);
    ASSERT_TRUE(sdl->pumpEvents(&procedure));
    std::vector<KeyRecord> r = keys();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].scanCode, 0x1Eu);
    EXPECT_EQ(r[0].data, 0x80u);
    EXPECT_EQ(r[1].scanCode, 0x1Eu);
    EXPECT_EQ(r[1].data, 0u);
    EXPECT_EQ(r[2].scanCode, 0x2Au);
    EXPECT_EQ(r[3].scanCode, 0xC8u);
    EXPECT_TRUE(sdl->input().keyboard().isShiftDown());
    EXPECT_TRUE(procedure.messages.empty());

    // Losing the focus lets go of the keys and the buttons held, and the
    // program becomes inactive; gaining it back makes it active.
    pushButton(SDL_BUTTON_RIGHT, true, 5, 6);
    ASSERT_TRUE(sdl->pumpEvents(&procedure));
    mouseRecords();
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    ASSERT_TRUE(sdl->pumpEvents(&procedure));
    r = keys();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].data + r[1].data, 0u);
    EXPECT_FALSE(sdl->input().keyboard().isShiftDown());
    std::vector<MouseRecord> m = mouseRecords();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].offset, uint32_t(MOUSE_BUTTON1));
    EXPECT_EQ(m[0].data, 0);
    ASSERT_EQ(procedure.messages.size(), 1u);
    EXPECT_EQ(procedure.messages[0].kind, WindowMessage::ACTIVATE);
    EXPECT_EQ(procedure.messages[0].value, 0);
    EXPECT_FALSE(sdl->isActive());
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    ASSERT_TRUE(sdl->pumpEvents(&procedure));
    ASSERT_EQ(procedure.messages.size(), 2u);
    EXPECT_EQ(procedure.messages[1].value, 1);
}

TEST_F(SdlPlatformTest, TheMouseInClientCoordinatesButtonsWheelAndDoubleClicks)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.x = 100;
    e.motion.y = 50;
    push(e);
    pushButton(SDL_BUTTON_LEFT, true, 100, 50);
    pushButton(SDL_BUTTON_LEFT, false, 100, 50);
    pushButton(SDL_BUTTON_MIDDLE, true, 102, 50);
    SDL_zero(e);
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window;
    e.wheel.y = -2;
    push(e);
    pushButton(SDL_BUTTON_LEFT, true, 102, 50, 2);
    ASSERT_TRUE(sdl->pumpEvents(&procedure));

    struct Want {
        uint32_t offset;
        int32_t data;
        int32_t x;
    };
    const Want want[] = {{MOUSE_X, 100, 100},    {MOUSE_Y, 50, 100},     {MOUSE_BUTTON0, 0x80, 100},
                         {MOUSE_BUTTON0, 0, 100}, {MOUSE_X, 2, 102},      {MOUSE_BUTTON2, 0x80, 102},
                         {MOUSE_WHEEL, -240, 102}, {MOUSE_BUTTON0, 0x80, 102}};
    std::vector<MouseRecord> r = mouseRecords();
    ASSERT_EQ(r.size(), sizeof want / sizeof want[0]);
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].offset, want[i].offset) << i;
        EXPECT_EQ(r[i].data, want[i].data) << i;
        EXPECT_EQ(r[i].x, want[i].x) << i;
        EXPECT_EQ(r[i].y, 50) << i;
    }
    EXPECT_EQ(sdl->input().mouse().cursorPosition().x, 102);

    // The second click of the pair is also a double click for the host.
    ASSERT_EQ(procedure.messages.size(), 1u);
    const WindowMessage& m = procedure.messages[0];
    EXPECT_EQ(m.kind, WindowMessage::DOUBLE_CLICK);
    EXPECT_EQ(m.x, 102);
    EXPECT_EQ(m.y, 50);
    EXPECT_EQ(m.value, MK_LBUTTON | MK_MBUTTON);
}

TEST_F(SdlPlatformTest, WindowEventsAndTheMenuKeyBecomeWindowMessages)
{
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    pushKey(SDL_SCANCODE_F10, true, false, KMOD_LSHIFT);
    pushKey(SDL_SCANCODE_F10, true); // F10 alone is a key of the title's
    pushKey(SDL_SCANCODE_APPLICATION, true);
    SDL_Event quit;
    SDL_zero(quit);
    quit.type = SDL_QUIT;
    push(quit);
    WindowMessage posted;
    posted.kind = WindowMessage::COMMAND;
    posted.value = 40004;
    sdl->postWindowMessage(posted);
    ASSERT_TRUE(sdl->pumpEvents(&procedure));
    const WindowMessage::Kind want[] = {WindowMessage::CLOSE, WindowMessage::MENU, WindowMessage::MENU,
                                        WindowMessage::CLOSE, WindowMessage::COMMAND};
    ASSERT_EQ(procedure.messages.size(), sizeof want / sizeof want[0]);
    for (size_t i = 0; i < procedure.messages.size(); ++i)
        EXPECT_EQ(procedure.messages[i].kind, want[i]) << i;
    EXPECT_EQ(procedure.messages[4].value, 40004);
    // Without a procedure the messages are dropped.
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_TRUE(sdl->pumpEvents());
}

TEST_F(SdlPlatformTest, APumpWithoutAFrameWaitsForTheDisplaysFrameTime)
{
    sdl->pumpEvents();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        sdl->pumpEvents();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    // Five frames of at most 50 ms (at least 20 Hz), at least 2 ms each.
    EXPECT_GE(ms.count(), 10);
    EXPECT_LE(ms.count(), 1000);
}

// The pixel at (x, y) of what the window shows, as 0x00RRGGBB.
uint32_t shownPixel(Uint32 windowId, int x, int y)
{
    SDL_Renderer* r = SDL_GetRenderer(SDL_GetWindowFromID(windowId));
    SDL_Rect one{x, y, 1, 1};
    Uint32 pixel = 0;
    SDL_RenderReadPixels(r, &one, SDL_PIXELFORMAT_RGB888, &pixel, 4);
    return pixel & 0xFFFFFF;
}

TEST_F(SdlPlatformTest, PrimariesPresentTheirPixelsAtEveryDepth)
{
    Display& display = sdl->display();
    EXPECT_EQ(display.desktopDepth(), 16);
    int error = -1;
    std::unique_ptr<Primary> windowed = display.createWindowed(0, Size{800, 600}, &error);
    ASSERT_NE(windowed, nullptr);
    EXPECT_EQ(error, DISPLAY_OK);
    EXPECT_FALSE(windowed->isFullscreen());
    EXPECT_EQ(windowed->bitsPerPixel(), 16);
    windowed->fill(nullptr, 0xF800); // red
    ASSERT_EQ(windowed->present(), DISPLAY_OK);
    EXPECT_EQ(shownPixel(window, 10, 10), 0xFF0000u);
    EXPECT_EQ(shownPixel(window, 799, 599), 0xFF0000u);
    windowed.reset();

    for (int depth : {15, 32}) {
        std::unique_ptr<Primary> full = display.createFullscreen(Size{800, 600}, depth, true, &error);
        ASSERT_NE(full, nullptr) << depth;
        EXPECT_TRUE(full->isFullscreen());
        ASSERT_TRUE(full->hasBackBuffer());
        full->backBuffer()->fill(nullptr, Surface::fromRgb(0x0000FF, depth));
        ASSERT_EQ(full->flip(), DISPLAY_OK);
        EXPECT_EQ(full->framesShown(), 1u);
        int w = 0, h = 0;
        SDL_GetWindowSize(SDL_GetWindowFromID(window), &w, &h);
        EXPECT_EQ(shownPixel(window, w / 2, h / 2), 0x0000FFu) << depth;
    }
    EXPECT_EQ(display.createFullscreen(Size{800, 600}, 24, false, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_INVALID_PARAMS);
    EXPECT_EQ(display.createWindowed(2, Size{800, 600}, &error), nullptr);
    EXPECT_EQ(error, DISPLAY_UNAVAILABLE);
}

TEST_F(SdlPlatformTest, TheCursorFollowsTheMouseDevice)
{
    sdl->input().mouse().showCursor(false);
    sdl->pumpEvents();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    sdl->input().mouse().showCursor(true);
    sdl->pumpEvents();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    Rect clip(10, 20, 110, 220);
    sdl->input().mouse().clipCursor(&clip);
    sdl->pumpEvents();
    const SDL_Rect* applied = SDL_GetWindowMouseRect(SDL_GetWindowFromID(window));
    ASSERT_NE(applied, nullptr);
    EXPECT_EQ(applied->x, 10);
    EXPECT_EQ(applied->y, 20);
    EXPECT_EQ(applied->w, 100);
    EXPECT_EQ(applied->h, 200);
    sdl->input().mouse().clipCursor(nullptr);
    sdl->pumpEvents();
    EXPECT_EQ(SDL_GetWindowMouseRect(SDL_GetWindowFromID(window)), nullptr);
    // Put where the engine asks; the motion that tells of it queues no
    // record, the device's cursor being there already.
    sdl->input().mouse().setCursorPosition(Point{30, 40});
    sdl->pumpEvents();
    sdl->pumpEvents();
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    int n = -1;
    MouseRecord records[4];
    EXPECT_EQ(sdl->input().mouse().read(records, 4, &n), INPUT_OK);
    EXPECT_EQ(n, 0);
}

TEST_F(SdlPlatformTest, AVirtualJoystickIsAttachedFedAndUnplugged)
{
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* ours = SDL_JoystickOpen(index);
    ASSERT_NE(ours, nullptr);
    sdl->pumpEvents();
    ASSERT_EQ(sdl->input().joystickCount(), 1);
    Joystick* j = sdl->input().joystick(0);
    EXPECT_EQ(j->buttonCount(), 4);
    EXPECT_EQ(j->axisCount(), 2);
    ASSERT_EQ(j->setFirstAxisRange(-1000, 1000), INPUT_OK);
    ASSERT_EQ(j->acquire(), INPUT_OK);

    SDL_JoystickSetVirtualAxis(ours, 0, 32767);
    SDL_JoystickSetVirtualButton(ours, 2, SDL_PRESSED);
    sdl->pumpEvents();
    JoystickState s;
    ASSERT_EQ(j->state(&s), INPUT_OK);
    EXPECT_EQ(s.x, 1000);
    EXPECT_EQ(s.buttons[2], 0x80);
    EXPECT_EQ(s.buttons[0], 0);

    SDL_JoystickClose(ours);
    SDL_JoystickDetachVirtual(index);
    sdl->pumpEvents();
    EXPECT_EQ(sdl->input().joystickCount(), 0);
    EXPECT_EQ(j->poll(), INPUT_LOST);
}

// A buffer of a constant sample: the callback hands its frames to SDL, and
// what does not fill a whole frame is silence.
TEST(SdlAudioTest, TheCallbackFillsTheStreamFromTheMixer)
{
    AudioDevice device;
    ASSERT_EQ(device.setPrimaryFormat(WaveFormat::pcm(2, 22050, 16)), AUDIO_OK);
    int error = 0;
    std::unique_ptr<SoundBuffer> b = device.createBuffer(22050 * 2, WaveFormat::pcm(1, 22050, 16), &error);
    ASSERT_NE(b, nullptr);
    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(b->lock(0, 0, &p1, &n1, &p2, &n2, true), AUDIO_OK);
    for (uint32_t i = 0; i < n1 / 2; ++i)
        static_cast<int16_t*>(p1)[i] = 1000;
    b->unlock(p1, n1, p2, n2);
    ASSERT_EQ(b->play(true), AUDIO_OK);

    std::vector<uint8_t> stream(4 * 100 + 3, 0xAB);
    fillAudioStream(&device, stream.data(), int(stream.size()));
    const int16_t* frames = reinterpret_cast<const int16_t*>(stream.data());
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(frames[i], 1000) << i;
    EXPECT_EQ(stream[400], 0);
    EXPECT_EQ(stream[402], 0);
    uint32_t play = 0, write = 0;
    b->getCurrentPosition(&play, &write);
    EXPECT_EQ(play, 200u); // 100 frames of 2 bytes

    std::vector<uint8_t> silent(64, 0xAB);
    fillAudioStream(nullptr, silent.data(), int(silent.size()));
    EXPECT_EQ(silent, std::vector<uint8_t>(64, 0));
}

TEST_F(SdlPlatformTest, TheSoundDevicePullsFromItsMixerInRealTime)
{
    std::unique_ptr<AudioDevice> device = sdl->createAudioDevice();
    ASSERT_NE(device, nullptr);
    // The device keeps its own rate whatever primary format is asked.
    uint32_t rate = device->getMixer().outputRate();
    ASSERT_EQ(device->setPrimaryFormat(WaveFormat::pcm(1, 22050, 16)), AUDIO_OK);
    EXPECT_EQ(device->getMixer().outputRate(), rate);
    EXPECT_EQ(device->primaryFormat().samplesPerSec, 22050u);
    EXPECT_EQ(device->setPrimaryFormat(WaveFormat::pcm(3, 22050, 16)), AUDIO_BAD_FORMAT);

    int error = 0;
    std::unique_ptr<SoundBuffer> b = device->createBuffer(22050 * 2 * 10, WaveFormat::pcm(1, 22050, 16), &error);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->play(false), AUDIO_OK);
    uint32_t play = 0, write = 0;
    for (int i = 0; i < 200 && play == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        b->getCurrentPosition(&play, &write);
    }
    EXPECT_GT(play, 0u);
}

} // namespace
#endif
