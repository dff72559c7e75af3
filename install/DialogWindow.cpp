#include "install/DialogWindow.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>

namespace install {

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
void drawButton(SDL_Surface* s, TTF_Font* font, const ButtonPlace& b, const std::string& text, bool isDefault,
                bool pushed)
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
    if (!font || text.empty())
        return;
    SDL_Surface* label = TTF_RenderUTF8_Blended(font, text.c_str(), darkColour);
    if (!label)
        return;
    SDL_Rect inside = {x + 2, y + 2, w - 4, h - 4};
    SDL_Rect to = {b.x + (b.w - label->w) / 2 + pushed, b.y + (b.h - label->h) / 2 + pushed, label->w, label->h};
    SDL_SetClipRect(s, &inside);
    SDL_BlitSurface(label, nullptr, s, &to);
    SDL_SetClipRect(s, nullptr);
    SDL_FreeSurface(label);
}

bool inside(const ButtonPlace& b, int x, int y) { return x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h; }

// The button under a point: 1 uninstall, 2 exit, 0 none.
int buttonAt(int x, int y) { return inside(uninstallButton, x, y) ? 1 : inside(exitButton, x, y) ? 2 : 0; }

} // namespace

void drawDialog(SDL_Surface* target, SDL_Surface* picture, TTF_Font* font, const DialogTexts& texts, int pressed)
{
    fill(target, 0, 0, dialogWidth, dialogHeight, faceColour);
    if (picture)
        SDL_BlitSurface(picture, nullptr, target, nullptr);
    drawButton(target, font, uninstallButton, texts.uninstall, true, pressed == 1);
    drawButton(target, font, exitButton, texts.exit, false, pressed == 2);
}

SDL_Surface* loadPicture(const std::string& path)
{
    if (path.empty())
        return nullptr;
    SDL_Surface* file = SDL_LoadBMP(path.c_str());
    if (!file)
        return nullptr;
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, dialogWidth, dialogHeight, 32, SDL_PIXELFORMAT_ARGB8888);
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

Choice runDialogWindow(const DialogTexts& texts)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return Choice::NoWindow;
    SDL_DisplayMode screen = {};
    SDL_GetDesktopDisplayMode(0, &screen);
    // Placed as the original places its 355x275 window, with 330 in place
    // of its height.
    SDL_Window* window = SDL_CreateWindow(texts.caption.c_str(), (screen.w - 355) / 2, (screen.h - 330) / 2,
                                          dialogWidth, dialogHeight, SDL_WINDOW_SHOWN);
    SDL_Surface* face = window ? SDL_CreateRGBSurfaceWithFormat(0, dialogWidth, dialogHeight, 32,
                                                                 SDL_PIXELFORMAT_ARGB8888)
                               : nullptr;
    if (!face) {
        if (window)
            SDL_DestroyWindow(window);
        SDL_Quit();
        return Choice::NoWindow;
    }
    TTF_Font* font = TTF_Init() == 0 ? openDialogFont() : nullptr;
    if (!font)
        std::fprintf(stderr, "Install: no font for the dialog's texts\n");
    SDL_Surface* picture = loadPicture(texts.picture);

    Choice choice = Choice::NoWindow;
    int pressed = 0;   // the button the left mouse button went down on
    bool over = false; // whether the mouse is still on it
    bool dirty = true;
    SDL_Event e;
    while (choice == Choice::NoWindow) {
        if (dirty) {
            drawDialog(face, picture, font, texts, over ? pressed : 0);
            if (SDL_Surface* shown = SDL_GetWindowSurface(window)) {
                SDL_BlitSurface(face, nullptr, shown, nullptr);
                SDL_UpdateWindowSurface(window);
            }
            dirty = false;
        }
        if (!SDL_WaitEvent(&e)) {
            choice = Choice::Exit;
            break;
        }
        switch (e.type) {
        case SDL_QUIT:
            choice = Choice::Exit;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                choice = Choice::Exit;
            dirty = true;
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER)
                choice = Choice::Uninstall;
            else if (e.key.keysym.sym == SDLK_ESCAPE)
                choice = Choice::Exit;
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) {
                pressed = buttonAt(e.button.x, e.button.y);
                over = pressed != 0;
                dirty = true;
            }
            break;
        case SDL_MOUSEMOTION:
            if (pressed && over != (buttonAt(e.motion.x, e.motion.y) == pressed)) {
                over = !over;
                dirty = true;
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && pressed) {
                if (buttonAt(e.button.x, e.button.y) == pressed)
                    choice = pressed == 1 ? Choice::Uninstall : Choice::Exit;
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
    return choice;
}

} // namespace install
