#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// Opens a file named in engine form (see Drives.h) with a Windows C library
// mode: 'r', 'w' or 'a', then '+' for update, then 't' or 'b'. Without 'b'
// the file is in text mode, the Windows default: CR LF reads as LF, a lone
// CR stays, the byte 0x1A ends the file for reading, and LF is written as
// CR LF. Positions (ftell, fseek, the length) count the bytes on disk in
// both modes. Folders do not open. An 'x' after 'w' makes the file anew
// as createFresh does. Null on failure.
FILE* openFile(const std::string& enginePath, const char* mode);

// Makes a new, empty file at a host path for reading and writing (a temporary that is
// then renamed over another file): whatever stands at the name (a stale
// temporary, a symbolic link) is removed first, never followed, and the
// file is created with O_EXCL, so that a link made there meanwhile makes
// it fail rather than write through the link. The descriptor, or -1 with
// errno set.
int createFresh(const std::string& hostPath, unsigned permissions);

// Copies a file's bytes to another file, replacing it when it exists, as
// the Windows CopyFile does. False when the source cannot be read, the
// target cannot be written, or both name the same file.
bool copyFile(const std::string& sourceEnginePath, const std::string& targetEnginePath);

// Puts a finished file in the place of another in one step: after a crash
// the target holds its old bytes or all the new ones, never a part. The
// source's bytes reach the disk before its name changes. Both names must
// be in the same folder. False when the move fails; the source then stays.
bool replaceFile(const std::string& sourceEnginePath, const std::string& targetEnginePath);

// Syncs the folder that holds a file named by its host path, so that a
// name just given to the file survives a crash.
void syncFolderOf(const std::string& hostPath);

// Deletes a file; false when it cannot.
bool removeFile(const std::string& enginePath);

// The folder for temporary files, a host path: TMPDIR when it names a
// folder this user can make files in, else /tmp, as the C library's own
// temporary names take it.
std::string temporaryFolder();

// One entry of a directory search, as the Windows search reports it.
enum : uint32_t { FILE_ATTRIB_SUBDIR = 0x10, FILE_ATTRIB_ARCHIVE = 0x20 };
struct FindData {
    uint32_t attrib; // FILE_ATTRIB_SUBDIR for a folder, FILE_ATTRIB_ARCHIVE for a file
    uint32_t size;   // the file's length, cut to 32 bits; 0 for a folder
    char name[260];  // the bare name, code page 1250
};

// Whole-name wildcard match, byte for byte: '*' takes any run of bytes, '?'
// one byte, every other byte itself.
bool wildcardFits(const char* pattern, const char* name);

// Starts a search for a pattern in engine form ("Rara\*.img"): the last
// component may hold '*' and '?' and matches names ignoring case; "*.*"
// matches every name and "name.*" also the bare name. Below a drive's root
// the entries "." and ".." come first when the pattern takes them, then the
// names in case-insensitive order. Returns a handle (0 or more) with the
// first entry in `data`, or -1 when nothing matches.
int findFirst(const std::string& enginePattern, FindData* data);
// The next entry of a search: 0, or -1 when there is none.
int findNext(int handle, FindData* data);
// Ends a search and frees what it holds; an unknown handle is ignored.
void findClose(int handle);

// Makes a folder named in engine form; true when it is there afterwards
// (made now or before). Its parent must exist.
bool makeDirectory(const std::string& enginePath);

} // namespace platform
