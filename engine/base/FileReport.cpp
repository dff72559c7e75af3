#include "base/FileReport.h"

#include "base/File.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace {
std::mutex reportLock;
std::set<std::string> told;
std::set<std::string> toldMistakes;
const char* const prefix = "Quarnel: ";
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
    const std::string line = prefix + std::string(kind) + " \"" + platform::cp1250ToUtf8(name.c_str()) + "\" " +
                             problem + ": " + path + "\n";
    std::lock_guard<std::mutex> guard(reportLock);
    // Sounds and streams fail on other threads too; a file is told once
    // whatever it was wanted for.
    if (!told.insert(path.empty() ? line : path).second)
        return;
    std::fputs(line.c_str(), stderr);
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

void CFileReport::tell(const CXString& text)
{
    const std::string line = prefix + platform::cp1250ToUtf8(text.c_str()) + "\n";
    std::lock_guard<std::mutex> guard(reportLock);
    std::fputs(line.c_str(), stderr);
}
