#include "base/ReplacingFile.h"

#include "platform/FileIO.h"

#include <cstdio>

namespace {
const char suffix[] = ".tmp";
const int suffixLength = int(sizeof suffix) - 1;
} // namespace

CReplacingFile::~CReplacingFile() { discard(); }

int CReplacingFile::Open(CWindow* w, const CXString& name, int m)
{
    discard();
    int result = CFile::Open(w, name + suffix, m);
    // The search order picked the folder; the named file is the same
    // candidate without the suffix, so the move stays inside that folder.
    if (result == 0)
        temporaryName = getOpenedName();
    return result;
}

bool CReplacingFile::finish()
{
    if (!stream || !temporaryName.IsString()) {
        discard();
        return false;
    }
    bool written = std::fflush(stream) == 0 && !std::ferror(stream);
    written = std::fclose(stream) == 0 && written;
    stream = nullptr;
    if (!written)
        discard();
    finished = written;
    return written;
}

bool CReplacingFile::commit()
{
    // A finished temporary is closed already; an open one is finished now.
    if (stream && !finish())
        return false;
    if (!finished) {
        discard();
        return false;
    }
    CXString target = temporaryName.Left(temporaryName.getLength() - suffixLength);
    bool moved = platform::replaceFile(temporaryName.c_str(), target.c_str());
    if (!moved)
        platform::removeFile(temporaryName.c_str());
    temporaryName = CXString();
    finished = false;
    return moved;
}

void CReplacingFile::discard()
{
    Close();
    if (temporaryName.IsString())
        platform::removeFile(temporaryName.c_str());
    temporaryName = CXString();
    finished = false;
}
