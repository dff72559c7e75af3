#pragma once
// The dialog's window over SDL2, its texts drawn with SDL_ttf in the
// system's sans-serif font, found through fontconfig.
#include "platform/Dialog.h"

#include <SDL.h>
#include <SDL_ttf.h>

namespace platform {

// Draws the client area into `target`: the picture, or the dialog's face
// colour without one, and the buttons with their texts (none without a
// font), the one of id `pressed` pushed in (0 for none).
void drawDialog(SDL_Surface* target, SDL_Surface* picture, TTF_Font* font, const DialogTemplate& dialog, int pressed);

// The BMP file stretched to width x height; null without one.
SDL_Surface* loadDialogPicture(const std::string& path, int width, int height);

// The system's sans-serif font at 11 pixels, the size of a dialog's 8-point
// font; null when there is none. TTF_Init must have been called.
TTF_Font* openDialogFont();

} // namespace platform
