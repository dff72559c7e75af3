#pragma once
#include "base/File.h"

// Reads a caller's block of memory through the CFile interface. The block
// is not copied or owned. It cannot be opened, written or closed as a disk
// file: Open fails, Write writes nothing.
class CFile_Stream : public CFile {
public:
    CFile_Stream(char* data, int size);

    int Length() override { return size; }
    int Tell() override { return position; }
    FILE* GetHandle() override { return nullptr; }
    // whence 0 sets the position, 1 moves it, 2 puts it at the end (the
    // offset ignored). A position before the block becomes 0; one past its
    // end is kept. Returns the new position.
    int Seek(int offset, int whence) override;
    int Open(CWindow* window, const CXString& name, int mode) override;
    // Copies what is left of the block from the position, at most count bytes.
    int Read(void* buffer, int count) override;
    bool GetLine(char* buffer, int size) override;
    CXString getLine() override { return CXString(); }
    // True exactly at the end of the block.
    bool eof() override { return position == size; }

private:
    char* data;
    int size;
    int position;
};
