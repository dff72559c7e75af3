// The archive reader on arbitrary bytes, then lookups in whatever it loaded.
#include "base/BigFile.h"
#include "base/File.h"
#include "platform/Drives.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One scratch file per process, removed at exit (by the destructor: a
// handler registered with atexit while the name was being made would run
// after the name was gone).
struct Scratch {
    std::string path;
    Scratch()
    {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/quarnel-bigfile-XXXXXX";
        int fd = mkstemp(&path[0]);
        if (fd < 0)
            std::abort();
        close(fd);
    }
    ~Scratch() { std::remove(path.c_str()); }
};

const std::string& scratch()
{
    static Scratch file;
    return file.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(scratch().c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    std::string name = platform::toEnginePath(scratch());
    CBigFile bf(CXString(name.c_str()), false, CXString());
    _finddata_t found{};
    if (bf.FindFirst("*", &found) == 0 && !(found.attrib & platform::FILE_ATTRIB_SUBDIR)) {
        bf.Seek(found.name);
        bf.GetSize(found.name);
    }
    bf.FileExists("images\\logo.img");
    bf.DirExists("\\a\\b");
    if (bf.ChDir(found.name) == 0)
        bf.GetCurrentDirectoryA();
    bf.ChDir("..");
    bf.GetCurrentDirectoryA();
    return 0;
}
