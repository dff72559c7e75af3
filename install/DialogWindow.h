#pragma once
#include <string>

struct SDL_Surface;
typedef struct _TTF_Font TTF_Font;

namespace install {

// The uninstaller's dialog as a window of its own (SDL2): its picture, the
// Uninstall button (the default: Enter) and the exit button (Escape, or
// the window's close button), the texts of "install.ini" in the chosen
// language drawn with the system's sans-serif font through SDL_ttf.

// The client area is the picture's size; the buttons are where the
// dialog's template puts them in the dialog units of an 8-point font.
enum { dialogWidth = 350, dialogHeight = 250 };
struct ButtonPlace {
    int x, y, w, h;
};
const ButtonPlace uninstallButton = {68, 219, 93, 23};
const ButtonPlace exitButton = {191, 219, 93, 23};

// The dialog's texts in UTF-8 and the host path of its picture (a BMP
// file, stretched to the client area; empty or unreadable for none).
struct DialogTexts {
    std::string caption;
    std::string uninstall;
    std::string exit;
    std::string picture;
};

enum class Choice { Uninstall, Exit, NoWindow };

// Shows the dialog, centred as the original places it, and waits for a
// button; NoWindow when no window can be opened. The window is gone when
// this returns.
Choice runDialogWindow(const DialogTexts& texts);

// Draws the client area into `target` (dialogWidth x dialogHeight): the
// picture, or the dialog's face colour without one, and the two buttons
// with their texts (none without a font); `pressed` is 1 or 2 for the
// button drawn pushed in, 0 for none.
void drawDialog(SDL_Surface* target, SDL_Surface* picture, TTF_Font* font, const DialogTexts& texts, int pressed);

// The picture stretched to the client area; null without one.
SDL_Surface* loadPicture(const std::string& path);
// The system's sans-serif font (found through fontconfig) at 11 pixels, the
// size of the dialog's 8-point font; null when there is none. TTF_Init
// must have been called.
TTF_Font* openDialogFont();

} // namespace install
