#pragma once
#include "base/XObject.h"
#include "base/XString.h"

class CWindow;

// Holds a whole text in memory and hands it out line by line. The error
// code is that of opening the file (0, or 2000 when it could not be opened).
class CTextFileReader : public CXObject {
public:
    // Reads the file through the search order in text mode, so CR LF line
    // ends arrive as single newlines.
    CTextFileReader(CWindow* window, const char* fileName);
    // Uses the caller's text as it is (carriage returns stay); not copied.
    CTextFileReader(CWindow* window, char* text, int size);
    ~CTextFileReader() override;
    CTextFileReader(const CTextFileReader&) = delete;
    CTextFileReader& operator=(const CTextFileReader&) = delete;

    bool eof() const { return position >= size; }
    // The text up to the next newline (not included) or the end.
    CXString getLine();
    void reset() { position = 0; }

private:
    int position;
    int size;
    char* buffer;
    bool owned;
};
