// Built without SDL_ttf or fontconfig: no window; the program asks otherwise.
#include "platform/Dialog.h"

namespace platform {

int runDialog(const DialogTemplate&) { return -1; }

} // namespace platform
