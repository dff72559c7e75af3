#include "base/StringTokenizer.h"

#include <cstring>

namespace {
char* copyText(const char* text, int n)
{
    char* copy = new char[size_t(n) + 1];
    std::memcpy(copy, text, size_t(n));
    copy[n] = 0;
    return copy;
}
} // namespace

CStringTokenizer::CStringTokenizer(const CXString& text, const CXString& seps)
    : source(copyText(text.c_str(), text.getLength())), sourceLength(text.getLength()), separators(seps),
      position(0)
{
    readToken();
}

CStringTokenizer::CStringTokenizer(const CStringTokenizer& other)
    : CXObject(other), source(copyText(other.source, other.sourceLength)), sourceLength(other.sourceLength),
      separators(other.separators), lookAhead(other.lookAhead), position(other.position)
{
}

CStringTokenizer& CStringTokenizer::operator=(const CStringTokenizer& other)
{
    if (this == &other)
        return *this;
    CXObject::operator=(other);
    char* copy = copyText(other.source, other.sourceLength);
    delete[] source;
    source = copy;
    sourceLength = other.sourceLength;
    separators = other.separators;
    lookAhead = other.lookAhead;
    position = other.position;
    return *this;
}

CStringTokenizer::~CStringTokenizer()
{
    delete[] source;
}

bool CStringTokenizer::isSeparator(char c) const
{
    return std::memchr(separators.c_str(), c, size_t(separators.getLength())) != nullptr;
}

void CStringTokenizer::readToken()
{
    int start = -1;
    while (position < sourceLength) {
        if (isSeparator(source[position])) {
            if (start >= 0)
                break;
        } else if (start < 0) {
            start = position;
        }
        ++position;
    }
    if (start < 0)
        lookAhead = "";
    else
        lookAhead = CXString(source + start, position - start);
}

CXString CStringTokenizer::nextToken()
{
    CXString token = lookAhead;
    if (token.IsString())
        readToken();
    return token;
}

CStringArray::CStringArray(bool isUnique) : list(101, 0.75f), unique(isUnique) {}

CStringArray::~CStringArray()
{
    removeAll();
}

void CStringArray::add(const CXString& s)
{
    if (unique && contains(s))
        return;
    list.add(new CXString(s));
}

void CStringArray::remove(const CXString& s)
{
    for (int i = list.getSize() - 1; i >= 0; --i) {
        CXString* e = list.stringAt(i);
        if (e && *e == s) {
            list.removeAt(i);
            delete e;
        }
    }
}

void CStringArray::removeAll()
{
    for (int i = 0; i < list.getSize(); ++i)
        delete list.stringAt(i);
    list.removeAll();
}

bool CStringArray::contains(const CXString& s)
{
    for (int i = 0; i < list.getSize(); ++i) {
        CXString* e = list.stringAt(i);
        if (e && e->equalsIgnoreCase(s))
            return true;
    }
    return false;
}
