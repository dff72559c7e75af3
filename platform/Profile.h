#pragma once
#include <string>

namespace platform {

// Settings files in the Windows ini form ("[section]" lines, then
// "key=value" lines), read and written the way the Windows profile
// functions do it. Files are named in engine form (Drives.h). Section and
// key names match ignoring case; names and values are trimmed of blanks and
// tabs, and a value inside a pair of matching quotes loses them. Lines
// beginning with ';' are comments. Texts are bytes (code page 1250).

// The value, or `fallback` when the file, the section or the key is missing.
std::string readProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& fallback);

// The value read as a decimal number the way atoi reads it ("-5" gives -5,
// "12ab" 12, "ab" 0), or `fallback` when the key is missing.
int readProfileInt(const std::string& file, const std::string& section, const std::string& key, int fallback);

// Sets a key, replacing its line or adding it at the end of its section;
// a missing section is added at the end of the file, a missing file is
// made. Other lines stay byte for byte; new lines end in CR LF. False when
// the file cannot be written.
bool writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

} // namespace platform
