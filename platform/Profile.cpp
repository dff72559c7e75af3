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
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

using SyncClock = std::chrono::steady_clock;

// Syncs of settings files are at least this far apart within the process.
const SyncClock::duration syncSpacing = std::chrono::milliseconds(100);
SyncClock::time_point lastSync; // the clock's start: none yet
// A copy's put() writes the file at once when its last write is this old.
const SyncClock::duration writeSpacing = std::chrono::seconds(1);
// How long a write waits for another program's write of the same file to
// end (a writer holds the file's lock for a read, a write and a sync). Used
// under the copies' lock, which writeWaitingProfiles(patience) shortens it
// for.
SyncClock::duration lockPatience = std::chrono::seconds(5);
// What lockTemporary gives as the error when the lock was not had in time.
const int lockNotHad = -1;

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

// Takes the lock that the writers of a settings file take in turn, in
// every program: the temporary beside it ("name.tmp"), opened for writing,
// locked with flock and empty. The holder writes the new file into it,
// renames it over the file and only then closes it, which lets go.
//
// A name made with O_EXCL alone, as git's lock files are, would stay taken
// when its holder is killed, until someone removed it by hand; a flock
// ends with the process that holds it, so a temporary left by a crash is
// found free and made anew. A waiter that gets the lock of a temporary that
// its holder has since renamed over the file finds another file or none at
// the name, and tries again. A free temporary that was there before this
// call came is a crash's and is removed, so that the one written is always
// one made here now, never one with another's mode. What is not a plain
// file of one name (a link, a pipe, a hard link) is never a writer's
// temporary: it is removed, never opened, so nothing is written through it.
// The descriptor, or -1 with `error` set (lockNotHad when another program
// held the lock past the deadline).
int lockTemporary(const std::string& temporary, SyncClock::time_point deadline, int& error)
{
    error = lockNotHad;
    for (std::chrono::microseconds pause(100); SyncClock::now() < deadline;) {
        struct stat before, held, named;
        const bool existed = lstat(temporary.c_str(), &before) == 0;
        if (existed && (!S_ISREG(before.st_mode) || before.st_nlink != 1)) {
            if (S_ISDIR(before.st_mode) || (unlink(temporary.c_str()) != 0 && errno != ENOENT)) {
                error = S_ISDIR(before.st_mode) ? EISDIR : errno;
                return -1;
            }
            continue;
        }
        const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int fd = open(temporary.c_str(), O_RDWR | O_CREAT | flags, 0666);
        // A crash's temporary that may not be written is locked all the
        // same (for reading), to be removed.
        if (fd < 0 && errno == EACCES && existed) {
            fd = open(temporary.c_str(), O_RDONLY | flags);
            if (fd < 0)
                errno = EACCES;
        }
        if (fd < 0) {
            if (errno == ELOOP) // a link came meanwhile
                continue;
            error = errno;
            return -1;
        }
        bool locked;
        while (!(locked = flock(fd, LOCK_EX | LOCK_NB) == 0) && (errno == EWOULDBLOCK || errno == EINTR) &&
               SyncClock::now() < deadline) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(10000));
        }
        // A file system without locks still has its settings written, as
        // they were before programs took turns.
        if (!locked && (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL))
            locked = true;
        if (!locked) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                error = errno;
            close(fd);
            return -1;
        }
        const bool same = fstat(fd, &held) == 0 && lstat(temporary.c_str(), &named) == 0 &&
                          held.st_dev == named.st_dev && held.st_ino == named.st_ino;
        const bool fresh = !existed || before.st_dev != held.st_dev || before.st_ino != held.st_ino;
        if (same && fresh && S_ISREG(held.st_mode) && held.st_nlink == 1 && ftruncate(fd, 0) == 0)
            return fd;
        if (same)
            unlink(temporary.c_str());
        close(fd);
    }
    return -1;
}

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
    // What a failed write left is tried once more.
    if (!changes.empty())
        startWaiting();
    writeWaiting();
}

// Why a file that is there is not read, nor written over.
const char* ProfileFile::unreadable() const
{
    return S_ISREG(stamp.mode) ? "it cannot be read" : "it is not a plain file";
}

void ProfileFile::startWaiting()
{
    if (waiting)
        return;
    waiting = true;
    waitingCopies().push_back(this);
    ++waitingCount;
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
    const bool looked = !waiting || now;
    if (looked)
        refresh();
    // A file that is there but cannot be read is never written over.
    if (!readable) {
        failure = unreadable();
        ++failures;
        return false;
    }
    const std::string name = oneLine(key), sectionName = oneLine(section), text = name + "=" + oneLine(value);
    // A change the copy holds already is kept all the same while others
    // wait: the file may hold another value by the time they are written.
    const bool differs = set(sectionName, name, text);
    if (differs || !looked)
        keepChange(sectionName, name, text);
    if (differs)
        pending = true;
    if (!pending)
        return true;
    startWaiting();
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

// A write that fails leaves the changes in the copy, to be made again in
// the file as it is when the next write is tried.
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
        failure = unreadable();
        written = false;
    } else if (pending) {
        written = replace();
        lastWrite = SyncClock::now();
    }
    if (!written) {
        ++failures;
        pending = !changes.empty();
        return false;
    }
    changes.clear();
    changeOf.clear();
    pending = false;
    return true;
}

// Under the file's lock the file is read anew, as the last program that
// wrote it left it, and only this copy's changes are made in it, so that
// two programs that share the file lose none of each other's keys and the
// later of two changes of one key stays. The temporary is named after the
// file as it is on disk, so that neither needs a search of the folder.
bool ProfileFile::replace()
{
    if (hostPath.empty()) {
        failure = "its drive is not mapped";
        return false;
    }
    auto failed = [this](int error) {
        failure = error == lockNotHad ? "another program kept it locked"
                  : error            ? std::strerror(error)
                                     : "the file system refused it";
        return false;
    };
    const std::string temporary = hostPath + ".tmp";
    int error;
    const int fd = lockTemporary(temporary, SyncClock::now() + lockPatience, error);
    if (fd < 0)
        return failed(error);
    load();
    bool changed = false;
    for (const Change& c : changes)
        changed = set(c.section, c.key, c.text) || changed;
    const std::string bytes = render();
    error = 0;
    bool moved = false;
    if (!readable) {
        failure = unreadable();
    } else if (!changed) {
        // Another program wrote the same: nothing to write.
        moved = true;
    } else if (stamp.present && access(hostPath.c_str(), W_OK) != 0) {
        // A read-only file stays as it is, as writing into it would.
        error = errno;
    } else {
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
        SyncClock::time_point now = SyncClock::now();
        const bool sync = lastSync == SyncClock::time_point() || now - lastSync >= syncSpacing;
        if (!error && sync && fsync(fd) != 0)
            error = errno;
        if (!error && std::rename(temporary.c_str(), hostPath.c_str()) != 0)
            error = errno;
        moved = !error;
        if (moved && sync) {
            syncFolderOf(hostPath);
            lastSync = now;
        }
    }
    if (moved && changed)
        stamp = stampOf(hostPath, fd);
    else
        unlink(temporary.c_str());
    // Lets go of the lock, after the rename: a waiter reads the new file.
    close(fd);
    if (!moved && readable)
        failed(error);
    return moved;
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
    const SyncClock::duration usual = lockPatience;
    lockPatience = std::min<SyncClock::duration>(usual, patience);
    writeWaitingProfiles();
    lockPatience = usual;
    return true;
}

} // namespace platform
