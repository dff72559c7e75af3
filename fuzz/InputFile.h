#pragma once
// For targets whose reader opens a file by name: the input is written to a
// file of its own in a temp folder mapped as the drive F:, removed at exit.
// A name may hold folders ("COMMON/CLASSES/x.def"); they are made as needed.
#include "platform/Drives.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <sys/stat.h>

namespace fuzzinput {

struct Folder {
    std::string path;
    std::set<std::string> files;
    std::set<std::string> folders;
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
        for (const std::string& f : files)
            std::remove((path + "/" + f).c_str());
        // Deepest first: a longer name sorts after its parent.
        for (auto it = folders.rbegin(); it != folders.rend(); ++it)
            std::remove((path + "/" + *it).c_str());
        std::remove(path.c_str());
    }
};

// Writes the input as F:\<name>; false when it cannot.
inline bool write(const char* name, const uint8_t* data, size_t size)
{
    static Folder folder;
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
