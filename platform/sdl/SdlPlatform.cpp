#include "platform/sdl/SdlPlatform.h"

#include "platform/Cp1250.h"
#include "platform/Debug.h"
#include "platform/Drives.h"
#include "platform/ffmpeg/DecodedVideo.h"
#include "platform/Signals.h"
#include "platform/print/PdfPrint.h"
#include "platform/sdl/SdlScreens.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <string>
#include <vector>

namespace platform {

namespace {

std::atomic<bool> platformAlive{false};

// One SDL audio device of 16-bit stereo frames at the rate SDL gives; its
// callback, on SDL's audio thread, pulls the mixed stream from the mixer.
class SdlAudioDevice : public AudioDevice {
public:
    static std::unique_ptr<AudioDevice> open()
    {
        std::unique_ptr<SdlAudioDevice> d(new SdlAudioDevice);
        SDL_AudioSpec want, have;
        SDL_zero(want);
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &fillAudioStream;
        want.userdata = static_cast<AudioDevice*>(d.get());
        d->id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (!d->id) {
            OutputDebugString((std::string("No sound device: ") + SDL_GetError() + "\n").c_str());
            return nullptr;
        }
        d->rate = uint32_t(have.freq);
        d->mixer.setOutputRate(d->rate);
        SDL_PauseAudioDevice(d->id, 0);
        return std::unique_ptr<AudioDevice>(d.release());
    }
    // The callback has returned for good once the device is closed.
    ~SdlAudioDevice() override { SDL_CloseAudioDevice(id); }

    // The stream keeps the device's own rate, to which the mixer resamples
    // every buffer; the primary format is only kept for those who ask.
    int setPrimaryFormat(const WaveFormat& format) override
    {
        if (!format.isValidPcm())
            return AUDIO_BAD_FORMAT;
        std::lock_guard<std::mutex> guard(formatLock);
        primary = format;
        return AUDIO_OK;
    }

private:
    SdlAudioDevice() {}
    SDL_AudioDeviceID id = 0;
    uint32_t rate = 44100;
};

// ALSA writes its complaints (no card, no such device) straight to the
// terminal; they go to the debugger output with the engine's own. The
// library stays loaded, so SDL's own loading of it finds the handler set.
void alsaLine(const char* file, int line, const char* function, int, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    OutputDebugString((std::string("ALSA ") + (file ? file : "") + ":" + std::to_string(line) + " " +
                       (function ? function : "") + ": " + text + "\n")
                          .c_str());
}

void quietAlsa()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    static bool done = false;
    if (done)
        return;
    done = true;
    if (void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL))
        if (void* set = dlsym(alsa, "snd_lib_error_set_handler"))
            reinterpret_cast<int (*)(Handler)>(set)(&alsaLine);
}

// A box shown over the main window gets the keyboard, so that Escape closes
// it, also where no window manager gives it the focus (a kiosk): on X11 the
// focus follows the pointer while the box shows, and the pointer is put on
// the box, which SDL centres across its parent and puts a third of the
// remaining height from the top, so that a third of the way down the
// parent lies in it. The X library is the one SDL loaded.
void focusTheBoxOver(SDL_Window* parent)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!parent || !SDL_GetWindowWMInfo(parent, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    void* setFocus = x11 ? dlsym(x11, "XSetInputFocus") : nullptr;
    if (setFocus) {
        const long pointerRoot = 1; // PointerRoot, also the focus to revert to
        reinterpret_cast<int (*)(void*, unsigned long, int, unsigned long)>(setFocus)(info.info.x11.display,
                                                                                    pointerRoot, int(pointerRoot), 0);
    }
    if (x11)
        dlclose(x11);
    int w = 0, h = 0;
    SDL_GetWindowSize(parent, &w, &h);
    SDL_WarpMouseInWindow(parent, w / 2, h / 3);
}

#if defined(__SANITIZE_ADDRESS__)
#define QUARNEL_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUARNEL_LEAK_CHECKED 1
#endif
#endif

// Under the leak checker, the system's libraries that SDL loaded (the
// graphics driver above all) stay loaded when SDL lets go of them: what
// they still hold in their own data when the program ends is theirs, and
// unloaded they would leave it to be reported as leaked, with no name to
// tell whose it is. Ours, beside the program, are unloaded as ever.
void keepSystemLibrariesLoaded()
{
#ifdef QUARNEL_LEAK_CHECKED
    char* ours = realpath(toHostPath(executableFolder()).c_str(), nullptr);
    if (!ours)
        return;
    const std::string beside = std::string(ours) + "/";
    std::free(ours);
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* found) {
            if (info->dlpi_name && info->dlpi_name[0] == '/')
                static_cast<std::vector<std::string>*>(found)->push_back(info->dlpi_name);
            return 0;
        },
        &names);
    for (const std::string& name : names) {
        char* real = realpath(name.c_str(), nullptr);
        const bool isOurs = real && std::string(real).compare(0, beside.size(), beside) == 0;
        std::free(real);
        if (!isOurs)
            dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
#endif
}

// DirectInput's mouse buttons: left, right, middle, then the extra ones.
int mouseButton(Uint8 sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return sdlButton <= 8 ? sdlButton - 1 : -1;
    }
}

void deliver(WindowProcedure* procedure, WindowMessage::Kind kind, int window, int x = 0, int y = 0, int value = 0)
{
    if (!procedure)
        return;
    WindowMessage m;
    m.kind = kind;
    m.window = window;
    m.x = x;
    m.y = y;
    m.value = value;
    procedure->windowMessage(m);
}

} // namespace

void fillAudioStream(void* device, uint8_t* stream, int bytes)
{
    if (!stream || bytes <= 0)
        return;
    int frames = device ? bytes / 4 : 0;
    if (frames > 0)
        static_cast<AudioDevice*>(device)->getMixer().mix(reinterpret_cast<int16_t*>(stream), frames);
    std::memset(stream + frames * 4, 0, size_t(bytes - frames * 4));
}

SdlPlatform::SdlPlatform() : screens(std::make_shared<SdlScreens>()), theDisplay(makeSdlDisplay(screens))
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0)
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            openJoystick(i);
    lastPump = SDL_GetTicks();
}

SdlPlatform::~SdlPlatform()
{
    for (auto& j : joysticks) {
        j.second.second->unplug();
        SDL_JoystickClose(static_cast<SDL_Joystick*>(j.second.first));
    }
    joysticks.clear();
    screens->closeAll();
    keepSystemLibrariesLoaded();
    SDL_Quit();
    platformAlive = false;
}

Display& SdlPlatform::display() { return *theDisplay; }

std::unique_ptr<AudioDevice> SdlPlatform::createAudioDevice()
{
    if (!audioStarted) {
        quietAlsa();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            OutputDebugString((std::string("No sound: ") + SDL_GetError() + "\n").c_str());
            return nullptr;
        }
        audioStarted = true;
    }
    return SdlAudioDevice::open();
}

std::unique_ptr<PrintJob> SdlPlatform::choosePrinter()
{
    return createSystemPrintJob(PrintDeadline::after(printServerLimitMs()), hostPrintFolder());
}

void SdlPlatform::printDocument(std::function<void(PrintJob&)> draw) { spooler.print(std::move(draw)); }

std::unique_ptr<VideoStream> SdlPlatform::openVideo(const std::string& enginePath, AudioDevice* audio)
{
    return openDecodedVideo(enginePath, *currentClock(), audio);
}

int SdlPlatform::messageBox(const std::string& caption, const std::string& text)
{
    std::string c = cp1250ToUtf8(caption), t = cp1250ToUtf8(text);
    std::string line = "Quarnel: " + c + ": " + t + "\n";
    OutputDebugString(line.c_str());
    SdlScreens::Slot* main = screens->slot(0);
    ForkedWait box;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, c.c_str(), t.c_str(), main ? main->window : nullptr) != 0 &&
        !box.endAsked())
        std::fputs(line.c_str(), stderr);
    // The box took the keys and buttons released meanwhile.
    releaseEverything();
    return 1;
}

void* SdlPlatform::createMainWindow(int window, const std::string& caption, bool windowed, Point position)
{
    if (!screens->open(window, cp1250ToUtf8(caption), windowed, position)) {
        OutputDebugString((std::string("The window cannot be made: ") + SDL_GetError() + "\n").c_str());
        return nullptr;
    }
    return screens->slot(window)->window;
}

int SdlPlatform::chooseCommand(const std::string& caption, const std::string& text,
                               const std::vector<MenuCommand>& commands)
{
    std::vector<std::string> texts;
    for (const MenuCommand& c : commands)
        texts.push_back(cp1250ToUtf8(c.text));
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (size_t i = 0; i < commands.size(); ++i)
        buttons.push_back(SDL_MessageBoxButtonData{0, commands[i].id, texts[i].c_str()});
    buttons.push_back(SDL_MessageBoxButtonData{SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"});
    std::string c = cp1250ToUtf8(caption), t = cp1250ToUtf8(text);
    SdlScreens::Slot* main = screens->slot(0);
    SDL_MessageBoxData box;
    SDL_zero(box);
    box.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = main ? main->window : nullptr;
    box.title = c.c_str();
    box.message = t.c_str();
    box.numbuttons = int(buttons.size());
    box.buttons = buttons.data();
    int chosen = 0;
    focusTheBoxOver(box.window);
    // The box's copy of the program goes when a signal asks the program
    // to end: nothing is chosen, and the title's end runs.
    ForkedWait shown;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        chosen = 0;
        if (!shown.endAsked())
            std::fprintf(stderr, "Quarnel: the menu cannot be shown: %s\n", SDL_GetError());
    } else if (chosen < 0) {
        chosen = 0;
    }
    if (main)
        SDL_SetWindowInputFocus(main->window);
    releaseEverything();
    return chosen;
}

uint32_t SdlPlatform::windowId(int window)
{
    SdlScreens::Slot* s = screens->slot(window);
    return s ? SDL_GetWindowID(s->window) : 0;
}

bool SdlPlatform::readEvents(WindowProcedure* procedure)
{
    focusChange = 0;
    // A frame presented with vertical sync has waited for the display
    // already; otherwise this pump waits for the display's frame time.
    bool pace = !screens->takePresentedWithVsync();
    SDL_Event e;
    while (SDL_PollEvent(&e))
        handle(&e, procedure);
    if (pace) {
        Uint32 due = lastPump + Uint32(1000 / screens->refreshRate());
        for (int32_t left; (left = int32_t(due - SDL_GetTicks())) > 0;)
            if (SDL_WaitEventTimeout(&e, left))
                handle(&e, procedure);
    }
    lastPump = SDL_GetTicks();

    // The program is active while one of its windows has the focus; a
    // window system that never reports the focus leaves it active.
    if (focusChange != 0) {
        SDL_Window* focused = SDL_GetKeyboardFocus();
        bool nowActive = focusChange > 0 || (focused && screens->indexOf(SDL_GetWindowID(focused)) >= 0);
        if (nowActive != active) {
            active = nowActive;
            deliver(procedure, WindowMessage::ACTIVATE, 0, 0, 0, active ? 1 : 0);
        }
    }
    followCursor();
    return true;
}

void SdlPlatform::handle(const void* event, WindowProcedure* procedure)
{
    const SDL_Event& e = *static_cast<const SDL_Event*>(event);
    Mouse& mouse = devices.mouse();
    switch (e.type) {
    case SDL_QUIT:
        deliver(procedure, WindowMessage::CLOSE, 0);
        break;
    case SDL_WINDOWEVENT: {
        int window = screens->indexOf(e.window.windowID);
        if (window < 0)
            break;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: deliver(procedure, WindowMessage::CLOSE, window); break;
        case SDL_WINDOWEVENT_MOVED: {
            screens->moved(window);
            Point p = screens->clientOrigin(window);
            deliver(procedure, WindowMessage::MOVE, window, p.x, p.y);
            break;
        }
        case SDL_WINDOWEVENT_EXPOSED: screens->showAgain(window); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: focusChange = 1; break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            focusChange = -1;
            releaseEverything();
            break;
        default: break;
        }
        break;
    }
    case SDL_MOUSEMOTION: {
        Point p = toMainClient(screens->indexOf(e.motion.windowID), e.motion.x, e.motion.y);
        mouse.moveTo(p.x, p.y);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        Point p = toMainClient(screens->indexOf(e.button.windowID), e.button.x, e.button.y);
        mouse.moveTo(p.x, p.y);
        int button = mouseButton(e.button.button);
        if (button < 0)
            break;
        mouse.button(button, down);
        heldButtons = down ? heldButtons | 1u << button : heldButtons & ~(1u << button);
        // Every second click of a run is a double click, as Windows counts them.
        if (down && button == 0 && e.button.clicks >= 2 && e.button.clicks % 2 == 0) {
            SDL_Keymod mod = SDL_GetModState();
            int flags = MK_LBUTTON | (heldButtons & 2 ? MK_RBUTTON : 0) | (heldButtons & 4 ? MK_MBUTTON : 0) |
                        (mod & KMOD_SHIFT ? MK_SHIFT : 0) | (mod & KMOD_CTRL ? MK_CONTROL : 0);
            deliver(procedure, WindowMessage::DOUBLE_CLICK, 0, p.x, p.y, flags);
        }
        break;
    }
    case SDL_MOUSEWHEEL: {
        int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (notches)
            mouse.wheel(notches * 120);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // DirectInput reports changes of state only, never the repeats.
        if (e.key.repeat)
            break;
        bool down = e.type == SDL_KEYDOWN;
        if (uint32_t code = scanCodeFromSdl(e.key.keysym.scancode))
            devices.keyboard().key(code, down);
        if (down && (e.key.keysym.scancode == SDL_SCANCODE_APPLICATION ||
                     (e.key.keysym.scancode == SDL_SCANCODE_F10 && (e.key.keysym.mod & KMOD_SHIFT))))
            deliver(procedure, WindowMessage::MENU, 0);
        break;
    }
    case SDL_JOYDEVICEADDED: openJoystick(e.jdevice.which); break;
    case SDL_JOYDEVICEREMOVED: {
        auto it = joysticks.find(e.jdevice.which);
        if (it != joysticks.end()) {
            it->second.second->unplug();
            SDL_JoystickClose(static_cast<SDL_Joystick*>(it->second.first));
            joysticks.erase(it);
        }
        break;
    }
    case SDL_JOYAXISMOTION: {
        auto it = joysticks.find(e.jaxis.which);
        if (it != joysticks.end())
            it->second.second->setAxis(e.jaxis.axis, e.jaxis.value);
        break;
    }
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: {
        auto it = joysticks.find(e.jbutton.which);
        if (it != joysticks.end())
            it->second.second->setButton(e.jbutton.button, e.type == SDL_JOYBUTTONDOWN);
        break;
    }
    default: break;
    }
}

void SdlPlatform::releaseEverything()
{
    devices.keyboard().releaseAll();
    for (int b = 0; b < 8; ++b)
        if (heldButtons & 1u << b)
            devices.mouse().button(b, false);
    heldButtons = 0;
}

// The window system's cursor follows what the engine asked of the mouse.
void SdlPlatform::followCursor()
{
    Mouse& mouse = devices.mouse();
    bool show = mouse.isCursorShown();
    if (show != cursorShown) {
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
        cursorShown = show;
    }
    SdlScreens::Slot* main = screens->slot(0);
    Point warp;
    // The cursor is put where the engine asked only while the program has
    // the focus.
    if (mouse.takeCursorWarp(&warp) && main && active) {
        int x, y;
        SDL_RenderLogicalToWindow(main->renderer, float(warp.x), float(warp.y), &x, &y);
        SDL_WarpMouseInWindow(main->window, x, y);
    }
    Rect r;
    bool clip = mouse.cursorClip(&r);
    bool same = clip == cursorClipped && (!clip || (r.left == appliedClip.left && r.top == appliedClip.top &&
                                                    r.right == appliedClip.right && r.bottom == appliedClip.bottom));
    if (same || !main)
        return;
    cursorClipped = clip;
    appliedClip = r;
#if SDL_VERSION_ATLEAST(2, 0, 18)
    // The rectangle is in the window's pixels, the clip in the frame's.
    int left, top, right, bottom;
    SDL_RenderLogicalToWindow(main->renderer, float(r.left), float(r.top), &left, &top);
    SDL_RenderLogicalToWindow(main->renderer, float(r.right), float(r.bottom), &right, &bottom);
    SDL_Rect area{left, top, right - left, bottom - top};
    SDL_SetWindowMouseRect(main->window, clip && !r.isEmpty() ? &area : nullptr);
#endif
}

void SdlPlatform::openJoystick(int deviceIndex)
{
    if (joysticks.count(SDL_JoystickGetDeviceInstanceID(deviceIndex)))
        return;
    SDL_Joystick* j = SDL_JoystickOpen(deviceIndex);
    if (!j)
        return;
    const char* name = SDL_JoystickName(j);
    Joystick* device = devices.attachJoystick(utf8ToCp1250(name ? name : "Joystick"), SDL_JoystickNumButtons(j),
                                              SDL_JoystickNumAxes(j));
    joysticks[SDL_JoystickInstanceID(j)] = {j, device};
}

// The mouse is read in the main window's client coordinates, also over the
// second window.
Point SdlPlatform::toMainClient(int window, int x, int y)
{
    if (window <= 0)
        return Point{x, y};
    Point from = screens->clientOrigin(window), to = screens->clientOrigin(0);
    return Point{x + from.x - to.x, y + from.y - to.y};
}

std::unique_ptr<Platform> createSdlPlatform(std::string* why)
{
    if (platformAlive.exchange(true)) {
        if (why)
            *why = "an SDL platform is already running";
        return nullptr;
    }
    // A click that gives the window the focus is a click too, as on Windows.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    // The joystick devices follow the controller whatever window is in
    // front; whether the title reads them then is the engine's matter.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // The signals that end a program are the program's (platform::EndSignals),
    // with a window or without one.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (why)
            *why = SDL_GetError();
        SDL_Quit();
        platformAlive = false;
        return nullptr;
    }
    return std::unique_ptr<Platform>(new SdlPlatform());
}

} // namespace platform
