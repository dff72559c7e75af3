#pragma once
#include "platform/Platform.h"
#include "platform/print/PrintSpooler.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

// The SDL backend: real windows, sound through SDL audio and input from
// SDL's events, on the system clock. Engine code reaches it only as a
// Platform (createSdlPlatform); this header is for the tests that drive
// its translation of events and its audio callback.
//
// - Windows: the main window and the second one (at (1024, 0)) have an
//   800x600 client area, or the main one takes the full screen
//   (SDL_WINDOW_FULLSCREEN_DESKTOP) and shows the frame scaled to fit with
//   its aspect kept. A primary is shown through a streaming texture in its
//   own pixel format (RGB565, RGB555, or XRGB8888 for 32 bits), with
//   vertical sync where the renderer offers it; the desktop depth is 16, as
//   any depth can be shown that way.
// - Events are read on the thread that made the windows, once a frame
//   (pumpEvents): mouse, keys and joysticks go to the input devices, in
//   client coordinates and DirectInput scan codes; focus, closing, moves,
//   double clicks and the menu key become window messages. Losing the focus
//   releases every key and mouse button that was down.
// - pumpEvents waits for the display's next frame when no frame was
//   presented with vertical sync since the last call, so that the host's
//   loop never spins (an inactive window, a renderer without vsync).
// - Sound: each audio device is an SDL audio device of 16-bit stereo frames
//   whose callback pulls from the device's mixer at the device's own rate.
// - The periodic timers run on their thread with the system clock, as do
//   the times of videos (decoded, DecodedVideo.h). Printing goes to the
//   default printer, or into a PDF file in the print folder when there is
//   none or the print server does not take it in time; the printer is
//   found and takes the document on a thread of its own.
namespace platform {

// The DirectInput scan code of an SDL scancode, 0 for a key without one.
uint32_t scanCodeFromSdl(int sdlScancode);

// The SDL audio callback: fills `bytes` bytes of 16-bit stereo frames from
// the mixer of `device` (an AudioDevice*); a part frame at the end is
// silence.
void fillAudioStream(void* device, uint8_t* stream, int bytes);

class SdlScreens;

class SdlPlatform : public Platform {
public:
    // After SDL's video started; the caller made sure of that.
    SdlPlatform();
    ~SdlPlatform() override;

    const char* name() const override { return "sdl"; }
    Display& display() override;
    Input& input() override { return devices; }
    std::unique_ptr<AudioDevice> createAudioDevice() override;
    PeriodicTimers& timers() override { return periodic; }
    std::unique_ptr<VideoStream> openVideo(const std::string& enginePath, AudioDevice* audio) override;
    // The default printer without asking (SDL has no print dialog), or a
    // PDF in the print folder when there is none (PdfPrint.h). The printer
    // is looked up here, within the print server's time limit.
    std::unique_ptr<PrintJob> choosePrinter() override;
    // Hands the document to the spooler and returns at once: the printer is
    // looked up and takes it on the spooler's thread (PrintSpooler.h).
    void printDocument(std::function<void(PrintJob&)> draw) override;
    int messageBox(const std::string& caption, const std::string& text) override;
    void* createMainWindow(int window, const std::string& caption, bool windowed, Point position) override;
    int chooseCommand(const std::string& caption, const std::string& text,
                      const std::vector<MenuCommand>& commands) override;

    // Whether the window of that index is open, and its SDL window id (0
    // when it is not), for tests that push events at it.
    uint32_t windowId(int window);
    // Whether the program counts as active (it does until a window loses
    // the focus).
    bool isActive() const { return active; }

protected:
    bool readEvents(WindowProcedure* procedure) override;

private:
    void handle(const void* event, WindowProcedure* procedure);
    void releaseEverything();
    void followCursor();
    void openJoystick(int deviceIndex);
    Point toMainClient(int window, int x, int y);

    std::shared_ptr<SdlScreens> screens;
    std::unique_ptr<Display> theDisplay;
    Input devices;
    PeriodicTimers periodic;
    PrintSpooler spooler;
    bool audioStarted = false;
    bool active = true;
    int focusChange = 0; // +1 a window gained the focus in this pump, -1 lost it
    unsigned heldButtons = 0;
    uint32_t lastPump = 0;
    bool cursorShown = true;
    bool cursorClipped = false;
    Rect appliedClip;
    std::map<int32_t, std::pair<void*, Joystick*>> joysticks; // SDL instance id: (SDL_Joystick*, device)
};

} // namespace platform
