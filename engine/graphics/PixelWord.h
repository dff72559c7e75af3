#pragma once
#include <cstdint>

// A 15- or 16-bit pixel word read or written in place in a byte buffer.
typedef uint16_t __attribute__((__may_alias__)) PixelWord;
