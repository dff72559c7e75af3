#include "platform/Display.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

namespace {

// Surfaces above this many pixels are refused rather than allocated (a
// size read from a damaged file must not take the machine's memory).
constexpr int64_t MAX_PIXELS = int64_t(1) << 26;

inline uint32_t readPixel(const uint8_t* p, int bytes)
{
    if (bytes == 4)
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

inline void writePixel(uint8_t* p, int bytes, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    if (bytes == 4) {
        p[2] = uint8_t(v >> 16);
        p[3] = uint8_t(v >> 24);
    }
}

inline uint32_t convert(uint32_t v, int from, int to)
{
    return from == to ? v : Surface::fromRgb(Surface::toRgb(v, from), to);
}

} // namespace

Surface::Surface(int width, int height, int bitsPerPixel) : w(width), h(height), bpp(bitsPerPixel) {}

Surface::~Surface()
{
    if (group)
        group->remove(this);
}

bool Surface::allocate()
{
    pixels.assign(size_t(w) * size_t(h) * size_t(bytesPerPixel()), 0);
    return true;
}

std::unique_ptr<Surface> Surface::create(int width, int height, int bitsPerPixel, int* error)
{
    int code = DISPLAY_OK;
    std::unique_ptr<Surface> s;
    if (width <= 0 || height <= 0 || !isValidDepth(bitsPerPixel))
        code = DISPLAY_INVALID_PARAMS;
    else if (int64_t(width) * height > MAX_PIXELS)
        code = DISPLAY_OUT_OF_MEMORY;
    else {
        s.reset(new (std::nothrow) Surface(width, height, bitsPerPixel));
        if (!s)
            code = DISPLAY_OUT_OF_MEMORY;
        else
            s->allocate();
    }
    if (error)
        *error = code;
    return s;
}

int Surface::lock(uint8_t** out, int* outPitch)
{
    if (!out)
        return DISPLAY_INVALID_PARAMS;
    if (isLost())
        return DISPLAY_SURFACE_LOST;
    willChange();
    ++locks;
    *out = pixels.data();
    if (outPitch)
        *outPitch = pitch();
    return DISPLAY_OK;
}

int Surface::unlock()
{
    if (locks == 0)
        return DISPLAY_NOT_LOCKED;
    --locks;
    return DISPLAY_OK;
}

int Surface::restore()
{
    if (isLost()) {
        willChange();
        std::fill(pixels.begin(), pixels.end(), uint8_t(0));
        lost.store(false, std::memory_order_release);
    }
    return DISPLAY_OK;
}

void Surface::markLost()
{
    lost.store(true, std::memory_order_release);
}

uint32_t Surface::pixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        return 0;
    int bytes = bytesPerPixel();
    return readPixel(pixels.data() + (size_t(y) * size_t(w) + size_t(x)) * size_t(bytes), bytes);
}

uint32_t Surface::toRgb(uint32_t v, int depth)
{
    uint32_t r, g, b;
    switch (depth) {
    case 15:
        r = (v >> 10) & 0x1F;
        g = (v >> 5) & 0x1F;
        b = v & 0x1F;
        r = (r << 3) | (r >> 2);
        g = (g << 3) | (g >> 2);
        b = (b << 3) | (b >> 2);
        break;
    case 16:
        r = (v >> 11) & 0x1F;
        g = (v >> 5) & 0x3F;
        b = v & 0x1F;
        r = (r << 3) | (r >> 2);
        g = (g << 2) | (g >> 4);
        b = (b << 3) | (b >> 2);
        break;
    default:
        return v & 0xFFFFFF;
    }
    return r << 16 | g << 8 | b;
}

uint32_t Surface::fromRgb(uint32_t rgb, int depth)
{
    uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    switch (depth) {
    case 15:
        return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case 16:
        return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    default:
        return rgb & 0xFFFFFF;
    }
}

int Surface::copyFast(int x, int y, const Surface& source, const Rect* sourceRect)
{
    Rect src = sourceRect ? *sourceRect : Rect(0, 0, source.w, source.h);
    return copy(Rect(x, y, x + src.width(), y + src.height()), source, &src);
}

int Surface::copyFastEach(int x, int y, const Surface& source, const Rect* sourceRects, int count)
{
    if (count <= 0)
        return DISPLAY_OK;
    if (!sourceRects)
        return DISPLAY_INVALID_PARAMS;
    if (isLost() || source.isLost())
        return DISPLAY_SURFACE_LOST;
    // A row of one rectangle: where it starts in each surface, how long it
    // is, and the rows it covers here.
    struct Run {
        const uint8_t* from;
        uint8_t* to;
        size_t bytes;
        int top, bottom;
    };
    std::vector<Run> runs;
    int code = DISPLAY_OK;
    const bool sweep = &source != this && source.bpp == bpp;
    for (int i = 0; i < count; ++i) {
        const Rect& src = sourceRects[i];
        if (!sweep) {
            const int one = copyFast(x + src.left, y + src.top, source, &src);
            code = code == DISPLAY_OK ? one : code;
            continue;
        }
        if (src.left < 0 || src.top < 0 || src.right > source.w || src.bottom > source.h || src.right < src.left ||
            src.bottom < src.top) {
            code = code == DISPLAY_OK ? int(DISPLAY_INVALID_RECT) : code;
            continue;
        }
        // Clipped to this surface as copyRect clips.
        const int left = x + src.left - addressOrigin.x, top = y + src.top - addressOrigin.y;
        const int x0 = std::max(left, 0), y0 = std::max(top, 0);
        const int x1 = std::min(left + src.width(), w), y1 = std::min(top + src.height(), h);
        if (x1 <= x0 || y1 <= y0)
            continue;
        const size_t bytes = size_t(bytesPerPixel());
        runs.push_back(Run{source.pixels.data() + (size_t(src.top + y0 - top) * size_t(source.w) +
                                                   size_t(src.left + x0 - left)) * bytes,
                           pixels.data() + (size_t(y0) * size_t(w) + size_t(x0)) * bytes, size_t(x1 - x0) * bytes, y0,
                           y1});
    }
    if (runs.empty())
        return code;
    willChange();
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.top != b.top ? a.top < b.top : a.to < b.to;
    });
    const size_t fromPitch = size_t(source.w) * size_t(source.bytesPerPixel());
    const size_t toPitch = size_t(w) * size_t(bytesPerPixel());
    // The rectangles that cover the row, in the order they start.
    std::vector<Run> active;
    size_t next = 0;
    for (int row = runs.front().top; next < runs.size() || !active.empty(); ++row) {
        if (active.empty())
            row = std::max(row, runs[next].top);
        while (next < runs.size() && runs[next].top == row)
            active.push_back(runs[next++]);
        size_t kept = 0;
        for (Run& r : active) {
            std::memcpy(r.to, r.from, r.bytes);
            r.from += fromPitch;
            r.to += toPitch;
            if (row + 1 < r.bottom)
                active[kept++] = r;
        }
        active.resize(kept);
    }
    return code;
}

int Surface::copy(const Rect& destination, const Surface& source, const Rect* sourceRect)
{
    if (isLost() || source.isLost())
        return DISPLAY_SURFACE_LOST;
    Rect src = sourceRect ? *sourceRect : Rect(0, 0, source.w, source.h);
    if (src.left < 0 || src.top < 0 || src.right > source.w || src.bottom > source.h || src.right < src.left ||
        src.bottom < src.top || destination.right < destination.left || destination.bottom < destination.top)
        return DISPLAY_INVALID_RECT;
    if (src.isEmpty() || destination.isEmpty())
        return DISPLAY_OK;
    Rect dst(destination.left - addressOrigin.x, destination.top - addressOrigin.y,
             destination.right - addressOrigin.x, destination.bottom - addressOrigin.y);
    willChange();
    if (&source == this) {
        // Overlapping parts of one surface: copy from a snapshot of the source.
        std::unique_ptr<Surface> copyOf = create(src.width(), src.height(), bpp);
        if (!copyOf)
            return DISPLAY_OUT_OF_MEMORY;
        copyOf->copyRect(Rect(0, 0, src.width(), src.height()), *this, src);
        return copyRect(dst, *copyOf, Rect(0, 0, src.width(), src.height()));
    }
    return copyRect(dst, source, src);
}

// dst is in this surface's own pixel coordinates; src lies inside source.
// Each destination pixel takes the source pixel its centre falls on, which
// for equal sizes is a plain copy.
int Surface::copyRect(const Rect& dst, const Surface& source, const Rect& src)
{
    int x0 = std::max(dst.left, 0), y0 = std::max(dst.top, 0);
    int x1 = std::min(dst.right, w), y1 = std::min(dst.bottom, h);
    if (x1 <= x0 || y1 <= y0)
        return DISPLAY_OK;
    const int dw = dst.width(), dh = dst.height(), sw = src.width(), sh = src.height();
    const int sb = source.bytesPerPixel(), db = bytesPerPixel();
    const bool straight = dw == sw && dh == sh;
    for (int y = y0; y < y1; ++y) {
        int sy = straight ? src.top + (y - dst.top) : src.top + int((2 * int64_t(y - dst.top) + 1) * sh / (2 * int64_t(dh)));
        const uint8_t* srow = source.pixels.data() + size_t(sy) * size_t(source.w) * size_t(sb);
        uint8_t* drow = pixels.data() + size_t(y) * size_t(w) * size_t(db);
        if (straight && source.bpp == bpp) {
            int sx = src.left + (x0 - dst.left);
            std::memcpy(drow + size_t(x0) * size_t(db), srow + size_t(sx) * size_t(sb), size_t(x1 - x0) * size_t(db));
            continue;
        }
        for (int x = x0; x < x1; ++x) {
            int sx = straight ? src.left + (x - dst.left) : src.left + int((2 * int64_t(x - dst.left) + 1) * sw / (2 * int64_t(dw)));
            uint32_t v = readPixel(srow + size_t(sx) * size_t(sb), sb);
            writePixel(drow + size_t(x) * size_t(db), db, convert(v, source.bpp, bpp));
        }
    }
    return DISPLAY_OK;
}

int Surface::fill(const Rect* rect, uint32_t pixel)
{
    if (isLost())
        return DISPLAY_SURFACE_LOST;
    Rect r = rect ? Rect(rect->left - addressOrigin.x, rect->top - addressOrigin.y, rect->right - addressOrigin.x,
                         rect->bottom - addressOrigin.y)
                  : Rect(0, 0, w, h);
    if (r.right < r.left || r.bottom < r.top)
        return DISPLAY_INVALID_RECT;
    willChange();
    int x0 = std::max(r.left, 0), y0 = std::max(r.top, 0);
    int x1 = std::min(r.right, w), y1 = std::min(r.bottom, h);
    int db = bytesPerPixel();
    for (int y = y0; y < y1; ++y) {
        uint8_t* p = pixels.data() + (size_t(y) * size_t(w) + size_t(x0)) * size_t(db);
        for (int x = x0; x < x1; ++x, p += db)
            writePixel(p, db, pixel);
    }
    return DISPLAY_OK;
}

void SurfaceGroup::add(Surface* surface)
{
    std::lock_guard<std::mutex> guard(lock);
    members.push_back(surface);
    surface->group = shared_from_this();
}

void SurfaceGroup::remove(Surface* surface)
{
    std::lock_guard<std::mutex> guard(lock);
    members.erase(std::remove(members.begin(), members.end(), surface), members.end());
}

void SurfaceGroup::markAllLost()
{
    std::lock_guard<std::mutex> guard(lock);
    for (Surface* s : members)
        s->markLost();
}

int SurfaceGroup::count()
{
    std::lock_guard<std::mutex> guard(lock);
    return int(members.size());
}

Primary::Primary(int width, int height, int bitsPerPixel, Point origin, bool full)
    : Surface(width, height, bitsPerPixel), fullscreen(full)
{
    addressOrigin = origin;
}

bool Primary::allocateWithBackBuffer(bool withBackBuffer)
{
    if (width() <= 0 || height() <= 0 || int64_t(width()) * height() > MAX_PIXELS)
        return false;
    allocate();
    if (withBackBuffer)
        back = Surface::create(width(), height(), bitsPerPixel());
    return true;
}

void Primary::pixelMasks(uint32_t* red, uint32_t* green, uint32_t* blue) const
{
    uint32_t r = 0xFF0000, g = 0xFF00, b = 0xFF;
    if (bitsPerPixel() == 15) {
        r = 0x7C00;
        g = 0x3E0;
        b = 0x1F;
    } else if (bitsPerPixel() == 16) {
        r = 0xF800;
        g = 0x7E0;
        b = 0x1F;
    }
    if (red)
        *red = r;
    if (green)
        *green = g;
    if (blue)
        *blue = b;
}

int Primary::flip()
{
    if (!back)
        return DISPLAY_NO_BACK_BUFFER;
    if (isLost() || back->isLost())
        return DISPLAY_SURFACE_LOST;
    // The copy and its present are one step: the new front is the frame shown.
    drawingFrame = true;
    std::memcpy(data(), back->data(), size_t(pitch()) * size_t(height()));
    return present();
}

int Primary::present()
{
    drawingFrame = false;
    if (isLost())
        return DISPLAY_SURFACE_LOST;
    int code = show();
    if (code == DISPLAY_OK)
        ++shown;
    return code;
}

int Primary::restore()
{
    if (back)
        back->restore();
    return Surface::restore();
}

void Primary::markLost()
{
    if (back)
        back->markLost();
    Surface::markLost();
}

std::unique_ptr<Surface> Display::createSurface(int width, int height, int bitsPerPixel, bool, int* error)
{
    std::unique_ptr<Surface> s = Surface::create(width, height, bitsPerPixel, error);
    if (s)
        track(s.get());
    return s;
}

void Display::track(Surface* surface)
{
    if (surface)
        surfaces->add(surface);
}

bool surfaceToBgr24(const Surface& surface, const Rect& rect, bool bottomUp, std::vector<uint8_t>* out, int* width,
                    int* height, int* stride)
{
    Rect r(std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, surface.width()),
           std::min(rect.bottom, surface.height()));
    if (r.isEmpty() || !out)
        return false;
    int rowBytes = (r.width() * 3 + 3) & ~3;
    out->assign(size_t(rowBytes) * size_t(r.height()), 0);
    for (int y = 0; y < r.height(); ++y) {
        uint8_t* row = out->data() + size_t(bottomUp ? r.height() - 1 - y : y) * size_t(rowBytes);
        for (int x = 0; x < r.width(); ++x) {
            uint32_t rgb = Surface::toRgb(surface.pixelAt(r.left + x, r.top + y), surface.bitsPerPixel());
            row[x * 3] = uint8_t(rgb);
            row[x * 3 + 1] = uint8_t(rgb >> 8);
            row[x * 3 + 2] = uint8_t(rgb >> 16);
        }
    }
    if (width)
        *width = r.width();
    if (height)
        *height = r.height();
    if (stride)
        *stride = rowBytes;
    return true;
}

} // namespace platform
