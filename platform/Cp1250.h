#pragma once
#include <string>

namespace platform {

// The engine keeps text in code page 1250; the host system names files and
// shows text in UTF-8. These convert at that boundary.

// Each CP1250 byte becomes its character in UTF-8. The five bytes that
// code page leaves undefined become the C1 controls of the same value, so
// that a round trip gives the bytes back.
std::string cp1250ToUtf8(const std::string& text);

// UTF-8 back to CP1250. A character the code page lacks becomes '?'; a byte
// that does not start a valid UTF-8 sequence is passed on as it is.
std::string utf8ToCp1250(const std::string& text);

// Letter case in code page 1250: A-Z and the nine letters with diacritics
// that the code page has in both cases (A and E with ogonek, C, N, O, S and
// Z with acute, L with stroke, Z with dot above); every other byte is its
// own upper and lower case.
struct Cp1250Case {
    unsigned char upper[256];
    unsigned char lower[256];
    bool isUpper[256];
    bool isLower[256];
};
const Cp1250Case& cp1250Case();

// The text with the letters of code page 1250 in upper case, as the engine's
// strings change case; for matching names ignoring case.
std::string upperCp1250(const std::string& text);

} // namespace platform
