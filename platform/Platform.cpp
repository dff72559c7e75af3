#include "platform/Platform.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Platform*> installed{nullptr};
} // namespace

Platform* currentPlatform() { return installed.load(std::memory_order_acquire); }

void setPlatform(Platform* platform) { installed.store(platform, std::memory_order_release); }

void* Platform::createMainWindow(int, const std::string&, bool, Point) { return nullptr; }

void Platform::printDocument(std::function<void(PrintJob&)> draw)
{
    if (std::unique_ptr<PrintJob> job = choosePrinter())
        draw(*job);
}

int Platform::chooseCommand(const std::string&, const std::string&, const std::vector<MenuCommand>&) { return 0; }

bool Platform::pumpEvents(WindowProcedure* procedure)
{
    bool ok = readEvents(procedure);
    std::deque<WindowMessage> queued;
    {
        std::lock_guard<std::mutex> guard(postedLock);
        queued.swap(posted);
    }
    for (const WindowMessage& m : queued)
        if (procedure)
            procedure->windowMessage(m);
    return ok;
}

void Platform::postWindowMessage(const WindowMessage& message)
{
    std::lock_guard<std::mutex> guard(postedLock);
    posted.push_back(message);
}

#ifndef QUARNEL_WITH_SDL
std::unique_ptr<Platform> createSdlPlatform(std::string* why)
{
    if (why)
        *why = "the engine was built without SDL";
    return nullptr;
}
#endif

} // namespace platform
