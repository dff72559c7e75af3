#include "platform/print/PdfPrint.h"

#include "platform/Drives.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

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
    errno = 0;
    const long ms = std::strtol(set, &end, 10);
    if (end != set && *end == '\0' && errno == 0 && ms >= 100 && ms <= 600000)
        return int(ms);
    // Each print reads the setting; a value is named the first time only.
    static std::mutex lock;
    static std::set<std::string> told;
    std::lock_guard<std::mutex> guard(lock);
    if (told.insert(set).second)
        std::fprintf(stderr,
                     "Quarnel: QUARNEL_PRINT_TIMEOUT_MS=%s is not a number of milliseconds from 100 to 600000; "
                     "the print server is waited for %d s\n",
                     set, int(PRINT_SERVER_LIMIT_MS / 1000));
    return PRINT_SERVER_LIMIT_MS;
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
