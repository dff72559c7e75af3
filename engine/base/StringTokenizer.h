#pragma once
#include "base/XArray.h"
#include "base/XObject.h"
#include "base/XString.h"

// Splits a text at any of a set of separator characters. Runs of separators
// never give empty tokens; leading and trailing separators are ignored.
class CStringTokenizer : public CXObject {
public:
    CStringTokenizer(const CXString& text, const CXString& separators);
    CStringTokenizer(const CStringTokenizer& other);
    CStringTokenizer& operator=(const CStringTokenizer& other);
    ~CStringTokenizer() override;

    bool hasMoreTokens() const { return lookAhead.IsString(); }
    CXString nextToken();
    bool isSeparator(char c) const;

private:
    void readToken();

    char* source;
    int sourceLength;
    CXString separators;
    CXString lookAhead;
    int position;
};

// A list of owned strings; with `unique` set, a string already contained
// (in any case) is not added again.
class CStringArray {
public:
    explicit CStringArray(bool unique);
    virtual ~CStringArray();
    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;

    virtual void add(const CXString& s);
    virtual void remove(const CXString& s); // exact case
    virtual void removeAll();
    virtual bool contains(const CXString& s); // any case
    virtual int getSize() { return list.getSize(); }
    CXString* at(int index) { return list.stringAt(index); }

private:
    CXArray list;
    bool unique;
};
