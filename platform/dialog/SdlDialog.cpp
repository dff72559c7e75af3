#include "platform/dialog/SdlDialog.h"

#include <X11/Xlib.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

// The classic dialog colours: the face, its light and dark edges.
const SDL_Color faceColour = {212, 208, 200, 255};
const SDL_Color lightColour = {255, 255, 255, 255};
const SDL_Color shadowColour = {128, 128, 128, 255};
const SDL_Color darkColour = {0, 0, 0, 255};

void fill(SDL_Surface* s, int x, int y, int w, int h, SDL_Color c)
{
    SDL_Rect r = {x, y, w, h};
    SDL_FillRect(s, &r, SDL_MapRGB(s->format, c.r, c.g, c.b));
}

void frame(SDL_Surface* s, int x, int y, int w, int h, SDL_Color topLeft, SDL_Color bottomRight)
{
    fill(s, x, y, w, 1, topLeft);
    fill(s, x, y, 1, h, topLeft);
    fill(s, x, y + h - 1, w, 1, bottomRight);
    fill(s, x + w - 1, y, 1, h, bottomRight);
}

// A push button: the default one has a black outline; a pushed one sinks,
// its text one pixel down and to the right.
void drawButton(SDL_Surface* s, TTF_Font* font, const DialogButton& b, bool isDefault, bool pushed)
{
    int x = b.x, y = b.y, w = b.w, h = b.h;
    fill(s, x, y, w, h, faceColour);
    if (isDefault) {
        frame(s, x, y, w, h, darkColour, darkColour);
        ++x, ++y, w -= 2, h -= 2;
    }
    if (pushed)
        frame(s, x, y, w, h, shadowColour, shadowColour);
    else {
        frame(s, x, y, w, h, lightColour, darkColour);
        frame(s, x + 1, y + 1, w - 2, h - 2, faceColour, shadowColour);
    }
    if (!font || b.text.empty())
        return;
    SDL_Surface* label = TTF_RenderUTF8_Blended(font, b.text.c_str(), darkColour);
    if (!label)
        return;
    SDL_Rect inside = {x + 2, y + 2, w - 4, h - 4};
    SDL_Rect to = {b.x + (b.w - label->w) / 2 + pushed, b.y + (b.h - label->h) / 2 + pushed, label->w, label->h};
    SDL_SetClipRect(s, &inside);
    SDL_BlitSurface(label, nullptr, s, &to);
    SDL_SetClipRect(s, nullptr);
    SDL_FreeSurface(label);
}

// The id of the button under a point, 0 for none.
int buttonAt(const DialogTemplate& dialog, int x, int y)
{
    for (const DialogButton& b : dialog.buttons)
        if (x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h)
            return b.id;
    return 0;
}

// SDL wakes its own wait for events by sending an event to the window over
// a second connection to the X server, which the server may take only after
// the window is gone; Xlib's default handler would end the program over
// that error. Errors about a window that is gone are ignored.
XErrorHandler previousHandler = nullptr;

int ignoreGoneWindows(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow || !previousHandler)
        return 0;
    return previousHandler(display, error);
}

bool hasDisplay()
{
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

} // namespace

void drawDialog(SDL_Surface* target, SDL_Surface* picture, TTF_Font* font, const DialogTemplate& dialog, int pressed)
{
    fill(target, 0, 0, dialog.width, dialog.height, faceColour);
    if (picture)
        SDL_BlitSurface(picture, nullptr, target, nullptr);
    for (const DialogButton& b : dialog.buttons)
        drawButton(target, font, b, b.id == dialog.defaultId, b.id == pressed);
}

SDL_Surface* loadDialogPicture(const std::string& path, int width, int height)
{
    if (path.empty())
        return nullptr;
    SDL_Surface* file = SDL_LoadBMP(path.c_str());
    if (!file)
        return nullptr;
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (picture && SDL_BlitScaled(file, nullptr, picture, nullptr) != 0) {
        SDL_FreeSurface(picture);
        picture = nullptr;
    }
    SDL_FreeSurface(file);
    return picture;
}

TTF_Font* openDialogFont()
{
    std::string path;
    if (FcConfig* config = FcInitLoadConfigAndFonts()) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                path = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
        FcConfigDestroy(config);
    }
    return path.empty() ? nullptr : TTF_OpenFont(path.c_str(), 11);
}

int runDialog(const DialogTemplate& dialog)
{
    // The window is drawn in memory and copied as it is: without a renderer
    // SDL never makes the window again behind the program's back.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A click on a button of the dialog while another window is active
    // presses it, as on the system the dialog comes from; SDL would drop a
    // click that comes with the focus.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (!hasDisplay())
        return -1;
    // Set before SDL starts, which passes the errors it does not handle
    // itself on to this handler and puts it back when it ends.
    previousHandler = XSetErrorHandler(ignoreGoneWindows);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        XSetErrorHandler(previousHandler);
        return -1;
    }
    SDL_DisplayMode screen = {};
    SDL_GetDesktopDisplayMode(0, &screen);
    SDL_Window* window =
        SDL_CreateWindow(dialog.caption.c_str(), (screen.w - dialog.placeWidth) / 2,
                         (screen.h - dialog.placeHeight) / 2, dialog.width, dialog.height, SDL_WINDOW_SHOWN);
    SDL_Surface* face =
        window ? SDL_CreateRGBSurfaceWithFormat(0, dialog.width, dialog.height, 32, SDL_PIXELFORMAT_ARGB8888) : nullptr;
    if (!face) {
        if (window)
            SDL_DestroyWindow(window);
        SDL_Quit();
        XSetErrorHandler(previousHandler);
        return -1;
    }
    TTF_Font* font = TTF_Init() == 0 ? openDialogFont() : nullptr;
    if (!font)
        std::fprintf(stderr, "no font for the dialog's texts\n");
    SDL_Surface* picture = loadDialogPicture(dialog.picture, dialog.width, dialog.height);

    int answer = 0;
    int pressed = 0;   // the button the left mouse button went down on
    bool over = false; // whether the mouse is still on it
    bool dirty = true;
    SDL_Event e;
    while (!answer) {
        if (dirty) {
            drawDialog(face, picture, font, dialog, over ? pressed : 0);
            if (SDL_Surface* shown = SDL_GetWindowSurface(window)) {
                SDL_BlitSurface(face, nullptr, shown, nullptr);
                SDL_UpdateWindowSurface(window);
            }
            dirty = false;
        }
        if (!SDL_WaitEvent(&e)) {
            answer = dialog.cancelId;
            break;
        }
        switch (e.type) {
        case SDL_QUIT:
            answer = dialog.cancelId;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                answer = dialog.cancelId;
            dirty = true;
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER)
                answer = dialog.defaultId;
            else if (e.key.keysym.sym == SDLK_ESCAPE)
                answer = dialog.cancelId;
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) {
                pressed = buttonAt(dialog, e.button.x, e.button.y);
                over = pressed != 0;
                dirty = true;
            }
            break;
        case SDL_MOUSEMOTION:
            if (pressed && over != (buttonAt(dialog, e.motion.x, e.motion.y) == pressed)) {
                over = !over;
                dirty = true;
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && pressed) {
                if (buttonAt(dialog, e.button.x, e.button.y) == pressed)
                    answer = pressed;
                pressed = 0;
                over = false;
                dirty = true;
            }
            break;
        default:
            break;
        }
    }

    if (picture)
        SDL_FreeSurface(picture);
    if (font)
        TTF_CloseFont(font);
    TTF_Quit();
    SDL_FreeSurface(face);
    SDL_DestroyWindow(window);
    SDL_Quit();
    XSetErrorHandler(previousHandler);
    return answer;
}

} // namespace platform
