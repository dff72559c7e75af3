#include "base/LoadBounds.h"

#include "base/FileReport.h"

#include <string>

namespace {
thread_local CLoadBounds* openBounds = nullptr;

std::string limitText(int64_t limit)
{
    return std::to_string(limit) + " bytes (" + std::to_string(limit >> 20) + " MiB)";
}
} // namespace

CLoadBounds::CLoadBounds(const char* k, const CXString& n, const CXString& enginePath)
    : kind(k), name(n), path(enginePath), object(nullptr), held(0), told(0), untold(0), previous(openBounds)
{
    openBounds = this;
}

CLoadBounds::~CLoadBounds()
{
    if (untold > 0)
        CFileReport::mistakeAt(CXString((std::to_string(untold) + " more objects of the ").c_str()) + file() +
                                   " left out, over the limit of " + limitText(OBJECT_BYTES).c_str() +
                                   " for one object or " + limitText(FILE_BYTES).c_str() + " for one file",
                               path);
    openBounds = previous;
}

CLoadBounds* CLoadBounds::current() { return openBounds; }

CXString CLoadBounds::file() const
{
    return name.IsString() ? CXString(kind) + " \"" + name + "\"" : CXString(kind);
}

bool CLoadBounds::claim(int64_t count, int64_t each)
{
    if (!openBounds)
        return true;
    int64_t bytes = 0;
    if (count < 0 || each < 0 || __builtin_mul_overflow(count, each, &bytes))
        bytes = INT64_MAX;
    return openBounds->take(bytes);
}

bool CLoadBounds::take(int64_t bytes)
{
    Tally& t = tallies[object];
    if (t.refused)
        return false;
    // Each side is at most a bound, so neither sum overflows.
    const int64_t wanted = bytes > OBJECT_BYTES ? OBJECT_BYTES + 1 : bytes;
    if (t.granted + wanted > OBJECT_BYTES || held + wanted > FILE_BYTES) {
        t.refused = true;
        t.overFile = t.granted + wanted <= OBJECT_BYTES;
        t.asked = bytes > INT64_MAX - t.granted ? INT64_MAX : t.granted + bytes;
        return false;
    }
    t.granted += wanted;
    held += wanted;
    return true;
}

void CLoadBounds::setObject(const void* key) { object = key; }

bool CLoadBounds::refused(const void* key) const
{
    auto it = tallies.find(key);
    return it != tallies.end() && it->second.refused;
}

void CLoadBounds::leaveOut(const void* key, const CXString& objectName)
{
    auto it = tallies.find(key);
    if (it == tallies.end())
        return;
    const Tally t = it->second;
    held -= t.granted;
    tallies.erase(it);
    if (!t.refused)
        return;
    if (told >= OBJECTS_TOLD) {
        ++untold;
        return;
    }
    ++told;
    std::string why = " left out: it asks for " + std::to_string(t.asked) + " bytes, ";
    if (t.overFile)
        why += "and the objects kept before it hold " + std::to_string(held) + ", over the limit of " +
               limitText(FILE_BYTES) + " for one file";
    else
        why += "over the limit of " + limitText(OBJECT_BYTES) + " for one object";
    CFileReport::mistakeAt(
        CXString("object \"") + CFileReport::cutName(objectName) + "\" of the " + file() + why.c_str(), path);
}
