#pragma once
// Titles that network: written into temp folders, given their network
// object in the scene snapshot (the only way such objects come into a
// scene), and played by the host program as processes of their own.
#include "NetSupport.h"
#include "net/XSocket.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <cstring>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace nettest {

using testsupport::freePort;
using testsupport::oneScene;
using testsupport::writeTitle;

// The host program with these switches (words between blanks), started in
// folder, its output in folder/output.txt.
class HostProcess : public testsupport::ChildProgram {
public:
    HostProcess(const std::string& folder, const std::string& switches)
        : ChildProgram(QUARNEL_HOST_PROGRAM, wordsOf(switches), folder, folder + "/output.txt")
    {
    }

private:
    static std::vector<std::string> wordsOf(const std::string& text)
    {
        std::vector<std::string> words;
        std::string word;
        for (char c : text + " ") {
            if (c != ' ') {
                word += c;
            } else if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        }
        return words;
    }
};

// The value of a key in a section of an ini file; empty when absent.
inline std::string iniValue(const std::string& path, const std::string& section, const std::string& key)
{
    std::string text = testsupport::readFile(path);
    std::string current;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 2 && line[0] == '[' && line.back() == ']')
            current = line.substr(1, line.size() - 2);
        else if (current == section && line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    }
    return std::string();
}

inline void putString(std::string* out, const std::string& s)
{
    uint32_t n = uint32_t(s.size());
    out->append(reinterpret_cast<const char*>(&n), 4);
    *out += s;
}

// Writes the snapshot of the title in folder ("-2bin").
inline void writeSnapshot(const std::string& folder)
{
    HostProcess snapshot(folder, "-path " + folder + " -nogfx -2bin");
    ASSERT_EQ(snapshot.wait(), 0);
}

// Writes the snapshot of the title in folder, then puts a record of a
// network object (type 2011 or 2012) named name, with its events bound to
// behaviours of the scene, first in the snapshot of the scene (in
// "Rara\<scene>").
inline void addNetworkObject(const std::string& folder, int typeId, const std::string& name,
                             const std::vector<std::pair<std::string, std::string>>& bindings,
                             const std::string& scene = "S")
{
    writeSnapshot(folder);
    std::string path = folder + "/Rara/" + scene + "/" + scene + ".bin";
    std::string bytes = testsupport::readFile(path);
    size_t at = 0;
    for (int i = 0; i < 3; ++i) { // the plug-in list, background and music
        ASSERT_LE(at + 4, bytes.size());
        uint32_t n;
        std::memcpy(&n, &bytes[at], 4);
        at += 4 + n;
    }
    ASSERT_LE(at + 4, bytes.size());
    uint32_t count;
    std::memcpy(&count, &bytes[at], 4);
    ++count;
    std::memcpy(&bytes[at], &count, 4);
    std::string record(reinterpret_cast<const char*>(&typeId), 4);
    putString(&record, name);
    uint32_t n = uint32_t(bindings.size());
    record.append(reinterpret_cast<const char*>(&n), 4);
    for (const auto& b : bindings) {
        putString(&record, b.first);
        putString(&record, b.second);
        record.append(4, '\0'); // no parameters
    }
    bytes.insert(at + 4, record);
    testsupport::writeFile(path, bytes);
}

} // namespace nettest
