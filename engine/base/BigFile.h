#pragma once
#include "base/BigFileIfc.h"
#include "base/XObject.h"
#include "base/XString.h"

#include <cstdint>
#include <memory>
#include <vector>

class CFile;
class CXArchive;

// The data archive "data.bf": a folder tree packed into one file.
//
// Layout (serializer form: little-endian, strings as a 32-bit length and
// the bytes):
//   header   name, root name "\", totalSize int32, two reserved int64,
//            fileCount int32, folderCount int32
//   folders  the root folder record, depth first; a folder record is
//            name, files int32, folders int32, its sub-folder records,
//            then its file records
//   file     name, dataOffset int32, reserved int64, size int32
//   data     the files' bytes one after another in file-record order
//
// Reading loads the table of contents once and keeps a current folder;
// names match ignoring case. Every count, length, offset and size is
// checked against the archive file, and a damaged archive is treated as
// one that cannot be opened: error code 2000 and no tree.
class CBigFile : public CXObject, public CBigFileIfc {
public:
    enum { ERROR_OPEN = 2000 };

    // Opens and loads the archive (no window, binary).
    CBigFile(const CXString& name, bool verbose, const CXString& unused);
    // An empty object for the writer.
    CBigFile(bool verbose, const CXString& unused);
    ~CBigFile() override;
    CBigFile(const CBigFile&) = delete;
    CBigFile& operator=(const CBigFile&) = delete;

    int ChDir(const CXString& name) override;
    // Without an archive file, the process's current directory.
    CXString GetCurrentDirectoryA() override;
    bool FileExists(const CXString& path) override;
    bool DirExists(const CXString& path) override;
    // The first entry of the current folder (sub-folders, then files)
    // whose name fits the pattern ignoring case; 0, or -1 when none does.
    int FindFirst(const CXString& pattern, _finddata_t* data) override;
    // A search in the archive yields one entry at most: always -1.
    int FindNext(int handle, _finddata_t* data) override;
    // -1 for a file that is not stored; the archive file does not move.
    int Seek(const CXString& path) override;
    int Seek(int offset, int origin) override;
    int Tell() override;
    // 0 for a file that is not stored.
    int GetSize(const CXString& path) override;
    CFile* GetFile() override { return file.get(); }

    bool Update(const CXString&) { return true; }
    bool UpdateFile(const CXString&, const CXString&) { return true; }

    // Packs the tree below `folder` into a new archive file. False (error
    // code 2000) when the archive cannot be written, a file cannot be read
    // whole, or the tree does not fit 32-bit offsets.
    bool Create(const CXString& archiveName, const CXString& folder, const CXString& unused);

    // How CFile::openBigFile makes the archive: null when it cannot be
    // opened or is damaged.
    static CBigFileIfc* open(const CXString& name);

    struct FolderEntry;
    struct FileEntry {
        CXString name;
        int32_t dataOffset = 0;
        int64_t reserved = 0;
        int32_t size = 0;
        FolderEntry* parent = nullptr;
    };
    struct FolderEntry {
        CXString name;
        FolderEntry* parent = nullptr;
        std::vector<std::unique_ptr<FolderEntry>> folders;
        std::vector<std::unique_ptr<FileEntry>> files;
    };
    struct RootRecord {
        CXString name;
        CXString rootName;
        int32_t totalSize = 0;
        int64_t reserved1 = 0;
        int64_t reserved2 = 0;
        int32_t fileCount = 0;
        int32_t folderCount = 0;
        std::unique_ptr<FolderEntry> folder;
    };

private:
    bool load();
    std::unique_ptr<FolderEntry> readFolder(CXArchive& ar, FolderEntry* parent, int depth, int64_t length);
    FolderEntry* step(FolderEntry* from, const CXString& name) const;
    FolderEntry* walk(const CXString& path, bool fromRoot) const;
    FileEntry* findFile(const CXString& path) const;
    CXString get_full_path(const FolderEntry* entry) const;
    static CXString get_full_path2(const FolderEntry* entry);

    // The writer's steps.
    struct Totals;
    static bool scan(FolderEntry* folder, const CXString& diskPath, Totals& totals, int depth);
    static void writeFolder(CXArchive& ar, FolderEntry* folder, int32_t& dataOffset);
    bool writeData(CFile& out, const FolderEntry* folder);

    std::unique_ptr<CFile> file;
    CXString fileName;
    bool verbose;
    RootRecord root;
    FolderEntry* current;
};
