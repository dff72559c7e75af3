#include "graphics/Surface.h"

#include "graphics/BppConversionTable.h"
#include "graphics/Window.h"
#include "graphics/WindowLayers.h"
#include "platform/Platform.h"

#include <algorithm>
#include <vector>

namespace {

platform::Rect toRect(const CXRect& r) { return platform::Rect(r.left, r.top, r.right, r.bottom); }

// Display surfaces alive, so that a drawable can be recognised as one
// without asking its type. Made and deleted on the main thread.
std::vector<CGraphicsObject*>& liveSurfaces()
{
    static std::vector<CGraphicsObject*> list;
    return list;
}

// A colour as a pixel value of that depth: 15 and 16 as words, 32 as
// 0x00RRGGBB (the colour's own 32-bit form keeps the channels in other
// bytes than a 32-bit surface does).
uint32_t pixelValue(const CColor& colour, int depth)
{
    if (depth != 32)
        return uint32_t(colour.GetInBPP(depth)) & 0xFFFF;
    const uint32_t v = uint32_t(colour.getPixel());
    switch (colour.getModel()) {
    case COLORMODEL_15:
        return platform::Surface::toRgb(v & 0xFFFF, 15);
    case COLORMODEL_16:
        return platform::Surface::toRgb(v & 0xFFFF, 16);
    default:
        return ((v >> 8) & 0xFF) << 16 | ((v >> 16) & 0xFF) << 8 | ((v >> 24) & 0xFF);
    }
}

} // namespace

// CSurface

CSurface::CSurface(int window, CXSize clientSize)
    : size(clientSize), bpp(0), screen(nullptr), windowed(true), backBuffer(nullptr), secondary(nullptr)
{
    platform::Platform* p = platform::currentPlatform();
    int error = platform::DISPLAY_UNAVAILABLE;
    if (p)
        primary = p->display().createWindowed(window, platform::Size{size.cx, size.cy}, &error);
    if (!primary) {
        setErrorCode(error ? error : platform::DISPLAY_UNAVAILABLE);
        return;
    }
    bpp = primary->bitsPerPixel();
    prepareBppConversionTable(bpp);
}

CSurface::CSurface(CXSize& requested, int& depth, bool pageFlipping)
    : size(requested), bpp(depth), screen(nullptr), windowed(false), backBuffer(nullptr), secondary(nullptr)
{
    platform::Platform* p = platform::currentPlatform();
    int error = platform::DISPLAY_UNAVAILABLE;
    if (p)
        primary = p->display().createFullscreen(platform::Size{size.cx, size.cy}, depth, pageFlipping, &error);
    if (!primary) {
        setErrorCode(error ? error : platform::DISPLAY_UNAVAILABLE);
        return;
    }
    backBuffer = primary->backBuffer();
    // The depth the display gave, which the caller's back buffer takes.
    bpp = depth = primary->bitsPerPixel();
    prepareBppConversionTable(bpp);
}

CSurface::~CSurface()
{
    releaseBppConversionTable();
    backBuffer = nullptr;
    primary.reset();
}

CXPoint CSurface::GetClientOrigin() const
{
    if (!primary)
        return CXPoint();
    platform::Point o = primary->clientOrigin();
    return CXPoint(o.x, o.y);
}

bool CSurface::IsLost() const { return primary && (primary->isLost() || (backBuffer && backBuffer->isLost())); }

int CSurface::result(int code)
{
    setErrorCode(code);
    return code;
}

int CSurface::Lock()
{
    if (!primary)
        return result(platform::DISPLAY_UNAVAILABLE);
    uint8_t* pixels = nullptr;
    int code = primary->lock(&pixels);
    if (code == platform::DISPLAY_SURFACE_LOST) {
        primary->restore();
        code = primary->lock(&pixels);
    }
    if (code == platform::DISPLAY_OK)
        screen = reinterpret_cast<char*>(pixels);
    return result(code);
}

int CSurface::UnLock() { return result(primary ? primary->unlock() : platform::DISPLAY_UNAVAILABLE); }

template <class CopyStep>
int CSurface::toScreen(CDirectDrawSurface* source, CopyStep copy)
{
    source->restoreIfLost();
    int code = copy();
    if (code == platform::DISPLAY_SURFACE_LOST && primary->isLost()) {
        primary->restore();
        code = copy();
    }
    return result(code);
}

int CSurface::Blt(CDirectDrawSurface* source, int x, int y, CXRect* sourceRect)
{
    platform::Surface* s = source ? source->GetDirectDrawSurfaceInterface() : nullptr;
    if (!primary || !s)
        return result(platform::DISPLAY_INVALID_PARAMS);
    platform::Rect r = sourceRect ? toRect(*sourceRect) : platform::Rect(0, 0, s->width(), s->height());
    int code = toScreen(source, [&] { return primary->copyFast(x, y, *s, &r); });
    if (windowed && secondary) {
        CXRect copied(r.left, r.top, r.right, r.bottom);
        secondary->update(source, &copied);
    }
    return code;
}

int CSurface::Blt(CDirectDrawSurface* source, CXRect* destination, CXRect* sourceRect)
{
    platform::Surface* s = source ? source->GetDirectDrawSurfaceInterface() : nullptr;
    if (!primary || !s)
        return result(platform::DISPLAY_INVALID_PARAMS);
    CXPoint o = GetClientOrigin();
    platform::Rect d = destination ? toRect(*destination) : platform::Rect(o.x, o.y, o.x + size.cx, o.y + size.cy);
    platform::Rect r = sourceRect ? toRect(*sourceRect) : platform::Rect(0, 0, s->width(), s->height());
    int code = toScreen(source, [&] { return primary->copy(d, *s, &r); });
    if (windowed && secondary) {
        CXRect copied(r.left, r.top, r.right, r.bottom);
        secondary->update(source, &copied);
    }
    return code;
}

int CSurface::BltEach(CDirectDrawSurface* source, CXPoint at, const CXRect* sourceRects, int count)
{
    platform::Surface* s = source ? source->GetDirectDrawSurfaceInterface() : nullptr;
    if (!primary || !s)
        return result(platform::DISPLAY_INVALID_PARAMS);
    std::vector<platform::Rect> rects;
    rects.reserve(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        rects.push_back(toRect(sourceRects[i]));
    int code = toScreen(source, [&] { return primary->copyFastEach(at.x, at.y, *s, rects.data(), count); });
    if (windowed && secondary)
        for (int i = 0; i < count; ++i) {
            CXRect copied(sourceRects[i]);
            secondary->update(source, &copied);
        }
    return code;
}

int CSurface::Flip()
{
    if (!primary)
        return result(platform::DISPLAY_UNAVAILABLE);
    int code = primary->flip();
    if (code == platform::DISPLAY_SURFACE_LOST)
        primary->restore();
    return result(code);
}

void CSurface::BeginFrame()
{
    if (primary)
        primary->beginFrame();
}

int CSurface::Present()
{
    if (!primary)
        return result(platform::DISPLAY_UNAVAILABLE);
    int code = primary->present();
    if (code == platform::DISPLAY_SURFACE_LOST)
        primary->restore();
    return result(code);
}

int CSurface::waitForVB() { return result(primary ? primary->waitForVerticalBlank() : platform::DISPLAY_UNAVAILABLE); }

// CDirectDrawSurface

void CDirectDrawSurface::construct()
{
    restoreWith = nullptr;
    surface = nullptr;
    // The pixels are the surface's: the drawable never frees them.
    ownsPixels = false;
    liveSurfaces().push_back(this);
}

CDirectDrawSurface::CDirectDrawSurface(CWindow* owner) : CGraphicsObject(owner) { construct(); }

CDirectDrawSurface::CDirectDrawSurface(CWindow* owner, platform::Surface* wrapped, CXSize size, int depth)
    : CGraphicsObject(owner)
{
    construct();
    if (wrapped) {
        adopt(wrapped, false);
        return;
    }
    width = size.cx;
    height = size.cy;
    bpp = depth;
    create_surface(true);
}

CDirectDrawSurface::CDirectDrawSurface(CWindow* owner, CXSize size, int depth, bool videoMemory)
    : CGraphicsObject(owner)
{
    construct();
    width = size.cx;
    height = size.cy;
    bpp = depth;
    create_surface(videoMemory);
}

CDirectDrawSurface::~CDirectDrawSurface()
{
    letGo();
    std::vector<CGraphicsObject*>& live = liveSurfaces();
    live.erase(std::find(live.begin(), live.end(), static_cast<CGraphicsObject*>(this)));
}

CDirectDrawSurface* CDirectDrawSurface::asSurface(CGraphicsObject* drawable)
{
    const std::vector<CGraphicsObject*>& live = liveSurfaces();
    if (!drawable || std::find(live.begin(), live.end(), drawable) == live.end())
        return nullptr;
    return static_cast<CDirectDrawSurface*>(drawable);
}

bool CDirectDrawSurface::create_surface(bool videoMemory)
{
    // Video memory only when the command line allows it ("vmem"); every
    // surface is memory here, so it is a hint to the platform.
    const bool preferVideo = videoMemory && window && window->isVMem();
    int error = platform::DISPLAY_INVALID_PARAMS;
    std::unique_ptr<platform::Surface> made;
    if (platform::Platform* p = platform::currentPlatform())
        made = p->display().createSurface(width, height, bpp, preferVideo, &error);
    else
        made = platform::Surface::create(width, height, bpp, &error);
    if (!made) {
        setErrorCode(error);
        return false;
    }
    adopt(made.release(), true);
    return true;
}

void CDirectDrawSurface::adopt(platform::Surface* other, bool owner)
{
    letGo();
    surface = other;
    if (owner)
        owned.reset(other);
    width = other->width();
    height = other->height();
    bpp = other->bitsPerPixel();
    pitch = other->pitch() / other->bytesPerPixel();
    dataSize = other->pitch() * other->height();
    GetDataPtr();
}

void CDirectDrawSurface::letGo()
{
    data = nullptr;
    surface = nullptr;
    owned.reset();
}

void CDirectDrawSurface::SetDirectDrawSurfaceInterface(platform::Surface* other)
{
    if (other)
        adopt(other, false);
    else
        letGo();
}

char* CDirectDrawSurface::GetDataPtr()
{
    if (data || !surface)
        return data;
    uint8_t* pixels = nullptr;
    int code = surface->lock(&pixels);
    if (code == platform::DISPLAY_SURFACE_LOST) {
        surface->restore();
        code = surface->lock(&pixels);
    }
    if (code != platform::DISPLAY_OK)
        return nullptr;
    // The memory stays where it is after the unlock.
    surface->unlock();
    data = reinterpret_cast<char*>(pixels);
    pitch = surface->pitch() / surface->bytesPerPixel();
    return data;
}

void CDirectDrawSurface::Release()
{
    if (surface)
        surface->unlock();
}

void CDirectDrawSurface::restoreIfLost()
{
    if (!surface || !surface->isLost())
        return;
    surface->restore();
    if (restoreWith) {
        restoreWith->SetDestiny(this);
        restoreWith->Redraw();
    }
}

int CDirectDrawSurface::copyResult(int code)
{
    setErrorCode(code);
    return code;
}

template <class CopyStep>
int CDirectDrawSurface::copyInto(CDirectDrawSurface* source, CopyStep copy)
{
    source->restoreIfLost();
    int code = copy();
    if (code == platform::DISPLAY_SURFACE_LOST && surface->isLost()) {
        restoreIfLost();
        code = copy();
    }
    return copyResult(code);
}

int CDirectDrawSurface::Blt(CDirectDrawSurface* source, int px, int py, CXRect* sourceRect)
{
    platform::Surface* s = source ? source->surface : nullptr;
    if (!surface || !s)
        return copyResult(platform::DISPLAY_INVALID_PARAMS);
    platform::Rect r(0, 0, s->width(), s->height());
    if (sourceRect && (sourceRect->Width() > s->width() || sourceRect->Height() > s->height())) {
        px = (sourceRect->Width() - s->width()) >> 1;
        py = (sourceRect->Height() - s->height()) >> 1;
    } else if (sourceRect) {
        r = toRect(*sourceRect);
    }
    return copyInto(source, [&] { return surface->copyFast(px, py, *s, &r); });
}

int CDirectDrawSurface::Blt(CDirectDrawSurface* source, CXRect* destination, CXRect* sourceRect)
{
    platform::Surface* s = source ? source->surface : nullptr;
    if (!surface || !s)
        return copyResult(platform::DISPLAY_INVALID_PARAMS);
    platform::Rect d = destination ? toRect(*destination) : platform::Rect(0, 0, width, height);
    platform::Rect r = sourceRect ? toRect(*sourceRect) : platform::Rect(0, 0, s->width(), s->height());
    return copyInto(source, [&] { return surface->copy(d, *s, &r); });
}

void CDirectDrawSurface::Fill(CColor* colour)
{
    if (surface && colour)
        Fill(CXRect(0, 0, width, height), colour);
}

void CDirectDrawSurface::Fill(CXRect r, CColor* colour)
{
    if (!surface || !colour)
        return;
    platform::Rect area = toRect(r);
    const uint32_t pixel = pixelValue(*colour, bpp);
    restoreIfLost();
    copyResult(surface->fill(&area, pixel));
}

void CDirectDrawSurface::Redraw()
{
    CGraphicsObject* d = destiny;
    if (!d || !surface)
        return;
    const int dw = d->Width(), dh = d->Height();
    if (x <= -dw || x >= dw || y <= -dh || y >= dh)
        return;
    // The visible part: cut where the destiny ends (its own size, which
    // for the screen is 800 x 600).
    CXRect r(x < 1 ? -x : 0, y < 1 ? -y : 0, x + width >= dw ? dw - x : width, y + height >= dh ? dh - y : height);
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    if (CDirectDrawSurface* target = asSurface(d))
        target->Blt(this, x + r.left, y + r.top, &r);
    else if (d->GetBpp() == bpp)
        CGraphicsObject::Redraw();
}
