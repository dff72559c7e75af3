#pragma once
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "platform/Print.h"
#include "platform/Timers.h"
#include "platform/Video.h"

#include <memory>
#include <string>

namespace platform {

// One backend of the platform layer, chosen when the host starts: it hands
// out the display, the input devices, the sound device, the periodic
// timers, video streams, print jobs and message boxes. Engine code reaches
// the one in use through currentPlatform() and includes no backend's
// header; the backends live in platform/<name>/.
//
// Backends: "headless" (no window and no sound device; surfaces are
// memory, sound is mixed as a manual clock moves, input is fed by whoever
// drives the run) and, later, "sdl".
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
    // Tells the user something (caption and text in code page 1250) and
    // returns once it was seen: 1, the OK button. A headless run never
    // waits: the message goes to the log (standard error).
    virtual int messageBox(const std::string& caption, const std::string& text) = 0;
    // Handles the window system's events (input goes to the devices); false
    // once the user closed the window. The host calls it once a frame.
    virtual bool pumpEvents() { return true; }
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

} // namespace platform
