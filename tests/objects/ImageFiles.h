#pragma once
// Image files for the IMAGE tests and titles, written by the engine's own
// writer from pixel and alpha patterns.
#include "graphics/ScreenSupport.h"
#include "platform/Drives.h"

#include <string>

namespace imagetest {

// Writes a w x h ".img" file of the pattern's words (and an alpha plane
// when alphaAt is given) placed at `at`; false when the writer failed.
inline bool writeImage(const std::string& path, int w, int h, screentest::Pattern pattern,
                       screentest::AlphaPattern alphaAt = nullptr, CXPoint at = CXPoint(0, 0))
{
    std::unique_ptr<CGraphicsObject> g = screentest::drawable(nullptr, w, h, pattern, alphaAt);
    g->SetPosition(at.x, at.y);
    return g->Save(CXString(platform::toEnginePath(path).c_str()), COMPRESSION_NONE) == 0;
}

// A picture of one colour.
inline screentest::Pattern plain(uint16_t colour)
{
    return [colour](int, int) { return colour; };
}

} // namespace imagetest
