#include "base/XObject.h"

#include "base/XString.h"
#include "platform/Clock.h"
#include "platform/Debug.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

CXObject::CXObject() : flag(false), errorCode(0), toDelete(false) {}

CXObject::CXObject(const CXObject& other)
    : flag(other.flag), errorCode(other.errorCode), toDelete(other.toDelete)
{
}

CXObject& CXObject::operator=(const CXObject& other)
{
    flag = other.flag;
    errorCode = other.errorCode;
    toDelete = other.toDelete;
    return *this;
}

CXObject::~CXObject() {}

bool CXObject::isToDelete() { return toDelete; }
void CXObject::setToDelete() { toDelete = true; }
int CXObject::getHashcode() { return int(uintptr_t(this)); }
bool CXObject::equals(CXObject* other) { return other == this; }
int CXObject::compare(CXObject* other) { return other == this ? 1 : 0; }
CXObject* CXObject::clone() { return nullptr; }
CXString CXObject::toString() { return CXString(); }
void CXObject::notifyMessageReceive(CMessage*) {}
int CXObject::processMessage(CMessage*) { return 0; }

short CXObject::swap_word(short value)
{
    uint16_t v = uint16_t(value);
    return short(uint16_t((v >> 8) | (v << 8)));
}

int CXObject::swap_dword(int value)
{
    uint32_t v = uint32_t(value);
    v = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
    return int(v);
}

namespace {
CXObject::LogSink logSink = nullptr;

// The stopwatch: main thread only.
uint32_t profileStart = 0;
char* profileName = nullptr;
} // namespace

void CXObject::setLogSink(LogSink sink) { logSink = sink; }

void CXObject::toLog(const CXString& text, bool f)
{
    if (logSink)
        logSink(text, f);
}

void CXObject::log(const char* text, bool f)
{
    toLog(CXString(text), f);
}

void CXObject::profile(const char* name, bool toLogToo)
{
    if (name) {
        std::free(profileName);
        profileName = strdup(name);
        profileStart = platform::GetTickCount();
        return;
    }
    if (!profileName)
        return;
    uint32_t elapsed = platform::GetTickCount() - profileStart;
    char line[1024];
    std::snprintf(line, sizeof line, "Time spend in %s: %d ms.\n", profileName, int(elapsed));
    platform::OutputDebugString(line);
    if (toLogToo)
        toLog(CXString(line), true);
    std::free(profileName);
    profileName = nullptr;
}
