#pragma once
#include "platform/Display.h"

#include <cstdint>
#include <string>

namespace platform {

// A print job on the printer the user chose (Platform::choosePrinter), as
// the printing Part (4.107) drives GDI: landscape, the page size, one
// document of pages, and 24-bit pictures stretched onto a page.
//
// Sizes are in the printer's pixels. Every call answers whether it
// succeeded; a call out of order (a page outside a document, a picture
// outside a page) fails and changes nothing.
class PrintJob {
public:
    virtual ~PrintJob() {}
    // Turns the page to landscape; pageSize() then tells the turned size.
    virtual bool setLandscape() = 0;
    virtual Size pageSize() = 0;
    // Whether the printer can take pictures (GDI's RC_BITBLT); without it
    // the Part prints nothing.
    virtual bool canStretchPictures() = 0;
    virtual bool startDocument(const std::string& name) = 0;
    virtual bool startPage() = 0;
    // A picture of width x height pixels, 3 bytes a pixel in the order
    // blue, green, red, rows `stride` bytes apart (at least width x 3),
    // the last row first when bottomUp (a Windows DIB) - stretched onto the
    // destination rectangle of the page; halftone asks for a smooth
    // scaling. False for a null picture, sizes not above 0 or a short stride.
    virtual bool stretchBgr24(const uint8_t* pixels, int width, int height, int stride, bool bottomUp,
                              const Rect& destination, bool halftone) = 0;
    virtual bool endPage() = 0;
    virtual bool endDocument() = 0;
};

// Where a print job that has no printer to hand its document to leaves it
// as a PDF file: the title's folder, in engine form (Drives.h), which the
// engine sets before it prints. Empty: the current directory. Any thread.
void setPrintFolder(const std::string& engineFolder);
std::string printFolder();

} // namespace platform
