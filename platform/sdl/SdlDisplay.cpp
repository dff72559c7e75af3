#include "platform/sdl/SdlScreens.h"

namespace platform {

// A primary shown in one of the windows. A windowed one is addressed in
// screen coordinates and follows its window when it moves.
class SdlPrimary : public Primary {
public:
    static std::unique_ptr<Primary> make(std::shared_ptr<SdlScreens> screens, int index, Size size, int depth,
                                         bool fullscreen, bool backBuffer)
    {
        SdlScreens::Slot* slot = screens->slot(index);
        Point origin = fullscreen ? Point{0, 0} : screens->clientOrigin(index);
        std::unique_ptr<SdlPrimary> p(new SdlPrimary(screens, index, size, depth, origin, fullscreen));
        if (!p->allocateWithBackBuffer(backBuffer))
            return nullptr;
        slot->primary = p.get();
        return std::unique_ptr<Primary>(p.release());
    }
    ~SdlPrimary() override
    {
        SdlScreens::Slot* slot = screens->slot(index);
        if (slot && slot->primary == this)
            slot->primary = nullptr;
    }
    void follow(Point origin)
    {
        if (!isFullscreen())
            addressOrigin = origin;
    }

protected:
    int show() override { return screens->present(index, *this); }

private:
    SdlPrimary(std::shared_ptr<SdlScreens> s, int i, Size size, int depth, Point origin, bool fullscreen)
        : Primary(size.width, size.height, depth, origin, fullscreen), screens(std::move(s)), index(i)
    {
    }
    std::shared_ptr<SdlScreens> screens;
    int index;
};

namespace {
Uint32 textureFormat(int bitsPerPixel)
{
    if (bitsPerPixel == 15)
        return SDL_PIXELFORMAT_RGB555;
    if (bitsPerPixel == 16)
        return SDL_PIXELFORMAT_RGB565;
    return SDL_PIXELFORMAT_RGB888;
}

void clearTexture(SdlScreens::Slot& s)
{
    if (s.texture)
        SDL_DestroyTexture(s.texture);
    s.texture = nullptr;
    s.textureFormat = 0;
    s.textureSize = Size();
}
} // namespace

bool SdlScreens::makeRenderer(Slot& s, bool withVsync)
{
    const Uint32 vsync = withVsync ? Uint32(SDL_RENDERER_PRESENTVSYNC) : 0u;
    const Uint32 tries[] = {SDL_RENDERER_ACCELERATED | vsync, 0u, SDL_RENDERER_SOFTWARE};
    for (Uint32 flags : tries)
        if ((s.renderer = SDL_CreateRenderer(s.window, -1, flags)) != nullptr)
            break;
    if (!s.renderer)
        return false;
    SDL_RendererInfo info;
    s.vsync = SDL_GetRendererInfo(s.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    SDL_RenderSetLogicalSize(s.renderer, CLIENT_WIDTH, CLIENT_HEIGHT);
    SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
    SDL_RenderClear(s.renderer);
    SDL_RenderPresent(s.renderer);
    return true;
}

bool SdlScreens::open(int index, const std::string& caption, bool windowed, Point position)
{
    if (index < 0 || index >= WINDOWS)
        return false;
    Slot& s = slots[index];
    if (s.window)
        return setFullscreen(index, !windowed, Size{CLIENT_WIDTH, CLIENT_HEIGHT});
    // A full-screen window is made borderless at the screen's own size and
    // place as well: without a window manager nothing else would make it
    // fill the screen, and the frame would be scaled for a screen that the
    // window does not cover.
    const SDL_Rect screen = screenBounds(-1);
    Uint32 flags = SDL_WINDOW_SHOWN | (windowed ? 0u : Uint32(SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS));
    s.window = windowed ? SDL_CreateWindow(caption.c_str(), position.x, position.y, CLIENT_WIDTH, CLIENT_HEIGHT, flags)
                        : SDL_CreateWindow(caption.c_str(), screen.x, screen.y, screen.w, screen.h, flags);
    if (!s.window)
        return false;
    // Only the main window waits for the vertical blank: a second wait in
    // the same frame would halve the frame rate.
    if (!makeRenderer(s, index == 0)) {
        SDL_DestroyWindow(s.window);
        s.window = nullptr;
        return false;
    }
    // A renderer of another kind than the window was made for makes the
    // window again, and the new one may not keep the place asked for.
    if (windowed)
        SDL_SetWindowPosition(s.window, position.x, position.y);
    return true;
}

bool SdlScreens::setFullscreen(int index, bool fullscreen, Size logical)
{
    Slot* s = slot(index);
    if (!s)
        return false;
    bool now = (SDL_GetWindowFlags(s->window) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (now != fullscreen && fullscreen) {
        // As a window made full screen (see open).
        const SDL_Rect screen = screenBounds(index);
        SDL_SetWindowBordered(s->window, SDL_FALSE);
        SDL_SetWindowPosition(s->window, screen.x, screen.y);
        SDL_SetWindowSize(s->window, screen.w, screen.h);
    }
    if (now != fullscreen && SDL_SetWindowFullscreen(s->window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return false;
    if (!fullscreen) {
        SDL_SetWindowBordered(s->window, SDL_TRUE);
        SDL_SetWindowSize(s->window, CLIENT_WIDTH, CLIENT_HEIGHT);
    }
    SDL_RenderSetLogicalSize(s->renderer, logical.width, logical.height);
    return true;
}

SDL_Rect SdlScreens::screenBounds(int index)
{
    SDL_Rect bounds{0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    Slot* s = slot(index);
    const int display = s ? SDL_GetWindowDisplayIndex(s->window) : 0;
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
        bounds = SDL_Rect{0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    return bounds;
}

void SdlScreens::closeAll()
{
    for (Slot& s : slots) {
        clearTexture(s);
        if (s.renderer)
            SDL_DestroyRenderer(s.renderer);
        if (s.window)
            SDL_DestroyWindow(s.window);
        s = Slot();
    }
}

int SdlScreens::indexOf(Uint32 windowId)
{
    for (int i = 0; i < WINDOWS; ++i)
        if (slots[i].window && SDL_GetWindowID(slots[i].window) == windowId)
            return i;
    return -1;
}

Point SdlScreens::clientOrigin(int index)
{
    Point p;
    if (Slot* s = slot(index))
        SDL_GetWindowPosition(s->window, &p.x, &p.y);
    return p;
}

int SdlScreens::present(int index, const Surface& frame)
{
    Slot* s = slot(index);
    if (!s)
        return DISPLAY_UNAVAILABLE;
    Uint32 format = textureFormat(frame.bitsPerPixel());
    if (!s->texture || s->textureFormat != format || s->textureSize.width != frame.width() ||
        s->textureSize.height != frame.height()) {
        clearTexture(*s);
        s->texture =
            SDL_CreateTexture(s->renderer, format, SDL_TEXTUREACCESS_STREAMING, frame.width(), frame.height());
        if (!s->texture)
            return DISPLAY_OUT_OF_MEMORY;
        s->textureFormat = format;
        s->textureSize = frame.size();
        SDL_RenderSetLogicalSize(s->renderer, frame.width(), frame.height());
    }
    SDL_UpdateTexture(s->texture, nullptr, frame.data(), frame.pitch());
    showAgain(index);
    if (s->vsync)
        presentedWithVsync = true;
    return DISPLAY_OK;
}

void SdlScreens::showAgain(int index)
{
    Slot* s = slot(index);
    if (!s)
        return;
    SDL_RenderClear(s->renderer);
    if (s->texture)
        SDL_RenderCopy(s->renderer, s->texture, nullptr, nullptr);
    SDL_RenderPresent(s->renderer);
}

int SdlScreens::refreshRate()
{
    SDL_DisplayMode mode;
    int display = slots[0].window ? SDL_GetWindowDisplayIndex(slots[0].window) : 0;
    if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 && mode.refresh_rate >= 20 &&
        mode.refresh_rate <= 500)
        return mode.refresh_rate;
    return 60;
}

void SdlScreens::moved(int index)
{
    Slot* s = slot(index);
    if (s && s->primary)
        s->primary->follow(clientOrigin(index));
}

namespace {

class SdlDisplay : public Display {
public:
    explicit SdlDisplay(std::shared_ptr<SdlScreens> s) : screens(std::move(s)) {}

    // Any depth is shown through a texture of its own format; 16 bits is
    // the engine's own.
    int desktopDepth() override { return 16; }

    Size screenSize() override
    {
        const SDL_Rect bounds = screens->screenBounds(0);
        return Size{bounds.w, bounds.h};
    }

    std::unique_ptr<Primary> createWindowed(int window, Size clientSize, int* error) override
    {
        if (window < 0 || window >= SdlScreens::WINDOWS)
            return fail(error, DISPLAY_UNAVAILABLE);
        if (clientSize.width <= 0 || clientSize.height <= 0)
            return fail(error, DISPLAY_INVALID_PARAMS);
        Point at = window == 0 ? Point{0, 0} : Point{1024, 0};
        if (!screens->open(window, "Quarnel", true, at))
            return fail(error, DISPLAY_UNAVAILABLE);
        std::unique_ptr<Primary> p = SdlPrimary::make(screens, window, clientSize, desktopDepth(), false, false);
        if (!p)
            return fail(error, DISPLAY_OUT_OF_MEMORY);
        track(p.get());
        return done(error, std::move(p));
    }

    std::unique_ptr<Primary> createFullscreen(Size size, int depth, bool pageFlipping, int* error) override
    {
        if (size.width <= 0 || size.height <= 0 || !Surface::isValidDepth(depth))
            return fail(error, DISPLAY_INVALID_PARAMS);
        bool made = screens->slot(0) ? screens->setFullscreen(0, true, size)
                                      : screens->open(0, "Quarnel", false, Point{0, 0});
        if (!made)
            return fail(error, DISPLAY_UNSUPPORTED_MODE);
        std::unique_ptr<Primary> p = SdlPrimary::make(screens, 0, size, depth, true, pageFlipping);
        if (!p)
            return fail(error, DISPLAY_OUT_OF_MEMORY);
        track(p.get());
        return done(error, std::move(p));
    }

private:
    static std::unique_ptr<Primary> fail(int* error, int code)
    {
        if (error)
            *error = code;
        return nullptr;
    }
    static std::unique_ptr<Primary> done(int* error, std::unique_ptr<Primary> p)
    {
        if (error)
            *error = DISPLAY_OK;
        return p;
    }
    std::shared_ptr<SdlScreens> screens;
};

} // namespace

std::unique_ptr<Display> makeSdlDisplay(std::shared_ptr<SdlScreens> screens)
{
    return std::unique_ptr<Display>(new SdlDisplay(std::move(screens)));
}

} // namespace platform
