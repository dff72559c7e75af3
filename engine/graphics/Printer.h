#pragma once
#include "base/Geometry.h"

#include <cstdint>
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
// constructor does all of it: it takes the rectangle of the window's
// picture as shown after a full redraw, and hands the document "DocPrint"
// to the platform's printer (a cancelled choice or no printer prints
// nothing), which turns its page to landscape and prints the picture. The
// printer may do that later on a thread of its own (a print server's
// answer is never waited for on the window's thread): what it prints is a
// copy. A document that ends without a printer is left as a PDF in the
// title's folder.
class CPrinter {
public:
    CPrinter(CWindow* window, CXRect rect);
    ~CPrinter();
    CPrinter(const CPrinter&) = delete;
    CPrinter& operator=(const CPrinter&) = delete;

    // Prints the picture taken of the rectangle on one page of the job's
    // document begun: nothing when the printer takes no pictures; an empty
    // page without a picture (null: it could not be taken).
    static void print(platform::PrintJob& printer, const CPrintBitmap* picture, CXRect rect);

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
};
