#pragma once
#include "platform/Display.h"

#include <string>

namespace platform {

// Saves a surface as an 8-bit RGB PNG file (a host path, UTF-8), for a test
// or a person to look at a frame. Pixels are widened as Surface::toRgb does,
// so that reading the file back gives toRgb of each pixel. False when the
// file cannot be written.
bool savePng(const Surface& surface, const std::string& hostPath);

} // namespace platform
