// The PDF print job over cairo, handed to CUPS.
#include "platform/print/PdfPrint.h"
#include "platform/FileIO.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

// A print thread may still be at work as the program ends: what it shares
// is never destroyed.
std::mutex& lastFileLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}
std::string& lastFile()
{
    static std::string* path = new std::string;
    return *path;
}

void rememberFile(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lastFileLock());
    lastFile() = path;
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

// A host folder; the current directory for none.
std::filesystem::path hostFolder(const std::string& host)
{
    std::error_code failed;
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

// "10 s", "2.5 s".
std::string seconds(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, ms % 1000 ? "%.1f s" : "%.0f s", ms / 1000.0);
    return text;
}

// Hundredths of a millimetre (CUPS's sizes) in pixels, rounded.
int pixels(int hundredths, int dotsPerInch) { return int((int64_t(hundredths) * dotsPerInch + 1270) / 2540); }

// Milliseconds until the deadline, at least 1.
int msecondsLeft(const PrintDeadline& deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline.until - std::chrono::steady_clock::now());
    return int(std::max<int64_t>(1, std::min<int64_t>(left.count(), 600000)));
}

// The print server's name for the messages: its socket's path, or its host
// and port.
std::string serverName()
{
    const std::string host = cupsServer();
    return !host.empty() && host[0] == '/' ? host : host + ":" + std::to_string(ippPort());
}

// Why no connection could be made to the server's addresses, in the
// system's words: libcups says "Host is down" whatever the cause, so each
// address is tried once more here, until the deadline at most.
std::string whyNoConnection(const PrintDeadline& deadline)
{
    http_addrlist_t* addresses = httpAddrGetList(cupsServer(), AF_UNSPEC, std::to_string(ippPort()).c_str());
    if (!addresses)
        return cupsLastErrorString();
    int error = EHOSTDOWN;
    for (http_addrlist_t* a = addresses; a && error != 0 && !deadline.passed(); a = a->next) {
        const int fd = socket(httpAddrFamily(&a->addr), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = connect(fd, &a->addr.addr, socklen_t(httpAddrLength(&a->addr))) == 0 ? 0 : errno;
        if (error == EINPROGRESS) {
            pollfd ready{fd, POLLOUT, 0};
            socklen_t size = sizeof error;
            if (poll(&ready, 1, msecondsLeft(deadline)) != 1 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                error = ETIMEDOUT;
        }
        close(fd);
    }
    httpAddrFreeList(addresses);
    // It takes connections now after all.
    if (error == 0)
        return cupsLastErrorString();
    return std::strerror(error);
}

// A connection to the print server that waits for it until the deadline
// and no longer: libcups asks after each tenth of a second without an
// answer whether to go on waiting. When none could be made before the
// deadline, `why` tells why.
class ServerConnection {
public:
    explicit ServerConnection(const PrintDeadline& limit) : deadline(limit)
    {
        if (deadline.passed())
            return;
        // Made without connecting, so that a failed lookup and a failed
        // connection can be told apart.
        http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 0, nullptr);
        if (!http) {
            why = cupsLastErrorString();
            return;
        }
        if (httpReconnect2(http, msecondsLeft(deadline), nullptr) != 0) {
            httpClose(http);
            http = nullptr;
            if (!deadline.passed())
                why = whyNoConnection(deadline);
            return;
        }
        httpSetTimeout(http, 0.1, &ServerConnection::goOn, this);
    }
    ~ServerConnection()
    {
        if (http)
            httpClose(http);
    }
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    http_t* get() const { return http; }
    const PrintDeadline deadline;
    std::string why;

private:
    static int goOn(http_t*, void* self) { return !static_cast<ServerConnection*>(self)->deadline.passed(); }

    http_t* http = nullptr;
};

class PdfPrintJob : public PrintJob {
public:
    // A page of `paper` pixels at dotsPerInch, portrait, whose pictures
    // keep `margins` pixels from its edges on each side.
    PdfPrintJob(Size paper, Size margins, int dotsPerInch, std::filesystem::path folder)
        : paper(paper), margins(margins), dpi(dotsPerInch > 0 ? dotsPerInch : int(PRINT_DOTS_PER_INCH)),
          folder(std::move(folder))
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

    // Its documents go to that printer, on that paper when one is named.
    void sendTo(std::unique_ptr<ServerConnection> connection, std::string name, std::string paperName)
    {
        server = std::move(connection);
        printer = std::move(name);
        media = std::move(paperName);
    }
    // Why no printer takes its documents, said before where they are left.
    void setNote(std::string why) { note = std::move(why); }

    bool setLandscape() override
    {
        if (inPage)
            return false;
        if (!landscape) {
            std::swap(paper.width, paper.height);
            std::swap(margins.width, margins.height);
        }
        landscape = true;
        if (pdf)
            cairo_pdf_surface_set_size(pdf, points(paper.width), points(paper.height));
        return true;
    }
    Size pageSize() override { return Size{paper.width - 2 * margins.width, paper.height - 2 * margins.height}; }
    bool canStretchPictures() override { return true; }

    bool startDocument(const std::string& name) override
    {
        if (pdf || paper.width <= 0 || paper.height <= 0)
            return false;
        documentName = name;
        std::string file;
        if (server) {
            std::string pattern = temporaryFolder() + "/quarnel-print-XXXXXX.pdf";
            const int fd = mkstemps(&pattern[0], 4);
            if (fd < 0)
                return false;
            close(fd);
            file = pattern;
        } else {
            file = freeName(folder, fileStem(name)).string();
        }
        pdf = cairo_pdf_surface_create(file.c_str(), points(paper.width), points(paper.height));
        if (cairo_surface_status(pdf) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(pdf);
            pdf = nullptr;
            if (server)
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
        // Page pixels to PDF points, past the margins, then the picture onto
        // its rectangle.
        cairo_scale(context, 72.0 / dpi, 72.0 / dpi);
        cairo_translate(context, margins.width + dst.left, margins.height + dst.top);
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

    // To the printer, or into the folder when there is none or it does not
    // take the document.
    void deliver()
    {
        if (!server) {
            keep(path);
            return;
        }
        cups_option_t* options = nullptr;
        int count = 0;
        if (!media.empty())
            count = cupsAddOption("media", media.c_str(), count, &options);
        const int id = cupsPrintFile2(server->get(), printer.c_str(), path.c_str(), documentName.c_str(), count,
                                      options);
        cupsFreeOptions(count, options);
        if (id > 0) {
            std::remove(path.c_str());
            return;
        }
        if (server->deadline.stopped())
            note = "the program ended before the printer " + printer + " took the document";
        else if (server->deadline.passed())
            note = "the printer " + printer + " did not take the document within " +
                   seconds(server->deadline.limitMs);
        else
            note = "the printer " + printer + " refused the document: " + cupsLastErrorString();
        std::error_code failed;
        const std::filesystem::path kept = freeName(folder, fileStem(documentName));
        std::filesystem::copy_file(path, kept, failed);
        std::remove(path.c_str());
        if (!failed)
            keep(kept.string());
        else
            std::fprintf(stderr, "Quarnel: %s, and the document could not be written to %s\n", note.c_str(),
                         kept.string().c_str());
    }

    void keep(const std::string& file)
    {
        rememberFile(file);
        if (!note.empty())
            std::fprintf(stderr, "Quarnel: %s\n", note.c_str());
        std::fprintf(stderr, "Quarnel: no printer took the document; it was written to %s\n", file.c_str());
    }

    Size paper;
    Size margins;
    int dpi;
    std::filesystem::path folder;
    std::unique_ptr<ServerConnection> server;
    std::string printer;
    std::string media;
    std::string note;
    bool landscape = false;
    bool inPage = false;
    std::string documentName;
    std::string path;
    cairo_surface_t* pdf = nullptr;
    cairo_t* context = nullptr;
};

// The default printer and its paper.
struct Printer {
    std::string name;
    std::string media; // as the printer names it; empty when it names none
    Size paper;        // portrait, pixels
    Size margins;      // the widest of left and right, of top and bottom
};

enum class Lookup { FOUND, NO_PRINTER, NO_ANSWER, UNREACHABLE };

// The paper of the printer: the user's own choice for it, else the queue's
// default; A4 when it names none or none that can be measured. The queue
// is asked for the paper's size and margins by its standard (PWG) name,
// then by the name given: libcups knows a queue's papers by the standard
// names only, and users name them the usual way ("A4", "Letter"). A paper
// that a queue listing its papers does not offer gives way to the queue's
// default paper, which the job then asks for too, so that the page is laid
// out on the paper it is printed on; one that a queue listing none does
// not know is measured without margins.
void findPaper(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, int dpi, Printer* printer)
{
    printer->paper = a4PageSize(dpi);
    printer->margins = Size{0, 0};
    const char* media = cupsGetOption("media", dest->num_options, dest->options);
    if ((!media || !*media) && info) {
        ipp_attribute_t* byDefault = cupsFindDestDefault(http, dest, info, "media");
        media = byDefault ? ippGetString(byDefault, 0, nullptr) : nullptr;
    }
    if (!media || !*media)
        return;
    printer->media = media;
    pwg_media_t* known = pwgMediaForPWG(media);
    if (!known)
        known = pwgMediaForLegacy(media);
    if (!known)
        known = pwgMediaForPPD(media);
    auto queueKnows = [&](const char* name, cups_size_t* size) {
        return info && name && cupsGetDestMediaByName(http, dest, info, name, CUPS_MEDIA_FLAGS_DEFAULT, size);
    };
    cups_size_t size{};
    bool offered = (known && queueKnows(known->pwg, &size)) || queueKnows(media, &size);
    if (!offered && info && cupsGetDestMediaCount(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT) > 0 &&
        cupsGetDestMediaDefault(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size) && size.media[0]) {
        printer->media = size.media;
        offered = true;
    }
    if (!offered) {
        if (!known)
            return;
        size = cups_size_t{};
        size.width = known->width;
        size.length = known->length;
    }
    // From 1 cm to 10 m a side, margins under half of it.
    const int left = std::max(size.left, size.right), top = std::max(size.top, size.bottom);
    if (size.width < 1000 || size.length < 1000 || size.width > 1000000 || size.length > 1000000 || left < 0 ||
        top < 0 || 2 * left >= size.width || 2 * top >= size.length)
        return;
    printer->paper = Size{pixels(size.width, dpi), pixels(size.length, dpi)};
    printer->margins = Size{pixels(left, dpi), pixels(top, dpi)};
}

Lookup findPrinter(ServerConnection& server, int dpi, Printer* printer)
{
    http_t* http = server.get();
    if (!http)
        return server.deadline.passed() ? Lookup::NO_ANSWER : Lookup::UNREACHABLE;
    cups_dest_t* dest = cupsGetNamedDest(http, nullptr, nullptr);
    if (!dest)
        return server.deadline.passed() ? Lookup::NO_ANSWER : Lookup::NO_PRINTER;
    printer->name = dest->name;
    cups_dinfo_t* info = cupsCopyDestInfo(http, dest);
    findPaper(http, dest, info, dpi, printer);
    if (info)
        cupsFreeDestInfo(info);
    cupsFreeDests(1, dest);
    return Lookup::FOUND;
}

} // namespace

std::unique_ptr<PrintJob> createPdfPrintJob(Size portrait, int dotsPerInch)
{
    return std::unique_ptr<PrintJob>(new PdfPrintJob(portrait, Size{0, 0}, dotsPerInch, hostFolder(hostPrintFolder())));
}

std::unique_ptr<PrintJob> createSystemPrintJob(const PrintDeadline& deadline, const std::string& folder)
{
    std::unique_ptr<ServerConnection> server(new ServerConnection(deadline));
    Printer printer;
    const Lookup found = findPrinter(*server, PRINT_DOTS_PER_INCH, &printer);
    std::filesystem::path where = hostFolder(folder);
    if (found == Lookup::FOUND) {
        std::unique_ptr<PdfPrintJob> job(
            new PdfPrintJob(printer.paper, printer.margins, PRINT_DOTS_PER_INCH, std::move(where)));
        job->sendTo(std::move(server), printer.name, printer.media);
        return job;
    }
    std::unique_ptr<PdfPrintJob> job(
        new PdfPrintJob(a4PageSize(PRINT_DOTS_PER_INCH), Size{0, 0}, PRINT_DOTS_PER_INCH, std::move(where)));
    if (found == Lookup::NO_ANSWER)
        job->setNote(deadline.stopped() ? std::string("the program ended before the print server answered")
                                        : "the print server did not answer within " + seconds(deadline.limitMs));
    else if (found == Lookup::UNREACHABLE)
        job->setNote("the print server " + serverName() + " cannot be reached: " + server->why);
    return job;
}

std::string lastPrintedFile()
{
    std::lock_guard<std::mutex> guard(lastFileLock());
    return lastFile();
}

} // namespace platform
