#pragma once
#include <cstdint>

// The process-wide table that widens every 5-6-5 word to a 32-bit
// 0x00RRGGBB pixel without filling the low bits: entry v is
// (v & 0xF800) << 8 | (v & 0x07E0) << 5 | (v & 0x001F) << 3.
// Displays of 24 or 32 bits make it once; drawing 16-bit pixels onto a
// 32-bit destination makes it when it is missing. Main thread only.

// Makes the table when bpp is 24 or 32 and it does not exist yet.
void prepareBppConversionTable(int bpp);
// The table, or null before it is made.
const uint32_t* getBppConversionTable();
// The table, made first when it is missing.
const uint32_t* requireBppConversionTable();
// Frees the table; the next preparation makes it again.
void releaseBppConversionTable();
