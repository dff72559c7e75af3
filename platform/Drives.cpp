#include "platform/Drives.h"

#include "platform/Cp1250.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

struct Drive {
    std::string folder;
    DriveKind kind = DriveKind::None;
};

// What is known of one host folder: its names keyed by their upper-case
// CP1250 form, and the folder's modification time when they were read.
struct Listing {
    timespec mtime;
    std::unordered_map<std::string, std::string> byUpper;
};

const size_t kCacheLimit = 64;

struct State {
    std::mutex lock;
    Drive drives[26];
    std::unordered_map<std::string, Listing> cache;
    State() { setDefault(); }
    void setDefault()
    {
        for (Drive& d : drives)
            d = Drive();
        drives[2] = Drive{"/", DriveKind::FixedDisk};
    }
};

State& state()
{
    static State s;
    return s;
}

bool isSep(char c) { return c == '\\' || c == '/'; }

int driveIndex(char letter)
{
    unsigned char c = (unsigned char)std::toupper((unsigned char)letter);
    return c >= 'A' && c <= 'Z' ? c - 'A' : -1;
}

std::string join(const std::string& dir, const std::string& name)
{
    if (dir.empty() || dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string normalizeFolder(std::string folder)
{
    if (!folder.empty() && folder[0] != '/') {
        char* cwd = getcwd(nullptr, 0);
        folder = join(cwd ? cwd : "/", folder);
        std::free(cwd);
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string hostCwd()
{
    char* cwd = getcwd(nullptr, 0);
    std::string out = cwd ? cwd : "";
    std::free(cwd);
    return out;
}


// The drive whose folder holds the host path (the longest such folder);
// -1 when none does. Caller holds the lock.
int driveOfLocked(const State& st, const std::string& host)
{
    int best = -1;
    size_t bestLen = 0;
    for (int i = 0; i < 26; ++i) {
        const std::string& f = st.drives[i].folder;
        if (f.empty())
            continue;
        bool inside = f == "/" || host == f || (host.compare(0, f.size(), f) == 0 && host.size() > f.size() &&
                                                  host[f.size()] == '/');
        if (inside && (best < 0 || f.size() > bestLen)) {
            best = i;
            bestLen = f.size();
        }
    }
    return best;
}

// Splits the part of an absolute host path below a folder into names.
void appendBelow(std::vector<std::pair<std::string, bool>>& comps, const std::string& host, const std::string& root)
{
    size_t i = root == "/" ? 0 : root.size();
    while (i < host.size()) {
        while (i < host.size() && host[i] == '/')
            ++i;
        size_t end = host.find('/', i);
        if (end == std::string::npos)
            end = host.size();
        if (end > i)
            comps.emplace_back(host.substr(i, end - i), true);
        i = end;
    }
}

bool readListing(const std::string& dir, Listing& out)
{
    DIR* d = opendir(dir.c_str());
    if (!d)
        return false;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string key = upperCp1250(utf8ToCp1250(name));
        auto it = out.byUpper.find(key);
        // Two host names that differ only in case: the smaller wins, so the
        // choice does not depend on the listing order.
        if (it == out.byUpper.end() || name < it->second)
            out.byUpper[key] = name;
    }
    closedir(d);
    return true;
}

// The host name in a folder that matches an engine name, or empty.
std::string lookup(const std::string& dir, const std::string& engineName)
{
    std::string exact = cp1250ToUtf8(engineName);
    struct stat st;
    if (lstat(join(dir, exact).c_str(), &st) == 0)
        return exact;
    if (stat(dir.c_str(), &st) != 0)
        return std::string();
    std::string key = upperCp1250(engineName);

    State& s = state();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        auto it = s.cache.find(dir);
        if (it != s.cache.end() && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
            it->second.mtime.tv_nsec == st.st_mtim.tv_nsec) {
            auto hit = it->second.byUpper.find(key);
            return hit == it->second.byUpper.end() ? std::string() : hit->second;
        }
    }
    Listing listing;
    listing.mtime = st.st_mtim;
    if (!readListing(dir, listing))
        return std::string();
    auto hit = listing.byUpper.find(key);
    std::string found = hit == listing.byUpper.end() ? std::string() : hit->second;
    // Folder times are coarse: a listing read within two seconds of the
    // folder's last change could miss an entry made in the same tick without
    // the time moving, so only settled folders are kept.
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec - st.st_mtim.tv_sec >= 2) {
        std::lock_guard<std::mutex> guard(s.lock);
        if (s.cache.size() >= kCacheLimit)
            s.cache.clear();
        s.cache[dir] = std::move(listing);
    }
    return found;
}

} // namespace

void mapDrive(char letter, const std::string& hostFolder, DriveKind kind)
{
    int i = driveIndex(letter);
    if (i < 0)
        return;
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (hostFolder.empty() || kind == DriveKind::None)
        s.drives[i] = Drive();
    else
        s.drives[i] = Drive{normalizeFolder(hostFolder), kind};
}

void unmapDrive(char letter) { mapDrive(letter, std::string(), DriveKind::None); }

void resetDriveMap()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.setDefault();
}

DriveKind driveKind(char letter)
{
    int i = driveIndex(letter);
    if (i < 0)
        return DriveKind::None;
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.drives[i].kind;
}

std::string driveFolder(char letter)
{
    int i = driveIndex(letter);
    if (i < 0)
        return std::string();
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.drives[i].folder;
}

struct ScopedDriveMap::Saved {
    Drive drives[26];
};

ScopedDriveMap::ScopedDriveMap() : saved(new Saved)
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    for (int i = 0; i < 26; ++i)
        saved->drives[i] = s.drives[i];
}

ScopedDriveMap::~ScopedDriveMap()
{
    State& s = state();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        for (int i = 0; i < 26; ++i)
            s.drives[i] = saved->drives[i];
    }
    delete saved;
}

std::string toHostPath(const std::string& p)
{
    State& s = state();
    const bool onDrive = p.size() >= 2 && p[1] == ':' && driveIndex(p[0]) >= 0;
    // Only a name that does not start at a drive's root needs the current
    // directory.
    const bool needCwd = !(onDrive && p.size() > 2 && isSep(p[2]));
    const std::string cwd = needCwd ? hostCwd() : std::string();
    std::string anchor;
    // Names below the anchor; the flag marks names already in host form.
    std::vector<std::pair<std::string, bool>> comps;
    size_t i = 0;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        int cwdDrive = needCwd ? driveOfLocked(s, cwd) : -1;
        if (onDrive) {
            int d = driveIndex(p[0]);
            anchor = s.drives[d].folder;
            if (anchor.empty())
                return std::string();
            i = 2;
            // "C:name" is relative to the current directory when it lies on C:.
            if ((i >= p.size() || !isSep(p[i])) && d == cwdDrive)
                appendBelow(comps, cwd, anchor);
        } else {
            anchor = cwdDrive >= 0 ? s.drives[cwdDrive].folder : std::string("/");
            if (p.empty() || !isSep(p[0]))
                appendBelow(comps, cwd, anchor);
        }
    }
    while (i < p.size()) {
        while (i < p.size() && isSep(p[i]))
            ++i;
        size_t end = i;
        while (end < p.size() && !isSep(p[end]))
            ++end;
        std::string name = p.substr(i, end - i);
        i = end;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!comps.empty())
                comps.pop_back();
            continue;
        }
        comps.emplace_back(name, false);
    }

    // A name given in the case it has on disk resolves in one step; the
    // walk below, one lookup per component, finds the same path then.
    std::string exact = anchor;
    for (const auto& c : comps)
        exact = join(exact, c.second ? c.first : cp1250ToUtf8(c.first));
    struct stat st;
    if (lstat(exact.c_str(), &st) == 0)
        return exact;

    std::string cur = anchor;
    bool missing = false;
    for (const auto& c : comps) {
        if (c.second) {
            cur = join(cur, c.first);
        } else if (missing) {
            cur = join(cur, cp1250ToUtf8(c.first));
        } else {
            std::string found = lookup(cur, c.first);
            if (found.empty()) {
                missing = true;
                found = cp1250ToUtf8(c.first);
            }
            cur = join(cur, found);
        }
    }
    return cur;
}

std::string toEnginePath(const std::string& host)
{
    State& s = state();
    int d;
    std::string folder;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        d = driveOfLocked(s, host);
        if (d >= 0)
            folder = s.drives[d].folder;
    }
    std::string rest = host;
    std::string out;
    if (d >= 0) {
        rest = folder == "/" ? host : host.substr(folder.size());
        out += char('A' + d);
        out += ':';
        if (rest.empty())
            rest = "/";
    }
    for (char& c : rest)
        if (c == '/')
            c = '\\';
    return out + utf8ToCp1250(rest);
}

std::string getCurrentDirectory()
{
    std::string cwd = hostCwd();
    return cwd.empty() ? cwd : toEnginePath(cwd);
}

bool setCurrentDirectory(const std::string& enginePath)
{
    std::string host = toHostPath(enginePath);
    return !host.empty() && chdir(host.c_str()) == 0;
}

std::string executableFolder()
{
    std::vector<char> buf(256);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return std::string();
        if (size_t(n) < buf.size()) {
            std::string exe(buf.data(), size_t(n));
            size_t slash = exe.rfind('/');
            return toEnginePath(slash == 0 ? "/" : exe.substr(0, slash));
        }
        buf.resize(buf.size() * 2);
    }
}

} // namespace platform
