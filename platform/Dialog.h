#pragma once
#include <string>
#include <vector>

namespace platform {

// A modal dialog of a small program of its own (the uninstaller): a window
// whose client area shows a picture with push buttons over it, as a dialog
// template describes it. Not part of the engine library: the program
// compiles platform/dialog/ in itself. Texts are UTF-8.

struct DialogButton {
    int id; // above 0
    int x, y, w, h;
    std::string text;
};

struct DialogTemplate {
    std::string caption;
    int width = 0, height = 0; // of the client area
    // The window's corner goes to ((screen width - placeWidth) / 2,
    // (screen height - placeHeight) / 2).
    int placeWidth = 0, placeHeight = 0;
    std::string picture; // a BMP file stretched over the client area; empty or unreadable for none
    std::vector<DialogButton> buttons;
    int defaultId = 0; // drawn with a black outline; Enter answers it
    int cancelId = 0;  // Escape and the window's close button answer it
};

// Shows the dialog and waits: the id of the button that answered it, or -1
// when no window can be opened (no display, or the program was built
// without the dialog's libraries). The window is gone when this returns.
int runDialog(const DialogTemplate& dialog);

} // namespace platform
