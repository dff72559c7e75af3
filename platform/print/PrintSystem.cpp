#include "platform/print/PdfPrint.h"

#include "platform/Drives.h"

#include <cstdlib>

namespace platform {

Size a4PageSize(int dotsPerInch)
{
    // 210 x 297 mm, rounded to the nearest pixel.
    return Size{int((2100L * dotsPerInch + 127) / 254), int((2970L * dotsPerInch + 127) / 254)};
}

int printServerLimitMs()
{
    const char* set = std::getenv("QUARNEL_PRINT_TIMEOUT_MS");
    if (!set || !*set)
        return PRINT_SERVER_LIMIT_MS;
    char* end = nullptr;
    const long ms = std::strtol(set, &end, 10);
    return *end == '\0' && ms >= 100 && ms <= 600000 ? int(ms) : int(PRINT_SERVER_LIMIT_MS);
}

std::string hostPrintFolder()
{
    const std::string folder = printFolder();
    return folder.empty() ? std::string() : toHostPath(folder);
}

PrintDeadline PrintDeadline::after(int limitMs, const std::atomic<bool>* stop)
{
    PrintDeadline d;
    d.until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    d.stop = stop;
    d.limitMs = limitMs;
    return d;
}

} // namespace platform
