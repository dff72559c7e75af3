#include "base/Language.h"

#include "platform/Locale.h"

namespace {

struct LanguageEntry {
    const char* code;
    int number;
    const char* folder;
};

const LanguageEntry kLanguages[] = {
    {"0415", 1, "POL"}, {"0405", 2, "CZE"}, {"0402", 3, "BUL"}, {"0418", 4, "ROM"},
    {"0419", 5, "RUS"}, {"040E", 6, "HUN"}, {"041B", 7, "SLO"},
};

const int kNoLanguage = 9;

// The number of a locale code; `fallback` when the table lacks it.
int numberOf(const CXString& code, int fallback)
{
    for (const LanguageEntry& e : kLanguages)
        if (code == e.code)
            return e.number;
    return fallback;
}

} // namespace

CLanguageOSVer::CLanguageOSVer() : language(kNoLanguage), keyboard(nullptr)
{
    language = numberOf(CXString(platform::systemLanguageCode().c_str()), kNoLanguage);
    subFolder = getSubFolder();
}

CXString CLanguageOSVer::getSubFolder() const
{
    for (const LanguageEntry& e : kLanguages)
        if (e.number == language)
            return CXString(e.folder);
    return CXString();
}

void CLanguageOSVer::setLanguageFolder(const CXString& code)
{
    if (code.IsString())
        language = numberOf(code, language);
    subFolder = getSubFolder();
    if (keyboard)
        keyboard->initLanguage();
}

CXString CLanguageOSVer::getLocalFileName(const CXString& name) const
{
    if (!subFolder.IsString())
        return name;
    int slash = name.FindLast('\\');
    CXString out = name.Left(slash + 1);
    out += subFolder;
    out += '\\';
    out += name.Right(slash + 1);
    return out;
}
