#pragma once
#include "base/TextLineSource.h"
#include "base/XObject.h"
#include "base/XString.h"

class CTextFileReader;
class CWindow;

// Reads definition text that may be stored scrambled, and writes scrambled
// and plain copies.
//
// A scrambled file begins with the header line "{<C:n>}" (or "{<D:n>}",
// which also asks for a plain copy "<name>.decoded" beside the file). Each
// stored line then packs up to n plain lines, each ended by "<E>". Every
// byte is shifted by getOffset(k) for the cycle position k, which runs
// 0 .. n-1 and on across line ends: +1, -1, +2, -2, ...
//
// Lines are delivered without their line feed, scrambled or not. A header
// whose cycle is not a number above 0 makes the file unreadable: no lines
// and the error code 2000. The error code is otherwise the reader's (2000
// when the file could not be read).
class CTextCoder : public CXObject, public CTextLineSource {
public:
    enum { ERROR_UNREADABLE = 2000 };

    // Reads the file through the search order; noDecodedCopy suppresses
    // the plain copy a "{<D:n>}" header asks for.
    CTextCoder(CWindow* window, const CXString& fileName, bool noDecodedCopy);
    // The same over a reader; the coder owns and deletes it.
    CTextCoder(CWindow* window, CTextFileReader* reader, bool noDecodedCopy);
    ~CTextCoder() override;
    CTextCoder(const CTextCoder&) = delete;
    CTextCoder& operator=(const CTextCoder&) = delete;

    bool isCoded() const { return coded; }
    // For a scrambled file, true once a read found no further line.
    bool _eof() override;
    CXString getLine() override;
    // The next stored line made of up to `cycle` plain lines of the
    // reader, with its line feed.
    CXString codeLine();
    virtual int getOffset(int k);
    void setCycle(int n) { cycle = n; }

    // A scrambled copy of `in` under `out` with the cycle; nothing is
    // written for a cycle below 1 or an unreadable input.
    static void code(CWindow* window, const CXString& in, const CXString& out, int cycle);
    // The plain lines of `in`, each with a line feed, under `out`.
    static void decode(CWindow* window, const CXString& in, const CXString& out);

private:
    void init(CWindow* window, bool noDecodedCopy);
    void advance();

    CXString fileName;
    CTextFileReader* reader;
    bool coded;
    int cycle;
    int counter;
    bool finished;
    int position;
    int lineCount;
    CXString buffer;
};
