#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "graphics/GraphicsObject.h"

#include <memory>

namespace platform {
class Primary;
class Surface;
} // namespace platform

class CDirectDrawSurface;
class CSecondaryDisplayIfc;

// The display: the primary surface of a window's client area or of the
// full screen, with a back buffer when page flipping. It copies rectangles
// of engine surfaces to the screen, flips, and tells the screen's colour
// depth. Its error code is the platform's last display result (0 =
// success); a surface that could not be made keeps its code and has no
// primary. Windows are the platform's: 0 the title's main window, 1 the
// second window of the secondary display. Main thread only.
class CSurface : public CXObject {
public:
    // The primary of the window's client area; the depth is the desktop's.
    CSurface(int window, CXSize clientSize);
    // The full screen at that size and depth, with a flipping chain when
    // pageFlipping asks for it and the display can make one (without one
    // the primary is a plain one). The depth obtained is written back.
    CSurface(CXSize& size, int& bpp, bool pageFlipping);
    // Frees the 32-bit conversion table, then the display's surfaces.
    ~CSurface() override;
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;

    int Width() const { return size.cx; }
    int Height() const { return size.cy; }
    CXSize GetScreenSize() const { return size; }
    int GetBPP() const { return bpp; }
    // The primary's pixels while locked (Lock), else null.
    char* GetScreenPtr() const { return screen; }
    bool IsWindowed() const { return windowed; }
    bool IsFlippingEnabled() const { return backBuffer != nullptr; }
    // Whether the primary (or its back buffer) was lost and not restored yet.
    bool IsLost() const;
    platform::Primary* GetPrimaryBufferInterface() { return primary.get(); }
    // The flipping chain's back buffer, or null.
    platform::Surface* GetBackBufferInterface() { return backBuffer; }
    // Where the window's client area starts on the screen ((0, 0) in full
    // screen).
    CXPoint GetClientOrigin() const;

    int Lock();
    int UnLock();
    // Copies the source rectangle (null: the whole source) to (x, y) of the
    // screen; windowed, x and y are screen coordinates and the rectangle
    // also goes to the secondary display. Lost surfaces are restored and
    // the copy tried once more.
    int Blt(CDirectDrawSurface* source, int x, int y, CXRect* sourceRect);
    int Blt(CDirectDrawSurface* source, CXPoint p, CXRect* sourceRect) { return Blt(source, p.x, p.y, sourceRect); }
    // The same, stretched onto the destination rectangle.
    int Blt(CDirectDrawSurface* source, CXRect* destination, CXRect* sourceRect);
    // Blt of each of the source's rectangles, which do not overlap, to its
    // own place moved by at (a frame's dirty rectangles): their rows are
    // copied down the screen in one sweep.
    int BltEach(CDirectDrawSurface* source, CXPoint at, const CXRect* sourceRects, int count);
    // Shows the back buffer; a lost chain is restored and the frame is not
    // flipped again.
    int Flip();
    // The copies that follow, up to Present, draw the next frame.
    void BeginFrame();
    // Shows what the copies put on the primary.
    int Present();
    int waitForVB();

    void setSecondaryDisplay(CSecondaryDisplayIfc* display) { secondary = display; }
    CSecondaryDisplayIfc* getSecondaryDisplay() { return secondary; }

private:
    int result(int code);
    // The copy, with a lost source restored first and a lost primary
    // restored and tried once more.
    template <class CopyStep>
    int toScreen(CDirectDrawSurface* source, CopyStep copy);

    CXSize size;
    int bpp;
    char* screen;
    bool windowed;
    std::unique_ptr<platform::Primary> primary;
    platform::Surface* backBuffer;
    CSecondaryDisplayIfc* secondary;
};

// A drawable whose pixels live in a display surface: the window's back
// buffer, the refresh screen's local surface, backgrounds, the secondary
// display's copies and the video player's frames. Its width, height, depth
// and pixel pointer are the surface's; the pitch is kept in pixels.
class CDirectDrawSurface : public CGraphicsObject {
public:
    // An empty drawable without a surface.
    explicit CDirectDrawSurface(CWindow* window);
    // Wraps the surface without owning it (a flipping chain's back buffer);
    // with null, makes a surface of that size and depth in system memory.
    CDirectDrawSurface(CWindow* window, platform::Surface* surface, CXSize size, int bpp);
    // Makes a surface, in video memory when asked and the window allows it.
    CDirectDrawSurface(CWindow* window, CXSize size, int bpp, bool videoMemory);
    ~CDirectDrawSurface() override;

    // The surface's pixels, taken once and kept (the refresh screen clears
    // the pointer once a frame to take it again); a lost surface is
    // restored first.
    char* GetDataPtr() override;
    void Release();

    // Fast copy of the source rectangle (null: the whole source) to (x, y).
    // A rectangle larger than the source in either direction centres the
    // whole source in it and x and y are not used.
    int Blt(CDirectDrawSurface* source, int x, int y, CXRect* sourceRect);
    int Blt(CDirectDrawSurface* source, CXPoint p, CXRect* sourceRect) { return Blt(source, p.x, p.y, sourceRect); }
    // General copy, stretched onto the destination rectangle (null: all).
    int Blt(CDirectDrawSurface* source, CXRect* destination, CXRect* sourceRect);
    void Fill(CColor* colour) override;
    void Fill(CXRect r, CColor* colour) override;
    // Copies the surface into its destiny at its position.
    void Redraw() override;

    // The drawable that draws the surface's contents again when it was lost.
    void applyToRestore(CGraphicsObject* drawable) { restoreWith = drawable; }
    // A lost surface is restored (its pixels are then 0) and drawn again by
    // the drawable set with applyToRestore.
    void restoreIfLost();
    CGraphicsObject* getApplied() { return restoreWith; }
    platform::Surface* GetDirectDrawSurfaceInterface() { return surface; }
    // Wraps another surface (not owned); the previous one is let go.
    void SetDirectDrawSurfaceInterface(platform::Surface* other);

    // The drawable as a display surface, or null when it is none.
    static CDirectDrawSurface* asSurface(CGraphicsObject* drawable);

protected:
    // Makes an owned surface of the drawable's size and depth; false (and
    // the error code set) when none could be made.
    virtual bool create_surface(bool videoMemory);

private:
    void construct();
    void adopt(platform::Surface* other, bool owned);
    void letGo();
    int copyResult(int code);
    // The copy, with a lost source restored first and a lost destination
    // restored and tried once more.
    template <class CopyStep>
    int copyInto(CDirectDrawSurface* source, CopyStep copy);

    CGraphicsObject* restoreWith;
    platform::Surface* surface;
    std::unique_ptr<platform::Surface> owned;
};
