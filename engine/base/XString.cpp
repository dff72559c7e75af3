#include "base/XString.h"

#include "base/StringTokenizer.h"
#include "base/XArray.h"
#include "platform/Cp1250.h"
#include "platform/FileIO.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace {

// Capacity of a string built from text of n bytes.
int textCapacity(int n) { return n < 32 ? 32 : n + 32; }

char* allocBuffer(int bytes) { return static_cast<char*>(std::malloc(size_t(bytes > 0 ? bytes : 1))); }

locale_t cLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return loc;
}

// Number texts are written with a decimal point whatever the process locale.
class CNumericLocale {
public:
    CNumericLocale() : previous(uselocale(cLocale())) {}
    ~CNumericLocale() { uselocale(previous); }

private:
    locale_t previous;
};

} // namespace

CXString::CXString() : length(0), capacity(32), buffer(allocBuffer(32))
{
    buffer[0] = 0;
}

CXString::CXString(const char* text) : CXString(text, text ? int(std::strlen(text)) : 0) {}

CXString::CXString(const char* text, int n)
{
    if (!text || n < 0)
        n = 0;
    length = n;
    capacity = textCapacity(n);
    buffer = allocBuffer(capacity);
    if (n)
        std::memcpy(buffer, text, size_t(n));
    buffer[n] = 0;
}

CXString::CXString(int cap) : length(0), capacity(cap > 0 ? cap : 1), buffer(allocBuffer(capacity))
{
    buffer[0] = 0;
}

CXString::CXString(const CXString& other)
    : length(other.length), capacity(other.capacity), buffer(allocBuffer(other.capacity))
{
    std::memcpy(buffer, other.buffer, size_t(length) + 1);
}

CXString::~CXString()
{
    std::free(buffer);
}

void CXString::ReleaseBuffer()
{
    buffer[capacity - 1] = 0;
    length = int(std::strlen(buffer));
}

// Assignment rule: reuse the buffer when the text fits below the capacity,
// else capacity = n + 32 with a buffer one byte larger. text may point into
// this string's own buffer.
void CXString::assignText(const char* text, int n)
{
    if (n < capacity) {
        std::memmove(buffer, text, size_t(n));
    } else {
        int newCapacity = n + 32;
        char* fresh = allocBuffer(newCapacity + 1);
        std::memcpy(fresh, text, size_t(n));
        std::free(buffer);
        buffer = fresh;
        capacity = newCapacity;
    }
    length = n;
    buffer[n] = 0;
}

void CXString::appendText(const char* text, int n)
{
    if (n <= 0)
        return;
    int combined = length + n;
    if (combined < capacity) {
        std::memmove(buffer + length, text, size_t(n));
    } else {
        int newCapacity = combined + 32;
        char* fresh = allocBuffer(newCapacity + 1);
        std::memcpy(fresh, buffer, size_t(length));
        std::memcpy(fresh + length, text, size_t(n));
        std::free(buffer);
        buffer = fresh;
        capacity = newCapacity;
    }
    length = combined;
    buffer[length] = 0;
}

// Doubling rule of the one-character and integer appends: in place while
// length < capacity - slack, else the capacity doubles.
void CXString::reserveDoubling(int slack)
{
    if (length < capacity - slack)
        return;
    int newCapacity = capacity;
    while (!(length < newCapacity - slack))
        newCapacity *= 2;
    char* fresh = allocBuffer(newCapacity + 1);
    std::memcpy(fresh, buffer, size_t(length) + 1);
    std::free(buffer);
    buffer = fresh;
    capacity = newCapacity;
}

CXString& CXString::operator=(const CXString& other)
{
    if (this == &other)
        return *this;
    if (other.capacity > capacity) {
        int newCapacity = other.length + 32;
        char* fresh = allocBuffer(newCapacity + 1);
        std::free(buffer);
        buffer = fresh;
        capacity = newCapacity;
    }
    std::memcpy(buffer, other.buffer, size_t(other.length) + 1);
    length = other.length;
    return *this;
}

CXString& CXString::operator=(const char* text)
{
    if (text)
        assignText(text, int(std::strlen(text)));
    return *this;
}

CXString& CXString::operator=(char c)
{
    assignText(&c, 1);
    return *this;
}

CXString& CXString::operator=(int value)
{
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", value);
    assignText(text, n);
    return *this;
}

// The form _gcvt(value, 9) writes: fixed notation for decimal exponents -1..8,
// else d.ddde+XXX; trailing zeros dropped but the decimal point kept ("2.").
CXString& CXString::operator=(double value)
{
    char text[64];
    if (!std::isfinite(value)) {
        int n = std::snprintf(text, sizeof text, "%g", value);
        assignText(text, n);
        return *this;
    }
    char sci[40];
    CNumericLocale numeric;
    std::snprintf(sci, sizeof sci, "%.8e", value);
    const char* p = sci;
    bool negative = *p == '-';
    if (negative)
        ++p;
    char digits[16];
    int nd = 0;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits[nd++] = *p;
    int exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    while (nd > 1 && digits[nd - 1] == '0')
        --nd;
    if (value == 0.0)
        exponent = 0;
    int n = 0;
    if (negative)
        text[n++] = '-';
    if (exponent < -1 || exponent > 8) {
        text[n++] = digits[0];
        text[n++] = '.';
        for (int i = 1; i < nd; ++i)
            text[n++] = digits[i];
        n += std::snprintf(text + n, sizeof text - size_t(n), "e%c%03d", exponent < 0 ? '-' : '+',
                           exponent < 0 ? -exponent : exponent);
    } else if (exponent == -1) {
        text[n++] = '0';
        text[n++] = '.';
        for (int i = 0; i < nd; ++i)
            text[n++] = digits[i];
    } else {
        for (int i = 0; i <= exponent; ++i)
            text[n++] = i < nd ? digits[i] : '0';
        text[n++] = '.';
        for (int i = exponent + 1; i < nd; ++i)
            text[n++] = digits[i];
    }
    assignText(text, n);
    return *this;
}

CXString& CXString::operator+=(const CXString& other)
{
    appendText(other.buffer, other.length);
    return *this;
}

CXString& CXString::operator+=(const char* text)
{
    if (text)
        appendText(text, int(std::strlen(text)));
    return *this;
}

CXString& CXString::operator+=(char c)
{
    reserveDoubling(2);
    buffer[length++] = c;
    buffer[length] = 0;
    return *this;
}

CXString& CXString::operator+=(int value)
{
    reserveDoubling(20);
    length += std::snprintf(buffer + length, size_t(capacity - length), "%d", value);
    return *this;
}

CXString operator+(const CXString& a, const char* b)
{
    int nb = b ? int(std::strlen(b)) : 0;
    CXString r(a.getLength() + nb + 32);
    r += a;
    if (nb)
        r += b;
    return r;
}

CXString operator+(const char* a, const CXString& b)
{
    int na = a ? int(std::strlen(a)) : 0;
    CXString r(na + b.getLength() + 32);
    if (na)
        r += a;
    r += b;
    return r;
}

CXString operator+(const CXString& a, const CXString& b)
{
    CXString r(a.getLength() + b.getLength() + 32);
    r += a;
    r += b;
    return r;
}

bool operator==(const CXString& a, const CXString& b)
{
    return a.getLength() == b.getLength() && std::memcmp(a.c_str(), b.c_str(), size_t(a.getLength())) == 0;
}

bool operator==(const char* a, const CXString& b) { return std::strcmp(a ? a : "", b.c_str()) == 0; }
bool operator==(const CXString& a, const char* b) { return std::strcmp(a.c_str(), b ? b : "") == 0; }
bool operator!=(const CXString& a, const CXString& b) { return !(a == b); }
bool operator!=(const CXString& a, const char* b) { return !(a == b); }

// Formatting has no fixed work area: long results (file names) are kept whole.
CXString& CXString::formatted(const char* format, ...)
{
    char small[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0)
        n = 0;
    if (n < int(sizeof small)) {
        assignText(small, n);
        return *this;
    }
    char* big = allocBuffer(n + 1);
    va_start(args, format);
    std::vsnprintf(big, size_t(n) + 1, format, args);
    va_end(args);
    assignText(big, n);
    std::free(big);
    return *this;
}

CXString& CXString::Format(const char* f, int a) { return formatted(f, a); }
CXString& CXString::Format(const char* f, int a, int b) { return formatted(f, a, b); }
CXString& CXString::Format(const char* f, const CXString& s) { return formatted(f, s.c_str()); }
CXString& CXString::Format(const char* f, const CXString& s, int a) { return formatted(f, s.c_str(), a); }
CXString& CXString::Format(const char* f, const CXString& s, int a, const CXString& t)
{
    return formatted(f, s.c_str(), a, t.c_str());
}
CXString& CXString::Format(const char* f, const CXString& s, int a, int b) { return formatted(f, s.c_str(), a, b); }

char CXString::GetAt(int index) const
{
    if (index == -1)
        return length > 0 ? buffer[length - 1] : 0;
    if (index < 0 || index >= length)
        return 0;
    return buffer[index];
}

bool CXString::IsLower() const
{
    const platform::Cp1250Case& t = platform::cp1250Case();
    for (int i = 0; i < length; ++i)
        if (!t.isLower[(unsigned char)buffer[i]])
            return false;
    return true;
}

bool CXString::IsUpper() const
{
    const platform::Cp1250Case& t = platform::cp1250Case();
    for (int i = 0; i < length; ++i)
        if (!t.isUpper[(unsigned char)buffer[i]])
            return false;
    return true;
}

bool CXString::IsUpper(int index) const
{
    if (index < 0 || index >= length)
        return false;
    return platform::cp1250Case().isUpper[(unsigned char)buffer[index]];
}

bool CXString::equals(const CXString& other) const { return *this == other; }

bool CXString::equalsIgnoreCase(const CXString& other) const
{
    if (length != other.length)
        return false;
    const unsigned char* up = platform::cp1250Case().upper;
    for (int i = 0; i < length; ++i)
        if (up[(unsigned char)buffer[i]] != up[(unsigned char)other.buffer[i]])
            return false;
    return true;
}

bool CXString::startsWith(const CXString& prefix) const
{
    return prefix.length <= length && std::memcmp(buffer, prefix.buffer, size_t(prefix.length)) == 0;
}

bool CXString::endsWith(const CXString& suffix) const
{
    return suffix.length <= length &&
           std::memcmp(buffer + length - suffix.length, suffix.buffer, size_t(suffix.length)) == 0;
}

int CXString::Find(char c, int from) const
{
    if (from < 0)
        from = 0;
    for (int i = from; i < length; ++i)
        if (buffer[i] == c)
            return i;
    return -1;
}

int CXString::FindLast(char c, int from) const
{
    if (from == -1 || from > length)
        from = length;
    for (int i = from - 1; i >= 0; --i)
        if (buffer[i] == c)
            return i;
    return -1;
}

int CXString::FindSubString(const CXString& s, int from) const
{
    return const_cast<CXString*>(this)->CXString::indexOf(s, from);
}

int CXString::indexOf(const CXString& s, int from)
{
    if (from < 0)
        from = 0;
    for (int i = from; i <= length - s.length; ++i)
        if (std::memcmp(buffer + i, s.buffer, size_t(s.length)) == 0)
            return i;
    return -1;
}

int CXString::findOneOf(const CXString& set, int from)
{
    if (from < 0)
        from = 0;
    for (int i = from; i < length; ++i)
        if (std::memchr(set.buffer, buffer[i], size_t(set.length)))
            return i;
    return -1;
}

int CXString::getCount(unsigned char c)
{
    int n = 0;
    for (int i = 0; i < length; ++i)
        if ((unsigned char)buffer[i] == c)
            ++n;
    return n;
}

bool CXString::FilterFits(const CXString& name) const
{
    if (name == "*" || name == "*.*")
        return true;
    if (*this == "*.*") // as in directory searches, "*.*" also takes names without a dot
        return true;
    return platform::wildcardFits(buffer, name.buffer);
}

void CXString::clampRange(int& from, int& to) const
{
    if (from < 0)
        from = 0;
    if (from > length)
        from = length;
    if (to > length)
        to = length;
    if (to < from)
        to = from;
}

void CXString::left(int n)
{
    int from = 0;
    clampRange(from, n);
    length = n;
    buffer[n] = 0;
}

void CXString::mid(int from, int to)
{
    clampRange(from, to);
    std::memmove(buffer, buffer + from, size_t(to - from));
    length = to - from;
    buffer[length] = 0;
}

void CXString::right(int n) { mid(n, length); }

void CXString::left(int n, CXString* out) const { mid(0, n, out); }

void CXString::mid(int from, int to, CXString* out) const
{
    clampRange(from, to);
    out->assignText(buffer + from, to - from);
}

void CXString::right(int n, CXString* out) const { mid(n, length, out); }

CXString CXString::Left(int n) const { return Mid(0, n); }

CXString CXString::Mid(int from, int to) const
{
    clampRange(from, to);
    return CXString(buffer + from, to - from);
}

CXString CXString::Right(int n) const { return Mid(n, length); }

CXString& CXString::LTrim(unsigned char c)
{
    int i = 0;
    while (i < length && (unsigned char)buffer[i] == c)
        ++i;
    if (i)
        mid(i, length);
    return *this;
}

CXString& CXString::RTrim(unsigned char c)
{
    while (length > 0 && (unsigned char)buffer[length - 1] == c)
        --length;
    buffer[length] = 0;
    return *this;
}

CXString& CXString::AllTrim(unsigned char c)
{
    RTrim(c);
    return LTrim(c);
}

void CXString::FillWith(unsigned char c, int n)
{
    if (n < 0)
        n = 0;
    int newCapacity = textCapacity(n);
    char* fresh = allocBuffer(newCapacity);
    std::memset(fresh, c, size_t(n));
    fresh[n] = 0;
    std::free(buffer);
    buffer = fresh;
    capacity = newCapacity;
    length = n;
    if (c == 0)
        length = 0;
}

CXString& CXString::Replace(char a, char b)
{
    for (int i = 0; i < length; ++i)
        if (buffer[i] == a)
            buffer[i] = b;
    if (b == 0)
        length = int(std::strlen(buffer));
    return *this;
}

CXString CXString::replace(const CXString& from, const CXString& to) const
{
    if (from.length == 0)
        return *this;
    CXString result;
    int start = 0;
    for (;;) {
        int i = FindSubString(from, start);
        if (i < 0)
            break;
        result.appendText(buffer + start, i - start);
        result.appendText(to.buffer, to.length);
        start = i + from.length;
    }
    result.appendText(buffer + start, length - start);
    return result;
}

void CXString::replaceOnce(const CXString& from, const CXString& to, int start)
{
    int i = FindSubString(from, start);
    if (i < 0 || from.length == 0)
        return;
    CXString result(buffer, i);
    result.appendText(to.buffer, to.length);
    result.appendText(buffer + i + from.length, length - i - from.length);
    *this = result;
}

void CXString::removeTag(const CXString& tag)
{
    CXString open("<");
    open += tag;
    int pos = 0;
    for (;;) {
        int i = FindSubString(open, pos);
        if (i < 0)
            return;
        int close = Find('>', i + open.length);
        if (close < 0)
            return; // an unclosed tag stays as written
        std::memmove(buffer + i, buffer + close + 1, size_t(length - close - 1));
        length -= close + 1 - i;
        buffer[length] = 0;
        pos = i;
    }
}

CXString CXString::getWord(int n) const
{
    CStringTokenizer words(*this, " ");
    for (int i = 0; i < n && words.hasMoreTokens(); ++i)
        words.nextToken();
    return words.nextToken();
}

unsigned char CXString::toUpperChar(unsigned char c) { return platform::cp1250Case().upper[c]; }
unsigned char CXString::toLowerChar(unsigned char c) { return platform::cp1250Case().lower[c]; }

CXString& CXString::Lower()
{
    const unsigned char* low = platform::cp1250Case().lower;
    for (int i = 0; i < length; ++i)
        buffer[i] = char(low[(unsigned char)buffer[i]]);
    return *this;
}

CXString& CXString::Upper()
{
    const unsigned char* up = platform::cp1250Case().upper;
    for (int i = 0; i < length; ++i)
        buffer[i] = char(up[(unsigned char)buffer[i]]);
    return *this;
}

// atoi as the engine's C library has it: leading blanks, a sign, digits;
// saturates at the int range instead of overflowing.
int CXString::atoi(const char* text)
{
    if (!text)
        return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + (*p++ - '0');
        if (v > 2147483648LL)
            v = 2147483648LL;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        return INT_MAX;
    return int(v);
}

double CXString::atof(const char* text)
{
    if (!text)
        return 0.0;
    return strtod_l(text, nullptr, cLocale());
}

int CXString::toNumber() const { return atoi(buffer); }
double CXString::toDouble() const { return atof(buffer); }

bool CXString::toBool() const { return equalsIgnoreCase("TRUE"); }

CXPoint CXString::toPoint() const
{
    CStringTokenizer t(*this, ".|, ");
    CXPoint p;
    p.x = t.nextToken().toNumber();
    p.y = t.nextToken().toNumber();
    return p;
}

CXRect CXString::toRect() const
{
    CStringTokenizer t(*this, ".|, ");
    CXRect r;
    r.left = t.nextToken().toNumber();
    r.top = t.nextToken().toNumber();
    r.right = t.nextToken().toNumber();
    r.bottom = t.nextToken().toNumber();
    return r;
}

CXArray* CXString::toVector() const { return toVector(", \n\r"); }

CXArray* CXString::toVector(const CXString& separators) const
{
    CXArray* list = new CXArray(101, 0.75f);
    CStringTokenizer t(*this, separators);
    while (t.hasMoreTokens())
        list->add(new CXString(t.nextToken()));
    return list;
}

void CXString::releaseToVector(CXArray* list)
{
    if (!list)
        return;
    for (int i = 0; i < list->getSize(); ++i)
        delete static_cast<CXString*>((*list)[i]);
    delete list;
}

CXString CXString::toString(bool value) { return CXString(value ? "TRUE" : "FALSE"); }

CXString CXString::toString(int value)
{
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", value);
    return CXString(text, n);
}

// Five decimals, as _fcvt(value, 5) gives the digits: "0" for zero (and for
// values that round to no digit), else [-]int.fffff.
CXString CXString::toString(double value)
{
    if (value == 0.0)
        return CXString("0");
    char text[400];
    CNumericLocale numeric;
    int n = std::snprintf(text, sizeof text, "%.5f", std::fabs(value));
    bool allZero = true;
    for (int i = 0; i < n; ++i)
        if (text[i] >= '1' && text[i] <= '9')
            allZero = false;
    if (allZero)
        return CXString("0");
    CXString result(value < 0 ? "-" : "");
    result.appendText(text, n);
    return result;
}
