#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "platform/FileIO.h"

#include <cstdint>

class CWindow;
class CXArray;

// The folders of a title's data tree, and a browser that walks a folder
// tree by moving the working directory.
//
// Every directory operation goes through CFile's statics, so while the
// archive "data.bf" is open the browser walks the archive's tree. Moves
// change the process-wide working directory (or the archive's current
// folder) and are not undone by the browser itself; back() returns to
// where the constructor with a folder started. A browser ends the
// directory search it started when it starts another and when it goes.
class CFolder : public CXObject {
public:
    static const CXString DATA_FOLDER;   // "Rara": the data folder, an anchor for rebasing
    static const CXString COMMON_FOLDER; // "COMMON": shared files beside the scene folders
    static const CXString WAVS_FOLDER;   // "WAVS": sounds (matched in upper case)
    static const CXString SFX_FOLDER;    // "Wavs\Sfx": sound effects

    // A folder or file of a title's data: the root (a title folder), the
    // data folder, a scene's "PATH" and a file name, with exactly one
    // backslash between each two, whatever separators PATH has at its start
    // or end: "S", "\S", "S\" and "\S\" all name root\Rara\S, "A\B" names
    // root\Rara\A\B. Empty parts are left out (an empty PATH is the data
    // folder itself) and nothing follows the last part.
    static CXString dataPath(const CXString& root, const CXString& path, const CXString& fileName = CXString());

    // Starts at the current directory: CFile's (with a trailing backslash)
    // when a window is given, else the operating system's (without one).
    explicit CFolder(CWindow* window);
    // Changes into the folder and starts there; a folder text beginning
    // with a backslash is kept as the start path as it is.
    CFolder(CWindow* window, const CXString& folder);
    ~CFolder() override;
    // A browser owns its directory search.
    CFolder(const CFolder&) = delete;
    CFolder& operator=(const CFolder&) = delete;

    CXString getPath() const { return homePath; }

    // The first folder matching the pattern (the archive does not filter),
    // or the empty text; starts a search that GetNextFileName continues.
    virtual CXString GetFolderName(const CXString& pattern);
    // The first entry, file or folder, matching the pattern, or empty.
    virtual CXString GetFileName(const CXString& pattern);
    // The next entry of the last search, or empty at its end.
    virtual CXString GetNextFileName();

    // Whether the first match of the name is a folder.
    bool IsDirectory(const CXString& name);
    // The first match's size; 0 when nothing matches.
    int GetSize(const CXString& name);
    // Every name the search yields for the pattern, "." and ".." included
    // when it yields them, unsorted: a new array of new strings the caller
    // frees with releaseFilesList. Never null.
    CXArray* list(const CXString& pattern);
    static void releaseFilesList(CXArray* files);

    void GoStart();
    // Enters the sub-folder lettered for the position (0 'A', 1 'B', ...)
    // and returns its type.
    CXString GoTo(int position);
    // Goes to the parent and returns the type of the position reached.
    CXString GoUp();
    // Back to where the constructor with a folder was called from.
    void back();

    // The type of a name: after its last dot, the rest when it begins with
    // '+', else the one character; empty without a dot.
    static CXString typeOf(const CXString& name);

private:
    CXString startSearch(const CXString& pattern, uint32_t attrib);
    void endSearch();
    // The first entry matching the name, by a search of its own.
    bool firstMatch(const CXString& name, platform::FindData* data);

    CWindow* window;
    CXString homePath;
    CXString browsePath;
    CXString enteredFolder;
    CXString searchPattern;
    CXString returnDirectory;
    int searchHandle;
};
