#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// The display the graphics Parts draw on, shaped by what they do with
// DirectDraw: plain-memory surfaces of 15, 16 or 32 bits per pixel that are
// locked, copied, filled and lost; a primary surface that shows a window's
// client area or the full screen, with a back buffer when page flipping.
//
// Pixels: 15 bits is RGB 555 in a little-endian 16-bit word (bit 15 zero),
// 16 bits is RGB 565, 32 bits is 0x00RRGGBB in a little-endian 32-bit word.
// Rows follow each other without padding: the pitch is width x bytes per
// pixel. A surface's memory stays at one address for the surface's whole
// life (a lost surface keeps it too), so a pointer taken with lock stays
// valid after unlock, as the engine expects of GetDataPtr.
//
// Every operation answers a DisplayResult (0 = success). None crashes on a
// bad argument: a zero or negative size, an unknown depth, a rectangle that
// leaves its surface or a lost surface each give their error and change
// nothing. Surfaces are used by one thread at a time; a surface that two
// threads share (a video worker's target) is guarded by its users.

struct Point {
    int x = 0;
    int y = 0;
};

struct Size {
    int width = 0;
    int height = 0;
};

// Left and top inside, right and bottom outside, as Windows rectangles.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    Rect() {}
    Rect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
};

enum DisplayResult : int {
    DISPLAY_OK = 0,
    DISPLAY_INVALID_PARAMS = 0x4401,   // a size not above 0, a depth not 15/16/32, a null surface
    DISPLAY_INVALID_RECT = 0x4402,     // a source rectangle not inside its surface, or turned inside out
    DISPLAY_SURFACE_LOST = 0x4403,     // restore() the surface, then draw its contents again
    DISPLAY_NOT_LOCKED = 0x4404,       // unlock without lock
    DISPLAY_UNSUPPORTED_MODE = 0x4405, // the full-screen size or depth is refused
    DISPLAY_NO_BACK_BUFFER = 0x4406,   // flip on a primary without a back buffer
    DISPLAY_OUT_OF_MEMORY = 0x4407,
    DISPLAY_UNAVAILABLE = 0x4408       // the backend has no such window
};

class SurfaceGroup;

// An off-screen surface in plain memory.
class Surface {
public:
    // A surface of that size and depth, its pixels 0; null with *error set
    // (DISPLAY_INVALID_PARAMS, DISPLAY_OUT_OF_MEMORY) otherwise.
    static std::unique_ptr<Surface> create(int width, int height, int bitsPerPixel, int* error = nullptr);
    virtual ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int width() const { return w; }
    int height() const { return h; }
    Size size() const { return Size{w, h}; }
    int bitsPerPixel() const { return bpp; }
    int bytesPerPixel() const { return bpp == 32 ? 4 : 2; }
    // Bytes from one row to the next: width x bytes per pixel.
    int pitch() const { return w * bytesPerPixel(); }

    // The pixel memory and its pitch; DISPLAY_SURFACE_LOST while lost.
    int lock(uint8_t** pixels, int* pitch = nullptr);
    // DISPLAY_NOT_LOCKED when there was no lock.
    int unlock();
    // The pixel memory without a lock (also while lost); for readers that
    // keep the pointer as the engine does after GetDataPtr.
    uint8_t* data() { return pixels.data(); }
    const uint8_t* data() const { return pixels.data(); }

    bool isLost() const { return lost.load(std::memory_order_acquire); }
    // Makes a lost surface usable again; its pixels become 0 (what it held
    // is gone, as with DirectDraw). DISPLAY_OK on a surface not lost too.
    virtual int restore();
    // The backend's (or a test's) side: the surface is lost.
    virtual void markLost();

    // Copies the source rectangle (null: the whole source) onto the
    // destination rectangle of this surface, stretched when the sizes
    // differ, converted when the depths differ. The destination is clipped
    // to this surface; a source rectangle must lie inside its surface
    // (DISPLAY_INVALID_RECT). A surface may copy from itself.
    int copy(const Rect& destination, const Surface& source, const Rect* sourceRect);
    // The same without stretching: the source rectangle goes to (x, y).
    int copyFast(int x, int y, const Surface& source, const Rect* sourceRect);
    // copyFast of each of the source's rectangles to its own place offset
    // by (x, y); they must not overlap. Of one depth, the rows of them all
    // are copied down the surface in one sweep, so that memory is walked
    // in order (a frame's dirty rectangles). The first error, else OK.
    int copyFastEach(int x, int y, const Surface& source, const Rect* sourceRects, int count);
    // Fills the rectangle (null: everything), clipped to the surface, with
    // a pixel value of this surface's depth.
    int fill(const Rect* rect, uint32_t pixel);

    // One pixel's value (0 outside the surface).
    uint32_t pixelAt(int x, int y) const;

    // Pixel values of a depth to and from 0x00RRGGBB. Widening repeats the
    // high bits in the low ones, so 0x1F becomes 0xFF and 0 stays 0.
    static uint32_t toRgb(uint32_t pixel, int bitsPerPixel);
    static uint32_t fromRgb(uint32_t rgb, int bitsPerPixel);
    static bool isValidDepth(int bitsPerPixel) { return bitsPerPixel == 15 || bitsPerPixel == 16 || bitsPerPixel == 32; }

protected:
    Surface(int width, int height, int bitsPerPixel);
    bool allocate();
    // Called before copy, fill, lock or restore may change the pixels.
    virtual void willChange() {}
    // Where coordinates given to copy, copyFast and fill start: (0, 0)
    // except for a windowed primary, which is addressed in screen
    // coordinates like DirectDraw's.
    Point addressOrigin;

private:
    friend class SurfaceGroup;
    int copyRect(const Rect& destination, const Surface& source, const Rect& sourceRect);

    int w, h, bpp;
    std::vector<uint8_t> pixels;
    int locks = 0;
    std::atomic<bool> lost{false};
    std::shared_ptr<SurfaceGroup> group;
};

// The surfaces a backend made, so that it can lose them all at once (a mode
// change, a test's injection). Surfaces leave it when they are deleted;
// either may go first.
class SurfaceGroup : public std::enable_shared_from_this<SurfaceGroup> {
public:
    void add(Surface* surface);
    void remove(Surface* surface);
    void markAllLost();
    int count();

private:
    std::mutex lock;
    std::vector<Surface*> members;
};

// The surface a window or the full screen shows. A windowed primary is
// addressed in screen coordinates (its client area starts at
// clientOrigin(), and what falls outside the client area is clipped), its
// pixels are the client area's; a full-screen primary starts at (0, 0).
class Primary : public Surface {
public:
    bool isFullscreen() const { return fullscreen; }
    Point clientOrigin() const { return addressOrigin; }
    // The red, green and blue masks of the depth (15: 0x7C00 0x3E0 0x1F;
    // 16: 0xF800 0x7E0 0x1F; 32: 0xFF0000 0xFF00 0xFF).
    void pixelMasks(uint32_t* red, uint32_t* green, uint32_t* blue) const;

    // The back buffer of a page-flipping primary, or null.
    Surface* backBuffer() { return back.get(); }
    bool hasBackBuffer() const { return back != nullptr; }
    // The back buffer's picture becomes the front and is shown; the back
    // buffer keeps its pixels. DISPLAY_NO_BACK_BUFFER without one,
    // DISPLAY_SURFACE_LOST when either is lost.
    int flip();
    // The caller starts drawing its next frame onto the front, to show it
    // with present(): the front's changes until then belong to that frame,
    // so a backend that keeps the frame shown need not set it apart first.
    void beginFrame() { drawingFrame = true; }
    // Shows the front as it is now: the window calls it after it copied the
    // dirty rectangles onto the primary (DirectDraw's primary needed none).
    int present();
    // Returns at the next vertical blank (at once without a display).
    virtual int waitForVerticalBlank() { return DISPLAY_OK; }
    // Frames shown so far (by present or flip).
    uint64_t framesShown() const { return shown; }

    // Restoring or losing the primary does the same to its back buffer.
    int restore() override;
    void markLost() override;

protected:
    // A primary of that client size; the back buffer is made when asked.
    Primary(int width, int height, int bitsPerPixel, Point origin, bool fullscreen);
    // The pixels, and the back buffer when asked (without it the primary
    // is a plain one). False when the primary is past the size of any
    // surface: it has no pixels and is not to be used.
    bool allocateWithBackBuffer(bool withBackBuffer);
    // The backend puts the front pixels on screen.
    virtual int show() = 0;
    // The front is about to change outside a frame begun with beginFrame,
    // while it may still be all there is of the frame shown last.
    virtual void frontChanging() {}

private:
    void willChange() override
    {
        if (!drawingFrame)
            frontChanging();
    }

    bool fullscreen;
    bool drawingFrame = false;
    std::unique_ptr<Surface> back;
    uint64_t shown = 0;
};

// A backend's display.
class Display {
public:
    virtual ~Display() {}
    // The desktop's depth in bits per pixel (15, 16 or 32): a windowed
    // primary has it.
    virtual int desktopDepth() = 0;
    // The size of the screen the full screen fills; 0 x 0 where there is
    // no screen to bound it (the headless backend).
    virtual Size screenSize() { return Size(); }
    // The primary of a window's client area. window 0 is the title's main
    // window, 1 the second window of the secondary display (at (1024, 0)).
    // Null with *error set: DISPLAY_INVALID_PARAMS for a size not above 0,
    // DISPLAY_UNAVAILABLE when the backend has no such window.
    virtual std::unique_ptr<Primary> createWindowed(int window, Size clientSize, int* error) = 0;
    // The full screen at that size and depth, with one back buffer when
    // pageFlipping asks for it and the backend can make the flipping chain
    // (hasBackBuffer() tells; without it the primary is a plain one). Null
    // with *error set: DISPLAY_INVALID_PARAMS, DISPLAY_UNSUPPORTED_MODE.
    virtual std::unique_ptr<Primary> createFullscreen(Size size, int bitsPerPixel, bool pageFlipping, int* error) = 0;
    // An off-screen surface (memory in every backend; preferVideoMemory is a
    // hint). Null with *error set as Surface::create does.
    virtual std::unique_ptr<Surface> createSurface(int width, int height, int bitsPerPixel, bool preferVideoMemory,
                                                   int* error);

protected:
    // Surfaces made through this display join its group.
    std::shared_ptr<SurfaceGroup> surfaces = std::make_shared<SurfaceGroup>();
    void track(Surface* surface);
};

// The rectangle of a surface (clipped to it) as 24-bit rows in the byte
// order of a Windows DIB (blue, green, red), each row padded to 4 bytes;
// bottom-up puts the last row first. False for an empty rectangle.
bool surfaceToBgr24(const Surface& surface, const Rect& rect, bool bottomUp, std::vector<uint8_t>* out, int* width,
                    int* height, int* stride);

} // namespace platform
