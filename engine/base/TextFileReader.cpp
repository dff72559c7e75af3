#include "base/TextFileReader.h"

#include "base/File.h"

#include <new>

CTextFileReader::CTextFileReader(CWindow* window, const char* fileName)
    : position(0), size(0), buffer(nullptr), owned(true)
{
    CFile* file = new CFile(window, CXString(fileName), CFile::MODE_READ | CFile::MODE_TEXT);
    setErrorCode(file->LastError());
    if (errorCode == 0) {
        int length = file->Length();
        if (length > 0) {
            buffer = new (std::nothrow) char[size_t(length)];
            size = buffer ? file->Read(buffer, length) : 0;
        }
    }
    delete file;
}

CTextFileReader::CTextFileReader(CWindow*, char* text, int n)
    : position(0), size(text && n > 0 ? n : 0), buffer(text), owned(false)
{
}

CTextFileReader::~CTextFileReader()
{
    if (owned)
        delete[] buffer;
}

CXString CTextFileReader::getLine()
{
    if (!buffer || position >= size)
        return CXString();
    int end = position;
    while (end < size && buffer[end] != '\n')
        ++end;
    CXString line(buffer + position, end - position);
    position = end < size ? end + 1 : end;
    return line;
}
