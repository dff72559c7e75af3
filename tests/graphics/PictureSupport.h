#pragma once
// Drawables of patterned pixels for the graphics tests.
#include "graphics/GraphicsObject.h"

#include <cstring>
#include <functional>
#include <memory>

namespace picturetest {

using Picture = std::unique_ptr<CGraphicsObject>;

// A drawable (of the window, when one is given) of words made by
// pattern(x, y), with an alpha plane made by alphaAt(x, y) when one is
// given.
inline Picture picture(int w, int h, std::function<uint16_t(int, int)> pattern,
                       std::function<uint8_t(int, int)> alphaAt = nullptr, int bpp = 16, CWindow* window = nullptr)
{
    Picture g(new CGraphicsObject(window, CXSize(w, h), bpp));
    if (alphaAt)
        g->alloc(CXSize(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint16_t v = pattern(x, y);
            std::memcpy(g->GetDataPtr() + (y * w + x) * 2, &v, 2);
            if (alphaAt)
                g->GetChannelAlpha()[y * w + x] = char(alphaAt(x, y));
        }
    return g;
}

} // namespace picturetest
