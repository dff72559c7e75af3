#include "base/FileReport.h"

#include "base/File.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>

namespace {
std::mutex reportLock;
std::set<std::string> told;
std::set<std::string> toldMistakes;
// Files that peers named, by a hash of the path: a peer may name any
// number of files, of any length.
std::unordered_set<size_t> toldForPeers;
bool peersUntold = false;
const char* const prefix = "Quarnel: ";

std::string lineOf(const char* kind, const CXString& name, const char* problem, const std::string& path)
{
    // A peer's request may name no place: then the line ends with the problem.
    return prefix + std::string(kind) + " \"" + platform::cp1250ToUtf8(name.c_str()) + "\" " + problem +
           (path.empty() ? "" : ": " + path) + "\n";
}

} // namespace

void CFileReport::failed(CWindow* window, const char* kind, const CXString& name, const char* problem)
{
    failedAt(kind, name, problem, CFile::getFullName(window, name));
}

void CFileReport::failedAt(const char* kind, const CXString& name, const char* problem, const CXString& enginePath)
{
    // No name is no file: nothing was asked for.
    if (!name.IsString())
        return;
    const std::string path = platform::toHostPath(enginePath.c_str());
    const std::string line = lineOf(kind, name, problem, path);
    std::lock_guard<std::mutex> guard(reportLock);
    // Sounds and streams fail on other threads too; a file is told once
    // whatever it was wanted for.
    if (!told.insert(path.empty() ? line : path).second)
        return;
    std::fputs(line.c_str(), stderr);
}

void CFileReport::peerFailedAt(const char* kind, const CXString& name, const char* problem,
                               const CXString& enginePath)
{
    if (!name.IsString())
        return;
    {
        std::lock_guard<std::mutex> guard(reportLock);
        if (peersUntold)
            return;
    }
    // A cut path is known by its engine form, which is not copied: a long
    // name is never looked for on the disk.
    const CXString shown = cutPath(enginePath);
    const bool cut = shown != enginePath;
    const std::string path = enginePath.IsString() ? platform::toHostPath(shown.c_str()) : std::string();
    const std::string_view whole = cut ? std::string_view(enginePath.c_str(), size_t(enginePath.getLength()))
                                       : std::string_view(path);
    const size_t key = whole.empty() ? std::hash<std::string>()(std::string(kind) + name.c_str() + problem)
                                     : std::hash<std::string_view>()(whole);
    const std::string line = lineOf(kind, cutName(name), problem, path);
    std::lock_guard<std::mutex> guard(reportLock);
    if ((!cut && told.count(path)) || toldForPeers.count(key) || peersUntold)
        return;
    if (toldForPeers.size() >= PEER_FILES_TOLD) {
        peersUntold = true;
        std::fprintf(stderr, "%s%d files that peers named have been told; further ones are not\n", prefix,
                     int(PEER_FILES_TOLD));
        return;
    }
    toldForPeers.insert(key);
    std::fputs(line.c_str(), stderr);
}

namespace {
// text cut after NAME_SHOWN bytes from start, marked.
CXString cutFrom(const CXString& text, int start)
{
    return CXString(text.c_str(), start + CFileReport::NAME_SHOWN) +
           ("...(cut, " + std::to_string(text.getLength() - start) + " bytes)").c_str();
}
} // namespace

CXString CFileReport::cutPath(const CXString& enginePath)
{
    const char* path = enginePath.c_str();
    int start = enginePath.getLength();
    while (start > 0 && path[start - 1] != '\\' && path[start - 1] != '/')
        --start;
    return enginePath.getLength() - start <= NAME_SHOWN ? enginePath : cutFrom(enginePath, start);
}

CXString CFileReport::cutName(const CXString& name)
{
    return name.getLength() <= NAME_SHOWN ? name : cutFrom(name, 0);
}

void CFileReport::mistakeAt(const CXString& what, const CXString& enginePath, const std::string& detail)
{
    const std::string path = enginePath.IsString() ? platform::toHostPath(enginePath.c_str()) : std::string();
    std::string line = prefix + platform::cp1250ToUtf8(what.c_str());
    if (!path.empty())
        line += ": " + path;
    // A path names the thing told, whatever the reason; without one the
    // detail is what is told, so two details are two mistakes.
    const std::string key = path.empty() ? line + ": " + detail : line;
    if (!detail.empty())
        line += (path.empty() ? ": " : " (") + detail + (path.empty() ? "" : ")");
    line += "\n";
    std::lock_guard<std::mutex> guard(reportLock);
    if (!toldMistakes.insert(key).second)
        return;
    std::fputs(line.c_str(), stderr);
}

void CFileReport::tellOnce(const CXString& text)
{
    const std::string line = prefix + platform::cp1250ToUtf8(text.c_str()) + "\n";
    std::lock_guard<std::mutex> guard(reportLock);
    if (toldMistakes.insert(line).second)
        std::fputs(line.c_str(), stderr);
}

void CFileReport::tell(const CXString& text)
{
    const std::string line = prefix + platform::cp1250ToUtf8(text.c_str()) + "\n";
    std::lock_guard<std::mutex> guard(reportLock);
    std::fputs(line.c_str(), stderr);
}
