#pragma once
#include "base/XString.h"
#include "platform/FileIO.h"

class CFile;

// The C library's find record, as directory searches fill it.
typedef platform::FindData _finddata_t;

// What the file layer asks of the open archive "data.bf" (CBigFile). While
// an archive is open, CFile's current directory, change of directory,
// existence tests, directory search and its fSeek/fTell on the archive's
// own file answer from the archive's tree; files are still opened from disk.
// Paths here are relative to the archive's current folder unless they
// begin with a backslash.
class CBigFileIfc {
public:
    virtual ~CBigFileIfc() {}
    // One step: "." stays, ".." goes to the parent, else a sub-folder
    // (any case). 0 on success, -1 on failure.
    virtual int ChDir(const CXString& name) = 0;
    // The current folder's path inside the archive, without a backslash at
    // either end; the empty text at the root.
    virtual CXString GetCurrentDirectoryA() = 0;
    virtual bool FileExists(const CXString& path) = 0;
    virtual bool DirExists(const CXString& path) = 0;
    // A search in the current folder; -1 when nothing matches.
    virtual int FindFirst(const CXString& pattern, _finddata_t* data) = 0;
    virtual int FindNext(int handle, _finddata_t* data) = 0;
    // Moves the archive's file to the first byte of a stored file and
    // returns that offset.
    virtual int Seek(const CXString& path) = 0;
    virtual int Seek(int offset, int origin) = 0;
    virtual int Tell() = 0;
    virtual int GetSize(const CXString& path) = 0;
    // The archive's own open file; the archive keeps it.
    virtual CFile* GetFile() = 0;
};

// Makes the archive reader for a file name; null when it cannot be opened.
typedef CBigFileIfc* (*CBigFileFactory)(const CXString& name);
