#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "platform/Profile.h"

// Reads and writes keys of one ini settings file. Sections and keys belong
// to the callers. A missing file or key reads as the empty text or 0. The
// file's contents are kept in memory while they match the file on disk,
// and each write puts the whole new file in place of the old at once, with
// only this program's changes made in the file as another program sharing
// it last wrote it (see platform::ProfileFile). A change is kept in memory
// at once, where every read sees it, and reaches the file with Flush (the
// end of each frame, a scene's switch, the title's end), when any file is
// next used, or at once when the file was last written a second ago or
// more: a loop of changes costs one write, not one each. A write that fails keeps the old file and
// the new value in memory, and the first one names the file and the reason
// on standard error (CFileReport).
class CConfig : public CXObject {
public:
    CConfig() {}
    // A full path in engine form.
    explicit CConfig(const CXString& path) : file(path.c_str()) {}
    // Writes the changes that wait.
    ~CConfig() override;

    // The value, cut to 10,239 characters; empty when missing.
    CXString GetString(const CXString& section, const CXString& key);
    // The value read as a decimal number; 0 when missing or not a number.
    int GetInt(const CXString& section, const CXString& key);
    void PutString(const CXString& section, const CXString& key, const CXString& value);
    // Writes the number in decimal.
    void PutInt(const CXString& section, const CXString& key, int value);
    // Writes the changes that wait.
    void Flush();

private:
    // Tells of a write that failed since the last call.
    void reportFailure();

    platform::ProfileFile file;
    unsigned failuresTold = 0;
};
