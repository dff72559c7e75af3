#include "platform/Locale.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::atomic<int> languageOverride{-1};

struct Language {
    const char* code; // ISO 639-1, as locale names begin
    int id;
};

const Language kLanguages[] = {
    {"pl", 0x0415}, {"cs", 0x0405}, {"bg", 0x0402}, {"ro", 0x0418},
    {"ru", 0x0419}, {"hu", 0x040E}, {"sk", 0x041B}, {"en", 0x0409},
};

const char* localeName()
{
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v)
            return v;
    }
    return "";
}

} // namespace

int systemLanguageId()
{
    int forced = languageOverride.load();
    if (forced >= 0)
        return forced;
    const char* name = localeName();
    for (const Language& l : kLanguages) {
        size_t n = std::strlen(l.code);
        if (std::strncmp(name, l.code, n) == 0 && (name[n] == 0 || name[n] == '_' || name[n] == '.' || name[n] == '@'))
            return l.id;
    }
    return 0x0409;
}

std::string systemLanguageCode()
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X", unsigned(systemLanguageId()) & 0xFFFFu);
    return text;
}

void setSystemLanguageOverride(int id) { languageOverride.store(id < 0 ? -1 : id); }

} // namespace platform
