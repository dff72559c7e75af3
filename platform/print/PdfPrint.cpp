// The PDF print job over cairo, handed to CUPS.
#include "platform/print/PdfPrint.h"

#include "platform/Drives.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

std::mutex lastFileLock;
std::string lastFile;

void rememberFile(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lastFileLock);
    lastFile = path;
}

// The largest picture a page takes, in pixels (the headless sink's limit).
const int64_t MaxPicturePixels = int64_t(1) << 26;

// A file name of the document's name: no folder separators, never empty.
std::string fileStem(const std::string& name)
{
    std::string stem;
    for (char c : name)
        stem += c == '/' || c == '\\' || c == '\0' ? '_' : c;
    return stem.empty() ? std::string("document") : stem;
}

// The host folder where documents without a printer go.
std::filesystem::path documentFolder()
{
    const std::string engine = printFolder();
    std::error_code failed;
    if (engine.empty())
        return std::filesystem::current_path(failed);
    const std::string host = toHostPath(engine);
    return host.empty() ? std::filesystem::current_path(failed) : std::filesystem::path(host);
}

// "<stem>.pdf" in the folder, or "<stem>-N.pdf" for the first N from 2
// whose name is free.
std::filesystem::path freeName(const std::filesystem::path& folder, const std::string& stem)
{
    std::error_code failed;
    std::filesystem::path path = folder / (stem + ".pdf");
    for (int n = 2; std::filesystem::exists(path, failed) && n < 10000; ++n)
        path = folder / (stem + "-" + std::to_string(n) + ".pdf");
    return path;
}

class PdfPrintJob : public PrintJob {
public:
    PdfPrintJob(Size portrait, int dotsPerInch, std::string printerName)
        : page(portrait), dpi(dotsPerInch > 0 ? dotsPerInch : int(PRINT_DOTS_PER_INCH)), printer(std::move(printerName))
    {
    }
    ~PdfPrintJob() override
    {
        if (!pdf)
            return;
        if (inPage)
            endPage();
        endDocument();
    }
    PdfPrintJob(const PdfPrintJob&) = delete;
    PdfPrintJob& operator=(const PdfPrintJob&) = delete;

    bool setLandscape() override
    {
        if (inPage)
            return false;
        if (!landscape)
            std::swap(page.width, page.height);
        landscape = true;
        if (pdf)
            cairo_pdf_surface_set_size(pdf, points(page.width), points(page.height));
        return true;
    }
    Size pageSize() override { return page; }
    bool canStretchPictures() override { return true; }

    bool startDocument(const std::string& name) override
    {
        if (pdf || page.width <= 0 || page.height <= 0)
            return false;
        documentName = name;
        std::string file;
        if (!printer.empty()) {
            char pattern[] = "/tmp/quarnel-print-XXXXXX.pdf";
            const int fd = mkstemps(pattern, 4);
            if (fd < 0)
                return false;
            close(fd);
            file = pattern;
            temporary = true;
        } else {
            file = freeName(documentFolder(), fileStem(name)).string();
            temporary = false;
        }
        pdf = cairo_pdf_surface_create(file.c_str(), points(page.width), points(page.height));
        if (cairo_surface_status(pdf) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(pdf);
            pdf = nullptr;
            if (temporary)
                std::remove(file.c_str());
            return false;
        }
        cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_TITLE, name.c_str());
        context = cairo_create(pdf);
        path = file;
        return true;
    }

    bool startPage() override
    {
        if (!pdf || inPage)
            return false;
        inPage = true;
        return true;
    }

    bool stretchBgr24(const uint8_t* pixels, int width, int height, int stride, bool bottomUp, const Rect& dst,
                      bool halftone) override
    {
        if (!inPage || !pixels || width <= 0 || height <= 0 || stride < width * 3 ||
            int64_t(width) * height > MaxPicturePixels || dst.isEmpty())
            return false;
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(image);
            return false;
        }
        cairo_surface_flush(image);
        uint8_t* out = cairo_image_surface_get_data(image);
        const int outStride = cairo_image_surface_get_stride(image);
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = pixels + size_t(bottomUp ? height - 1 - y : y) * size_t(stride);
            uint32_t* to = reinterpret_cast<uint32_t*>(out + size_t(y) * size_t(outStride));
            for (int x = 0; x < width; ++x)
                to[x] = uint32_t(row[x * 3 + 2]) << 16 | uint32_t(row[x * 3 + 1]) << 8 | row[x * 3];
        }
        cairo_surface_mark_dirty(image);

        cairo_save(context);
        // Page pixels to PDF points, then the picture onto its rectangle.
        cairo_scale(context, 72.0 / dpi, 72.0 / dpi);
        cairo_translate(context, dst.left, dst.top);
        cairo_scale(context, double(dst.width()) / width, double(dst.height()) / height);
        cairo_set_source_surface(context, image, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(context), halftone ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
        cairo_rectangle(context, 0, 0, width, height);
        cairo_fill(context);
        cairo_restore(context);
        cairo_surface_destroy(image);
        return cairo_status(context) == CAIRO_STATUS_SUCCESS;
    }

    bool endPage() override
    {
        if (!inPage)
            return false;
        cairo_show_page(context);
        inPage = false;
        return true;
    }

    bool endDocument() override
    {
        if (!pdf || inPage)
            return false;
        cairo_destroy(context);
        context = nullptr;
        cairo_surface_finish(pdf);
        const bool written = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(pdf);
        pdf = nullptr;
        if (!written) {
            std::remove(path.c_str());
            return false;
        }
        deliver();
        return true;
    }

private:
    double points(int pixels) const { return pixels * 72.0 / dpi; }

    // To the printer, or into the print folder when there is none or it
    // refuses the document.
    void deliver()
    {
        if (!temporary) {
            keep(path);
            return;
        }
        if (cupsPrintFile(printer.c_str(), path.c_str(), documentName.c_str(), 0, nullptr) > 0) {
            std::remove(path.c_str());
            return;
        }
        std::fprintf(stderr, "Quarnel: the printer %s refused the document: %s\n", printer.c_str(),
                     cupsLastErrorString());
        std::error_code failed;
        const std::filesystem::path kept = freeName(documentFolder(), fileStem(documentName));
        std::filesystem::copy_file(path, kept, failed);
        std::remove(path.c_str());
        if (!failed)
            keep(kept.string());
    }

    void keep(const std::string& file)
    {
        rememberFile(file);
        std::fprintf(stderr, "Quarnel: no printer took the document; it was written to %s\n", file.c_str());
    }

    Size page;
    int dpi;
    std::string printer;
    bool landscape = false;
    bool inPage = false;
    bool temporary = false;
    std::string documentName;
    std::string path;
    cairo_surface_t* pdf = nullptr;
    cairo_t* context = nullptr;
};

} // namespace

std::unique_ptr<PrintJob> createPdfPrintJob(Size portrait, int dotsPerInch, const std::string& printer)
{
    return std::unique_ptr<PrintJob>(new PdfPrintJob(portrait, dotsPerInch, printer));
}

bool findDefaultPrinter(std::string* name, Size* portrait, int dotsPerInch)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest)
        return false;
    if (name)
        *name = dest->name;
    Size page = a4PageSize(dotsPerInch);
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    cups_size_t media;
    // Sizes in hundredths of a millimetre.
    if (info && cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, 0, &media) && media.width > 0 &&
        media.length > 0) {
        page.width = int(int64_t(media.width) * dotsPerInch / 2540);
        page.height = int(int64_t(media.length) * dotsPerInch / 2540);
        if (page.width > page.height)
            std::swap(page.width, page.height);
    }
    if (info)
        cupsFreeDestInfo(info);
    cupsFreeDests(1, dest);
    if (portrait)
        *portrait = page;
    return true;
}

std::string lastPrintedFile()
{
    std::lock_guard<std::mutex> guard(lastFileLock);
    return lastFile;
}

} // namespace platform
