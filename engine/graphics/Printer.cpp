#include "graphics/Printer.h"

#include "graphics/Surface.h"
#include "graphics/Window.h"
#include "platform/Platform.h"

#include <memory>

CPrinter::CPrinter(CWindow* owner, CXRect rect) : window(owner)
{
    platform::Platform* p = platform::currentPlatform();
    if (!p)
        return;
    // A document that no printer takes is left in the title's folder.
    platform::setPrintFolder(CWindow::getCDPath().c_str());
    // The picture is taken here, on the window's thread; the printer may
    // print it later.
    std::shared_ptr<CPrintBitmap> picture = std::make_shared<CPrintBitmap>();
    if (!GetImageBitmap(*picture, rect))
        picture.reset();
    p->printDocument([picture, rect](platform::PrintJob& printer) {
        printer.setLandscape();
        if (printer.startDocument("DocPrint")) {
            print(printer, picture.get(), rect);
            printer.endDocument();
        }
    });
}

CPrinter::~CPrinter() = default;

CXSize CPrinter::printedSize(CXRect rect, CXSize page)
{
    if (rect.Width() <= 0 || rect.Height() <= 0 || page.cx <= 0 || page.cy <= 0)
        return CXSize(0, 0);
    const double a = double(rect.Width()) / double(rect.Height());
    if (a <= double(page.cx) / double(page.cy))
        return CXSize(int(page.cy * a), page.cy);
    return CXSize(page.cx, int(page.cx / a));
}

void CPrinter::print(platform::PrintJob& printer, const CPrintBitmap* picture, CXRect rect)
{
    const platform::Size page = printer.pageSize();
    const CXSize printed = printedSize(rect, CXSize(page.width, page.height));
    if (!printer.canStretchPictures())
        return;
    printer.startPage();
    if (picture && printed.cx > 0 && printed.cy > 0) {
        const int left = (page.width - printed.cx) / 2, top = (page.height - printed.cy) / 2;
        printer.stretchBgr24(picture->bits.data(), picture->width, picture->height, picture->stride, true,
                             platform::Rect(left, top, left + printed.cx, top + printed.cy), true);
    }
    printer.endPage();
}

bool CPrinter::GetImageBitmap(CPrintBitmap& bitmap, CXRect rect)
{
    if (!window)
        return false;
    window->Invalidate();
    window->Redraw();
    CSurface* surface = window->GetSurface();
    platform::Primary* shown = surface ? surface->GetPrimaryBufferInterface() : nullptr;
    if (!shown)
        return false;
    return platform::surfaceToBgr24(*shown, platform::Rect(rect.left, rect.top, rect.right, rect.bottom), true,
                                    &bitmap.bits, &bitmap.width, &bitmap.height, &bitmap.stride);
}
