// Pixel formats, pixel access, depth conversion and drawing one drawable
// into another.
#include "graphics/GraphicsObject.h"

#include "base/Compression.h"

#include <algorithm>
#include <cstring>

namespace {

short* mulTable = nullptr;

int64_t pixelCount(int w, int h) { return w > 0 && h > 0 ? int64_t(w) * h : 0; }

// The byte at index of an RLE2 byte stream of packedLength bytes, read
// without unpacking it; 0 where the stream does not reach.
unsigned char packedByteAt(const unsigned char* in, int packedLength, int64_t index)
{
    int64_t out = 0;
    int i = 0;
    while (i < packedLength) {
        unsigned c = in[i++];
        if (c >= 128) {
            unsigned n = c - 128;
            if (i >= packedLength)
                break;
            unsigned char v = in[i++];
            if (index < out + n)
                return v;
            out += n;
        } else {
            if (index < out + c) {
                int64_t at = i + (index - out);
                return at < packedLength ? in[at] : 0;
            }
            i += int(c);
            out += c;
        }
    }
    return 0;
}

unsigned word565(unsigned r, unsigned g, unsigned b) { return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3); }
unsigned word555(unsigned r, unsigned g, unsigned b) { return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3); }

} // namespace

// The multiply table

short* CGraphicsObject::__get_mul_array() { return mulTable; }

void CGraphicsObject::__initialize_mul_array()
{
    if (mulTable)
        return;
    mulTable = new short[512 * 256];
    for (int d = -256; d < 256; ++d)
        for (int a = 0; a < 256; ++a)
            mulTable[(d + 256) * 256 + a] = short(d * a);
}

void CGraphicsObject::__done_mul_array()
{
    delete[] mulTable;
    mulTable = nullptr;
}

void CGraphicsObject::ReleaseGraphics() { __done_mul_array(); }

// Formats

int CGraphicsObject::__get_pixel_size(int depth)
{
    switch (depth) {
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    default:
        return 1;
    }
}

int CGraphicsObject::__get_data_size(CXSize size, int depth)
{
    return int(pixelCount(size.cx, size.cy) * __get_pixel_size(depth));
}

namespace {
// Depths and their codes in image files.
const int depthCodes[][2] = {{8, 1}, {15, 2}, {16, 4}, {24, 8}, {2, 256}, {4, 512}};
} // namespace

int CGraphicsObject::GetFlagBpp(int depth)
{
    for (const auto& pair : depthCodes)
        if (pair[0] == depth)
            return pair[1];
    return 0;
}

int CGraphicsObject::GetRealBpp(int code)
{
    for (const auto& pair : depthCodes)
        if (pair[1] == code)
            return pair[0];
    return 0;
}

int CGraphicsObject::__get_convert_code(int from, int to)
{
    if (from == 15 && to == 16)
        return 1;
    if (from == 16 && to == 15)
        return 2;
    if (from == 32 && to == 15)
        return 3;
    if (from == 32 && to == 16)
        return 4;
    if (from == to && (from == 15 || from == 16))
        return 5;
    return 0;
}

// Pixel access

unsigned char CGraphicsObject::GetPixel(_channel channel, CXPoint p)
{
    char* plane = channel == CHANNEL_ALPHA ? alpha
                  : channel == CHANNEL_RED ? red
                  : channel == CHANNEL_GREEN ? green
                  : channel == CHANNEL_BLUE ? blue
                                            : nullptr;
    const int64_t index = int64_t(p.y) * width + p.x;
    if (!plane || index < 0 || index >= pixelCount(width, height))
        return 0;
    if (compression == COMPRESSION_NONE)
        return static_cast<unsigned char>(plane[index]);
    if (compression == COMPRESSION_RLE2 && channel == CHANNEL_ALPHA)
        return packedByteAt(reinterpret_cast<unsigned char*>(plane), planeSize[3], index);
    return 0;
}

CColor CGraphicsObject::GetPixel(int px, int py)
{
    if (px < 0 || py < 0 || px >= width || py >= height || !data || compression != COMPRESSION_NONE)
        return CColor(0, 0, 0);
    const int64_t index = int64_t(py) * width + px;
    if (bpp == 15 || bpp == 16) {
        uint16_t w;
        std::memcpy(&w, data + index * 2, 2);
        return CColor(short(w), bpp == 15 ? COLORMODEL_15 : COLORMODEL_16);
    }
    if (bpp == 24) {
        // Blue, green, red, as the planes split them and files store them.
        const unsigned char* px3 = reinterpret_cast<unsigned char*>(data) + index * 3;
        return CColor(px3[2], px3[1], px3[0]);
    }
    return CColor(0, 0, 0);
}

void CGraphicsObject::SetPixel(int px, int py, CColor colour)
{
    if ((bpp != 15 && bpp != 16) || px < 0 || py < 0 || px >= width || py >= height || !data ||
        compression != COMPRESSION_NONE)
        return;
    uint16_t w = uint16_t(colour.GetInBPP(bpp));
    std::memcpy(data + (int64_t(py) * width + px) * 2, &w, 2);
}

void CGraphicsObject::putPixel(int px, int py, short colour, int alphaValue, bool replace)
{
    if (bpp == 15)
        putPixel15(px, py, colour, alphaValue, replace);
    else if (bpp == 16)
        putPixel16(px, py, colour, alphaValue, replace);
}

namespace {

// Each channel becomes (s x a) >> 8 plus (d x (255 - a)) >> 8.
template <unsigned GreenMax, unsigned RedShift>
void putBlend(PixelWord* at, unsigned s, unsigned a, bool replace)
{
    const unsigned d = replace ? 0 : *at;
    auto mix = [a](unsigned sc, unsigned dc) { return ((sc * a) >> 8) + ((dc * (255 - a)) >> 8); };
    unsigned b = mix(s & 31, d & 31);
    unsigned g = mix((s >> 5) & GreenMax, (d >> 5) & GreenMax);
    unsigned r = mix((s >> RedShift) & 31, (d >> RedShift) & 31);
    *at = uint16_t(r << RedShift | g << 5 | b);
}

} // namespace

// The pixel is at py x pitch + px: a surface's row may be longer than the
// width. Points outside the image are ignored.
PixelWord* CGraphicsObject::wordAt(int px, int py)
{
    if (px < 0 || py < 0 || px >= width || py >= height || !data || compression != COMPRESSION_NONE)
        return nullptr;
    return reinterpret_cast<PixelWord*>(data) + int64_t(py) * std::max(pitch, width) + px;
}

void CGraphicsObject::putPixel15(int px, int py, short colour, int alphaValue, bool replace)
{
    if (PixelWord* at = wordAt(px, py))
        putBlend<31, 10>(at, uint16_t(colour), unsigned(std::clamp(alphaValue, 0, 255)), replace);
}

void CGraphicsObject::putPixel16(int px, int py, short colour, int alphaValue, bool replace)
{
    if (PixelWord* at = wordAt(px, py))
        putBlend<63, 11>(at, uint16_t(colour), unsigned(std::clamp(alphaValue, 0, 255)), replace);
}

// Depth conversion

bool CGraphicsObject::__convert_bpp(char** pixels, char**, CXSize size, int from, int to, _palette**, bool)
{
    if (from == to)
        return true;
    if (!pixels || !*pixels)
        return false;
    const int64_t n = pixelCount(size.cx, size.cy);
    PixelWord* words = reinterpret_cast<PixelWord*>(*pixels);
    const unsigned char* bytes = reinterpret_cast<unsigned char*>(*pixels);
    if (from == 15 && to == 16) {
        // Green widens from five bits to six: the whole 5-bit field moves up
        // one place (none of its bits is dropped), so that 16 to 15 gives the
        // 15-bit word back.
        for (int64_t i = 0; i < n; ++i)
            words[i] = uint16_t((words[i] & 0x1F) | ((words[i] & 0x7FE0) << 1));
        return true;
    }
    if (from == 16 && to == 15) {
        for (int64_t i = 0; i < n; ++i)
            words[i] = uint16_t((words[i] & 0x1F) | ((words[i] & 0xFFC0) >> 1));
        return true;
    }
    if ((from == 24 || from == 32) && (to == 15 || to == 16)) {
        // Shrinks in place: word i is written after pixel i was read, and
        // never over a pixel not read yet. 24-bit pixels are blue, green,
        // red; 32-bit ones 0x00RRGGBB.
        const int step = from == 24 ? 3 : 4;
        for (int64_t i = 0; i < n; ++i) {
            const unsigned char* p = bytes + i * step;
            unsigned b = p[0], g = p[1], r = p[2];
            words[i] = uint16_t(to == 16 ? word565(r, g, b) : word555(r, g, b));
        }
        return true;
    }
    return false;
}

void CGraphicsObject::Convert(int target)
{
    // Packed data are not pixels: they are converted once opened.
    if (!data || compression != COMPRESSION_NONE)
        return;
    if ((target == 24 || target == 32) && bpp == 15) {
        __convert_bpp(&data, nullptr, Size(), 15, 16, nullptr, false);
        bpp = 16;
    }
    // A view does not shrink its source's 24 or 32-bit pixels.
    if (target < 24 && bpp != target && pixelCount(width, height) > 3 && (bpp < 24 || ownsPixels)) {
        const int from = bpp;
        if (__convert_bpp(&data, nullptr, Size(), from, target, nullptr, false)) {
            bpp = target;
            if (from > 16)
                dataSize = int32_t(pixelCount(width, height) * 2);
        }
    }
}

// Split colour planes

void CGraphicsObject::Split()
{
    const int64_t n = pixelCount(width, height);
    if (bpp != 24 || !data || compression != COMPRESSION_NONE || n == 0 || !ownsPixels)
        return;
    release(red);
    release(green);
    release(blue);
    red = new char[size_t(n)];
    green = new char[size_t(n)];
    blue = new char[size_t(n)];
    for (int64_t i = 0; i < n; ++i) {
        blue[i] = data[i * 3];
        green[i] = data[i * 3 + 1];
        red[i] = data[i * 3 + 2];
    }
    planeSize[0] = planeSize[1] = planeSize[2] = int32_t(n);
    release(data);
    dataSize = 0;
}

void CGraphicsObject::JoinChannels()
{
    // A view's planes belong to its source.
    if (!ownsPixels)
        return;
    const int before = bpp;
    const int64_t n = pixelCount(width, height);
    release(data);
    bpp = 24;
    if (n > 0) {
        data = new char[size_t(n * 3)];
        char* planes[3] = {blue, green, red};
        for (int c = 0; c < 3; ++c) {
            const char* plane = planes[c];
            // A plane shorter than the image gives 0 bytes past its end.
            const int64_t length = !plane ? 0 : planeSize[2 - c] > 0 ? std::min<int64_t>(planeSize[2 - c], n) : n;
            for (int64_t i = 0; i < n; ++i)
                data[i * 3 + c] = i < length ? plane[i] : 0;
        }
        dataSize = int32_t(n * 3);
    }
    release(red);
    release(green);
    release(blue);
    planeSize[0] = planeSize[1] = planeSize[2] = 0;
    compression = COMPRESSION_NONE;
    Convert(before);
}

char* CGraphicsObject::Join2Channels()
{
    const int64_t n = pixelCount(width, height);
    if (bpp != 24 || !data || compression != COMPRESSION_NONE || n == 0)
        return nullptr;
    char* out = new char[size_t(n * 4)];
    for (int64_t i = 0; i < n; ++i) {
        std::memcpy(out + i * 4, data + i * 3, 3);
        out[i * 4 + 3] = alpha ? alpha[i] : char(255);
    }
    return out;
}

void CGraphicsObject::SplitOn2(char* buffer, int count)
{
    Flush();
    ownsPixels = true;
    compression = COMPRESSION_NONE;
    bpp = 24;
    const int64_t n = pixelCount(width, height);
    if (n == 0)
        return;
    data = new char[size_t(n * 3)]();
    alpha = new char[size_t(n)]();
    dataSize = int32_t(n * 3);
    const int64_t used = buffer ? std::min<int64_t>(std::max(count, 0), n) : 0;
    for (int64_t i = 0; i < used; ++i) {
        std::memcpy(data + i * 3, buffer + i * 4, 3);
        alpha[i] = buffer[i * 4 + 3];
    }
}

// Drawing into another drawable

void CGraphicsObject::sourceCanvas(_canvas* out)
{
    out->data = data;
    out->alpha = alpha;
    out->bpp = bpp;
    out->x = x;
    out->y = y;
    out->width = width;
    out->height = height;
    out->rect = clip;
    out->pitch = pitch > width ? pitch * GetPixelSize() : 0;
}

void CGraphicsObject::redraw(CGraphicsObject* destination)
{
    // Packed pixels are no place to draw into: they would be overwritten as
    // if they were words.
    if (!destination || !data || destination->compression != COMPRESSION_NONE)
        return;
    _canvas target;
    target.width = destination->Width();
    target.height = destination->Height();
    target.data = destination->GetDataPtr();
    if (!target.data)
        return;
    target.alpha = destination->alpha;
    target.bpp = destination->bpp;
    if (destination->pitch > target.width)
        target.pitch = destination->pitch * __get_pixel_size(target.bpp);
    target.rect = viewport;
    drawTo(&target);
}

bool CGraphicsObject::drawTo(_canvas* destination)
{
    if (!destination || !data || !destination->data)
        return false;
    Convert(destination->bpp);
    // Packed data would be read as pixels past their own end.
    if (compression != COMPRESSION_NONE)
        return false;
    const int64_t dw = destination->width, dh = destination->height;
    if (!(int64_t(x) + width > 0 && int64_t(y) + height > 0 && x < dw && y < dh))
        return false;
    if (autoClip) {
        // The visible part in the drawable's own pixels; the clipping
        // rectangle keeps it, so a caller that draws the drawable
        // elsewhere puts its own clipping rectangle back.
        CXRect visible(std::max(0, -x), std::max(0, -y), width, height);
        if (int64_t(x) + width > dw)
            visible.right = int(dw - x);
        if (int64_t(y) + height > dh)
            visible.bottom = int(dh - y);
        if (visible.right <= visible.left || visible.bottom <= visible.top)
            return false;
        if (clip.IsEmpty()) {
            clip = visible;
        } else {
            clip.left = std::max(clip.left, visible.left);
            clip.top = std::max(clip.top, visible.top);
            clip.right = std::min(clip.right, visible.right);
            clip.bottom = std::min(clip.bottom, visible.bottom);
        }
        // A clipping rectangle outside the visible part shows nothing
        // (rather than the whole drawable, as an empty one would).
        if (clip.right <= clip.left || clip.bottom <= clip.top)
            return false;
    }
    _canvas source;
    sourceCanvas(&source);
    if (opacity < 255)
        return __copy_blend(&source, destination, opacity);
    if (destination->alpha)
        return copyToCanvas(&source, destination);
    if (!alpha)
        return __copy(&source, destination);
    if (alphaAsMask)
        return __copy_alpha_as_mask(&source, destination);
    return __copy_alpha(&source, destination);
}

// A filter that rebuilds every second row of the destiny from row 35 on:
// each pixel's three 16-bit offsets in source select two bytes and a word
// of the lookup plane that starts (level & 0xFC) x 1024 bytes into table.
// The caller's table must reach 65,537 bytes past that start and source
// must hold three offsets for every pixel of the destiny; writes stay
// inside the destiny.
void CGraphicsObject::Blend(char* source, int* table, int offset, int level)
{
    if (!destiny || !source || !table || offset < 0)
        return;
    char* out = destiny->GetDataPtr();
    const int dw = destiny->Width(), dh = destiny->Height();
    if (!out || dw <= 0 || dh <= 0)
        return;
    const unsigned char* plane = reinterpret_cast<const unsigned char*>(table) + (level & 0xFC) * 1024;
    const int rows = (height - 35) / 2, columns = (width / 2) * 2;
    for (int k = 0; k < rows; ++k) {
        const int row = 35 + 2 * k;
        if (row >= dh)
            break;
        char* line = out + int64_t(row) * dw * 2 + offset;
        for (int c = 0; c < columns && offset + (c + 1) * 2 <= dw * 2; ++c) {
            uint16_t offsets[3];
            std::memcpy(offsets, source + (int64_t(row) * dw + c) * 6, 6);
            uint16_t middle;
            std::memcpy(&middle, plane + offsets[1], 2);
            uint16_t w = uint16_t((plane[offsets[0]] << 8 | plane[offsets[2]]) | middle);
            std::memcpy(line + c * 2, &w, 2);
        }
    }
}
