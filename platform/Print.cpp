#include "platform/Print.h"

#include <mutex>

namespace platform {

namespace {
std::mutex folderLock;
std::string& folder()
{
    static std::string path;
    return path;
}
} // namespace

void setPrintFolder(const std::string& engineFolder)
{
    std::lock_guard<std::mutex> guard(folderLock);
    folder() = engineFolder;
}

std::string printFolder()
{
    std::lock_guard<std::mutex> guard(folderLock);
    return folder();
}

} // namespace platform
