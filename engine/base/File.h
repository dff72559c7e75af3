#pragma once
#include "base/BigFileIfc.h"
#include "base/Folder.h"
#include "base/XObject.h"
#include "base/XString.h"

#include <cstdio>

class CWindow;

// The one way the engine reaches a file. Names are in Windows form and go
// through the engine's search order: a relative name is joined to the
// process's current directory, and the file is looked for in the language
// folder and the plain folder, on the hard-disk installation and on the
// installation medium. The static members answer directory questions from
// the archive "data.bf" while one is open.
//
// A CFile owns its stream and cannot be copied.
class CFile : public CXObject {
public:
    // Open-mode bits; callers combine them (0x11 read binary, 0x09 read
    // text, 0x16 write binary, 0x0E write text).
    enum {
        MODE_READ = 0x01,   // "r", else "w"
        MODE_WRITE = 0x02,  // given by writers beside MODE_UPDATE; not tested
        MODE_UPDATE = 0x04, // "+"
        MODE_TEXT = 0x08,   // "t"
        MODE_BINARY = 0x10  // "b", unless MODE_TEXT
    };
    // The error code when no candidate could be opened.
    enum { ERROR_OPEN = 2000 };

    CFile();
    CFile(CWindow* window, const CXString& name, int mode);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // -1 when no file is open; the position is kept.
    virtual int Length();
    // 0 when no file is open.
    virtual int Tell();
    virtual FILE* GetHandle();
    // whence 0 start, 1 current, 2 end; 0 on success.
    virtual int Seek(int offset, int whence);
    // Closes a file already open, then tries the candidates of the search
    // order; 0 when one opened, ERROR_OPEN when none did (also the error code).
    virtual int Open(CWindow* window, const CXString& name, int mode);
    // The bytes read; a text-mode file reads fewer than its length when it
    // has CR LF line ends.
    virtual int Read(void* buffer, int count);
    // 1 when the whole block was written, else 0.
    virtual int Write(const void* buffer, int count);
    // Closes the stream; returns the error code.
    virtual int Close();
    // One line of at most size - 1 characters, newline included; false at
    // the end of the file or when nothing is open.
    virtual bool GetLine(char* buffer, int size);
    // One line of at most 10,240 characters, newline included; empty at the
    // end of the file.
    virtual CXString getLine();
    // Writes the text as it is; no newline is added.
    virtual void putLine(const CXString& text);
    // True at the end of the file and when nothing is open.
    virtual bool eof();

    // The absolute name Open formed (not the candidate that opened).
    CXString getFileName() const { return fileName; }
    // The candidate of the search order that the last successful Open
    // opened; empty before one.
    CXString getOpenedName() const { return openedName; }
    int getMode() const { return mode; }

    // The archive's current folder while one is open, else the process's
    // current directory; always ends in a backslash.
    static CXString getCurrentDirectory();
    // The same into a caller's buffer, cut to fit and terminated; no
    // backslash is added.
    static void getCurrentDirectory(int size, char* buffer);
    // 0 on success, -1 on failure.
    static int chDir(const CXString& dir);
    static bool fileExists(const CXString& path);
    static bool dirExists(const CXString& path);
    // Set FILE_ATTRIB_SUBDIR in data->attrib to ask for folders only (on
    // disk; the archive does not filter). The handle, or -1.
    static int findFirst(const CXString& pattern, _finddata_t* data);
    static int findNext(int handle, _finddata_t* data);
    // Ends a disk search; searches in the archive hold nothing.
    static void findClose(int handle);
    // Seek and Tell, inside the stored file when `file` is the archive's own.
    static int fSeek(CFile* file, int offset, int whence);
    static int fTell(CFile* file);

    // Opens the archive through the registered factory; a missing or bad
    // archive leaves none open. An archive already open is closed first.
    static void openBigFile(const CXString& name);
    static void closeBigFile();
    static CBigFileIfc* getBigFileIfc();
    static CFile* getBigFileHandle();
    // The archive reader registers how it is made.
    static void setBigFileFactory(CBigFileFactory factory);

    // Whether the path's drive letter names a fixed disk.
    static bool isHdd(const CXString& path);
    // The path rebased onto the hard-disk root (CWindow::rootPath) or the
    // installation-medium root, at "Rara", else "COMMON", else "WAVS".
    static CXString getLocalPath(const CXString& path);
    static CXString getCDPath(const CXString& path);
    // The name under which the search order finds a file for reading
    // (language copy and plain file, hard disk only); empty when none.
    static CXString getPath(CWindow* window, const CXString& name);
    // The absolute name that Open forms for name, whether it exists or not.
    static CXString getFullName(CWindow* window, const CXString& name);

protected:
    // Open in a write mode makes the file anew, never through a link or
    // into a file already at the name (platform::createFresh).
    bool createsFresh = false;
    FILE* stream;
    CXString fileName;
    CXString openedName;
    int mode;
    CWindow* window;
};
