#include "base/Config.h"

#include "base/FileReport.h"

#include <string>

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

CConfig::~CConfig() { Flush(); }

void CConfig::PutString(const CXString& section, const CXString& key, const CXString& value)
{
    file.put(section.c_str(), key.c_str(), value.c_str());
    reportFailure();
}

void CConfig::Flush()
{
    file.flush();
    reportFailure();
}

// The title plays on with its values in memory; the player is told once
// that they will not be kept.
void CConfig::reportFailure()
{
    if (file.failedWrites() == failuresTold)
        return;
    failuresTold = file.failedWrites();
    const std::string& path = file.path();
    const size_t cut = path.find_last_of("\\/");
    CFileReport::failedAt("settings file", CXString(path.substr(cut == std::string::npos ? 0 : cut + 1).c_str()),
                          ("cannot be written (" + file.writeFailure() + ")").c_str(), CXString(path.c_str()));
}

void CConfig::PutInt(const CXString& section, const CXString& key, int value)
{
    CXString text;
    text = value;
    PutString(section, key, text);
}
