#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"

class CWindow;

// Turns the names that definitions and scripts give into file names:
// expands the prefixes ('$' and '&' the installation medium, '?' the
// folder-and-file shorthand), joins folders and names, handles extensions.
class CPath : public CXObject {
public:
    // For the current directory (CFile::getCurrentDirectory).
    explicit CPath(CWindow* window);
    // For a name; the extension is the text after its last '.', the whole
    // name when it has none.
    CPath(CWindow* window, const CXString& name);

    CXString getCurrentPath() const { return currentPath; }
    // The extension of the name given, without the dot.
    CXString GetExtension() const { return extension; }
    // Cuts the name after its first '.' (to nothing when it has none) and
    // appends ext; returns the new name.
    CXString SetExtension(const CXString& ext);
    CXString GetFullPath(const CXString& name) const;
    CXString GetFullPath(const CXString& folder, const CXString& name) const;
    CXString resolveFileName(const CXString& name) const;

    // dir, a backslash unless dir ends in one, name (empty parts left out).
    static CXString getFullPath(const CXString& dir, const CXString& name);
    // dir, a backslash, folder and a backslash when there is a folder, name.
    static CXString getFullPath(const CXString& dir, const CXString& folder, const CXString& name);
    // A leading '$' or '&' becomes the installation-medium path; a name with
    // '?' becomes the current directory, the folder before '?' and the file
    // after it; any other name is returned as it is.
    static CXString resolveFileName(CWindow* window, const CXString& name);
    // The same, but '$' and '&' become the hard-disk root path.
    static CXString resolveFileNameEx(CWindow* window, const CXString& name);

private:
    CWindow* window;
    CXString path;
    CXString extension;
    CXString currentPath;
};

// Splits a path at its backslashes into drive, folders, file name, the name
// up to its first '.', and the extension (the text between the first and a
// second '.').
class CFileNameResolver : public CXObject {
public:
    explicit CFileNameResolver(const CXString& name);
    ~CFileNameResolver() override;
    CFileNameResolver(const CFileNameResolver&) = delete;
    CFileNameResolver& operator=(const CFileNameResolver&) = delete;

    CXString getFileName() const { return fileName; }
    CXString getPureFileName() const { return pureFileName; }
    CXString getExtension() const { return extension; }
    // Always empty: no part of a name is kept as its path.
    CXString getPath() const { return path; }
    // The drive letter, 0 when the name has none.
    unsigned char getDrive() const { return drive; }
    // The folder names between the drive and the file name (CXString*).
    CXArray* getDirectories() const { return directories; }

private:
    CXString name;
    CXString path;
    CXString extension;
    CXString fileName;
    CXString pureFileName;
    unsigned char drive;
    CXArray* directories;
};
