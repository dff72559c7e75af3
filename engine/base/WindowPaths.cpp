#include "base/WindowPaths.h"

namespace {

struct Paths {
    CXString root;
    CXString exe;
    CXString cd;
    CLanguageOSVer* language = nullptr;
};

Paths& paths()
{
    static Paths p;
    return p;
}

} // namespace

CXString CWindowPaths::getRootPath() { return paths().root; }
void CWindowPaths::setRootPath(const CXString& path) { paths().root = path; }
CXString CWindowPaths::getExePath() { return paths().exe; }
void CWindowPaths::setExePath(const CXString& path) { paths().exe = path; }
CXString CWindowPaths::getCDPath() { return paths().cd; }
void CWindowPaths::setCDPath(const CXString& path) { paths().cd = path; }
CLanguageOSVer* CWindowPaths::getLangIfc() { return paths().language; }
void CWindowPaths::setLangIfc(CLanguageOSVer* language) { paths().language = language; }

void CWindowPaths::reset()
{
    Paths& p = paths();
    p.root = "";
    p.exe = "";
    p.cd = "";
    p.language = nullptr;
}
