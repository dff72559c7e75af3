#include "PdfPages.h"

#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace testsupport {

namespace {

// The command's standard output; false when it could not run or failed.
bool run(const std::string& command, std::string* out)
{
    return shell(command + " 2>/dev/null", out) == 0;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

} // namespace

bool havePdfTools()
{
    return testsupport::shell("command -v pdfinfo >/dev/null 2>&1 && command -v pdftoppm >/dev/null 2>&1") == 0;
}

bool readPdfInfo(const std::string& path, PdfInfo* info)
{
    std::string text;
    if (!run("pdfinfo " + quoted(path), &text))
        return false;
    std::istringstream lines(text);
    std::string line;
    bool sized = false, counted = false;
    while (std::getline(lines, line)) {
        if (line.rfind("Pages:", 0) == 0)
            counted = std::sscanf(line.c_str(), "Pages: %d", &info->pages) == 1;
        if (line.rfind("Page size:", 0) == 0)
            sized = std::sscanf(line.c_str(), "Page size: %lf x %lf", &info->width, &info->height) == 2;
    }
    return sized && counted;
}

bool renderPdfPage(const std::string& path, int page, int dotsPerInch, PdfPage* out)
{
    TempDir dir;
    const std::string prefix = dir.file("page");
    std::string ignored;
    const std::string n = std::to_string(page);
    if (!run("pdftoppm -r " + std::to_string(dotsPerInch) + " -f " + n + " -l " + n + " -singlefile " + quoted(path) +
                 " " + quoted(prefix),
             &ignored))
        return false;
    const std::string ppm = readFile(prefix + ".ppm");
    // P6, width, height, 255, one white-space byte, then the pixels.
    int w = 0, h = 0, max = 0, used = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || max != 255 || w <= 0 || h <= 0)
        return false;
    const size_t start = size_t(used) + 1;
    if (ppm.size() < start + size_t(w) * size_t(h) * 3)
        return false;
    out->width = w;
    out->height = h;
    out->rgb.resize(size_t(w) * size_t(h));
    for (size_t i = 0; i < out->rgb.size(); ++i) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(ppm.data()) + start + i * 3;
        out->rgb[i] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    return true;
}

platform::Rect PdfPage::inked() const
{
    platform::Rect box(width, height, 0, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (at(x, y) != 0xFFFFFF) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

} // namespace testsupport
