#include "base/Config.h"

#include "platform/Profile.h"

namespace {
// The longest value, as the settings buffer of 10,240 bytes holds it.
const size_t kMaxValue = 10239;
} // namespace

CXString CConfig::GetString(const CXString& section, const CXString& key)
{
    std::string value = platform::readProfileString(path.c_str(), section.c_str(), key.c_str(), std::string());
    if (value.size() > kMaxValue)
        value.resize(kMaxValue);
    return CXString(value.c_str(), int(value.size()));
}

int CConfig::GetInt(const CXString& section, const CXString& key)
{
    return platform::readProfileInt(path.c_str(), section.c_str(), key.c_str(), 0);
}

void CConfig::PutString(const CXString& section, const CXString& key, const CXString& value)
{
    platform::writeProfileString(path.c_str(), section.c_str(), key.c_str(), value.c_str());
}

void CConfig::PutInt(const CXString& section, const CXString& key, int value)
{
    CXString text;
    text = value;
    PutString(section, key, text);
}
