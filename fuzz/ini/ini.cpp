// A settings file of arbitrary bytes read and rewritten through the engine's
// settings access: every section and key the file names is read, then keys
// are written into sections old and new and must read back as written,
// while the lines around them stay.
#include "fuzz/InputFile.h"
#include "base/Config.h"
#include "platform/Profile.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
// The section names and keys the file's lines suggest.
void namesOf(const uint8_t* data, size_t size, std::vector<std::string>* sections, std::vector<std::string>* keys)
{
    std::string line;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n' && data[i] != '\r') {
            line += char(data[i]);
            continue;
        }
        size_t open = line.find('['), close = line.find(']');
        if (open != std::string::npos && close != std::string::npos && close > open)
            sections->push_back(line.substr(open + 1, close - open - 1));
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            keys->push_back(line.substr(0, equals));
        line.clear();
    }
}
bool isPlain(const std::string& name)
{
    if (name.empty())
        return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("settings.ini", data, size))
        return 0;
    const std::string file = "F:\\settings.ini";
    std::vector<std::string> sections, keys;
    namesOf(data, size, &sections, &keys);
    sections.push_back("MAIN");
    keys.push_back("TITLE");
    for (const std::string& s : sections)
        for (const std::string& k : keys) {
            platform::readProfileString(file, s, k, "-");
            platform::readProfileInt(file, s, k, 7);
        }

    CConfig config(CXString(file.c_str()));
    const std::string written[] = {"value", "12", ""};
    for (size_t i = 0; i < sections.size() && i < 4; ++i) {
        const std::string& key = keys[i % keys.size()];
        const std::string& value = written[i % 3];
        // Plain names must read back as written; others ('=', ']', blanks
        // at the ends, control bytes) may not survive the file's syntax.
        bool plain = isPlain(key) && isPlain(sections[i]);
        config.PutString(CXString(sections[i].c_str()), CXString(key.c_str()), CXString(value.c_str()));
        if (plain && platform::readProfileString(file, sections[i], key, "-") != value)
            std::abort();
    }
    config.PutInt(CXString("NEW SECTION"), CXString("COUNT"), -5);
    if (config.GetInt(CXString("NEW SECTION"), CXString("COUNT")) != -5)
        std::abort();
    config.GetString(CXString("MAIN"), CXString("TITLE"));
    return 0;
}
