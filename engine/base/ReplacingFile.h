#pragma once
#include "base/File.h"

// Writes a file in the place of another without ever leaving a part of it
// behind, for files that hold players' progress. Open creates the name with
// ".tmp" appended where CFile::Open would put the name itself (anew: what
// stood at that name, a link too, is removed, never followed), the writes go
// there, and commit moves the finished file over the named one in one step.
// A name whose last part leaves no room for ".tmp" in the longest file name
// the host allows has its temporary end in "~<16 hex digits>.tmp" in place
// of the part's last bytes instead, so that every name that can be a file
// can be replaced.
// Until commit succeeds the named file keeps its old bytes; a temporary that
// is not committed is deleted.
class CReplacingFile : public CFile {
public:
    CReplacingFile() { createsFresh = true; }
    // Discards a temporary that was not committed.
    ~CReplacingFile() override;

    // Opens the temporary in a write mode of CFile; 0, or ERROR_OPEN.
    int Open(CWindow* window, const CXString& name, int mode) override;
    // Closes the temporary and, when every write reached it, puts it in the
    // named file's place. False when nothing was open, a write failed or the
    // move failed: the temporary is deleted and the named file untouched.
    bool commit();
    // Closes the temporary and keeps it for a later commit, so that many
    // files can be finished before any of them replaces its named file.
    // False, with the temporary deleted, when a write failed.
    bool finish();
    // Closes and deletes the temporary; the named file is untouched.
    void discard();

private:
    CXString temporaryName; // where the temporary opened; empty when none
    CXString targetName;    // the named file beside it
    bool finished = false;  // the temporary is closed with every write in it
};
