#include "platform/FileIO.h"

#include "platform/Cp1250.h"
#include "platform/Drives.h"
#include "platform/Profile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Settings changes that wait are written before a file is used
// (writeWaitingProfiles); what the caller reads of errno stays its own.
void settingsFirst()
{
    const int saved = errno;
    writeWaitingProfiles();
    errno = saved;
}

// ---- text mode ----------------------------------------------------------

// A text-mode file: a descriptor with its own position (a byte offset on
// disk) and a window of raw bytes read ahead, so that the byte-at-a-time
// reads of an unbuffered stream cost no system call each.
struct TextFile {
    int fd;
    bool append;
    off_t pos = 0;
    std::vector<char> ahead;
    off_t aheadStart = 0;
    size_t aheadLen = 0;
    explicit TextFile(int f, bool a) : fd(f), append(a) {}

    // The raw byte at `at`, or -1 at the end of the file.
    int byteAt(off_t at)
    {
        if (at < aheadStart || at >= aheadStart + off_t(aheadLen)) {
            if (ahead.empty())
                ahead.resize(65536);
            ssize_t n;
            do
                n = pread(fd, ahead.data(), ahead.size(), at);
            while (n < 0 && errno == EINTR);
            aheadStart = at;
            aheadLen = n > 0 ? size_t(n) : 0;
            if (aheadLen == 0)
                return -1;
        }
        return (unsigned char)ahead[size_t(at - aheadStart)];
    }
};

ssize_t textRead(void* cookie, char* out, size_t n)
{
    TextFile* f = static_cast<TextFile*>(cookie);
    size_t done = 0;
    while (done < n) {
        int c = f->byteAt(f->pos);
        if (c < 0 || c == 0x1A)
            break;
        if (c == '\r' && f->byteAt(f->pos + 1) == '\n') {
            out[done++] = '\n';
            f->pos += 2;
            continue;
        }
        out[done++] = char(c);
        f->pos += 1;
    }
    return ssize_t(done);
}

ssize_t textWrite(void* cookie, const char* in, size_t n)
{
    TextFile* f = static_cast<TextFile*>(cookie);
    std::string raw;
    raw.reserve(n + n / 8);
    for (size_t i = 0; i < n; ++i) {
        if (in[i] == '\n')
            raw += '\r';
        raw += in[i];
    }
    f->aheadLen = 0;
    if (f->append) {
        struct stat st;
        if (fstat(f->fd, &st) == 0)
            f->pos = st.st_size;
    }
    size_t written = 0;
    while (written < raw.size()) {
        ssize_t w = pwrite(f->fd, raw.data() + written, raw.size() - written, f->pos + off_t(written));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return -1;
        written += size_t(w);
    }
    f->pos += off_t(written);
    return ssize_t(n);
}

int textSeek(void* cookie, off64_t* offset, int whence)
{
    TextFile* f = static_cast<TextFile*>(cookie);
    off64_t base;
    if (whence == SEEK_SET) {
        base = 0;
    } else if (whence == SEEK_CUR) {
        base = f->pos;
    } else if (whence == SEEK_END) {
        struct stat st;
        if (fstat(f->fd, &st) != 0)
            return -1;
        base = st.st_size;
    } else {
        errno = EINVAL;
        return -1;
    }
    off64_t target = base + *offset;
    if (target < 0) {
        errno = EINVAL;
        return -1;
    }
    f->pos = off_t(target);
    *offset = target;
    return 0;
}

int textClose(void* cookie)
{
    TextFile* f = static_cast<TextFile*>(cookie);
    int r = close(f->fd);
    delete f;
    return r;
}

struct Mode {
    char kind = 0; // 'r', 'w' or 'a'
    bool update = false;
    bool binary = false;
    bool fresh = false; // 'x': made anew by createFresh
};

bool parseMode(const char* text, Mode& m)
{
    if (!text || (text[0] != 'r' && text[0] != 'w' && text[0] != 'a'))
        return false;
    m.kind = text[0];
    for (const char* p = text + 1; *p; ++p) {
        if (*p == '+')
            m.update = true;
        else if (*p == 'b')
            m.binary = true;
        else if (*p == 't')
            m.binary = false;
        else if (*p == 'x')
            m.fresh = true;
    }
    return true;
}

// ---- directory search ---------------------------------------------------

// Windows name matching, on names and patterns in upper case: "*.*" takes
// every name, and a pattern ending in ".*" also takes the name without it.
bool wildcardMatch(const std::string& upperPattern, const std::string& upperName)
{
    if (upperPattern == "*.*" || wildcardFits(upperPattern.c_str(), upperName.c_str()))
        return true;
    size_t n = upperPattern.size();
    return n >= 2 && upperPattern.compare(n - 2, 2, ".*") == 0 && upperName.find('.') == std::string::npos &&
           wildcardFits(upperPattern.substr(0, n - 2).c_str(), upperName.c_str());
}

struct Entry {
    std::string name; // CP1250
    uint32_t attrib;
    uint32_t size;
};

struct Search {
    std::vector<Entry> entries;
    size_t next = 0;
};

struct Searches {
    std::mutex lock;
    std::map<int, std::unique_ptr<Search>> open;
    int nextHandle = 1;
};

Searches& searches()
{
    static Searches s;
    return s;
}

void fill(const Entry& e, FindData* data)
{
    if (!data)
        return;
    data->attrib = e.attrib;
    data->size = e.size;
    std::snprintf(data->name, sizeof data->name, "%s", e.name.c_str());
}

bool isDriveRoot(const std::string& host)
{
    if (host == "/")
        return true;
    for (char l = 'A'; l <= 'Z'; ++l)
        if (driveFolder(l) == host)
            return true;
    return false;
}


} // namespace

bool wildcardFits(const char* p, const char* s)
{
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*s) {
        if (*p == '?' || (*p && *p != '*' && *p == *s)) {
            ++p;
            ++s;
        } else if (*p == '*') {
            star = p++;
            resume = s;
        } else if (star) {
            p = star + 1;
            s = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*')
        ++p;
    return *p == 0;
}

FILE* openFile(const std::string& enginePath, const char* modeText)
{
    settingsFirst();
    Mode m;
    if (!parseMode(modeText, m) || enginePath.empty())
        return nullptr;
    std::string host = toHostPath(enginePath);
    if (host.empty())
        return nullptr;
    int flags = m.kind == 'r' ? (m.update ? O_RDWR : O_RDONLY)
                              : (m.update ? O_RDWR : O_WRONLY) | O_CREAT | (m.kind == 'w' ? O_TRUNC : O_APPEND);
    int fd = m.fresh && m.kind == 'w' ? createFresh(host, 0644) : open(host.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        errno = EISDIR;
        return nullptr;
    }
    std::string cmode(1, m.kind);
    if (m.update)
        cmode += '+';
    if (m.binary) {
        FILE* f = fdopen(fd, cmode.c_str());
        if (!f)
            close(fd);
        return f;
    }
    TextFile* tf = new TextFile(fd, m.kind == 'a');
    cookie_io_functions_t io = {textRead, textWrite, textSeek, textClose};
    FILE* f = fopencookie(tf, cmode.c_str(), io);
    if (!f) {
        textClose(tf);
        return nullptr;
    }
    // Unbuffered, so that the stream's position is always the text file's
    // own; the text file buffers its raw reads itself.
    setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

int createFresh(const std::string& hostPath, unsigned permissions)
{
    struct stat st;
    if (lstat(hostPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && unlink(hostPath.c_str()) != 0)
        return -1;
    return open(hostPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(permissions));
}

bool copyFile(const std::string& source, const std::string& target)
{
    settingsFirst();
    std::string from = toHostPath(source);
    std::string to = toHostPath(target);
    if (from.empty() || to.empty())
        return false;
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat src, dst;
    // Copying a file onto itself would truncate it first.
    bool same = stat(to.c_str(), &dst) == 0 && fstat(in, &src) == 0 && src.st_dev == dst.st_dev &&
                src.st_ino == dst.st_ino;
    if (same || fstat(in, &src) != 0 || S_ISDIR(src.st_mode)) {
        close(in);
        return false;
    }
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    close(in);
    return close(out) == 0 && ok;
}

bool replaceFile(const std::string& source, const std::string& target)
{
    settingsFirst();
    std::string from = toHostPath(source);
    std::string to = toHostPath(target);
    if (from.empty() || to.empty())
        return false;
    int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool synced = fsync(fd) == 0;
    close(fd);
    if (!synced || rename(from.c_str(), to.c_str()) != 0)
        return false;
    syncFolderOf(to);
    return true;
}

// A new name itself survives a crash only once its folder is synced.
void syncFolderOf(const std::string& hostPath)
{
    size_t cut = hostPath.find_last_of('/');
    std::string folder =
        cut == std::string::npos ? std::string(".") : cut == 0 ? std::string("/") : hostPath.substr(0, cut);
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

bool removeFile(const std::string& enginePath)
{
    settingsFirst();
    std::string host = toHostPath(enginePath);
    return !host.empty() && unlink(host.c_str()) == 0;
}

std::string temporaryFolder()
{
    const char* named = std::getenv("TMPDIR");
    struct stat st;
    if (named && *named && stat(named, &st) == 0 && S_ISDIR(st.st_mode) && access(named, W_OK | X_OK) == 0)
        return named;
    return "/tmp";
}

int findFirst(const std::string& enginePattern, FindData* data)
{
    size_t cut = enginePattern.find_last_of("\\/");
    std::string dirPart = cut == std::string::npos ? std::string(".") : enginePattern.substr(0, cut + 1);
    std::string pattern = cut == std::string::npos ? enginePattern : enginePattern.substr(cut + 1);
    if (pattern.empty())
        return -1;
    std::string dir = toHostPath(dirPart);
    if (dir.empty())
        return -1;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return -1;

    std::unique_ptr<Search> search(new Search);
    const std::string upperPattern = upperCp1250(pattern);
    struct Name {
        std::string upper, engine, host;
    };
    std::vector<Name> names;
    while (dirent* e = readdir(d)) {
        std::string host = e->d_name;
        if (host == "." || host == "..")
            continue;
        std::string name = utf8ToCp1250(host);
        std::string upper = upperCp1250(name);
        if (wildcardMatch(upperPattern, upper))
            names.push_back(Name{upper, name, host});
    }
    closedir(d);
    std::sort(names.begin(), names.end(), [](const Name& a, const Name& b) {
        return a.upper != b.upper ? a.upper < b.upper : a.engine < b.engine;
    });
    if (!isDriveRoot(dir))
        for (const char* dot : {".", ".."})
            if (wildcardMatch(upperPattern, dot))
                search->entries.push_back(Entry{dot, FILE_ATTRIB_SUBDIR, 0});
    for (const Name& n : names) {
        struct stat st;
        if (stat((dir + "/" + n.host).c_str(), &st) != 0)
            continue; // a dangling link
        bool folder = S_ISDIR(st.st_mode);
        search->entries.push_back(Entry{n.engine, folder ? uint32_t(FILE_ATTRIB_SUBDIR) : uint32_t(FILE_ATTRIB_ARCHIVE),
                                        folder ? 0u : uint32_t(st.st_size)});
    }
    if (search->entries.empty())
        return -1;

    fill(search->entries[0], data);
    search->next = 1;
    Searches& s = searches();
    std::lock_guard<std::mutex> guard(s.lock);
    int handle = s.nextHandle;
    s.nextHandle = handle == INT_MAX ? 1 : handle + 1;
    s.open[handle] = std::move(search);
    return handle;
}

int findNext(int handle, FindData* data)
{
    Searches& s = searches();
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.open.find(handle);
    if (it == s.open.end())
        return -1;
    Search& search = *it->second;
    if (search.next >= search.entries.size()) {
        // Keep the handle until it is closed, but not the names.
        std::vector<Entry>().swap(search.entries);
        search.next = 0;
        return -1;
    }
    fill(search.entries[search.next++], data);
    return 0;
}

void findClose(int handle)
{
    Searches& s = searches();
    std::lock_guard<std::mutex> guard(s.lock);
    s.open.erase(handle);
}

bool makeDirectory(const std::string& enginePath)
{
    std::string path = toHostPath(enginePath);
    if (path.empty())
        return false;
    struct stat st;
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

} // namespace platform
