#include "base/Config.h"

#include "platform/Debug.h"
#include "platform/Drives.h"

namespace {
// The longest value, as the settings buffer of 10,240 bytes holds it.
const size_t kMaxValue = 10239;
} // namespace

CXString CConfig::GetString(const CXString& section, const CXString& key)
{
    std::string value = file.readString(section.c_str(), key.c_str(), std::string());
    if (value.size() > kMaxValue)
        value.resize(kMaxValue);
    return CXString(value.c_str(), int(value.size()));
}

int CConfig::GetInt(const CXString& section, const CXString& key)
{
    return file.readInt(section.c_str(), key.c_str(), 0);
}

void CConfig::PutString(const CXString& section, const CXString& key, const CXString& value)
{
    bool written = file.write(section.c_str(), key.c_str(), value.c_str());
    if (!written && !failureReported)
        platform::OutputDebugString(("Settings file cannot be written: " + platform::toHostPath(file.path())).c_str());
    failureReported = !written;
}

void CConfig::PutInt(const CXString& section, const CXString& key, int value)
{
    CXString text;
    text = value;
    PutString(section, key, text);
}
