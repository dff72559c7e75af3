#include "base/Path.h"

#include "base/File.h"
#include "base/StringTokenizer.h"
#include "base/WindowPaths.h"

CPath::CPath(CWindow* w) : window(w), currentPath(CFile::getCurrentDirectory()) {}

CPath::CPath(CWindow* w, const CXString& name) : window(w), path(name)
{
    int dot = name.FindLast('.');
    extension = dot < 0 ? name : name.Right(dot + 1);
}

CXString CPath::SetExtension(const CXString& ext)
{
    int dot = path.Find('.');
    path = dot < 0 ? CXString() : path.Left(dot + 1);
    path += ext;
    return path;
}

CXString CPath::GetFullPath(const CXString& name) const { return getFullPath(currentPath, name); }

CXString CPath::GetFullPath(const CXString& folder, const CXString& name) const
{
    return getFullPath(currentPath, folder, name);
}

CXString CPath::resolveFileName(const CXString& name) const { return resolveFileName(window, name); }

CXString CPath::getFullPath(const CXString& dir, const CXString& name)
{
    CXString out(dir);
    if (out.lastChar() != '\\')
        out += '\\';
    out += name;
    return out;
}

CXString CPath::getFullPath(const CXString& dir, const CXString& folder, const CXString& name)
{
    CXString out(dir);
    out += '\\';
    if (folder.IsString()) {
        out += folder;
        out += '\\';
    }
    out += name;
    return out;
}

namespace {

CXString expand(const CXString& name, const CXString& root)
{
    CXString text(name);
    char first = text.GetAt(0);
    if (first == '$' || first == '&') {
        CXString expanded(root);
        expanded += text.Right(1);
        text = expanded;
    }
    if (text.Find('?') < 0)
        return text;
    CStringTokenizer parts(text, "?\r\n");
    CXString folder, file;
    CXString firstPart = parts.hasMoreTokens() ? parts.nextToken() : CXString();
    if (parts.hasMoreTokens()) {
        folder = firstPart;
        file = parts.nextToken();
    } else {
        file = firstPart;
    }
    return CPath::getFullPath(CFile::getCurrentDirectory(), folder, file);
}

} // namespace

CXString CPath::resolveFileName(CWindow*, const CXString& name) { return expand(name, CWindowPaths::getCDPath()); }

CXString CPath::resolveFileNameEx(CWindow*, const CXString& name)
{
    return expand(name, CWindowPaths::getRootPath());
}

CFileNameResolver::CFileNameResolver(const CXString& n) : name(n), drive(0), directories(new CXArray(101, 0.75f))
{
    if (!name.IsString())
        return;
    CStringTokenizer tokens(name, "\\");
    CXString previous;
    bool first = true;
    bool any = false;
    while (tokens.hasMoreTokens()) {
        CXString token = tokens.nextToken();
        if (any)
            directories->add(new CXString(previous));
        if (first && token.lastChar() == ':') {
            drive = (unsigned char)token.GetAt(0);
            first = false;
            continue;
        }
        first = false;
        previous = token;
        any = true;
    }
    fileName = previous;
    int dot = fileName.Find('.');
    if (dot < 0) {
        pureFileName = fileName;
        return;
    }
    pureFileName = fileName.Left(dot);
    int next = fileName.Find('.', dot + 1);
    extension = fileName.Mid(dot + 1, next < 0 ? fileName.getLength() : next);
}

CFileNameResolver::~CFileNameResolver() { CXString::releaseToVector(directories); }
