#pragma once
#include "base/Geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class CWindow;
namespace platform {
class PrintJob;
}

// A picture taken from the window for printing: 24-bit rows in the order
// blue, green, red, the last row first, each row padded to 4 bytes.
struct CPrintBitmap {
    std::vector<uint8_t> bits;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Prints a rectangle of the window's picture on one landscape page, as
// large as the page allows with its proportions kept, and centred. The
// constructor does all of it: it asks the platform for a printer (a
// cancelled choice or no printer prints nothing), turns the page to
// landscape, and prints the rectangle as the document "DocPrint". The
// picture is the window's as shown after a full redraw. A document that
// ends without a printer is left as a PDF in the title's folder.
class CPrinter {
public:
    CPrinter(CWindow* window, CXRect rect);
    ~CPrinter();
    CPrinter(const CPrinter&) = delete;
    CPrinter& operator=(const CPrinter&) = delete;

    // Prints the rectangle on one page of the document begun: nothing when
    // the printer takes no pictures; an empty page when the picture cannot
    // be taken.
    void print(CXRect rect);

    // The size the rectangle is printed at on a page of that size: the
    // page's full height when the rectangle is no wider than the page in
    // proportion, else its full width. (0, 0) for an empty rectangle or page.
    static CXSize printedSize(CXRect rect, CXSize page);

private:
    // Redraws the whole window and takes the rectangle of what it shows;
    // false when there is nothing to take it from or it lies off the
    // picture.
    bool GetImageBitmap(CPrintBitmap& bitmap, CXRect rect);

    CWindow* window;
    std::unique_ptr<platform::PrintJob> printer;
};
