#include "install/KeyStore.h"

#include "platform/Cp1250.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    error.clear();
    Key* current = nullptr;
    size_t start = 0;
    for (size_t number = 1; start < bytes.size(); ++number) {
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
            error = "line " + std::to_string(number) + " is neither a key, a value nor a comment";
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
    error.clear();
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return errno == ENOENT;
    }
    std::string bytes;
    char chunk[65536];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR))
        bytes.append(chunk, n > 0 ? size_t(n) : 0);
    if (n < 0)
        error = std::strerror(errno);
    ::close(fd);
    return n == 0 && parse(bytes);
}

namespace {

std::string folderOf(const std::string& hostPath)
{
    size_t cut = hostPath.find_last_of('/');
    return cut == std::string::npos ? std::string(".") : cut == 0 ? std::string("/") : hostPath.substr(0, cut);
}

// A new file beside the store, of a name no other file has: mkstemp opens
// it with O_EXCL, so that a link or a file already at a name it tries is
// never opened. -1 when the folder takes no new file.
int makeTemporary(const std::string& hostPath, std::string& temporary, std::string& error)
{
    temporary = hostPath + ".XXXXXX";
    int fd = mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        error = "cannot make a file in " + folderOf(hostPath) + ": " + std::strerror(errno);
    return fd;
}

} // namespace

bool KeyStore::save(const std::string& hostPath)
{
    const std::string bytes = text();
    error.clear();
    // The new file keeps the old one's permissions (those of the file a link
    // there points at, which stays as it is).
    struct stat old;
    mode_t mode = ::stat(hostPath.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode & 07777 : 0600;
    std::string temporary;
    int fd = makeTemporary(hostPath, temporary, error);
    if (fd < 0)
        return false;
    bool ok = fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ok = n > 0 || (n < 0 && errno == EINTR);
        done += n > 0 ? size_t(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    // The temporary is gone when the error is read: only the reason is told.
    if (!ok)
        error = std::strerror(errno);
    if (::close(fd) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    // rename replaces whatever is at the store's name, a link too, without
    // following it.
    if (ok && std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
        error = std::string("the new file cannot take its place: ") + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The new name itself survives a crash only once the folder is synced.
    int dir = ::open(folderOf(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return true;
}

bool KeyStore::canSave(const std::string& hostPath)
{
    error.clear();
    std::string temporary;
    int fd = makeTemporary(hostPath, temporary, error);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(temporary.c_str());
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
