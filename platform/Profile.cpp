#include "platform/Profile.h"

#include "platform/Cp1250.h"
#include "platform/FileIO.h"

#include <climits>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

struct Line {
    std::string text; // without its line end
    std::string end;  // "\r\n", "\n" or empty for a last line without one
};

std::vector<Line> readLines(const std::string& file)
{
    std::vector<Line> lines;
    FILE* f = openFile(file, "rb");
    if (!f)
        return lines;
    std::string bytes;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    std::fclose(f);
    size_t i = 0;
    while (i < bytes.size()) {
        size_t nl = bytes.find('\n', i);
        Line line;
        if (nl == std::string::npos) {
            line.text = bytes.substr(i);
            i = bytes.size();
        } else {
            line.text = bytes.substr(i, nl - i);
            line.end = "\n";
            i = nl + 1;
        }
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.end = "\r" + line.end;
        }
        lines.push_back(line);
    }
    return lines;
}

std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return std::string();
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

bool sameName(const std::string& a, const std::string& b) { return upperCp1250(a) == upperCp1250(b); }

bool sectionOf(const std::string& line, std::string& name)
{
    std::string t = trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    size_t close = t.find(']');
    name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

bool keyOf(const std::string& line, std::string& key, std::string& value)
{
    std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

// The index of the key's line in the section, -1 when absent; `sectionAt`
// receives the index of the section's header line (-1 when absent) and
// `lastAt` that of the section's last non-blank line.
int findKey(const std::vector<Line>& lines, const std::string& section, const std::string& key, int& sectionAt,
            int& lastAt)
{
    sectionAt = lastAt = -1;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, k, v;
        if (sectionOf(lines[i].text, name)) {
            if (inside)
                return -1;
            inside = sameName(name, section);
            if (inside)
                sectionAt = lastAt = int(i);
            continue;
        }
        if (!inside)
            continue;
        if (!trim(lines[i].text).empty())
            lastAt = int(i);
        if (keyOf(lines[i].text, k, v) && sameName(k, key))
            return int(i);
    }
    return -1;
}

bool lookupValue(const std::string& file, const std::string& section, const std::string& key, std::string& value)
{
    std::vector<Line> lines = readLines(file);
    int sectionAt, lastAt;
    int at = findKey(lines, section, key, sectionAt, lastAt);
    if (at < 0)
        return false;
    std::string k;
    keyOf(lines[size_t(at)].text, k, value);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return true;
}

} // namespace

std::string readProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& fallback)
{
    std::string value;
    return lookupValue(file, section, key, value) ? value : fallback;
}

int readProfileInt(const std::string& file, const std::string& section, const std::string& key, int fallback)
{
    std::string value;
    if (!lookupValue(file, section, key, value))
        return fallback;
    long n = std::strtol(value.c_str(), nullptr, 10);
    if (n > INT_MAX)
        return INT_MAX;
    if (n < INT_MIN)
        return INT_MIN;
    return int(n);
}

bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value)
{
    std::vector<Line> lines = readLines(file);
    int sectionAt, lastAt;
    int at = findKey(lines, section, key, sectionAt, lastAt);
    Line entry{key + "=" + value, "\r\n"};
    if (at >= 0) {
        lines[size_t(at)].text = entry.text;
    } else {
        if (sectionAt < 0) {
            lastAt = int(lines.size());
            lines.push_back(Line{"[" + section + "]", "\r\n"});
        }
        if (lines[size_t(lastAt)].end.empty())
            lines[size_t(lastAt)].end = "\r\n";
        lines.insert(lines.begin() + lastAt + 1, entry);
    }
    // The line before a new section ends, whatever the file had.
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].end.empty())
            lines[i].end = "\r\n";

    std::string bytes;
    for (const Line& l : lines)
        bytes += l.text + l.end;
    FILE* f = openFile(file, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace platform
