#include "install/KeyStore.h"

#include "platform/Cp1250.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace install {

namespace {

// As deep as the system's registry lets keys go; it also bounds the
// recursion of whoever walks the tree.
const size_t maxDepth = 512;

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && platform::upperCp1250(a) == platform::upperCp1250(b);
}

bool escaped(unsigned char c) { return c < 32 || c == 127 || c == '%' || c == '=' || c == '[' || c == ']' || c == ';'; }

std::string escape(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (escaped(c)) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else
            out += char(c);
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool unescape(const std::string& text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        int a = hexDigit(text[i + 1]), b = hexDigit(text[i + 2]);
        if (a < 0 || b < 0)
            return false;
        out += char(a * 16 + b);
        i += 2;
    }
    return true;
}

// The subkey of that name, made when missing.
Key& subkeyOf(Key& key, const std::string& name)
{
    if (Key* found = key.subkey(name))
        return *found;
    key.subkeys.push_back(std::make_unique<Key>());
    key.subkeys.back()->name = name;
    return *key.subkeys.back();
}

// A key's line is left out where its subkeys' lines make it, that is when
// it has subkeys and no values.
void write(const Key& key, const std::string& path, std::string& out)
{
    if (!path.empty() && (!key.values.empty() || key.subkeys.empty())) {
        out += '[' + path + "]\n";
        for (const auto& v : key.values)
            out += escape(v.first) + '=' + escape(v.second) + '\n';
    }
    for (const auto& sub : key.subkeys)
        write(*sub, path.empty() ? escape(sub->name) : path + '\\' + escape(sub->name), out);
}

} // namespace

Key* Key::subkey(const std::string& subkeyName) const
{
    for (const auto& sub : subkeys)
        if (sameName(sub->name, subkeyName))
            return sub.get();
    return nullptr;
}

const std::string* Key::value(const std::string& valueName) const
{
    for (const auto& v : values)
        if (sameName(v.first, valueName))
            return &v.second;
    return nullptr;
}

bool Key::removeValue(const std::string& valueName)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        if (sameName(it->first, valueName)) {
            values.erase(it);
            return true;
        }
    return false;
}

bool Key::removeSubkey(const std::string& subkeyName)
{
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it)
        if (sameName((*it)->name, subkeyName)) {
            if (!(*it)->subkeys.empty())
                return false;
            subkeys.erase(it);
            return true;
        }
    return false;
}

bool KeyStore::parse(const std::string& bytes)
{
    root = Key();
    Key* current = nullptr;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        bool ok = true;
        if (line[0] == '[') {
            ok = line.size() >= 3 && line.back() == ']';
            current = &root;
            size_t depth = 0;
            for (size_t from = 1; ok && from < line.size();) {
                size_t cut = line.find('\\', from);
                if (cut == std::string::npos)
                    cut = line.size() - 1;
                std::string name;
                // A key's name never holds the separator, escaped or not.
                ok = cut > from && ++depth <= maxDepth && unescape(line.substr(from, cut - from), name) &&
                     name.find('\\') == std::string::npos;
                if (ok)
                    current = &subkeyOf(*current, name);
                from = cut + 1;
            }
        } else {
            size_t equals = line.find('=');
            std::string name, text;
            ok = current && equals != std::string::npos && unescape(line.substr(0, equals), name) &&
                 unescape(line.substr(equals + 1), text);
            // A value named twice keeps the last text.
            if (ok) {
                current->removeValue(name);
                current->values.emplace_back(name, text);
            }
        }
        if (!ok) {
            root = Key();
            return false;
        }
    }
    return true;
}

std::string KeyStore::text() const
{
    std::string out = "; Quarnel key store: one root of keys, replaced whole on each change\n";
    write(root, std::string(), out);
    return out;
}

bool KeyStore::load(const std::string& hostPath)
{
    root = Key();
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    std::string bytes;
    char chunk[65536];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, size_t(n));
    ::close(fd);
    return n == 0 && parse(bytes);
}

bool KeyStore::save(const std::string& hostPath) const
{
    const std::string bytes = text();
    const std::string temporary = hostPath + ".tmp";
    // The new file keeps the old one's permissions.
    struct stat old;
    mode_t mode = ::stat(hostPath.c_str(), &old) == 0 ? old.st_mode & 07777 : 0600;
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    fchmod(fd, mode);
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ok = n > 0 || (n < 0 && errno == EINTR);
        done += n > 0 ? size_t(n) : 0;
    }
    ok = fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The new name itself survives a crash only once the folder is synced.
    size_t cut = hostPath.find_last_of('/');
    std::string folder = cut == std::string::npos ? std::string(".") : cut == 0 ? "/" : hostPath.substr(0, cut);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return true;
}

Key* KeyStore::open(Key& from, const std::string& path)
{
    Key* key = &from;
    if (path.empty())
        return key;
    for (size_t start = 0; key;) {
        size_t cut = path.find('\\', start);
        std::string name = path.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
        key = name.empty() ? nullptr : key->subkey(name);
        if (cut == std::string::npos)
            break;
        start = cut + 1;
    }
    return key;
}

} // namespace install
