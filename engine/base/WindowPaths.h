#pragma once
#include "base/XString.h"

class CLanguageOSVer;

// What file access needs of the engine window (CWindow) before that window
// exists, and what the window provides once it does:
// - the root path: the process's current directory when the window was
//   made, ending in a backslash (CWindow::rootPath); files are rebased onto
//   it;
// - the program's directory (CWindow::exePath);
// - the installation-medium path (CWindow::setCDPath / getCDPath);
// - the language object the host gave the window (CWindow::getLangIfc).
// The window sets these in its constructor and clears the language object
// in its destructor; until then they are empty, the language object null.
// There is one engine window, so a file opened for any window takes the
// language object from here. Set on the main thread.
class CWindowPaths {
public:
    static CXString getRootPath();
    static void setRootPath(const CXString& path);
    static CXString getExePath();
    static void setExePath(const CXString& path);
    static CXString getCDPath();
    static void setCDPath(const CXString& path);
    static CLanguageOSVer* getLangIfc();
    static void setLangIfc(CLanguageOSVer* language);
    // All empty and no language object (tests).
    static void reset();
};
