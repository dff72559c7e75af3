#pragma once
#include "base/Geometry.h"

class CXArray;

// The engine's string: a heap buffer of bytes in code page 1250, passed by
// value. Capacities follow fixed rules (see the source) because buffer reuse
// across assignments is part of how the engine behaves.
class CXString {
public:
    CXString();
    CXString(const char* text);
    explicit CXString(int capacity);
    CXString(const char* text, int n); // the first n bytes of text
    CXString(const CXString& other);
    virtual ~CXString();

    CXString& operator=(const CXString& other);
    CXString& operator=(const char* text); // null leaves the text as it is
    CXString& operator=(char c);
    CXString& operator=(int value);
    CXString& operator=(double value); // 9 significant digits, as _gcvt writes them

    CXString& operator+=(const CXString& other);
    CXString& operator+=(const char* text);
    CXString& operator+=(char c);
    CXString& operator+=(int value);

    // printf-style formatting; the result replaces the text.
    CXString& Format(const char* format, int a);
    CXString& Format(const char* format, int a, int b);
    CXString& Format(const char* format, const CXString& s);
    CXString& Format(const char* format, const CXString& s, int a);
    CXString& Format(const char* format, const CXString& s, int a, const CXString& t);
    CXString& Format(const char* format, const CXString& s, int a, int b);

    const char* c_str() const { return buffer; }
    char* GetBuffer() { return buffer; }
    int getLength() const { return length; }
    int GetCapacity() const { return capacity; }
    // After writing into GetBuffer(): takes the length from the terminating NUL.
    void ReleaseBuffer();

    // The byte at index; -1 gives the last one. Out of range gives 0.
    char GetAt(int index) const;
    char lastChar() const { return GetAt(-1); }
    bool IsString() const { return length > 0; }
    bool IsLower() const;
    bool IsUpper() const;
    bool IsUpper(int index) const;
    bool equals(const CXString& other) const;
    bool equalsIgnoreCase(const CXString& other) const;
    bool startsWith(const CXString& prefix) const;
    bool endsWith(const CXString& suffix) const;

    int Find(char c, int from = 0) const;
    int FindLast(char c, int from = -1) const;
    int FindSubString(const CXString& s, int from = 0) const;
    virtual int indexOf(const CXString& s, int from = 0);
    virtual int findOneOf(const CXString& set, int from = 0);
    virtual int getCount(unsigned char c);
    // This string is a wildcard pattern ('*', '?'); tests a candidate name.
    bool FilterFits(const CXString& name) const;

    // Cutting; indices count from 0, ranges exclude their end. Indices are
    // clamped to the text.
    void left(int n);
    void mid(int from, int to);
    void right(int n);
    void left(int n, CXString* out) const;
    void mid(int from, int to, CXString* out) const;
    void right(int n, CXString* out) const;
    CXString Left(int n) const;
    CXString Mid(int from, int to) const;
    CXString Right(int n) const; // from index n to the end

    CXString& LTrim(unsigned char c);
    CXString& RTrim(unsigned char c);
    CXString& AllTrim(unsigned char c);
    void FillWith(unsigned char c, int n);
    CXString& Replace(char a, char b);
    CXString replace(const CXString& from, const CXString& to) const;
    void replaceOnce(const CXString& from, const CXString& to, int start);
    void removeTag(const CXString& tag);
    CXString getWord(int n) const;

    CXString& Lower();
    CXString& Upper();
    static unsigned char toUpperChar(unsigned char c);
    static unsigned char toLowerChar(unsigned char c);

    int toNumber() const;
    static int toNumber(const CXString& s) { return s.toNumber(); }
    double toDouble() const;
    static double toDouble(const CXString& s) { return s.toDouble(); }
    bool isNumber() const { return toNumber() != 0; }
    bool toBool() const;
    static bool toBool(const CXString& s) { return s.toBool(); }
    CXPoint toPoint() const;
    CXRect toRect() const;
    CXArray* toVector() const;
    CXArray* toVector(const CXString& separators) const;
    static void releaseToVector(CXArray* list);

    static CXString toString(bool value);
    static CXString toString(int value);
    static CXString toString(double value);

    // C library number parsing that ignores the process locale.
    static int atoi(const char* text);
    static double atof(const char* text);

private:
    void assignText(const char* text, int n);
    void appendText(const char* text, int n);
    void reserveDoubling(int slack);
    void clampRange(int& from, int& to) const;
    CXString& formatted(const char* format, ...);

    int length;
    int capacity;
    char* buffer;
};

CXString operator+(const CXString& a, const char* b);
CXString operator+(const char* a, const CXString& b);
CXString operator+(const CXString& a, const CXString& b);
bool operator==(const CXString& a, const CXString& b);
bool operator==(const char* a, const CXString& b);
bool operator==(const CXString& a, const char* b);
bool operator!=(const CXString& a, const CXString& b);
bool operator!=(const CXString& a, const char* b);
