#include "base/BigFile.h"

#include "base/Archive.h"
#include "base/File.h"
#include "platform/Drives.h"
#include "platform/FileIO.h"

#include <cstdio>

namespace {

// Folders nest no deeper than this; Windows paths cannot, and a deeper
// table of contents is damage (and would recurse without bound).
const int MAX_DEPTH = 256;
// The fewest bytes a folder and a file record can take.
const int MIN_FOLDER_RECORD = 12;
const int MIN_FILE_RECORD = 20;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

int lastSeparator(const CXString& path)
{
    int a = path.FindLast('\\');
    int b = path.FindLast('/');
    return a > b ? a : b;
}

// The bytes a string takes in the serializer's form.
int64_t stringBytes(const CXString& s) { return 4 + int64_t(s.getLength()); }

struct Registrar {
    Registrar() { CFile::setBigFileFactory(&CBigFile::open); }
} registrar;

} // namespace

CBigFile::CBigFile(const CXString& name, bool v, const CXString&) : fileName(name), verbose(v), current(nullptr)
{
    file.reset(new CFile(nullptr, name, CFile::MODE_READ | CFile::MODE_BINARY));
    if (file->LastError() != 0 || !load()) {
        file.reset();
        root = RootRecord();
        current = nullptr;
        errorCode = ERROR_OPEN;
    }
}

CBigFile::CBigFile(bool v, const CXString&) : verbose(v), current(nullptr) {}

CBigFile::~CBigFile() {}

CBigFileIfc* CBigFile::open(const CXString& name)
{
    CBigFile* archive = new CBigFile(name, false, CXString());
    if (archive->LastError() == 0)
        return archive;
    delete archive;
    return nullptr;
}

bool CBigFile::load()
{
    int64_t length = file->Length();
    CXArchive ar(file.get(), false);
    ar >> &root.name >> &root.rootName >> &root.totalSize >> &root.reserved1 >> &root.reserved2 >> &root.fileCount
        >> &root.folderCount;
    if (ar.LastError() != 0)
        return false;
    root.folder = readFolder(ar, nullptr, 0, length);
    if (!root.folder)
        return false;
    current = root.folder.get();
    file->Seek(0, SEEK_SET);
    return true;
}

std::unique_ptr<CBigFile::FolderEntry> CBigFile::readFolder(CXArchive& ar, FolderEntry* parent, int depth,
                                                            int64_t length)
{
    if (depth > MAX_DEPTH)
        return nullptr;
    std::unique_ptr<FolderEntry> folder(new FolderEntry);
    folder->parent = parent;
    int files = 0, folders = 0;
    ar >> &folder->name >> &files >> &folders;
    if (ar.LastError() != 0 || files < 0 || folders < 0)
        return nullptr;
    // Counts that the bytes left cannot hold are damage.
    int64_t left = length - file->Tell();
    if (int64_t(files) * MIN_FILE_RECORD + int64_t(folders) * MIN_FOLDER_RECORD > left)
        return nullptr;

    for (int i = 0; i < folders; ++i) {
        std::unique_ptr<FolderEntry> sub = readFolder(ar, folder.get(), depth + 1, length);
        if (!sub)
            return nullptr;
        folder->folders.push_back(std::move(sub));
    }
    for (int i = 0; i < files; ++i) {
        std::unique_ptr<FileEntry> entry(new FileEntry);
        entry->parent = folder.get();
        ar >> &entry->name >> &entry->dataOffset >> &entry->reserved >> &entry->size;
        if (ar.LastError() != 0 || entry->dataOffset < 0 || entry->size < 0 ||
            int64_t(entry->dataOffset) + entry->size > length)
            return nullptr;
        folder->files.push_back(std::move(entry));
    }
    return folder;
}

CBigFile::FolderEntry* CBigFile::step(FolderEntry* from, const CXString& name) const
{
    if (!from)
        return nullptr;
    if (name == ".")
        return from;
    if (name == "..")
        return from->parent;
    for (const auto& sub : from->folders)
        if (sub->name.equalsIgnoreCase(name))
            return sub.get();
    return nullptr;
}

CBigFile::FolderEntry* CBigFile::walk(const CXString& path, bool fromRoot) const
{
    FolderEntry* at = fromRoot ? root.folder.get() : current;
    int start = 0;
    for (int i = 0; at && i <= path.getLength(); ++i) {
        if (i < path.getLength() && !isSeparator(path.GetAt(i)))
            continue;
        if (i > start)
            at = step(at, path.Mid(start, i));
        start = i + 1;
    }
    return at;
}

CBigFile::FileEntry* CBigFile::findFile(const CXString& path) const
{
    int cut = lastSeparator(path);
    FolderEntry* folder = walk(path.Left(cut < 0 ? 0 : cut), isSeparator(path.GetAt(0)));
    if (!folder)
        return nullptr;
    CXString name = path.Right(cut + 1);
    for (const auto& entry : folder->files)
        if (entry->name.equalsIgnoreCase(name))
            return entry.get();
    return nullptr;
}

int CBigFile::ChDir(const CXString& name)
{
    FolderEntry* to = step(current, name);
    if (!to)
        return -1;
    current = to;
    return 0;
}

CXString CBigFile::get_full_path(const FolderEntry* entry) const
{
    if (!entry || !entry->parent)
        return root.rootName;
    CXString path;
    for (const FolderEntry* e = entry; e->parent; e = e->parent)
        path = e->name + "\\" + path;
    return path;
}

CXString CBigFile::get_full_path2(const FolderEntry* entry)
{
    CXString path;
    for (const FolderEntry* e = entry; e; e = e->parent)
        path = e->name + "\\" + path;
    return path;
}

CXString CBigFile::GetCurrentDirectoryA()
{
    if (!file) {
        std::string cwd = platform::getCurrentDirectory();
        return CXString(cwd.c_str(), int(cwd.size()));
    }
    CXString path = get_full_path(current);
    if (path.lastChar() == '\\')
        path.left(path.getLength() - 1);
    return path;
}

bool CBigFile::FileExists(const CXString& path) { return findFile(path) != nullptr; }

bool CBigFile::DirExists(const CXString& path)
{
    return path.IsString() && walk(path, isSeparator(path.GetAt(0))) != nullptr;
}

int CBigFile::FindFirst(const CXString& pattern, _finddata_t* data)
{
    if (!current || !data)
        return -1;
    CXString lowerPattern(pattern);
    lowerPattern.Lower();
    auto fits = [&](const CXString& name) {
        CXString lower(name);
        return lowerPattern.FilterFits(lower.Lower());
    };
    auto fill = [&](const CXString& name, uint32_t attrib, int32_t size) {
        data->attrib = attrib;
        data->size = uint32_t(size);
        std::snprintf(data->name, sizeof data->name, "%s", name.c_str());
        return 0;
    };
    for (const auto& sub : current->folders)
        if (fits(sub->name))
            return fill(sub->name, platform::FILE_ATTRIB_SUBDIR, 0);
    for (const auto& entry : current->files)
        if (fits(entry->name))
            return fill(entry->name, platform::FILE_ATTRIB_ARCHIVE, entry->size);
    return -1;
}

int CBigFile::FindNext(int, _finddata_t*) { return -1; }

int CBigFile::Seek(const CXString& path)
{
    FileEntry* entry = file ? findFile(path) : nullptr;
    if (!entry)
        return -1;
    file->Seek(entry->dataOffset - file->Tell(), SEEK_CUR);
    return entry->dataOffset;
}

int CBigFile::Seek(int offset, int origin) { return file ? file->Seek(offset, origin) : -1; }

int CBigFile::Tell() { return file ? file->Tell() : 0; }

int CBigFile::GetSize(const CXString& path)
{
    FileEntry* entry = findFile(path);
    return entry ? entry->size : 0;
}

struct CBigFile::Totals {
    int64_t tocSize = 0;
    int64_t totalSize = 0;
    int files = 0;
    int folders = 0;
};

bool CBigFile::scan(FolderEntry* folder, const CXString& diskPath, Totals& totals, int depth)
{
    if (depth > MAX_DEPTH)
        return false;
    totals.tocSize += stringBytes(folder->name) + 8;
    _finddata_t d;
    CXString pattern = diskPath + "\\*.*";
    int handle = platform::findFirst(pattern.c_str(), &d);
    if (handle >= 0) {
        do {
            CXString name(d.name);
            if (name == "." || name == "..")
                continue;
            if (d.attrib & platform::FILE_ATTRIB_SUBDIR) {
                std::unique_ptr<FolderEntry> sub(new FolderEntry);
                sub->name = name;
                sub->parent = folder;
                folder->folders.push_back(std::move(sub));
                ++totals.folders;
            } else {
                std::unique_ptr<FileEntry> entry(new FileEntry);
                entry->name = name;
                entry->size = d.size > uint32_t(INT32_MAX) ? -1 : int32_t(d.size);
                entry->parent = folder;
                if (entry->size < 0) {
                    platform::findClose(handle);
                    return false;
                }
                totals.totalSize += entry->size;
                totals.tocSize += stringBytes(name) + 16;
                folder->files.push_back(std::move(entry));
                ++totals.files;
            }
        } while (platform::findNext(handle, &d) == 0);
        platform::findClose(handle);
    }
    for (const auto& sub : folder->folders)
        if (!scan(sub.get(), diskPath + "\\" + sub->name, totals, depth + 1))
            return false;
    return true;
}

void CBigFile::writeFolder(CXArchive& ar, FolderEntry* folder, int32_t& dataOffset)
{
    ar << folder->name << int(folder->files.size()) << int(folder->folders.size());
    for (const auto& sub : folder->folders)
        writeFolder(ar, sub.get(), dataOffset);
    for (const auto& entry : folder->files) {
        entry->dataOffset = dataOffset;
        ar << entry->name << int(entry->dataOffset) << entry->reserved << int(entry->size);
        dataOffset += entry->size;
    }
}

bool CBigFile::writeData(CFile& out, const FolderEntry* folder)
{
    for (const auto& sub : folder->folders)
        if (!writeData(out, sub.get()))
            return false;
    std::vector<char> chunk(65536);
    for (const auto& entry : folder->files) {
        CXString path = get_full_path2(folder) + entry->name;
        if (verbose)
            std::printf("%s: %d bytes.\n", path.c_str(), int(entry->size));
        CFile in(nullptr, path, CFile::MODE_READ | CFile::MODE_BINARY);
        if (in.LastError() != 0)
            return false;
        // Exactly the size the table of contents gives, or the offsets of
        // every later file would be wrong.
        int left = entry->size;
        while (left > 0) {
            int n = in.Read(chunk.data(), left < int(chunk.size()) ? left : int(chunk.size()));
            if (n <= 0 || out.Write(chunk.data(), n) != 1)
                return false;
            left -= n;
        }
    }
    return true;
}

bool CBigFile::Create(const CXString& archiveName, const CXString& folder, const CXString&)
{
    RootRecord packed;
    packed.name = archiveName;
    packed.rootName = "\\";
    packed.folder.reset(new FolderEntry);
    packed.folder->name = folder;
    Totals totals;
    totals.tocSize = stringBytes(packed.name) + stringBytes(packed.rootName) + 4 + 8 + 8 + 4 + 4;
    bool ok = scan(packed.folder.get(), folder, totals, 0) && totals.tocSize + totals.totalSize <= INT32_MAX;
    packed.totalSize = int32_t(totals.totalSize);
    packed.fileCount = totals.files;
    packed.folderCount = totals.folders;

    if (ok && verbose) {
        std::printf("Big file name: %s.\n", archiveName.c_str());
        std::printf("Number of folders: %d.\n", packed.folderCount);
        std::printf("Number of files: %d.\n", packed.fileCount);
        std::printf("Total size: %d bytes.\n", packed.totalSize);
        std::printf("TOC size: %d bytes.\n", int(totals.tocSize));
    }
    if (ok) {
        CFile out(nullptr, archiveName, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
        CXArchive ar(&out, true);
        ar << packed.name << packed.rootName << int(packed.totalSize) << packed.reserved1 << packed.reserved2
           << int(packed.fileCount) << int(packed.folderCount);
        int32_t dataOffset = int32_t(totals.tocSize);
        writeFolder(ar, packed.folder.get(), dataOffset);
        ok = out.LastError() == 0 && ar.LastError() == 0 && out.Tell() == totals.tocSize;
        if (ok && verbose)
            std::printf("TOC saved.\n");
        ok = ok && writeData(out, packed.folder.get());
    }
    errorCode = ok ? 0 : ERROR_OPEN;
    return ok;
}
