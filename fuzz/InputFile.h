#pragma once
// For targets whose reader opens a file by name: the input is written to a
// file of its own in a temp folder mapped as the drive F:, removed at exit.
#include "platform/Drives.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzinput {

struct Folder {
    std::string path;
    std::string file;
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
        if (!file.empty())
            std::remove((path + "/" + file).c_str());
        std::remove(path.c_str());
    }
};

// Writes the input as F:\<name>; false when it cannot. One name per target.
inline bool write(const char* name, const uint8_t* data, size_t size)
{
    static Folder folder;
    folder.file = name;
    FILE* f = std::fopen((folder.path + "/" + name).c_str(), "wb");
    if (!f)
        return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace fuzzinput
