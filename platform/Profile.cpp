#include "platform/Profile.h"

#include "platform/Cp1250.h"
#include "platform/Drives.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

using SyncClock = std::chrono::steady_clock;

// Syncs of settings files are at least this far apart within the process.
const SyncClock::duration syncSpacing = std::chrono::milliseconds(100);
SyncClock::time_point lastSync; // the clock's start: none yet
// A copy's put() writes the file at once when its last write is this old.
const SyncClock::duration writeSpacing = std::chrono::seconds(1);

// Held by every use of a copy. Neither it nor the list is ever destroyed,
// so that a copy may end as the program does.
std::recursive_timed_mutex& copiesLock()
{
    static std::recursive_timed_mutex* lock = new std::recursive_timed_mutex;
    return *lock;
}
using CopiesLock = std::lock_guard<std::recursive_timed_mutex>;
// The copies whose changes wait, and how many they are, read without the lock.
std::vector<ProfileFile*>& waitingCopies()
{
    static std::vector<ProfileFile*>* copies = new std::vector<ProfileFile*>;
    return *copies;
}
std::atomic<size_t> waitingCount{0};

std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return std::string();
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

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

int64_t nanoseconds(const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; }

// A name or value ends at its first line break: what follows a CR or LF
// would otherwise become lines of the file of its own (another section, a
// key the title never set).
std::string oneLine(const std::string& s) { return s.substr(0, s.find_first_of("\r\n")); }

} // namespace

bool ProfileFile::Stamp::operator==(const Stamp& o) const
{
    return present == o.present && device == o.device && inode == o.inode && size == o.size &&
           modified == o.modified && changed == o.changed && mode == o.mode;
}

ProfileFile::ProfileFile(const std::string& path) : enginePath(path) {}

ProfileFile::~ProfileFile()
{
    CopiesLock lock(copiesLock());
    writeWaiting();
}

ProfileFile::Stamp ProfileFile::stampOf(const std::string& host, int fd)
{
    Stamp s;
    struct stat st;
    if (fd >= 0 ? fstat(fd, &st) != 0 : host.empty() || stat(host.c_str(), &st) != 0)
        return s;
    s.present = true;
    s.device = uint64_t(st.st_dev);
    s.inode = uint64_t(st.st_ino);
    s.size = int64_t(st.st_size);
    s.modified = nanoseconds(st.st_mtim);
    s.changed = nanoseconds(st.st_ctim);
    s.mode = uint32_t(st.st_mode);
    return s;
}

std::vector<ProfileFile::Line> ProfileFile::split(const std::string& bytes)
{
    std::vector<Line> out;
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
        out.push_back(line);
    }
    return out;
}

std::string ProfileFile::render() const
{
    std::string bytes;
    for (const Line& l : lines)
        bytes += l.text + l.end;
    return bytes;
}

void ProfileFile::refresh()
{
    std::string host = toHostPath(enginePath);
    // What waits in another copy of the same file came first.
    for (bool again = waitingCount.load(std::memory_order_relaxed) > (waiting ? 1u : 0u); again;) {
        std::vector<ProfileFile*>& copies = waitingCopies();
        auto other = std::find_if(copies.begin(), copies.end(),
                                  [this, &host](ProfileFile* c) { return c != this && c->hostPath == host; });
        again = other != copies.end();
        if (again)
            (*other)->writeWaiting();
    }
    if (loaded && host == hostPath && stampOf(host, -1) == stamp)
        return;
    hostPath = host;
    load();
    for (const Change& c : changes)
        if (set(c.section, c.key, c.text))
            pending = true;
}

// The stamp is taken from the open file, so that it belongs to the bytes
// read even when the file is replaced meanwhile.
void ProfileFile::load()
{
    loaded = true;
    pending = false;
    lines.clear();
    stamp = stampOf(hostPath, -1);
    // Only a plain file is opened: a pipe there would wait for a writer.
    readable = !stamp.present || S_ISREG(stamp.mode);
    if (stamp.present && readable) {
        int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
        stamp = stampOf(hostPath, fd);
        std::string bytes;
        readable = fd >= 0 && S_ISREG(stamp.mode);
        char chunk[65536];
        ssize_t n;
        while (readable && (n = ::read(fd, chunk, sizeof chunk)) != 0) {
            if (n > 0)
                bytes.append(chunk, size_t(n));
            else if (errno != EINTR)
                readable = false;
        }
        if (fd >= 0)
            close(fd);
        if (readable)
            lines = split(bytes);
    }
    index();
}

void ProfileFile::index()
{
    sections.clear();
    Section* current = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, key, value;
        if (sectionOf(lines[i].text, name)) {
            auto added = sections.emplace(upperCp1250(name), Section{i, {}});
            current = added.second ? &added.first->second : nullptr;
            continue;
        }
        if (!current)
            continue;
        if (!trim(lines[i].text).empty())
            current->last = i;
        if (keyOf(lines[i].text, key, value))
            current->keys.emplace(upperCp1250(key), i);
    }
}

bool ProfileFile::find(const std::string& section, const std::string& key, std::string& value) const
{
    auto s = sections.find(upperCp1250(section));
    if (s == sections.end())
        return false;
    auto k = s->second.keys.find(upperCp1250(key));
    std::string name;
    if (k == s->second.keys.end() || !keyOf(lines[k->second].text, name, value))
        return false;
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return true;
}

std::string ProfileFile::readString(const std::string& section, const std::string& key, const std::string& fallback)
{
    CopiesLock lock(copiesLock());
    refresh();
    std::string value;
    return find(section, key, value) ? value : fallback;
}

int ProfileFile::readInt(const std::string& section, const std::string& key, int fallback)
{
    CopiesLock lock(copiesLock());
    refresh();
    std::string value;
    if (!find(section, key, value))
        return fallback;
    long n = std::strtol(value.c_str(), nullptr, 10);
    if (n > INT_MAX)
        return INT_MAX;
    if (n < INT_MIN)
        return INT_MIN;
    return int(n);
}

bool ProfileFile::set(const std::string& section, const std::string& key, const std::string& text)
{
    auto s = sections.find(upperCp1250(section));
    if (s != sections.end()) {
        auto k = s->second.keys.find(upperCp1250(key));
        if (k != s->second.keys.end()) {
            // The key is the same name in other letters: the line still
            // parses to it, and the index holds.
            Line& line = lines[k->second];
            if (line.text == text)
                return false;
            line.text = text;
            return true;
        }
    }
    size_t last;
    if (s == sections.end()) {
        last = lines.size();
        lines.push_back(Line{"[" + section + "]", "\r\n"});
    } else {
        last = s->second.last;
    }
    // Only a line feed ends a line for the reader: a last line that ends in
    // a lone CR (or in nothing) gets a whole line end before the new line.
    if (lines[last].end.find('\n') == std::string::npos)
        lines[last].end = "\r\n";
    lines.insert(lines.begin() + std::ptrdiff_t(last) + 1, Line{text, "\r\n"});
    // The line before a new section ends, whatever the file had.
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].end.find('\n') == std::string::npos)
            lines[i].end = "\r\n";
    index();
    return true;
}

bool ProfileFile::write(const std::string& section, const std::string& key, const std::string& value)
{
    CopiesLock lock(copiesLock());
    return change(section, key, value, true);
}

bool ProfileFile::put(const std::string& section, const std::string& key, const std::string& value)
{
    CopiesLock lock(copiesLock());
    return change(section, key, value, false);
}

bool ProfileFile::flush()
{
    CopiesLock lock(copiesLock());
    return writeWaiting();
}

bool ProfileFile::change(const std::string& section, const std::string& key, const std::string& value, bool now)
{
    // While changes wait, no other copy has used the file (it would have
    // written them), and what another program did to it is seen when they
    // are written: a change then costs no look at the disk.
    if (!waiting || now)
        refresh();
    // A file that is there but cannot be read is never written over.
    if (!readable) {
        failure = S_ISREG(stamp.mode) ? "it cannot be read" : "it is not a plain file";
        ++failures;
        return false;
    }
    const std::string name = oneLine(key), sectionName = oneLine(section), text = name + "=" + oneLine(value);
    if (set(sectionName, name, text)) {
        pending = true;
        keepChange(sectionName, name, text);
    }
    if (!pending)
        return true;
    if (!waiting) {
        waiting = true;
        waitingCopies().push_back(this);
        ++waitingCount;
    }
    if (now || lastWrite == SyncClock::time_point() || SyncClock::now() - lastWrite >= writeSpacing)
        return writeWaiting();
    return true;
}

// The later change of a key replaces the earlier one where it stood: made
// again, the changes give what they gave one by one (the key's last name
// and value, and a new key's place by its first change).
void ProfileFile::keepChange(const std::string& section, const std::string& key, const std::string& text)
{
    auto kept = changeOf.emplace(upperCp1250(section) + '\n' + upperCp1250(key), changes.size());
    if (kept.second) {
        changes.push_back(Change{section, key, text});
    } else {
        changes[kept.first->second].key = key;
        changes[kept.first->second].text = text;
    }
}

// A write that fails leaves the changes in the copy, to be written with the
// next write, unless the file on disk changes first, as write() says.
bool ProfileFile::writeWaiting()
{
    if (!waiting)
        return true;
    waiting = false;
    std::vector<ProfileFile*>& copies = waitingCopies();
    copies.erase(std::find(copies.begin(), copies.end(), this));
    --waitingCount;
    refresh();
    bool written = true;
    if (!readable) {
        failure = S_ISREG(stamp.mode) ? "it cannot be read" : "it is not a plain file";
        written = false;
    } else if (pending) {
        written = replace(render());
        lastWrite = SyncClock::now();
    }
    changes.clear();
    changeOf.clear();
    if (!written)
        ++failures;
    else
        pending = false;
    return written;
}

// The temporary is named after the file as it is on disk, so that neither
// needs a search of the folder.
bool ProfileFile::replace(const std::string& bytes)
{
    if (hostPath.empty()) {
        failure = "its drive is not mapped";
        return false;
    }
    auto failed = [this](int error) {
        failure = error ? std::strerror(error) : "the file system refused it";
        return false;
    };
    // A read-only file stays as it is, as writing into it would.
    if (stamp.present && access(hostPath.c_str(), W_OK) != 0)
        return failed(errno);
    std::string temporary = hostPath + ".tmp";
    int fd = createFresh(temporary, 0666);
    if (fd < 0)
        return failed(errno);
    int error = 0;
    for (size_t done = 0; !error && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        else if (n == 0)
            error = ENOSPC;
        else if (errno != EINTR)
            error = errno;
    }
    if (stamp.present)
        fchmod(fd, mode_t(stamp.mode & 07777));
    if (close(fd) != 0 && !error)
        error = errno;
    const bool written = !error;
    bool moved = false;
    if (written) {
        SyncClock::time_point now = SyncClock::now();
        if (lastSync == SyncClock::time_point() || now - lastSync >= syncSpacing) {
            moved = replaceFile(toEnginePath(temporary), toEnginePath(hostPath));
            if (moved)
                lastSync = now;
        } else {
            moved = std::rename(temporary.c_str(), hostPath.c_str()) == 0;
        }
    }
    if (!moved) {
        if (written)
            error = errno;
        unlink(temporary.c_str());
        return failed(error);
    }
    stamp = stampOf(hostPath, -1);
    return true;
}

std::string readProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& fallback)
{
    return ProfileFile(file).readString(section, key, fallback);
}

int readProfileInt(const std::string& file, const std::string& section, const std::string& key, int fallback)
{
    return ProfileFile(file).readInt(section, key, fallback);
}

bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value)
{
    return ProfileFile(file).write(section, key, value);
}

void writeWaitingProfiles()
{
    if (waitingCount.load(std::memory_order_relaxed) == 0)
        return;
    CopiesLock lock(copiesLock());
    // Each write takes its copy off the list, also one that fails.
    while (!waitingCopies().empty())
        waitingCopies().back()->writeWaiting();
}

bool writeWaitingProfiles(std::chrono::milliseconds patience)
{
    std::unique_lock<std::recursive_timed_mutex> lock(copiesLock(), std::defer_lock);
    if (!lock.try_lock_for(patience))
        return false;
    writeWaitingProfiles();
    return true;
}

} // namespace platform
