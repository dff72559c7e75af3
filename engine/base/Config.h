#pragma once
#include "base/XObject.h"
#include "base/XString.h"

// Reads and writes keys of one ini settings file. Sections and keys belong
// to the callers. Nothing is reported: a missing file or key reads as the
// empty text or 0, and a failed write is ignored.
class CConfig : public CXObject {
public:
    CConfig() {}
    // A full path in engine form.
    explicit CConfig(const CXString& path) : path(path) {}

    // The value, cut to 10,239 characters; empty when missing.
    CXString GetString(const CXString& section, const CXString& key);
    // The value read as a decimal number; 0 when missing or not a number.
    int GetInt(const CXString& section, const CXString& key);
    void PutString(const CXString& section, const CXString& key, const CXString& value);
    // Writes the number in decimal.
    void PutInt(const CXString& section, const CXString& key, int value);

private:
    CXString path;
};
