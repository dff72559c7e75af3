#include "graphics/FilterKernels.h"

#include "base/XRandom.h"
#include "graphics/GraphicsObject.h"
#include "graphics/PixelBlock.h"
#include "graphics/PixelWord.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The fields of a pixel word in one layout.
struct Layout {
    uint16_t red, green, greenHigh;
    int redShift;
    uint16_t greenMask; // of the green value after >> 5
    uint16_t keep;      // what NEGATIVE keeps of an inverted word
};
const Layout layout565 = {0xF800, 0x07E0, 0x07C0, 11, 0x3F, 0xFFDF};
const Layout layout555 = {0x7C00, 0x03E0, 0x03C0, 10, 0x1F, 0x7FDF};

const Layout& layoutOf(CGraphicsObject* g) { return CFilterKernels::is565(g) ? layout565 : layout555; }

PixelWord* words(CGraphicsObject* g) { return reinterpret_cast<PixelWord*>(g->GetDataPtr()); }

int64_t pixelCount(CGraphicsObject* g) { return blockBytes(g->Width(), g->Height(), 1); }

// A new buffer holding a copy of g's pixels.
char* copyOfPixels(CGraphicsObject* g)
{
    const int64_t n = pixelCount(g) * 2;
    char* copy = new char[size_t(n)];
    std::memcpy(copy, g->GetDataPtr(), size_t(n));
    return copy;
}

// The horizontal sums of a window of 2 * half + 1 values around each x of
// in (x with half values on both sides), for the xs where it fits.
void windowSums(const int* in, int w, int half, int* out)
{
    int s = 0;
    for (int i = 0; i < 2 * half + 1; ++i)
        s += in[i];
    out[half] = s;
    for (int x = half + 1; x < w - half; ++x) {
        s += in[x + half] - in[x - half - 1];
        out[x] = s;
    }
}

} // namespace

bool CFilterKernels::is565(CGraphicsObject* g)
{
    CWindow* window = g ? g->GetWindow() : nullptr;
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    if (screen)
        return screen->GetBpp() == 16;
    return g && g->GetBpp() == 16;
}

bool CFilterKernels::prepare(CGraphicsObject* g)
{
    if (!g || !g->ownsData())
        return false;
    if (g->GetCompression() == COMPRESSION_RLE2)
        g->unpack();
    return g->GetDataPtr() && g->GetCompression() == COMPRESSION_NONE && (g->GetBpp() == 15 || g->GetBpp() == 16) &&
           pixelCount(g) > 0;
}

int CFilterKernels::offsetOf(double v)
{
    const double limit = double(1 << 24);
    if (!(v == v))
        return 0;
    return int(std::trunc(std::max(-limit, std::min(limit, v))));
}

void CFilterKernels::colorChannel(CGraphicsObject* g, const CXString& channels, bool discardOld)
{
    if (!prepare(g))
        return;
    const Layout& l = layoutOf(g);
    uint16_t mask = 0;
    if (channels.Find('R') >= 0)
        mask |= l.red;
    if (channels.Find('G') >= 0)
        mask |= l.greenHigh;
    if (channels.Find('B') >= 0)
        mask |= 0x001F;
    const int64_t n = pixelCount(g);
    const PixelWord* from = words(g);
    PixelWord* to = reinterpret_cast<PixelWord*>(new char[size_t(n) * 2]);
    for (int64_t i = 0; i < n; ++i)
        to[i] = uint16_t(from[i] & mask);
    g->takePixels(reinterpret_cast<char*>(to), g->GetChannelAlpha(), g->Size(), discardOld);
}

void CFilterKernels::grayScale(CGraphicsObject* g, bool discardOld)
{
    if (!prepare(g))
        return;
    g->takePixels(copyOfPixels(g), g->GetChannelAlpha(), g->Size(), discardOld);
    g->ToGrayScale();
}

void CFilterKernels::blur(CGraphicsObject* g, int size, bool discardOld)
{
    // A window of one pixel has no neighbours to average.
    if (size < 2 || !prepare(g))
        return;
    const Layout& l = layoutOf(g);
    const int w = g->Width(), h = g->Height();
    const int half = size / 2;
    // An even SIZE spans the neighbours of the next odd one: they are
    // the ones counted.
    const int64_t side = 2 * int64_t(half) + 1;
    const int64_t n = side * side - 1;
    const PixelWord* from = words(g);
    char* fresh = copyOfPixels(g);
    PixelWord* to = reinterpret_cast<PixelWord*>(fresh);
    if (int64_t(w) > 2 * int64_t(half) && int64_t(h) > 2 * int64_t(half)) {
        // Column sums of each channel over the rows of the window, moved
        // down a row at a time, then summed across the window's columns.
        std::vector<int> column[3], across[3];
        for (int c = 0; c < 3; ++c) {
            column[c].assign(size_t(w), 0);
            across[c].assign(size_t(w), 0);
        }
        auto channels = [&](uint16_t p, int* v) {
            v[0] = (p & l.red) >> l.redShift;
            v[1] = (p >> 5) & l.greenMask;
            v[2] = p & 0x1F;
        };
        auto addRow = [&](int row, int sign) {
            const PixelWord* r = from + int64_t(row) * w;
            int v[3];
            for (int x = 0; x < w; ++x) {
                channels(r[x], v);
                for (int c = 0; c < 3; ++c)
                    column[c][size_t(x)] += sign * v[c];
            }
        };
        // Every average a 16-bit sum can give, instead of a division a
        // channel.
        std::vector<uint16_t> average(0x10000);
        int64_t quotient = 0, remainder = 0;
        for (size_t sum = 0; sum < average.size(); ++sum) {
            average[sum] = uint16_t(quotient);
            if (++remainder == n) {
                remainder = 0;
                ++quotient;
            }
        }
        for (int row = 0; row < 2 * half + 1; ++row)
            addRow(row, 1);
        for (int y = half; y < h - half; ++y) {
            if (y > half) {
                addRow(y + half, 1);
                addRow(y - half - 1, -1);
            }
            for (int c = 0; c < 3; ++c)
                windowSums(column[c].data(), w, half, across[c].data());
            const PixelWord* row = from + int64_t(y) * w;
            PixelWord* out = to + int64_t(y) * w;
            for (int x = half; x < w - half; ++x) {
                int centre[3];
                channels(row[x], centre);
                int mean[3];
                // The neighbours' sums without the centre, cut to 16 bits.
                for (int c = 0; c < 3; ++c)
                    mean[c] = centre[c] + average[size_t((across[c][size_t(x)] - centre[c]) & 0xFFFF)];
                out[x] = uint16_t(((mean[0] >> 1) << l.redShift) | ((mean[1] << 4) & l.green) | (mean[2] >> 1));
            }
        }
    }
    g->takePixels(fresh, g->GetChannelAlpha(), g->Size(), discardOld);
}

void CFilterKernels::rotate(CGraphicsObject* g, double angle, bool discardOld)
{
    if (!std::isfinite(angle) || !prepare(g))
        return;
    const int w = g->Width(), h = g->Height();
    const double theta = angle * -0.017453233333333335;
    const double s = std::sin(theta), c = std::cos(theta);
    const CXPoint centre = g->getCenterPoint();
    const double a = -centre.x, b = -centre.y, x2 = w - centre.x, y2 = h - centre.y;
    auto tx = [&](double px, double py) { return px * c - py * s; };
    auto ty = [&](double px, double py) { return px * s + py * c; };
    const double nw = std::max(std::fabs(std::trunc(tx(a, y2) - tx(x2, b))), std::fabs(std::trunc(tx(x2, y2) - tx(a, b))));
    const double nh = std::max(std::fabs(std::trunc(ty(a, y2) - ty(x2, b))), std::fabs(std::trunc(ty(x2, y2) - ty(a, b))));
    if (!(nw >= 1 && nh >= 1) || blockBytes(int(nw), int(nh), 2) == 0)
        return;
    const int W = int(nw), H = int(nh);
    const PixelWord* from = words(g);
    const unsigned char* fromAlpha = reinterpret_cast<unsigned char*>(g->GetChannelAlpha());
    PixelWord* to = reinterpret_cast<PixelWord*>(zeroedBlock(int64_t(W) * H * 2));
    unsigned char* toAlpha = fromAlpha ? reinterpret_cast<unsigned char*>(zeroedBlock(int64_t(W) * H)) : nullptr;
    const int hw = w / 2, hh = h / 2, hW = W / 2, hH = H / 2;
    for (int j = 0; j < H; ++j) {
        const double v = j - hH;
        for (int i = 0; i < W; ++i) {
            const double u = i - hW;
            const double fx = std::trunc(u * c - v * s + hw), fy = std::trunc(v * c + hh + u * s);
            if (fx < 0 || fx >= w || fy < 0 || fy >= h)
                continue;
            const int64_t k = int64_t(fy) * w + int64_t(fx);
            if (fromAlpha && fromAlpha[k] == 0)
                continue;
            to[int64_t(j) * W + i] = from[k];
            if (toAlpha)
                toAlpha[int64_t(j) * W + i] = fromAlpha[k];
        }
    }
    g->takePixels(reinterpret_cast<char*>(to), reinterpret_cast<char*>(toAlpha), CXSize(W, H), discardOld);
    g->Move(centre.x - hW, centre.y - hH);
}

void CFilterKernels::scale(CGraphicsObject* g, double factorX, double factorY, bool byCenter, bool discardOld)
{
    if (!(factorX > 0 && factorY > 0) || !prepare(g))
        return;
    const int w = g->Width(), h = g->Height();
    const double nw = std::trunc(w * factorX), nh = std::trunc(h * factorY);
    if (!(nw >= 1 && nh >= 1))
        return;
    g->Scale(factorX, factorY, discardOld);
    // Scale refuses sizes no picture has.
    if (g->Width() == w && g->Height() == h && (nw != w || nh != h))
        return;
    if (byCenter)
        g->Move((w - g->Width()) / 2, (h - g->Height()) / 2);
}

void CFilterKernels::negative(CGraphicsObject* g)
{
    if (!prepare(g))
        return;
    const Layout& l = layoutOf(g);
    const int w = g->Width(), h = g->Height();
    CXRect area = g->GetClippingRect();
    if (area.Width() == 0 || area.Height() == 0)
        area = CXRect(0, 0, w, h);
    area = CXRect(std::max(0, area.left), std::max(0, area.top), std::min(w, area.right), std::min(h, area.bottom));
    PixelWord* p = words(g);
    const unsigned char* a = reinterpret_cast<unsigned char*>(g->GetChannelAlpha());
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const int64_t k = int64_t(y) * w + x;
            if (!a || a[k] != 0)
                p[k] = uint16_t(~p[k] & l.keep);
        }
}

void CFilterKernels::randomJitter(CGraphicsObject* g, int maxJitter, bool discardOld)
{
    if (maxJitter <= 0 || !prepare(g))
        return;
    const int64_t n = pixelCount(g);
    std::vector<CXPoint> map(static_cast<size_t>(n));
    for (CXPoint& p : map) {
        p.x = maxJitter / 2 - CXRandom::rand15() % maxJitter;
        p.y = maxJitter / 2 - CXRandom::rand15() % maxJitter;
    }
    g->displacementFilter(map.data(), false, discardOld);
}

void CFilterKernels::waves(CGraphicsObject* g, int amplitude, double density, int offset, bool discardOld)
{
    if (!prepare(g))
        return;
    const int w = g->Width(), h = g->Height();
    std::vector<CXPoint> row(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        row[size_t(x)] = CXPoint(offsetOf(offset), offsetOf(std::sin(x * density) * amplitude));
    std::vector<CXPoint> map(static_cast<size_t>(pixelCount(g)));
    for (int y = 0; y < h; ++y)
        std::copy(row.begin(), row.end(), map.begin() + int64_t(y) * w);
    g->displacementFilter(map.data(), true, discardOld);
}
