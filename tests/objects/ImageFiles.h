#pragma once
// Image files for the IMAGE tests and titles, written by the engine's own
// writer from pixel and alpha patterns.
#include "graphics/ScreenSupport.h"
#include "platform/Drives.h"

#include <string>

namespace imagetest {

// Writes a w x h ".img" file of the pattern's words (and an alpha plane
// when alphaAt is given); false when the writer failed.
inline bool writeImage(const std::string& path, int w, int h, screentest::Pattern pattern,
                       screentest::AlphaPattern alphaAt = nullptr)
{
    std::unique_ptr<CGraphicsObject> g = screentest::drawable(nullptr, w, h, pattern, alphaAt);
    return g->Save(CXString(platform::toEnginePath(path).c_str()), COMPRESSION_NONE) == 0;
}

} // namespace imagetest
