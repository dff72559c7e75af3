// Built without SDL_ttf: no window, the uninstaller asks on the terminal.
#include "install/DialogWindow.h"

namespace install {

Choice runDialogWindow(const DialogTexts&) { return Choice::NoWindow; }

} // namespace install
