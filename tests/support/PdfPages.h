#pragma once
// PDF files read back through poppler's tools (pdfinfo and pdftoppm, Debian
// poppler-utils), for the tests of printing.
#include "platform/Display.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Whether pdfinfo and pdftoppm can be run.
bool havePdfTools();

// The number of pages and the first page's size in points.
struct PdfInfo {
    int pages = 0;
    double width = 0;
    double height = 0;
};
bool readPdfInfo(const std::string& path, PdfInfo* info);

// A page rendered at a resolution, as 0x00RRGGBB pixels, top row first.
struct PdfPage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
    uint32_t at(int x, int y) const { return rgb[size_t(y) * size_t(width) + size_t(x)]; }
    // The smallest rectangle holding every pixel that is not white.
    platform::Rect inked() const;
};
bool renderPdfPage(const std::string& path, int page, int dotsPerInch, PdfPage* out);

} // namespace testsupport
