// The colouring-book flood fill: black pixels of the drawable bound the
// region, which is painted into a separate target of the same size.
#include "graphics/GraphicsObject.h"

#include "graphics/PixelBlock.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

// One pending span scan: its span [left, right] on row y, the direction
// it came in and its parent's span, and how far its two passes over the
// neighbouring rows have come. The stack of these stands for the
// recursion of a span scan, so that the spans and their order are those of
// the recursive scan whatever the size of the region.
struct Scan {
    int left, right, y, dir, parentLeft, parentRight;
    int stage;  // 0: the row ahead, 1: the row behind left of the parent, 2: right of it
    int column; // the next column of the present pass
};

struct Region {
    const PixelWord* source;
    PixelWord* target;
    int width, height;
    PixelWord fill;

    bool qualifies(int x, int y) const
    {
        const int64_t k = int64_t(y) * width + x;
        return source[k] != 0 && target[k] != fill;
    }
};

} // namespace

CXRect CGraphicsObject::PrepareFloodFill(CXPoint p, CColor colour, char* target)
{
    fillCount = 0;
    if (!target || !data || compression != COMPRESSION_NONE || (bpp != 15 && bpp != 16) || p.x < 0 || p.y < 0 ||
        p.x >= width || p.y >= height || width > SHRT_MAX || height > SHRT_MAX)
        return CXRect();
    Region region{reinterpret_cast<const PixelWord*>(data), reinterpret_cast<PixelWord*>(target), width, height,
                  PixelWord(colour.GetInBPP(bpp))};
    CXRect bounds(INT_MAX, INT_MAX, INT_MIN, INT_MIN);

    // Steps 1 and 2 of a scan: the span through (x, y), recorded and
    // painted at once, so that no later scan takes its pixels again.
    std::vector<Scan> stack;
    auto open = [&](int sx, int sy, int dir, int parentLeft, int parentRight) {
        int left = sx, right = sx;
        while (left > 0 && region.qualifies(left - 1, sy))
            --left;
        while (right + 1 < width && region.qualifies(right + 1, sy))
            ++right;
        if (fillCount == fillCapacity) {
            // The span store grows with the fill.
            const int capacity = std::max(64, fillCapacity * 2);
            _floodfill* grown = new _floodfill[size_t(capacity)];
            if (fillCount)
                std::memcpy(grown, fillArray, sizeof(_floodfill) * size_t(fillCount));
            delete[] fillArray;
            fillArray = grown;
            fillCapacity = capacity;
        }
        fillArray[fillCount++] = _floodfill{int16_t(left), int16_t(sy), int16_t(right - left + 1)};
        std::fill(region.target + int64_t(sy) * width + left, region.target + int64_t(sy) * width + right + 1,
                  region.fill);
        bounds.left = std::min(bounds.left, left);
        bounds.top = std::min(bounds.top, sy);
        bounds.right = std::max(bounds.right, right + 1);
        bounds.bottom = std::max(bounds.bottom, sy);
        stack.push_back(Scan{left, right, sy, dir, parentLeft, parentRight, 0, left});
    };

    open(p.x, p.y, 1, p.x, p.x);
    while (!stack.empty()) {
        Scan& s = stack.back();
        const int ahead = s.y + s.dir, behind = s.y - s.dir;
        bool descended = false;
        // Step 3: the row ahead, every column of the span.
        if (s.stage == 0) {
            while (!descended && ahead >= 0 && ahead < height && s.column <= s.right) {
                const int c = s.column++;
                if (region.qualifies(c, ahead)) {
                    const Scan parent = s;
                    open(c, ahead, parent.dir, parent.left, parent.right);
                    descended = true;
                }
            }
            if (descended)
                continue;
            s.stage = 1;
            s.column = s.left;
        }
        // Step 4: the row behind, left of the parent's span and then from
        // its right end on.
        if (s.stage == 1) {
            const int end = std::min(s.parentLeft - 1, s.right);
            while (!descended && behind >= 0 && behind < height && s.column <= end) {
                const int c = s.column++;
                if (region.qualifies(c, behind)) {
                    const Scan parent = s;
                    open(c, behind, -parent.dir, parent.left, parent.right);
                    descended = true;
                }
            }
            if (descended)
                continue;
            s.stage = 2;
            s.column = s.parentRight;
        }
        while (!descended && behind >= 0 && behind < height && s.column <= s.right) {
            const int c = s.column++;
            if (c >= 0 && region.qualifies(c, behind)) {
                const Scan parent = s;
                open(c, behind, -parent.dir, parent.left, parent.right);
                descended = true;
            }
        }
        if (!descended)
            stack.pop_back();
    }
    return bounds;
}

void CGraphicsObject::FloodFill(CColor colour, char* target)
{
    if (!target || (bpp != 15 && bpp != 16))
        return;
    const PixelWord fill = PixelWord(colour.GetInBPP(bpp));
    PixelWord* out = reinterpret_cast<PixelWord*>(target);
    // Spans stay inside the image even when it changed since the fill.
    for (int i = 0; i < fillCount; ++i) {
        const _floodfill& span = fillArray[i];
        const int left = std::max<int>(span.x, 0), right = std::min(span.x + span.length, width);
        if (span.y < 0 || span.y >= height || right <= left)
            continue;
        std::fill(out + int64_t(span.y) * width + left, out + int64_t(span.y) * width + right, fill);
    }
}
