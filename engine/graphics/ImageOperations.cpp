// Whole-image operations of the drawable: copying and cropping, mirroring,
// filling, colour changes, outlines, placement, scaling, alpha stamping and
// displacement. Every area an operation reads or writes is first cut to the
// images it touches.
#include "graphics/GraphicsObject.h"

#include "base/Compression.h"
#include "graphics/PixelBlock.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// An edit of plain pixels: colour holds width x height pixels of
// pixelSize bytes, plane width x height alpha bytes; either may be null.
struct CGraphicsObject::PixelEdit {
    virtual void apply(char* colour, int pixelSize, char* plane, int w, int h) = 0;

protected:
    ~PixelEdit() = default;
};

namespace {

bool wordPixels(int bpp) { return bpp == 15 || bpp == 16; }

// The longest side a scaled image may have.
const double MaxSide = 1 << 20;

// Row i and row h - 1 - i exchange.
void reverseRows(char* block, int64_t rowBytes, int h)
{
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(block + top * rowBytes, block + (top + 1) * rowBytes, block + bottom * rowBytes);
}

template <int N>
struct Pixel {
    unsigned char b[N];
};

template <class T>
void mirrorEach(char* block, int w, int h)
{
    T* p = reinterpret_cast<T*>(block);
    for (int y = 0; y < h; ++y, p += w)
        std::reverse(p, p + w);
}

// Pixel x and pixel w - 1 - x of every row exchange.
void mirrorRows(char* block, int pixelSize, int w, int h)
{
    switch (pixelSize) {
    case 1:
        mirrorEach<uint8_t>(block, w, h);
        break;
    case 2:
        mirrorEach<PixelWord>(block, w, h);
        break;
    case 3:
        mirrorEach<Pixel<3>>(block, w, h);
        break;
    case 4:
        mirrorEach<Pixel<4>>(block, w, h);
        break;
    }
}

struct Flips : CGraphicsObject::PixelEdit {
    bool rows, columns;
    Flips(bool reverseTheRows, bool mirrorTheRows) : rows(reverseTheRows), columns(mirrorTheRows) {}
    void apply(char* colour, int pixelSize, char* plane, int w, int h) override
    {
        if (rows) {
            if (colour)
                reverseRows(colour, int64_t(w) * pixelSize, h);
            if (plane)
                reverseRows(plane, w, h);
        }
        if (columns) {
            if (colour)
                mirrorRows(colour, pixelSize, w, h);
            if (plane)
                mirrorRows(plane, 1, w, h);
        }
    }
};

struct Replace : CGraphicsObject::PixelEdit {
    uint16_t from, to;
    Replace(short f, short t) : from(uint16_t(f)), to(uint16_t(t)) {}
    void apply(char* colour, int pixelSize, char*, int w, int h) override
    {
        if (!colour || pixelSize != 2)
            return;
        PixelWord* p = reinterpret_cast<PixelWord*>(colour);
        const int64_t n = int64_t(w) * h;
        for (int64_t i = 0; i < n; ++i)
            p[i] = p[i] == from ? to : p[i];
    }
};

// The part of the rectangle (left, top, right, bottom) inside a w x h
// image; the corners may lie anywhere, even past the range of int.
CXRect limited(int64_t left, int64_t top, int64_t right, int64_t bottom, int w, int h)
{
    return CXRect(int(std::clamp<int64_t>(left, 0, w)), int(std::clamp<int64_t>(top, 0, h)),
                  int(std::clamp<int64_t>(right, 0, w)), int(std::clamp<int64_t>(bottom, 0, h)));
}

CXRect limited(const CXRect& r, int w, int h) { return limited(r.left, r.top, r.right, r.bottom, w, h); }

// r moved by (dx, dy), its edges kept to the range of int.
CXRect moved(const CXRect& r, int dx, int dy)
{
    auto edge = [](int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); };
    return CXRect(edge(int64_t(r.left) + dx), edge(int64_t(r.top) + dy), edge(int64_t(r.right) + dx),
                  edge(int64_t(r.bottom) + dy));
}

// Copies the part of rect r (in from's pixels) that lies inside from, a
// fromW x fromH block, into to, a block of r's size whose other pixels are
// left as they are.
void copyRect(const char* from, int fromW, int fromH, int pixelSize, const CXRect& r, char* to)
{
    const CXRect in = limited(r, fromW, fromH);
    if (!from || !to || !hasArea(in))
        return;
    const int64_t toW = r.Width();
    const size_t rowBytes = size_t(in.Width()) * pixelSize;
    for (int y = in.top; y < in.bottom; ++y)
        std::memcpy(to + ((y - r.top) * toW + (in.left - r.left)) * pixelSize,
                    from + (int64_t(y) * fromW + in.left) * pixelSize, rowBytes);
}

// Nearest-neighbour resampling: the new pixel (i, j) is the old pixel
// (columns[i], rows[j]); both maps stay inside the old image.
template <class T>
void resampleAs(const char* from, int fromW, char* to, const std::vector<int>& columns, const std::vector<int>& rows)
{
    const T* in = reinterpret_cast<const T*>(from);
    T* out = reinterpret_cast<T*>(to);
    for (int row : rows) {
        const T* line = in + int64_t(row) * fromW;
        for (int column : columns)
            *out++ = line[column];
    }
}

char* resample(const char* from, int fromW, int pixelSize, const std::vector<int>& columns,
               const std::vector<int>& rows)
{
    if (!from || columns.empty() || rows.empty())
        return nullptr;
    char* to = new char[columns.size() * rows.size() * pixelSize];
    switch (pixelSize) {
    case 1:
        resampleAs<uint8_t>(from, fromW, to, columns, rows);
        break;
    case 2:
        resampleAs<PixelWord>(from, fromW, to, columns, rows);
        break;
    case 3:
        resampleAs<Pixel<3>>(from, fromW, to, columns, rows);
        break;
    default:
        resampleAs<Pixel<4>>(from, fromW, to, columns, rows);
        break;
    }
    return to;
}

} // namespace

bool CGraphicsObject::editPixels(PixelEdit& edit)
{
    if (compression == COMPRESSION_RLE2) {
        DeCompressRLE2();
        if (compression != COMPRESSION_NONE)
            return false;
        edit.apply(data, GetPixelSize(), alpha, width, height);
        // The copies DeCompressRLE2 kept show the picture before the edit.
        dropPacked();
        Compress(COMPRESSION_RLE2);
        return true;
    }
    if (compression != COMPRESSION_NONE || (!data && !alpha))
        return false;
    edit.apply(data, GetPixelSize(), alpha, width, height);
    if (!packedData && !packedAlpha)
        return true;
    // An open image: packing it again puts its packed copies back, so they
    // take the edit too.
    const int packedPixelSize = __get_pixel_size(packedBpp);
    const int colourBytes = int(blockBytes(width, height, packedPixelSize));
    const int planeBytes = int(blockBytes(width, height, 1));
    int length = 0;
    std::unique_ptr<char[]> colour(
        packedData ? CRLECompression::__decompress(packedData, packedSize, colourBytes) : nullptr);
    std::unique_ptr<char[]> plane(
        packedAlpha ? CRLECompression::__decompresschar(packedAlpha, packedAlphaSize, planeBytes) : nullptr);
    edit.apply(colour.get(), packedPixelSize, plane.get(), width, height);
    if (colour) {
        char* packed = CRLECompression::__compress(colour.get(), colourBytes, length);
        release(packedData);
        packedData = packed;
        packedSize = packedSize2 = length;
    }
    if (plane) {
        char* packed = CRLECompression::__compresschar(plane.get(), planeBytes, length);
        release(packedAlpha);
        packedAlpha = packed;
        packedAlphaSize = length;
    }
    return true;
}

// Copying and cropping

void CGraphicsObject::Copy(CGraphicsObject* source)
{
    if (!source || source == this)
        return;
    const bool part = source->compression == COMPRESSION_NONE && !source->clip.IsEmpty();
    copyPart(source, part ? source->clip : CXRect(0, 0, source->width, source->height));
    name += "copy";
    if (part) {
        clip = CXRect();
    } else {
        for (int i = 0; i < 3; ++i)
            planeSize[i] = source->planeSize[i];
        clip = source->clip;
    }
    viewport = source->viewport;
    CXPoint p = source->GetPosition();
    x = p.x;
    y = p.y;
    visible = true;
}

void CGraphicsObject::Copy(CGraphicsObject* source, CXRect r)
{
    if (!source || source == this)
        return;
    if (r.left == r.top && r.top == r.right && r.right == r.bottom)
        Copy(source);
    else
        copyPart(source, r);
}

void CGraphicsObject::copyPart(CGraphicsObject* source, const CXRect& r)
{
    // The source's pixels as drawn: an animation answers with its frame. A
    // packed source is read through its packed form and stays as it is.
    char* colour = source->GetDataPtr();
    char* plane = source->alpha;
    const int sw = source->width, sh = source->height;
    const int pixelSize = __get_pixel_size(source->bpp);
    std::unique_ptr<char[]> openedColour, openedPlane;
    if (source->compression == COMPRESSION_RLE2) {
        if (colour)
            openedColour.reset(CRLECompression::__decompress(colour, source->packedSize,
                                                             int(blockBytes(sw, sh, pixelSize))));
        if (plane)
            openedPlane.reset(
                CRLECompression::__decompresschar(plane, source->planeSize[3], int(blockBytes(sw, sh, 1))));
        colour = openedColour.get();
        plane = openedPlane.get();
    } else if (source->compression != COMPRESSION_NONE || blockBytes(sw, sh, pixelSize) == 0) {
        // File forms are no pixels to copy.
        colour = plane = nullptr;
    }
    // The copy is made before this drawable lets go of its own pixels,
    // which the source may be a view of.
    // Sizes past the range of int give no pixels, as absurd sizes do.
    const int w = int(std::clamp<int64_t>(int64_t(r.right) - r.left, 0, INT_MAX));
    const int h = int(std::clamp<int64_t>(int64_t(r.bottom) - r.top, 0, INT_MAX));
    const int64_t bytes = blockBytes(w, h, pixelSize), planeBytes = blockBytes(w, h, 1);
    char* newColour = colour ? zeroedBlock(bytes) : nullptr;
    char* newPlane = plane ? zeroedBlock(planeBytes) : nullptr;
    copyRect(colour, sw, sh, pixelSize, r, newColour);
    copyRect(plane, sw, sh, 1, r, newPlane);

    Flush();
    unpacked = false;
    ownsPixels = true;
    compression = COMPRESSION_NONE;
    name = source->name;
    window = source->window;
    destiny = source->destiny;
    bpp = source->bpp;
    autoClip = source->autoClip;
    copyFlag = source->copyFlag;
    width = w;
    height = h;
    // Rows of the copy are width pixels long, as putPixel reads them.
    pitch = width;
    clip = CXRect();
    viewport = CXRect();
    x = r.left;
    y = r.top;
    for (int& s : planeSize)
        s = 0;
    data = newColour;
    dataSize = newColour ? int32_t(bytes) : 0;
    alpha = newPlane;
    planeSize[3] = newPlane ? int32_t(planeBytes) : 0;
}

void CGraphicsObject::crop(CXRect r)
{
    Invalidate();
    if (compression != COMPRESSION_NONE || !ownsPixels)
        return;
    const CXRect keep = limited(r, width, height);
    if (keep == CXRect(0, 0, width, height))
        return;
    const int nw = hasArea(keep) ? keep.Width() : 0, nh = hasArea(keep) ? keep.Height() : 0;
    const int pixelSize = GetPixelSize();
    char* colour = nullptr;
    char* plane = nullptr;
    if (nw > 0 && nh > 0) {
        if (data) {
            colour = new char[size_t(nw) * nh * pixelSize];
            copyRect(data, width, height, pixelSize, keep, colour);
        }
        if (alpha) {
            plane = new char[size_t(nw) * nh];
            copyRect(alpha, width, height, 1, keep, plane);
        }
    }
    release(data);
    release(alpha);
    data = colour;
    alpha = plane;
    width = nw;
    height = nh;
    pitch = width;
    dataSize = int32_t(blockBytes(width, height, pixelSize));
    planeSize[3] = plane ? int32_t(blockBytes(width, height, 1)) : 0;
}

// Mirroring

void CGraphicsObject::FlipH()
{
    Flips rows(true, false);
    if (editPixels(rows))
        flippedH = !flippedH;
}

void CGraphicsObject::FlipV()
{
    Flips columns(false, true);
    if (editPixels(columns))
        flippedV = !flippedV;
}

void CGraphicsObject::resetFlips()
{
    if (!flippedH && !flippedV)
        return;
    Flips both(flippedH, flippedV);
    if (editPixels(both))
        flippedH = flippedV = false;
}

// Filling and colours

void CGraphicsObject::Fill(CColor* colour)
{
    if (!colour || !data || compression != COMPRESSION_NONE)
        return;
    const int64_t n = blockBytes(width, height, 1);
    if (wordPixels(bpp))
        std::fill_n(reinterpret_cast<PixelWord*>(data), n, PixelWord(colour->GetInBPP(bpp)));
    else if (bpp == 32)
        std::fill_n(reinterpret_cast<uint32_t*>(data), n, uint32_t(colour->GetInBPP(bpp)));
}

void CGraphicsObject::Fill(CXRect r, CColor* colour)
{
    if (!colour || !data || compression != COMPRESSION_NONE || !wordPixels(bpp))
        return;
    const CXRect area = limited(r, width, height);
    if (!hasArea(area))
        return;
    const PixelWord word = PixelWord(colour->GetInBPP(bpp));
    PixelWord* p = reinterpret_cast<PixelWord*>(data);
    for (int row = area.top; row < area.bottom; ++row)
        std::fill_n(p + int64_t(row) * width + area.left, area.Width(), word);
}

void CGraphicsObject::replace_color(short from, short to)
{
    if (!wordPixels(bpp))
        return;
    Replace edit(from, to);
    editPixels(edit);
}

void CGraphicsObject::ToGrayScale()
{
    if (!data || compression != COMPRESSION_NONE)
        return;
    const int64_t n = blockBytes(width, height, 1);
    PixelWord* p = reinterpret_cast<PixelWord*>(data);
    // One pass over the words without branches, so that it vectorises: the
    // screen takes it every frame in grey-scale mode.
    if (bpp == 15) {
        for (int64_t i = 0; i < n; ++i) {
            const uint16_t w = p[i];
            const uint16_t g = uint16_t(((w & 0x1F) + ((w >> 5) & 0x1F) + ((w >> 10) & 0x1F)) / 3);
            p[i] = uint16_t(g | g << 5 | g << 10);
        }
    } else if (bpp == 16) {
        // Green is read in its upper five bits.
        for (int64_t i = 0; i < n; ++i) {
            const uint16_t w = p[i];
            const uint16_t g = uint16_t(((w & 0x1F) + ((w & 0x7E0) >> 6) + (w >> 11)) / 3);
            p[i] = uint16_t(g | g << 6 | g << 11);
        }
    }
}

void CGraphicsObject::InvertColors()
{
    if (!data || compression != COMPRESSION_NONE || bpp != 15)
        return;
    const int64_t n = blockBytes(width, height, 1);
    PixelWord* p = reinterpret_cast<PixelWord*>(data);
    // 31 - c of a 5-bit channel is c with its bits inverted.
    for (int64_t i = 0; i < n; ++i)
        p[i] = uint16_t(p[i] ^ 0x7FFF);
}

void CGraphicsObject::outline(unsigned short colour, int thickness)
{
    if (compression != COMPRESSION_NONE || width <= 0 || height <= 0 || (!data && !alpha))
        return;
    PixelWord* words = wordPixels(bpp) ? reinterpret_cast<PixelWord*>(data) : nullptr;
    auto set = [&](int px, int py) {
        const int64_t k = int64_t(py) * width + px;
        if (words)
            words[k] = colour;
        if (alpha)
            alpha[k] = char(255);
    };
    // Past half the size the frame covers the whole image.
    const int deep = std::min(thickness, std::max(width, height));
    for (int i = 0; i < deep; ++i) {
        for (int px = 0; px < width; ++px) {
            if (i < height) {
                set(px, i);
                set(px, height - 1 - i);
            }
        }
        for (int py = 0; py < height; ++py) {
            if (i < width) {
                set(i, py);
                set(width - 1 - i, py);
            }
        }
    }
}

// Placement

void CGraphicsObject::FitRect(CXRect r)
{
    x = int(r.left + (int64_t(r.right) - width - r.left) / 2);
    y = int(r.top + (int64_t(r.bottom) - height - r.top) / 2);
}

void CGraphicsObject::FitObject(CGraphicsObject* other)
{
    if (other)
        FitRect(other->GetBoundingBox());
}

// Scaling

void CGraphicsObject::Scale(double sx, double sy, bool freeOld)
{
    if (!(sx > 0) || !(sy > 0) || compression != COMPRESSION_NONE || !ownsPixels)
        return;
    const double nw = std::trunc(width * sx), nh = std::trunc(height * sy);
    // Sizes past these are damage, not pictures.
    if (!(nw <= MaxSide && nh <= MaxSide && nw * nh * GetPixelSize() <= CCompression::MaxUnpackedLength))
        return;
    std::vector<int> columns(size_t(std::max(nw, 0.0))), rows(size_t(std::max(nh, 0.0)));
    // Rounding may bring the last index up to the old size: it stays inside.
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = std::min(int(std::trunc(double(i) / sx)), width - 1);
    for (size_t j = 0; j < rows.size(); ++j)
        rows[j] = std::min(int(std::trunc(double(j) / sy)), height - 1);
    resampleTo(columns, rows, freeOld);
}

void CGraphicsObject::Scale2x()
{
    if (compression != COMPRESSION_NONE || !ownsPixels || width <= 0 || height <= 0)
        return;
    std::vector<int> columns(size_t(width / 2)), rows(size_t(height / 2));
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = int(2 * i);
    for (size_t j = 0; j < rows.size(); ++j)
        rows[j] = int(2 * j);
    resampleTo(columns, rows, true);
}

void CGraphicsObject::resampleTo(const std::vector<int>& columns, const std::vector<int>& rows, bool freeOld)
{
    char* colour = resample(data, width, GetPixelSize(), columns, rows);
    char* plane = resample(alpha, width, 1, columns, rows);
    takePixels(colour, plane, CXSize(int(columns.size()), int(rows.size())), freeOld);
}

void CGraphicsObject::takePixels(char* colour, char* plane, CXSize size, bool freeOld)
{
    if (freeOld) {
        if (data != colour)
            release(data);
        if (alpha != plane)
            release(alpha);
    }
    data = colour;
    alpha = plane;
    width = size.cx;
    height = size.cy;
    pitch = width;
    compression = COMPRESSION_NONE;
    dataSize = int32_t(blockBytes(width, height, GetPixelSize()));
    planeSize[3] = plane ? int32_t(blockBytes(width, height, 1)) : 0;
    onPixelsReplaced();
}

// Alpha stamping

namespace {

// Puts saved (rows of area's width) back into a w-wide plane of h rows,
// only where the area lies inside it.
void putBack(char* plane, int w, int h, const CXRect& area, const char* saved)
{
    if (!plane || !saved || !hasArea(area))
        return;
    const CXRect in = limited(area, w, h);
    for (int row = in.top; row < in.bottom; ++row)
        std::memcpy(plane + int64_t(row) * w + in.left,
                    saved + int64_t(row - area.top) * area.Width() + (in.left - area.left), size_t(in.Width()));
}

} // namespace

void CGraphicsObject::mergeAlpha(CXPoint p, CGraphicsObject* stamp)
{
    if (!stamp || stamp == this || !alpha || !stamp->alpha || compression != COMPRESSION_NONE ||
        stamp->compression != COMPRESSION_NONE)
        return;
    // The previous stamp is undone first.
    if (stamp->savedAlpha) {
        putBack(alpha, width, height, stamp->mergeRect, stamp->savedAlpha);
        if (screen) {
            CXRect undone = moved(stamp->mergeRect, x, y);
            screen->invalidateArea(&undone);
        }
    }
    delete[] stamp->savedAlpha;
    stamp->savedAlpha = nullptr;
    if (p.x >= width || p.y >= height) {
        stamp->mergeRect = CXRect();
        return;
    }
    // A stamp wholly left of or above the image covers nothing.
    const CXRect area = limited(p.x, p.y, int64_t(p.x) + stamp->width, int64_t(p.y) + stamp->height, width, height);
    if (!hasArea(area)) {
        stamp->mergeRect = CXRect();
        return;
    }
    stamp->mergeRect = area;
    const int aw = area.Width();
    stamp->savedAlpha = new char[size_t(aw) * area.Height()];
    for (int row = area.top; row < area.bottom; ++row) {
        char* line = alpha + int64_t(row) * width + area.left;
        std::memcpy(stamp->savedAlpha + int64_t(row - area.top) * aw, line, size_t(aw));
        std::memcpy(line, stamp->alpha + int64_t(row - p.y) * stamp->width + (area.left - p.x), size_t(aw));
    }
    if (screen) {
        CXRect covered = moved(area, x, y);
        screen->invalidateArea(&covered);
    }
}

void CGraphicsObject::restoreAlpha(CGraphicsObject* stamp)
{
    if (!stamp || !stamp->savedAlpha || !alpha || compression != COMPRESSION_NONE)
        return;
    putBack(alpha, width, height, stamp->mergeRect, stamp->savedAlpha);
    if (screen) {
        CXRect area = moved(stamp->mergeRect, x, y);
        screen->invalidateArea(&area);
    }
}

void CGraphicsObject::mergeAlpha2(CXPoint p, CGraphicsObject* stamp, bool reset)
{
    if (!stamp || stamp == this || !alpha || compression != COMPRESSION_NONE)
        return;
    const int64_t n = blockBytes(width, height, 1);
    if (reset)
        std::memset(alpha, 255, size_t(n));
    if (stamp->alpha && stamp->compression == COMPRESSION_NONE) {
        const CXRect box = stamp->GetBoundingBox();
        const int cw = std::min(box.Width(), stamp->width), ch = std::min(box.Height(), stamp->height);
        // Only the part of the stamp that falls inside this image.
        const CXRect area =
            limited(p.x, p.y, int64_t(p.x) + std::max(cw, 0), int64_t(p.y) + std::max(ch, 0), width, height);
        for (int row = area.top; row < area.bottom; ++row) {
            char* line = alpha + int64_t(row) * width;
            const char* from = stamp->alpha + int64_t(row - p.y) * stamp->width;
            for (int column = area.left; column < area.right; ++column)
                if (line[column] != 0)
                    line[column] = from[column - p.x];
        }
    }
    if (screen) {
        CXRect box = GetBoundingBox();
        screen->invalidateArea(&box);
    }
}

// Displacement

void CGraphicsObject::displacementFilter(CXPoint* map, bool withAlpha, bool freeOld)
{
    if (!map || !data || !wordPixels(bpp) || compression != COMPRESSION_NONE || !ownsPixels)
        return;
    const int64_t n = blockBytes(width, height, 1);
    if (n == 0)
        return;
    const PixelWord* from = reinterpret_cast<const PixelWord*>(data);
    const char* fromAlpha = withAlpha ? alpha : nullptr;
    PixelWord* to = reinterpret_cast<PixelWord*>(new char[size_t(n) * 2]);
    char* toAlpha = fromAlpha ? new char[size_t(n)] : nullptr;
    int64_t k = 0;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column, ++k) {
            // A horizontal offset past the row's end reads on in the next
            // row, as the offsets are added to the pixel's index.
            const int64_t s = (int64_t(row) + map[k].y) * width + column + map[k].x;
            const int64_t at = s >= 0 && s < n ? s : k;
            to[k] = from[at];
            if (toAlpha)
                toAlpha[k] = fromAlpha[at];
        }
    }
    if (freeOld)
        release(data);
    data = reinterpret_cast<char*>(to);
    if (toAlpha) {
        if (freeOld)
            release(alpha);
        alpha = toAlpha;
    }
    onPixelsReplaced();
}
