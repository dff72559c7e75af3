#include "base/Folder.h"

#include "base/File.h"
#include "base/XArray.h"
#include "platform/Drives.h"

const CXString CFolder::DATA_FOLDER("Rara");
const CXString CFolder::COMMON_FOLDER("COMMON");
const CXString CFolder::WAVS_FOLDER("WAVS");
const CXString CFolder::SFX_FOLDER("Wavs\\Sfx");

namespace {
bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The text without the separators at its start (with lead) and at its end.
CXString trimmed(const CXString& text, bool lead)
{
    int from = 0, to = text.getLength();
    while (lead && from < to && isSeparator(text.GetAt(from)))
        ++from;
    while (to > from && isSeparator(text.GetAt(to - 1)))
        --to;
    return text.Mid(from, to);
}

void append(CXString* out, const CXString& part)
{
    if (!part.IsString())
        return;
    if (out->IsString())
        *out += '\\';
    *out += part;
}
} // namespace

CXString CFolder::dataPath(const CXString& root, const CXString& path, const CXString& fileName)
{
    // The root keeps its start: it may be the file system's root itself.
    CXString out = trimmed(root, false);
    if (!out.IsString() && root.IsString())
        out = "\\";
    if (out == "\\")
        out += DATA_FOLDER;
    else
        append(&out, DATA_FOLDER);
    append(&out, trimmed(path, true));
    append(&out, trimmed(fileName, true));
    return out;
}

CFolder::CFolder(CWindow* w) : window(w), searchHandle(0)
{
    if (window) {
        homePath = CFile::getCurrentDirectory();
    } else {
        std::string cwd = platform::getCurrentDirectory();
        homePath = CXString(cwd.c_str(), int(cwd.size()));
    }
}

CFolder::CFolder(CWindow* w, const CXString& folder) : window(w), browsePath(folder), searchHandle(0)
{
    returnDirectory = CFile::getCurrentDirectory();
    CFile::chDir(folder);
    homePath = folder.GetAt(0) == '\\' ? folder : CFile::getCurrentDirectory();
}

CFolder::~CFolder() { endSearch(); }

void CFolder::endSearch()
{
    // Searches in the archive hold nothing and report 0.
    if (searchHandle > 0)
        CFile::findClose(searchHandle);
    searchHandle = 0;
}

CXString CFolder::startSearch(const CXString& pattern, uint32_t attrib)
{
    endSearch();
    searchPattern = pattern;
    _finddata_t data{};
    data.attrib = attrib;
    searchHandle = CFile::findFirst(pattern, &data);
    return searchHandle == -1 ? CXString() : CXString(data.name);
}

CXString CFolder::GetFolderName(const CXString& pattern) { return startSearch(pattern, platform::FILE_ATTRIB_SUBDIR); }

CXString CFolder::GetFileName(const CXString& pattern) { return startSearch(pattern, 0); }

CXString CFolder::GetNextFileName()
{
    if (searchHandle == -1)
        return CXString();
    _finddata_t data{};
    return CFile::findNext(searchHandle, &data) == -1 ? CXString() : CXString(data.name);
}

bool CFolder::firstMatch(const CXString& name, platform::FindData* data)
{
    data->attrib = 0;
    int handle = CFile::findFirst(name, data);
    if (handle > 0)
        CFile::findClose(handle);
    return handle != -1;
}

bool CFolder::IsDirectory(const CXString& name)
{
    _finddata_t data{};
    return firstMatch(name, &data) && (data.attrib & platform::FILE_ATTRIB_SUBDIR);
}

int CFolder::GetSize(const CXString& name)
{
    _finddata_t data{};
    return firstMatch(name, &data) ? int(data.size) : 0;
}

CXArray* CFolder::list(const CXString& pattern)
{
    CXArray* files = new CXArray(101, 0.75f);
    endSearch();
    _finddata_t data{};
    searchHandle = CFile::findFirst(pattern, &data);
    if (searchHandle != -1) {
        files->add(new CXString(data.name));
        while (CFile::findNext(searchHandle, &data) != -1)
            files->add(new CXString(data.name));
    }
    return files;
}

void CFolder::releaseFilesList(CXArray* files) { CXString::releaseToVector(files); }

void CFolder::GoStart()
{
    browsePath = homePath;
    CFile::chDir(browsePath);
}

CXString CFolder::GoTo(int position)
{
    browsePath += '\\';
    char pattern[3] = {char((65 + position) & 0xFF), '.', '*'};
    CXString name = GetFolderName(CXString(pattern, 3));
    CXString type = typeOf(name);
    browsePath += name;
    enteredFolder = name;
    CFile::chDir(enteredFolder);
    return type;
}

CXString CFolder::GoUp()
{
    CFile::chDir("..");
    int cut = browsePath.FindLast('\\');
    // Without a backslash there is no parent text: the position becomes empty.
    browsePath = cut < 0 ? CXString() : browsePath.Left(cut);
    return typeOf(browsePath);
}

void CFolder::back()
{
    if (returnDirectory.IsString())
        CFile::chDir(returnDirectory);
}

CXString CFolder::typeOf(const CXString& name)
{
    int dot = name.FindLast('.');
    if (dot < 0)
        return CXString();
    if (name.GetAt(dot + 1) == '+')
        return name.Right(dot + 2);
    return name.Mid(dot + 1, dot + 2);
}
