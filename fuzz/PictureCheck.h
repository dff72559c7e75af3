#pragma once
// For the picture readers' targets: what a title does with a picture once
// it is read, so that a reader that leaves its sizes and buffers at odds
// shows: every byte read, drawn into a small destination and opened from
// its packed form.
#include "graphics/GraphicsObject.h"

#include <cstdint>

namespace picturecheck {

inline void use(CGraphicsObject& g)
{
    volatile unsigned sink = 0;
    g.unpack();
    if (const char* d = g.GetDataPtr())
        for (int64_t i = 0, n = int64_t(g.Width()) * g.Height() * g.GetPixelSize(); i < n; ++i)
            sink = sink + uint8_t(d[i]);
    if (const char* a = g.GetChannelAlpha(); a && g.GetCompression() == COMPRESSION_NONE)
        for (int64_t i = 0, n = int64_t(g.Width()) * g.Height(); i < n; ++i)
            sink = sink + uint8_t(a[i]);
    sink = sink + g.GetPixel(CHANNEL_ALPHA, CXPoint(g.Width() - 1, g.Height() - 1));
    CGraphicsObject destination(nullptr, CXSize(64, 48), 16);
    g.SetPosition(-3, -2);
    g.redraw(&destination);
    g.pack(true);
}

} // namespace picturecheck
