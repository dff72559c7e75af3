#pragma once
#include <string>

namespace platform {

// The system's language as a Windows language identifier (0x0415 Polish,
// 0x0405 Czech, 0x0402 Bulgarian, 0x0418 Romanian, 0x0419 Russian, 0x040E
// Hungarian, 0x041B Slovak, 0x0409 English). It comes from the locale
// environment (LC_ALL, then LC_MESSAGES, then LANG); a language not listed,
// "C" and "POSIX" give 0x0409.
int systemLanguageId();

// The identifier as Windows writes it for the locale: four upper-case
// hexadecimal digits ("0415").
std::string systemLanguageCode();

// Makes systemLanguageId answer `id` instead of the environment (tests);
// -1 goes back to the environment.
void setSystemLanguageOverride(int id);

} // namespace platform
