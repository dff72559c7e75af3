#pragma once
#include "base/Geometry.h"
#include "graphics/WindowLayers.h"

#include <cstdint>
#include <memory>
#include <vector>

class CSurface;

// One copy of a rectangle of the main screen waiting to be shown in the
// second window: when it was taken, its pixels, and where it was on the
// main screen.
class CSurfaceInfo {
public:
    CSurfaceInfo(uint32_t time, std::unique_ptr<CDirectDrawSurface> copy, const CXRect& rect);
    ~CSurfaceInfo();
    CSurfaceInfo(const CSurfaceInfo&) = delete;
    CSurfaceInfo& operator=(const CSurfaceInfo&) = delete;

    uint32_t time;
    std::unique_ptr<CDirectDrawSurface> surface;
    CXRect rect;
};

// Mirrors the main window's picture into the second window, a fixed number
// of milliseconds late. Every rectangle the main surface copies to the
// screen is also copied into a surface of its own with the time (update);
// every frame, redraw shows in the second window the copies whose delay
// has passed, in the order they were taken. The newest copy always waits,
// so the second window lags at least one copy behind. Main thread only.
class CSecondaryDisplay : public CSecondaryDisplayIfc {
public:
    // The second window's surface (platform window 1) of the main window's
    // screen size.
    CSecondaryDisplay(CWindowHandle secondWindow, CWindow* window, int delay);
    // Deletes the copies waiting without showing them.
    ~CSecondaryDisplay() override;
    CSecondaryDisplay(const CSecondaryDisplay&) = delete;
    CSecondaryDisplay& operator=(const CSecondaryDisplay&) = delete;

    void update(CDirectDrawSurface* source, CXRect* rect) override;
    void redraw() override;

    CSurface* getSurface() { return surface.get(); }
    int getPendingCount() const { return int(pending.size()); }
    int getDelay() const { return delay; }

private:
    // Copies the source's rectangle into a new surface and keeps it.
    void addSurface(CDirectDrawSurface* source, CXRect* rect);
    // Shows and deletes the copies that are due but one, and returns that
    // one (it stays first in the list); before anything was shown, the
    // first copy; else null.
    CSurfaceInfo* getSurfaceToRedraw();
    // Copies the info's surface to its place in the second window.
    void redraw(CSurfaceInfo* info);
    // The first count copies (all of them for -1), shown first when draw.
    void flush(int count, bool draw);

    CWindowHandle handle;
    std::unique_ptr<CSurface> surface;
    CWindow* window;
    std::vector<std::unique_ptr<CSurfaceInfo>> pending;
    int delay;
    bool firstFrame;
    bool shown; // a copy reached the second window in this redraw
};
