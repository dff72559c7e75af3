#include "graphics/SecondaryDisplay.h"

#include "graphics/PixelBlock.h"
#include "graphics/Surface.h"
#include "graphics/Window.h"
#include "platform/Clock.h"

#include <algorithm>

namespace {
// The platform's window of the secondary display.
const int SecondWindow = 1;
} // namespace

CSurfaceInfo::CSurfaceInfo(uint32_t t, std::unique_ptr<CDirectDrawSurface> copy, const CXRect& r)
    : time(t), surface(std::move(copy)), rect(r)
{
}

CSurfaceInfo::~CSurfaceInfo() = default;

CSecondaryDisplay::CSecondaryDisplay(CWindowHandle secondWindow, CWindow* owner, int milliseconds)
    : handle(secondWindow), surface(new CSurface(SecondWindow, owner ? owner->GetScreenSize() : CXSize(800, 600))),
      window(owner), delay(milliseconds), firstFrame(true), shown(false)
{
}

CSecondaryDisplay::~CSecondaryDisplay()
{
    flush(-1, false);
    surface.reset();
}

void CSecondaryDisplay::update(CDirectDrawSurface* source, CXRect* rect) { addSurface(source, rect); }

void CSecondaryDisplay::addSurface(CDirectDrawSurface* source, CXRect* rect)
{
    if (!source || !rect || !hasArea(*rect))
        return;
    const int depth = window && window->GetBpp() ? window->GetBpp() : source->GetBpp();
    std::unique_ptr<CDirectDrawSurface> copy(
        new CDirectDrawSurface(window, CXSize(rect->Width(), rect->Height()), depth, true));
    if (!copy->GetDirectDrawSurfaceInterface())
        return;
    CXRect whole(0, 0, rect->Width(), rect->Height());
    copy->Blt(source, &whole, rect);
    pending.emplace_back(new CSurfaceInfo(platform::GetTickCount(), std::move(copy), *rect));
}

CSurfaceInfo* CSecondaryDisplay::getSurfaceToRedraw()
{
    const uint32_t now = platform::GetTickCount();
    const int n = int(pending.size());
    // Due: older than the delay (the difference survives the tick count's
    // wrap).
    auto due = [&](int i) { return int64_t(uint32_t(now - pending[size_t(i)]->time)) > int64_t(delay); };
    int k = 1;
    while (k < n - 1 && due(k - 1))
        ++k;
    if (k > 1) {
        flush(k - 2, true);
        return pending.empty() ? nullptr : pending[0].get();
    }
    if (firstFrame && !pending.empty())
        return pending[0].get();
    return nullptr;
}

void CSecondaryDisplay::redraw()
{
    shown = false;
    if (CSurfaceInfo* info = getSurfaceToRedraw())
        redraw(info);
    // The second window shows what the copies put on its primary.
    if (shown)
        surface->Present();
}

void CSecondaryDisplay::redraw(CSurfaceInfo* info)
{
    if (!surface->GetPrimaryBufferInterface())
        return;
    const CXPoint origin = surface->GetClientOrigin();
    CXRect destination = info->rect + origin;
    // A lost copy comes back empty: nothing can draw it again.
    info->surface->restoreIfLost();
    surface->Blt(info->surface.get(), &destination, nullptr);
    firstFrame = false;
    shown = true;
}

void CSecondaryDisplay::flush(int count, bool draw)
{
    const size_t n = count < 0 ? pending.size() : std::min(size_t(count), pending.size());
    std::vector<std::unique_ptr<CSurfaceInfo>> taken;
    for (size_t i = 0; i < n; ++i)
        taken.push_back(std::move(pending[i]));
    pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(n));
    if (draw)
        for (std::unique_ptr<CSurfaceInfo>& info : taken)
            redraw(info.get());
}

namespace {
struct Registration {
    Registration()
    {
        CWindow::layers().makeSecondaryDisplay = [](CWindowHandle secondWindow, CWindow* window,
                                                    int delay) -> CSecondaryDisplayIfc* {
            return new CSecondaryDisplay(secondWindow, window, delay);
        };
    }
} registration;
} // namespace
