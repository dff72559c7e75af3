// Path and name handling on arbitrary names: engine paths to host paths and
// back (drive letters, "..", both separators), the case-insensitive lookup
// of each component (code page 1250 letters included), joining and the
// name prefixes, wildcard patterns and directory searches, over a small
// fixed tree on the drive F: (no other drive is mapped). Input: up to three
// names separated by NUL bytes.
#include "base/File.h"
#include "base/Folder.h"
#include "base/Path.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"
#include "platform/FileIO.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The tree, made once and removed at exit: mixed-case names, a UTF-8 name
// on disk ("ŽLUŤOUČKÝ"), nested folders.
struct Tree {
    std::string root;
    Tree();
    ~Tree()
    {
        std::error_code failed;
        std::filesystem::remove_all(root, failed);
    }
};

Tree::Tree()
{
    const char* base = std::getenv("TMPDIR");
    root = std::string(base && *base ? base : "/tmp") + "/quarnel-fuzz-paths-XXXXXX";
    if (!mkdtemp(&root[0]))
        std::abort();
    for (const char* folder : {"/Rara", "/Rara/Scene", "/COMMON", "/COMMON/CLASSES"})
        mkdir((root + folder).c_str(), 0700);
    for (const char* file : {"/Rara/application.DEF", "/Rara/Scene/Obraz.IMG", "/Rara/\xC5\xBDLU\xC5\xA4OU\xC4\x8CK\xC3\x9D.cnv",
                             "/COMMON/CLASSES/Book.def", "/data.bf"})
        if (FILE* f = std::fopen((root + file).c_str(), "wb"))
            std::fclose(f);
    platform::resetDriveMap();
    platform::unmapDrive('C');
    platform::mapDrive('F', root, platform::DriveKind::FixedDisk);
    platform::mapDrive('D', root + "/Rara", platform::DriveKind::Medium);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Tree tree;
    const std::string& root = tree.root;
    static const CXString home("F:\\");
    std::string parts[3];
    int n = 0;
    for (size_t i = 0; i < size && n < 3; ++i) {
        if (data[i] == 0)
            ++n;
        else
            parts[n] += char(data[i]);
    }
    const CXString a(parts[0].c_str()), b(parts[1].c_str()), c(parts[2].c_str());
    CFile::chDir(home);

    platform::toEnginePath(platform::toHostPath(parts[0]));
    platform::toEnginePath(root + "/" + parts[1]);
    platform::upperCp1250(platform::utf8ToCp1250(platform::cp1250ToUtf8(parts[0])));
    platform::wildcardFits(parts[1].c_str(), parts[2].c_str());

    CPath::getFullPath(a, b);
    CPath::getFullPath(a, b, c);
    CPath::resolveFileName(nullptr, a);
    CPath::resolveFileNameEx(nullptr, b);
    CPath(nullptr, a).SetExtension(c);
    CFile::fileExists(a);
    CFile::dirExists(b);
    CFile::isHdd(a);
    CFile::getLocalPath(a);

    platform::FindData found;
    int handle = platform::findFirst(parts[1], &found);
    for (int k = 0; handle >= 0 && k < 50 && platform::findNext(handle, &found) == 0; ++k) {
    }
    platform::findClose(handle);
    {
        CFolder folder(nullptr, home);
        CFolder::releaseFilesList(folder.list(b));
        folder.GetFileName(c);
        folder.GetNextFileName();
    }

    // A directory change and a file opened from there, then home again.
    if (CFile::chDir(a) == 0) {
        CFile file(nullptr, c, CFile::MODE_READ | CFile::MODE_BINARY);
        file.Length();
    }
    CFile::chDir(home);
    return 0;
}
