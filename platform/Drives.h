#pragma once
#include <string>

namespace platform {

// The engine names files in Windows form ("C:\games\title\Rara\logo.img",
// code page 1250, any letter case). This layer maps that form onto the host
// file system and back:
// - each drive letter stands for a host folder and is a fixed disk or an
//   installation medium; by default C: is the host root "/" as a fixed disk,
//   so every absolute host path has a Windows form, and no medium is mapped;
// - '\' and '/' both separate components; empty and "." components are
//   dropped and ".." is resolved on the text, never above a drive's root;
// - each component is matched against the names really on disk, ignoring
//   letter case (code page 1250 letters included); the exact name is tried
//   first, then a cached listing of the folder;
// - a component that does not exist keeps the case the engine gave it, so
//   files the engine creates are named as it names them.

enum class DriveKind { None, FixedDisk, Medium };

// Maps a drive letter (either case) to a host folder. An empty folder or
// DriveKind::None removes the mapping.
void mapDrive(char letter, const std::string& hostFolder, DriveKind kind);
void unmapDrive(char letter);
// Back to the default: C: = "/" as a fixed disk and nothing else.
void resetDriveMap();
DriveKind driveKind(char letter);
std::string driveFolder(char letter);

// Keeps the drive map of the moment and puts it back when it goes (tests).
class ScopedDriveMap {
public:
    ScopedDriveMap();
    ~ScopedDriveMap();
    ScopedDriveMap(const ScopedDriveMap&) = delete;
    ScopedDriveMap& operator=(const ScopedDriveMap&) = delete;

private:
    struct Saved;
    Saved* saved;
};

// The host (UTF-8) path of an engine path. A relative path is taken from
// the process's current directory, a path that begins with a separator from
// the root of the current directory's drive. Empty when the path names a
// drive that is not mapped.
std::string toHostPath(const std::string& enginePath);

// The engine form of an absolute host path: the drive whose folder is the
// longest prefix of it, backslashes and code page 1250. A path below no
// mapped drive keeps no drive letter ("\srv\data").
std::string toEnginePath(const std::string& hostPath);

// The process's current directory in engine form, without a trailing
// backslash except at a drive's root ("C:\"); no length limit.
std::string getCurrentDirectory();
// Changes the process's current directory; false when that fails.
bool setCurrentDirectory(const std::string& enginePath);

// The folder of the running program, in engine form.
std::string executableFolder();

} // namespace platform
