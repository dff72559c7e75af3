#include "base/ReplacingFile.h"

#include "platform/Cp1250.h"
#include "platform/FileIO.h"

#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const char suffix[] = ".tmp";
const int suffixLength = int(sizeof suffix) - 1;
// The suffix of a shortened temporary: "~", 16 hex digits, ".tmp".
const int shortenedSuffixLength = 1 + 16 + suffixLength;

// The bytes of the name's last part that the temporary leaves out so that
// its host name fits the longest file name (NAME_MAX bytes); none when the
// name with ".tmp" fits.
int tailToCut(const CXString& name)
{
    const char* text = name.c_str();
    int start = name.getLength();
    while (start > 0 && text[start - 1] != '\\' && text[start - 1] != '/')
        --start;
    // The host's bytes of each of the last part's bytes.
    std::vector<int> hostBytes;
    int total = 0;
    for (int i = start; i < name.getLength(); ++i) {
        hostBytes.push_back(int(platform::cp1250ToUtf8(std::string(1, text[i])).size()));
        total += hostBytes.back();
    }
    if (total + suffixLength <= NAME_MAX)
        return 0;
    int cut = 0;
    while (!hostBytes.empty() && total + shortenedSuffixLength > NAME_MAX) {
        total -= hostBytes.back();
        hostBytes.pop_back();
        ++cut;
    }
    return cut;
}

} // namespace

CReplacingFile::~CReplacingFile() { discard(); }

// The temporary is the name with ".tmp" appended; a name too long for
// that loses the end of its last part, and a hash of the whole name keeps
// apart names that begin alike. Only the end changes, so the search order
// puts the temporary where it would put the name.
int CReplacingFile::Open(CWindow* w, const CXString& name, int m)
{
    discard();
    const int cut = tailToCut(name);
    CXString temporary = name.Left(name.getLength() - cut);
    if (cut > 0) {
        char hash[20];
        std::snprintf(hash, sizeof hash, "~%016llx", (unsigned long long)std::hash<std::string>()(name.c_str()));
        temporary += hash;
    }
    temporary += suffix;
    int result = CFile::Open(w, temporary, m);
    if (result == 0) {
        temporaryName = getOpenedName();
        const int added = cut > 0 ? shortenedSuffixLength : suffixLength;
        targetName = temporaryName.Left(temporaryName.getLength() - added) + name.Right(name.getLength() - cut);
    }
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
    bool moved = platform::replaceFile(temporaryName.c_str(), targetName.c_str());
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
