#include "base/File.h"

#include "base/Language.h"
#include "base/Path.h"
#include "base/WindowPaths.h"
#include "platform/Drives.h"

#include <cstdio>

namespace {

CBigFileIfc* bigFile = nullptr;
CBigFileFactory bigFileFactory = nullptr;

CXString toXString(const std::string& s) { return CXString(s.c_str(), int(s.size())); }

CXString processDirectory() { return toXString(platform::getCurrentDirectory()); }

CXString rebase(const CXString& path, const CXString& root)
{
    CXString tail;
    int at = path.FindSubString(CFolder::DATA_FOLDER);
    if (at < 0)
        at = path.FindSubString(CFolder::COMMON_FOLDER);
    if (at >= 0) {
        tail = path.Right(at);
    } else {
        CXString upper(path);
        upper.Upper();
        at = upper.FindSubString(CFolder::WAVS_FOLDER);
        if (at < 0)
            return path;
        tail = upper.Right(at);
    }
    CXString out(root);
    if (out.lastChar() != '\\')
        out += '\\';
    out += tail;
    return out;
}

bool opensForReading(const CXString& name)
{
    FILE* f = platform::openFile(name.c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

} // namespace

// Steps shared by Open and getPath: prefixes expanded, then a name without
// a drive joined to the process's current directory.
CXString CFile::getFullName(CWindow* window, const CXString& name)
{
    CXString resolved = CPath::resolveFileName(window, name);
    if (resolved.GetAt(1) == ':')
        return resolved;
    CXString p = processDirectory();
    p += '\\';
    p += resolved;
    return p;
}

CFile::CFile() : stream(nullptr), mode(0), window(nullptr) {}

CFile::CFile(CWindow* w, const CXString& name, int m) : stream(nullptr), mode(0), window(w)
{
    Open(w, name, m);
}

CFile::~CFile()
{
    if (stream)
        std::fclose(stream);
}

int CFile::Length()
{
    if (!stream)
        return -1;
    long pos = std::ftell(stream);
    std::fseek(stream, 0, SEEK_SET);
    std::fseek(stream, 0, SEEK_END);
    long length = std::ftell(stream);
    std::fseek(stream, pos, SEEK_SET);
    return int(length);
}

int CFile::Tell() { return stream ? int(std::ftell(stream)) : 0; }

FILE* CFile::GetHandle() { return stream; }

int CFile::Seek(int offset, int whence) { return stream ? std::fseek(stream, offset, whence) : -1; }

int CFile::Open(CWindow* w, const CXString& name, int m)
{
    // A file still open is closed first, so that nothing leaks and the
    // error code tells about this Open alone.
    Close();
    window = w;
    CXString p = getFullName(w, name);
    fileName = p;
    mode = m;

    char crt[5];
    int n = 0;
    crt[n++] = (m & MODE_READ) ? 'r' : 'w';
    if (m & MODE_UPDATE)
        crt[n++] = '+';
    if (m & MODE_TEXT)
        crt[n++] = 't';
    else if (m & MODE_BINARY)
        crt[n++] = 'b';
    if (createsFresh && !(m & MODE_READ))
        crt[n++] = 'x';
    crt[n] = 0;

    CXString candidates[4];
    int count = 0;
    CLanguageOSVer* language = w ? CWindowPaths::getLangIfc() : nullptr;
    if (language) {
        bool hdd = isHdd(p);
        CXString first = hdd ? p : getLocalPath(p);
        CXString second = hdd ? getCDPath(p) : p;
        candidates[count++] = language->getLocalFileName(first);
        candidates[count++] = first;
        candidates[count++] = language->getLocalFileName(second);
        candidates[count++] = second;
    } else {
        candidates[count++] = getLocalPath(p);
        candidates[count++] = p;
    }
    for (int i = 0; i < count && !stream; ++i) {
        bool tried = false;
        for (int k = 0; k < i; ++k)
            tried = tried || candidates[k] == candidates[i];
        if (!tried)
            stream = platform::openFile(candidates[i].c_str(), crt);
        if (stream)
            openedName = candidates[i];
    }
    errorCode = stream ? 0 : ERROR_OPEN;
    return errorCode;
}

int CFile::Read(void* buffer, int count)
{
    if (!stream || !buffer || count < 1)
        return 0;
    return int(std::fread(buffer, 1, size_t(count), stream));
}

int CFile::Write(const void* buffer, int count)
{
    if (!stream || !buffer || count < 1)
        return 0;
    return std::fwrite(buffer, size_t(count), 1, stream) == 1 ? 1 : 0;
}

int CFile::Close()
{
    if (stream)
        std::fclose(stream);
    stream = nullptr;
    return errorCode;
}

bool CFile::GetLine(char* buffer, int size)
{
    if (!stream || !buffer || size < 1)
        return false;
    buffer[0] = 0;
    return std::fgets(buffer, size, stream) != nullptr;
}

CXString CFile::getLine()
{
    char line[10241];
    if (!GetLine(line, sizeof line))
        return CXString();
    return CXString(line);
}

void CFile::putLine(const CXString& text)
{
    if (stream && text.getLength() > 0)
        std::fwrite(text.c_str(), 1, size_t(text.getLength()), stream);
}

bool CFile::eof() { return !stream || std::feof(stream) != 0; }

CXString CFile::getCurrentDirectory()
{
    CXString dir = bigFile ? bigFile->GetCurrentDirectoryA() : processDirectory();
    if (dir.lastChar() != '\\')
        dir += '\\';
    return dir;
}

void CFile::getCurrentDirectory(int size, char* buffer)
{
    if (!buffer || size < 1)
        return;
    CXString dir = bigFile ? bigFile->GetCurrentDirectoryA() : processDirectory();
    std::snprintf(buffer, size_t(size), "%s", dir.c_str());
}

int CFile::chDir(const CXString& dir)
{
    if (bigFile)
        return bigFile->ChDir(dir);
    return platform::setCurrentDirectory(dir.c_str()) ? 0 : -1;
}

bool CFile::fileExists(const CXString& path)
{
    if (bigFile)
        return bigFile->FileExists(path);
    return opensForReading(path);
}

bool CFile::dirExists(const CXString& path)
{
    if (bigFile)
        return bigFile->DirExists(path);
    std::string back = platform::getCurrentDirectory();
    if (!platform::setCurrentDirectory(path.c_str()))
        return false;
    platform::setCurrentDirectory(back);
    return true;
}

int CFile::findFirst(const CXString& pattern, _finddata_t* data)
{
    if (bigFile)
        return bigFile->FindFirst(pattern, data);
    bool foldersOnly = data && (data->attrib & platform::FILE_ATTRIB_SUBDIR);
    int handle = platform::findFirst(pattern.c_str(), data);
    if (handle < 0 || !foldersOnly)
        return handle;
    while (!(data->attrib & platform::FILE_ATTRIB_SUBDIR)) {
        if (platform::findNext(handle, data) != 0) {
            platform::findClose(handle);
            return -1;
        }
    }
    return handle;
}

int CFile::findNext(int handle, _finddata_t* data)
{
    if (bigFile)
        return bigFile->FindNext(handle, data);
    return platform::findNext(handle, data);
}

void CFile::findClose(int handle)
{
    if (!bigFile)
        platform::findClose(handle);
}

int CFile::fSeek(CFile* file, int offset, int whence)
{
    if (bigFile && file && file == bigFile->GetFile())
        return bigFile->Seek(offset, whence);
    return file ? file->Seek(offset, whence) : -1;
}

int CFile::fTell(CFile* file)
{
    if (bigFile && file && file == bigFile->GetFile())
        return bigFile->Tell();
    return file ? file->Tell() : 0;
}

void CFile::openBigFile(const CXString& name)
{
    closeBigFile();
    if (bigFileFactory)
        bigFile = bigFileFactory(name);
}

void CFile::closeBigFile()
{
    delete bigFile;
    bigFile = nullptr;
}

CBigFileIfc* CFile::getBigFileIfc() { return bigFile; }

CFile* CFile::getBigFileHandle() { return bigFile ? bigFile->GetFile() : nullptr; }

void CFile::setBigFileFactory(CBigFileFactory factory) { bigFileFactory = factory; }

bool CFile::isHdd(const CXString& path)
{
    return path.IsString() && platform::driveKind(path.GetAt(0)) == platform::DriveKind::FixedDisk;
}

CXString CFile::getLocalPath(const CXString& path) { return rebase(path, CWindowPaths::getRootPath()); }

CXString CFile::getCDPath(const CXString& path) { return rebase(path, CWindowPaths::getCDPath()); }

CXString CFile::getPath(CWindow* window, const CXString& name)
{
    CXString p = getFullName(window, name);
    CXString local = getLocalPath(p);
    CLanguageOSVer* language = window ? CWindowPaths::getLangIfc() : nullptr;
    if (language) {
        CXString localized = language->getLocalFileName(local);
        if (opensForReading(localized))
            return localized;
        localized = language->getLocalFileName(p);
        if (opensForReading(localized))
            return localized;
    }
    if (opensForReading(local))
        return local;
    if (opensForReading(p))
        return p;
    return CXString();
}
