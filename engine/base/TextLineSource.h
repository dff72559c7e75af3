#pragma once
#include "base/XString.h"

// Something that delivers a text line by line: the bytes of each line
// without its line feed (a carriage return before it stays).
class CTextLineSource {
public:
    virtual ~CTextLineSource() {}
    virtual bool _eof() = 0;
    virtual CXString getLine() = 0;
};
