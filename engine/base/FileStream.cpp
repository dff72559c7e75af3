#include "base/FileStream.h"

#include <cstring>

CFile_Stream::CFile_Stream(char* d, int n) : data(d), size(n > 0 && d ? n : 0), position(0) {}

int CFile_Stream::Seek(int offset, int whence)
{
    int64_t target = position;
    if (whence == 0)
        target = offset;
    else if (whence == 1)
        target = int64_t(position) + offset;
    else if (whence == 2)
        target = size;
    // A position before the block would make Read copy from before it.
    if (target < 0)
        target = 0;
    if (target > INT32_MAX)
        target = INT32_MAX;
    position = int(target);
    return position;
}

int CFile_Stream::Open(CWindow*, const CXString&, int)
{
    errorCode = ERROR_OPEN;
    return errorCode;
}

int CFile_Stream::Read(void* buffer, int count)
{
    if (!buffer || count < 1 || position >= size)
        return 0;
    int n = count < size - position ? count : size - position;
    std::memcpy(buffer, data + position, size_t(n));
    position += n;
    return n;
}

bool CFile_Stream::GetLine(char*, int) { return false; }
