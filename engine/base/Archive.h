#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "base/XString.h"

#include <cstdint>

class CFile;

// The engine's binary serializer: values written to or read from an open
// CFile in a fixed, untagged little-endian form, in the order the caller
// transfers them. The same serialize code stores or restores depending on
// isStoring().
//
//   int, uint32_t   4 bytes
//   int64_t         8 bytes
//   bool            1 byte (0 or 1)
//   double          4 bytes: a signed 32-bit count of thousandths
//   CXRect          16 bytes: left, top, right, bottom
//   text, CXString  a signed 32-bit length, then the bytes, no terminator
//   short string    1 length byte, then the bytes
//
// Reading is bounded: a length is never trusted beyond the bytes left in
// the file. The first read that cannot be satisfied sets the error code
// (ERROR_IO); from then on every read yields zero or empty and reads
// nothing, so a caller may read a whole record and test LastError() once.
// While load bounds are open (CLoadBounds), every string read is claimed;
// one refused reads as empty and its bytes are passed over. A failed write
// sets the error code too. The file is not owned.
class CXArchive : public CXObject {
public:
    enum { ERROR_IO = 2000 };
    // The longest short string the writer stores.
    enum { SHORT_STRING_MAX = 127 };

    CXArchive(CFile* file, bool storing);
    CXArchive(const CXArchive& other) = default;
    CXArchive& operator=(const CXArchive& other) = default;
    ~CXArchive() override;

    bool isStoring() const { return storing; }
    CFile* GetFileHandle() const { return file; }
    // Closes the file; the file object stays the archive's.
    void Close();
    void Separator(unsigned char c) { separator = c; }

    CXArchive& operator<<(int value);
    CXArchive& operator<<(uint32_t value);
    CXArchive& operator<<(int64_t value);
    CXArchive& operator<<(bool value);
    // Thousandths, cut toward zero; out of range saturates.
    CXArchive& operator<<(double value);
    CXArchive& operator<<(CXRect value);
    // A null text is written as the empty one.
    CXArchive& operator<<(const char* text);
    CXArchive& operator<<(CXString value);

    CXArchive& operator>>(int* value);
    CXArchive& operator>>(uint32_t* value);
    CXArchive& operator>>(int64_t* value);
    CXArchive& operator>>(bool* value);
    CXArchive& operator>>(double* value);
    CXArchive& operator>>(CXRect* value);
    // A length of 0 or less gives the empty string.
    CXArchive& operator>>(CXString* value);
    // A new NUL-terminated buffer (new[]) the caller owns; never null.
    CXArchive& operator>>(char** text);
    // One byte.
    CXArchive& operator>>(char* c);
    CXArchive& operator>>(unsigned char* c);

    // At most SHORT_STRING_MAX bytes are stored, so that every length byte
    // is one the Windows reader takes as positive.
    void writeShortString(CXString value);
    // The length byte is taken as 0 to 255.
    void readShortString(CXString* value);

    // Passes over n bytes; fewer left fails as a short read.
    void skip(int64_t n);

    // A text-mode pair: FWrite prints the text as it is; FRead takes the
    // next whitespace-delimited word, of any length.
    void FWrite(const CXString& text);
    void FRead(CXString& word);

    // Appends the named file's bytes (search order, binary); nothing when
    // it cannot be opened. No length is written.
    void CopyFileA(const CXString& name);

    // Thousandths as stored for a double (exposed for the tests).
    static int32_t toThousandths(double value);

private:
    bool put(const void* bytes, int n);
    bool get(void* bytes, int n);
    // Whether n more bytes can be read.
    bool available(int64_t n);
    void fail() { errorCode = ERROR_IO; }
    // A string of n bytes read into value, checked against the file.
    void readText(int n, CXString* value);

    CFile* file;
    unsigned char separator;
    bool storing;
};
