#pragma once
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "platform/Print.h"
#include "platform/Timers.h"
#include "platform/Video.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// What the window system tells the host about its windows, beside the
// input that the devices carry: the host's window procedure answers these.
struct WindowMessage {
    enum Kind {
        ACTIVATE,     // value 1: the program became the active one; 0: another program did
        CLOSE,        // the user closed a window, or the session asked the program to end
        MOVE,         // x, y: the client area's new top-left corner on the screen
        DOUBLE_CLICK, // x, y: a left double click in client coordinates; value: the MK_ flags
        COMMAND,      // value: the id of a menu command
        MENU          // the user asked for the program's menu
    };
    Kind kind = CLOSE;
    int window = 0; // 0 the main window, 1 the second window
    int x = 0;
    int y = 0;
    int value = 0;
};

// The flags of a double click: which buttons and keys were down.
enum : int { MK_LBUTTON = 0x1, MK_RBUTTON = 0x2, MK_SHIFT = 0x4, MK_CONTROL = 0x8, MK_MBUTTON = 0x10 };

class WindowProcedure {
public:
    virtual ~WindowProcedure() {}
    virtual void windowMessage(const WindowMessage& message) = 0;
};

// One command of a menu the host shows (Platform::chooseCommand).
struct MenuCommand {
    std::string text; // code page 1250
    int id = 0;
};

// One backend of the platform layer, chosen when the host starts: it hands
// out the display, the input devices, the sound device, the periodic
// timers, video streams, print jobs and message boxes. Engine code reaches
// the one in use through currentPlatform() and includes no backend's
// header; the backends live in platform/<name>/.
//
// Backends: "headless" (no window and no sound device; surfaces are
// memory, sound is mixed as a manual clock moves, input is fed by whoever
// drives the run) and "sdl" (real windows, sound and input on the system
// clock).
class Platform {
public:
    virtual ~Platform() {}
    virtual const char* name() const = 0;

    virtual Display& display() = 0;
    virtual Input& input() = 0;
    // The sound device, or null when there is none (the title then runs
    // silent). Each call makes a new device object on the same output.
    virtual std::unique_ptr<AudioDevice> createAudioDevice() = 0;
    virtual PeriodicTimers& timers() = 0;
    // Opens a video file named in engine form (Drives.h); null when it
    // cannot be opened or played. Its sound track plays through a sound
    // buffer of `audio` (null: the video is silent), made at once: the
    // device may go before the stream.
    virtual std::unique_ptr<VideoStream> openVideo(const std::string& enginePath, AudioDevice* audio) = 0;
    // Asks the user for a printer; null when the user cancelled or there is
    // no printer.
    virtual std::unique_ptr<PrintJob> choosePrinter() = 0;
    // Prints a document: `draw` puts it on a job of the printer chosen
    // (choosePrinter) and is not called when there is none. Here at once on
    // the calling thread; a backend whose printer is found through a print
    // server (SDL, through CUPS) calls it later on a thread of its own and
    // returns at once, so `draw` must own whatever it prints.
    virtual void printDocument(std::function<void(PrintJob&)> draw);
    // Tells the user something (caption and text in code page 1250) and
    // returns once it was seen: 1, the OK button. A headless run never
    // waits: the message goes to the log (standard error). A signal that
    // asks the program to end ends the wait at once (Signals.h).
    virtual int messageBox(const std::string& caption, const std::string& text) = 0;
    // Makes one of the host's windows: 0 the main window, 1 the second
    // window of the secondary display; windowed with an 800x600 client area
    // at that screen position, or the full screen; the caption in code page
    // 1250. An opaque handle for the engine window, or null when the backend
    // has no windows (headless) or the window cannot be made.
    virtual void* createMainWindow(int window, const std::string& caption, bool windowed, Point position);
    // Offers the user a menu of commands (the caption and text in code page
    // 1250) and returns the id of the one chosen, 0 when none was (a
    // backend without a display never asks; a signal that asks the program
    // to end closes the menu at once).
    virtual int chooseCommand(const std::string& caption, const std::string& text,
                              const std::vector<MenuCommand>& commands);

    // Handles the window system's events, once a frame on the thread that
    // made the windows: input goes to the devices, window messages and the
    // posted ones to the procedure (dropped when it is null). A backend that
    // presents no frame by itself waits here for the display's next frame,
    // so that a loop of frames never spins. False when the window system
    // failed and the program cannot go on.
    bool pumpEvents(WindowProcedure* procedure = nullptr);
    // Queues a message for the procedure of the next pumpEvents; any thread.
    void postWindowMessage(const WindowMessage& message);

protected:
    // The backend's part of pumpEvents, before the posted messages.
    virtual bool readEvents(WindowProcedure*) { return true; }

private:
    std::mutex postedLock;
    std::deque<WindowMessage> posted;
};

// The backend in use, or null when none was installed (a program or test
// that never made one: it has no display, sound or input). The caller of
// setPlatform keeps ownership.
Platform* currentPlatform();
void setPlatform(Platform* platform);

// Installs a backend for the lifetime of the object.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform* platform) : previous(currentPlatform()) { setPlatform(platform); }
    ~ScopedPlatform() { setPlatform(previous); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous;
};

// The headless backend following that manual clock (which the caller keeps
// and, to make a run repeatable, installs as the current clock too).
std::unique_ptr<Platform> createHeadlessPlatform(ManualClock& clock);

// The SDL backend on the system clock, or null with *why set when there is
// no display to open (SDL's video does not start) or the engine was built
// without SDL. One at a time, made and used on the program's main thread.
std::unique_ptr<Platform> createSdlPlatform(std::string* why);

} // namespace platform
