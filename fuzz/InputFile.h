#pragma once
// For targets whose reader opens a file by name: the input is written to a
// file of its own in a temp folder mapped as the drive F:. A name may hold
// folders ("COMMON/CLASSES/x.def"); they are made as needed. What the engine
// wrote there for the previous input (a settings file, a decoded copy) is
// removed before the next one is written, so that inputs do not see each
// other's leftovers, and the whole folder goes at exit.
#include "platform/Drives.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>
#include <sys/stat.h>

namespace fuzzinput {

struct Folder {
    std::string path;
    std::set<std::string> files;   // written through write, relative
    std::set<std::string> folders; // made for them
    Folder()
    {
        const char* base = std::getenv("TMPDIR");
        path = std::string(base && *base ? base : "/tmp") + "/quarnel-fuzz-XXXXXX";
        if (!mkdtemp(&path[0]))
            std::abort();
        platform::mapDrive('F', path, platform::DriveKind::FixedDisk);
    }
    ~Folder()
    {
        std::error_code failed;
        std::filesystem::remove_all(path, failed);
    }
    // Removes everything in the folder that write did not put there.
    void removeOthers()
    {
        namespace fs = std::filesystem;
        std::error_code failed;
        std::vector<fs::path> others;
        for (fs::recursive_directory_iterator it(path, failed), end; !failed && it != end; it.increment(failed)) {
            const std::string relative = fs::path(it->path()).lexically_relative(path).generic_string();
            if (!files.count(relative) && !folders.count(relative)) {
                others.push_back(it->path());
                it.disable_recursion_pending();
            }
        }
        for (const fs::path& p : others)
            fs::remove_all(p, failed);
    }
};

// Writes the input as F:\<name>; false when it cannot.
inline bool write(const char* name, const uint8_t* data, size_t size)
{
    static Folder folder;
    folder.removeOthers();
    const std::string relative = name;
    for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1)) {
        folder.folders.insert(relative.substr(0, slash));
        mkdir((folder.path + "/" + relative.substr(0, slash)).c_str(), 0700);
    }
    folder.files.insert(relative);
    FILE* f = std::fopen((folder.path + "/" + relative).c_str(), "wb");
    if (!f)
        return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace fuzzinput
