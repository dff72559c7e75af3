#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

// Settings files in the Windows ini form ("[section]" lines, then
// "key=value" lines), read and written the way the Windows profile
// functions do it. Files are named in engine form (Drives.h). Section and
// key names match ignoring case; names and values are trimmed of blanks and
// tabs, and a value inside a pair of matching quotes loses them. Lines
// beginning with ';' are comments. Only the first section of a name counts,
// and in it the first line of a key. Texts are bytes (code page 1250).

// One settings file kept in memory between uses. Each use first compares
// the file on disk with the one the copy was parsed from (its identity,
// length and times) and parses it again only when it changed, so reads cost
// no parsing and a change made by another process or by hand is seen.
//
// Writing the file puts the whole new file in place of the old one: the
// bytes go to a temporary beside it ("name.tmp"), which is renamed over it.
// The file on disk is therefore always the old one or the new one whole.
// A write holds the file's lock, which every program that writes the file
// this way takes in turn (a flock of the temporary, which ends with its
// holder, so a crash keeps nothing locked): under it the file is read as
// the last writer left it and only the keys this copy changed are set in
// it. Two programs sharing the file keep each other's keys, and of two
// changes of one key the one written later stays. A temporary left by a
// crash is made anew by the next write.
// The bytes are synced to the disk before the rename (see replaceFile),
// except for writes that follow the last synced one by less than a tenth of
// a second: a loop of writes then pays for about ten syncs a second rather
// than one each, and its renames rely on the file system writing a file
// that replaces another before the rename (ext4 and btrfs do).
//
// write() changes the copy and writes the file at once; put() changes the
// copy at once and lets the file wait (see there). Every copy is used
// under one lock, so that a program that must end at once can write what
// waits from another thread (writeWaitingProfiles).
class ProfileFile {
public:
    explicit ProfileFile(const std::string& enginePath = std::string());
    // Writes the changes that wait, and tries once more those that a
    // failed write left.
    ~ProfileFile();
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    const std::string& path() const { return enginePath; }

    // The value, or `fallback` when the file, the section or the key is
    // missing.
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback);
    // The value read as a decimal number the way atoi reads it ("-5" gives
    // -5, "12ab" 12, "ab" 0), or `fallback` when the key is missing.
    int readInt(const std::string& section, const std::string& key, int fallback);

    // Sets a key, replacing its line or adding it at the end of its section;
    // a missing section is added at the end of the file, a missing file is
    // made. Other lines stay byte for byte; new lines end in CR LF. A write
    // that changes nothing leaves the file alone. The section, the key and
    // the value are each cut at their first CR or LF, so that a write stays
    // on its one line; the cut value is what is read back.
    // False when the file cannot be written (its folder is missing or
    // read-only, the disk is full, the file is read-only or cannot be read,
    // another program held its lock for seconds): the file keeps its old
    // bytes, and the copy keeps the change, so that it is still read back
    // and is made in the file by the next write that succeeds.
    bool write(const std::string& section, const std::string& key, const std::string& value);
    // Sets a key as write() does, and writes the file at once only when
    // this copy last wrote it a second ago or more, or never. Otherwise the
    // change waits in the copy, where every read sees it, until flush(),
    // the next put() a second after that write, the file layer's next use
    // of any file (writeWaitingProfiles), or the copy's end: a burst of
    // changes costs one write, not one each, and a process killed meanwhile
    // loses the changes that wait. Should another program replace the file
    // meanwhile, the changes that wait are made again in what it wrote.
    // False when a write made now fails, as write().
    bool put(const std::string& section, const std::string& key, const std::string& value);
    // Writes the changes that wait; true when none waits or they were
    // written. One that fails is as a write() that fails.
    bool flush();
    // Why the last write that failed did ("Permission denied", "No space
    // left on device"); empty before any failed.
    const std::string& writeFailure() const { return failure; }
    // How many writes of this copy have failed, whichever call made them.
    unsigned failedWrites() const { return failures.load(); }

    friend void writeWaitingProfiles();
    friend bool writeWaitingProfiles(std::chrono::milliseconds patience);

private:
    struct Line {
        std::string text; // without its line end
        std::string end;  // "\r\n", "\n" or empty for a last line without one
    };
    // The first section of a name: its last non-blank line (the header
    // when there is none) and the line of each key's first occurrence, by
    // upper-case name.
    struct Section {
        size_t last;
        std::unordered_map<std::string, size_t> keys;
    };
    // What tells one version of the file on disk from another.
    struct Stamp {
        bool present = false;
        uint64_t device = 0, inode = 0;
        int64_t size = 0, modified = 0, changed = 0; // times in nanoseconds
        uint32_t mode = 0;
        bool operator==(const Stamp& o) const;
    };

    // A change that waits, to be made again should the file be read anew.
    struct Change {
        std::string section, key, text;
    };

    // Puts the copy on the list of those whose changes wait.
    void startWaiting();
    const char* unreadable() const;
    void refresh();
    void load();
    // Writes the file when changes wait; true when none waits or they were
    // written.
    bool writeWaiting();
    // Sets the key in the copy, then writes the file now when `now` or the
    // last write is a second past; else the change waits.
    bool change(const std::string& section, const std::string& key, const std::string& value, bool now);
    void keepChange(const std::string& section, const std::string& key, const std::string& text);
    void index();
    // The value of a key in the copy, without its quotes; false when missing.
    bool find(const std::string& section, const std::string& key, std::string& value) const;
    // Puts the line "key=value" in the copy; false when it was there already.
    bool set(const std::string& section, const std::string& key, const std::string& text);
    std::string render() const;
    // Writes the waiting changes into the file under its lock.
    bool replace();
    static std::vector<Line> split(const std::string& bytes);
    // Of the open file `fd`, or of the file named when `fd` is -1.
    static Stamp stampOf(const std::string& hostPath, int fd);

    std::string enginePath;
    std::string hostPath; // where the copy was read from
    Stamp stamp;          // of the file the copy was read from or last wrote
    bool loaded = false;
    bool readable = true; // false when a file is there but could not be read
    bool pending = false; // the copy holds a change that the file does not
    bool waiting = false; // changes wait for the file to be written
    std::chrono::steady_clock::time_point lastWrite; // the clock's start: none yet
    std::vector<Change> changes;                     // waiting, each key once, in the order they came
    std::unordered_map<std::string, size_t> changeOf; // by upper-case section and key
    std::string failure;
    std::atomic<unsigned> failures{0};
    std::vector<Line> lines;
    std::unordered_map<std::string, Section> sections;
};

// Writes the changes that wait in every copy (ProfileFile::put). The file
// layer calls it before it opens, copies, replaces or removes a file: what
// a title does with its files, the settings file among them, comes after
// the settings it changed before, as it would were each change written at
// once. Costs one test while nothing waits.
void writeWaitingProfiles();
// The same from another thread than the one that uses the copies, when the
// program is to end at once: false when the copies were not free within
// `patience` (their thread is held in a write), and nothing was written.
// A file whose lock another program holds is waited for as long at most.
bool writeWaitingProfiles(std::chrono::milliseconds patience);

// One read or write of a settings file, parsed for the call alone.
std::string readProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& fallback);
int readProfileInt(const std::string& file, const std::string& section, const std::string& key, int fallback);
bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

} // namespace platform
