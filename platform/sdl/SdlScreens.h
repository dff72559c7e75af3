#pragma once
#include "platform/Display.h"

#include <SDL.h>

#include <memory>
#include <string>

// The SDL backend's windows and what shows a frame in them; shared by the
// platform, its display and the primaries it made, all on the thread that
// made the windows.
namespace platform {

class SdlPrimary;

class SdlScreens : public std::enable_shared_from_this<SdlScreens> {
public:
    enum { WINDOWS = 2, CLIENT_WIDTH = 800, CLIENT_HEIGHT = 600 };

    struct Slot {
        SDL_Window* window = nullptr;
        SDL_Renderer* renderer = nullptr;
        bool vsync = false;
        SDL_Texture* texture = nullptr; // the last frame shown, shown again when the window is exposed
        Uint32 textureFormat = 0;
        Size textureSize;
        SdlPrimary* primary = nullptr; // the live primary of this window, if any
    };

    ~SdlScreens() { closeAll(); }

    // Opens a window (an open one keeps its place and only changes mode);
    // false with SDL's error when it cannot be made.
    bool open(int index, const std::string& captionUtf8, bool windowed, Point position);
    // Full screen at the desktop's size with a logical size scaled to fit,
    // or back to a window of the client size.
    bool setFullscreen(int index, bool fullscreen, Size logical);
    // The bounds of the screen a window is on (the first screen's for -1).
    SDL_Rect screenBounds(int index);
    void closeAll();

    Slot* slot(int index) { return index >= 0 && index < WINDOWS && slots[index].window ? &slots[index] : nullptr; }
    // The window of an SDL window id: 0, 1, or -1.
    int indexOf(Uint32 windowId);
    // Where the client area of a window starts on the screen.
    Point clientOrigin(int index);

    // Puts the frame (15, 16 or 32 bits) on the window.
    int present(int index, const class Surface& frame);
    // Shows the last frame again (the window was exposed).
    void showAgain(int index);

    // A frame went to a window whose renderer waits for the vertical blank
    // since the last pump (which clears it).
    bool takePresentedWithVsync()
    {
        bool was = presentedWithVsync;
        presentedWithVsync = false;
        return was;
    }
    // The display's refresh rate in Hz (60 when it does not tell).
    int refreshRate();

    // A window moved: its primary follows, in screen coordinates.
    void moved(int index);

private:
    bool makeRenderer(Slot& s, bool withVsync);
    Slot slots[WINDOWS];
    bool presentedWithVsync = false;
};

// The display over those windows.
std::unique_ptr<Display> makeSdlDisplay(std::shared_ptr<SdlScreens> screens);

} // namespace platform
