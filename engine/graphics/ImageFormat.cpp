// The engine's image file (".img"): its reader in the three layouts ("PIK",
// "NVI" and the legacy one), its writer (always "PIK"), and the owned copy
// of a drawable's picture that the image object and the writer's callers
// take.
//
// Every size a file states is checked against the file's length and the
// picture's size before it is used: a short or damaged file leaves the
// drawable empty (0 x 0, no pixels) with the error code ERROR_DAMAGED.
#include "graphics/GraphicsObject.h"

#include "base/Compression.h"
#include "base/File.h"
#include "graphics/PixelBlock.h"
#include "graphics/Window.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int PikHeaderSize = 40;
const int NviHeaderSize = 37;
// The legacy layout's record sits at 80; its colour block follows it.
const int LegacyRecordAt = 80;
const int LegacyColourAt = 92;

int32_t le32(const unsigned char* p) { return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24); }
uint32_t le32u(const unsigned char* p) { return uint32_t(le32(p)); }
int16_t le16(const unsigned char* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

void putLE32(std::vector<char>& out, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char(uint32_t(v) >> (8 * i)));
}

// The depth codes of the "PIK" and legacy headers; anything else is the
// depth itself (fallback).
int depthOf(int code, int fallback)
{
    switch (code) {
    case 2:
        return 15;
    case 4:
        return 16;
    case 8:
        return 24;
    default:
        return fallback;
    }
}

// Exactly n bytes of the file at its position in a new buffer; null when it
// holds fewer.
char* readBlock(CFile* file, int64_t n)
{
    if (n <= 0 || n > CCompression::MaxUnpackedLength)
        return nullptr;
    std::unique_ptr<char[]> block(new char[size_t(n)]);
    if (file->Read(block.get(), int(n)) != n)
        return nullptr;
    return block.release();
}

char* copyOf(const char* from, int64_t n)
{
    if (!from || n <= 0)
        return nullptr;
    char* to = new char[size_t(n)];
    std::memcpy(to, from, size_t(n));
    return to;
}

// The rows of r out of a plane of rows stride bytes apart, pixelSize bytes
// a pixel, packed together.
std::vector<char> rowsOf(const char* plane, int64_t stride, int pixelSize, const CXRect& r)
{
    const int64_t rowBytes = int64_t(r.Width()) * pixelSize;
    std::vector<char> out(size_t(rowBytes * r.Height()));
    for (int row = 0; row < r.Height(); ++row)
        std::memcpy(out.data() + row * rowBytes, plane + (r.top + row) * stride + int64_t(r.left) * pixelSize,
                    size_t(rowBytes));
    return out;
}

// A block in the kind the file asks for, made from plain data; words
// packs colour data (16-bit words), else an alpha plane (bytes). Empty
// when the kind cannot be made.
std::vector<char> packed(std::vector<char> plain, _compression kind, bool words)
{
    auto own = [](char* block, int64_t length) {
        std::vector<char> out(block, block + (block ? length : 0));
        delete[] block;
        return out;
    };
    if (kind == COMPRESSION_RLE2 || kind == COMPRESSION_LZO_RLE2) {
        int length = 0;
        char* block = words ? CRLECompression::__compress(plain.data(), int(plain.size()), length)
                            : CRLECompression::__compresschar(plain.data(), int(plain.size()), length);
        plain = own(block, length);
    }
    if (kind == COMPRESSION_LZO || kind == COMPRESSION_LZO_RLE2) {
        CLZWCompression2 codec(plain.data(), int(plain.size()));
        int length = 0;
        char* block = codec.compress(length);
        plain = own(block, length + 8);
    }
    return plain;
}

// Whether an RLE2 stream of length bytes fills expected bytes of output
// (values of valueSize bytes). A stream cut short does not; bytes after the
// output is full are let be, as the decoder lets them be.
bool rle2Covers(const char* block, int64_t length, int64_t expected, int valueSize)
{
    const unsigned char* in = reinterpret_cast<const unsigned char*>(block);
    int64_t at = 0, out = 0;
    while (out < expected && at < length) {
        const unsigned c = in[at++];
        const int64_t values = c >= 128 ? c - 128 : c;
        const int64_t stored = c >= 128 ? valueSize : values * valueSize;
        if (stored > length - at)
            return false;
        at += stored;
        out += values * valueSize;
    }
    return block && out >= expected;
}

// The kinds the writer makes; kind 5 (JPEG colour) is only ever read.
bool writable(int kind)
{
    return kind == COMPRESSION_NONE || kind == COMPRESSION_LZO || kind == COMPRESSION_LZO_RLE2 ||
           kind == COMPRESSION_RLE2;
}

} // namespace

int CGraphicsObject::damaged()
{
    Flush();
    width = height = pitch = 0;
    dataSize = packedSize = packedSize2 = 0;
    for (int& s : planeSize)
        s = 0;
    compression = COMPRESSION_NONE;
    setErrorCode(ERROR_DAMAGED);
    return ERROR_DAMAGED;
}

void CGraphicsObject::startReading()
{
    Flush();
    ownsPixels = true;
    unpacked = false;
    for (int& s : planeSize)
        s = 0;
    dataSize = packedSize = packedSize2 = 0;
    compression = COMPRESSION_NONE;
    setErrorCode(0);
}

int CGraphicsObject::readImageFile(CFile* file)
{
    startReading();
    const int64_t length = file ? file->Length() : -1;
    unsigned char h[PikHeaderSize];
    if (length < PikHeaderSize || file->Seek(0, SEEK_SET) != 0 || file->Read(h, PikHeaderSize) != PikHeaderSize)
        return damaged();
    if (std::memcmp(h, "NVI", 4) == 0)
        return readNVI(file);

    int w, hgt, depth, kind;
    int64_t alphaSize, colourAt, jpegLength = -1;
    CXPoint at(x, y);
    if (std::memcmp(h, "PIK", 4) == 0) {
        w = le32(h + 4);
        hgt = le32(h + 8);
        depth = depthOf(le32(h + 12), le32(h + 12));
        kind = le32(h + 24);
        alphaSize = le32(h + 28);
        at = CXPoint(le32(h + 32), le32(h + 36));
        if (kind == COMPRESSION_JPEG)
            jpegLength = le32u(h + 16);
        colourAt = PikHeaderSize;
    } else {
        // No kind and no position: the colour block is taken as plain
        // pixels when its size says so, else as an LZO block.
        unsigned char r[12];
        if (length < LegacyColourAt || file->Seek(LegacyRecordAt, SEEK_SET) != 0 || file->Read(r, 12) != 12)
            return damaged();
        w = le16(r);
        hgt = le16(r + 2);
        const int flags = uint16_t(le16(r + 10));
        depth = depthOf(flags & 15, bpp);
        kind = COMPRESSION_NONE;
        alphaSize = flags & 0x400 ? blockBytes(w, hgt, 1) : 0;
        colourAt = LegacyColourAt;
    }
    const int64_t plain = blockBytes(w, hgt, __get_pixel_size(depth));
    const int64_t pixels = blockBytes(w, hgt, 1);
    if (plain == 0 || alphaSize < 0 || alphaSize > length - colourAt)
        return damaged();
    const int64_t colourSize = length - colourAt - alphaSize;
    if (kind == COMPRESSION_NONE && colourSize != plain)
        kind = COMPRESSION_LZO;
    if (!writable(kind) && kind != COMPRESSION_JPEG)
        return damaged();
    if (colourSize == 0 || (kind == COMPRESSION_NONE && alphaSize != 0 && alphaSize != pixels))
        return damaged();
    if (file->Seek(int(colourAt), SEEK_SET) != 0 || !(data = readBlock(file, colourSize)))
        return damaged();
    if (alphaSize > 0 && !(alpha = readBlock(file, alphaSize)))
        return damaged();

    width = w;
    height = hgt;
    pitch = w;
    bpp = depth;
    x = at.x;
    y = at.y;
    compression = _compression(kind);
    dataSize = kind == COMPRESSION_NONE ? int32_t(plain) : 0;
    packedSize = packedSize2 = int32_t(jpegLength >= 0 ? std::min(jpegLength, colourSize) : colourSize);
    planeSize[3] = int32_t(alphaSize);
    DeCompress();
    if (LastError() == ERROR_DAMAGED || !packedFormCovers())
        return damaged();
    return 0;
}

bool CGraphicsObject::packedFormCovers()
{
    if (compression != COMPRESSION_RLE2)
        return true;
    return rle2Covers(data, packedSize, blockBytes(width, height, GetPixelSize()), 2) &&
           (!alpha || rle2Covers(alpha, planeSize[3], blockBytes(width, height, 1), 1));
}

int CGraphicsObject::readNVI(CFile* file)
{
    startReading();
    const int64_t length = file ? file->Length() : -1;
    unsigned char h[NviHeaderSize];
    if (length < NviHeaderSize || file->Seek(0, SEEK_SET) != 0 || file->Read(h, NviHeaderSize) != NviHeaderSize)
        return damaged();
    const int w = le16(h + 4), hgt = le16(h + 6), depth = h[8];
    const int64_t colourSize = le32u(h + 9), alphaSize = le32u(h + 13);
    const int kind = le32(h + 21);
    const int64_t plain = blockBytes(w, hgt, __get_pixel_size(depth));
    const int64_t pixels = blockBytes(w, hgt, 1);
    if (plain == 0 || colourSize == 0 || NviHeaderSize + colourSize + alphaSize > length)
        return damaged();
    // Kind 0 holds the picture as it is, kind 2 as LZW streams; kind 4
    // (RLE2) is kept packed as the "PIK" layout keeps it.
    if (kind == COMPRESSION_NONE) {
        if (colourSize != plain || (alphaSize != 0 && alphaSize != pixels))
            return damaged();
    } else if (kind != COMPRESSION_LZO && kind != COMPRESSION_RLE2) {
        return damaged();
    }
    std::unique_ptr<char[]> colour(readBlock(file, colourSize));
    std::unique_ptr<char[]> plane(alphaSize > 0 ? readBlock(file, alphaSize) : nullptr);
    if (!colour || (alphaSize > 0 && !plane))
        return damaged();
    int64_t planeLength = alphaSize;
    if (kind == COMPRESSION_LZO) {
        // Each stream must unpack to exactly its plane.
        auto unpackLZW = [](std::unique_ptr<char[]>& block, int64_t blockLength, int64_t expected) {
            CLZWCompression codec(block.get(), int(blockLength));
            std::unique_ptr<char[]> out(codec.decompress(int(expected)));
            block.reset(out && codec.GetSize() == expected ? out.release() : nullptr);
            return block != nullptr;
        };
        if (!unpackLZW(colour, colourSize, plain) || (plane && !unpackLZW(plane, alphaSize, pixels)))
            return damaged();
        if (plane)
            planeLength = pixels;
    }
    width = w;
    height = hgt;
    pitch = w;
    bpp = depth;
    x = le16(h + 17);
    y = le16(h + 19);
    data = colour.release();
    alpha = plane.release();
    planeSize[3] = int32_t(planeLength);
    if (kind == COMPRESSION_RLE2) {
        compression = COMPRESSION_RLE2;
        packedSize = packedSize2 = int32_t(colourSize);
        if (!packedFormCovers())
            return damaged();
    } else {
        compression = COMPRESSION_NONE;
        dataSize = int32_t(plain);
        packedSize = packedSize2 = int32_t(kind == COMPRESSION_NONE ? colourSize : plain);
    }
    return 0;
}

int CGraphicsObject::Load(CXString fileName)
{
    CFile file;
    if (file.Open(window, fileName, CFile::MODE_READ | CFile::MODE_BINARY) != 0) {
        setErrorCode(CFile::ERROR_OPEN);
        return CFile::ERROR_OPEN;
    }
    const int code = readImageFile(&file);
    const int closed = file.Close();
    setErrorCode(code ? code : closed);
    if (LastError() == 0)
        convertToDisplay();
    return LastError();
}

void CGraphicsObject::convertToDisplay()
{
    const int depth = window ? window->GetBpp() : 0;
    if (depth > 0)
        Convert(depth);
}

int CGraphicsObject::Save(CXString fileName, _compression kind)
{
    // A kind the writer cannot make leaves no empty file behind.
    if (!writable(kind))
        return CFile::ERROR_OPEN;
    CFile file;
    if (file.Open(window, fileName, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY) != 0)
        return CFile::ERROR_OPEN;
    const int code = Save(&file, kind);
    const int closed = file.Close();
    return code ? code : closed;
}

int CGraphicsObject::Save(CFile* file, _compression kind)
{
    const CXRect whole(0, 0, width, height);
    CXRect r = whole;
    // The save rectangle is the clipping rectangle, when it says a part.
    const int rw = clip.Width(), rh = clip.Height();
    const bool part = (rw != 0 && rh != 0) || (rw > 0 && rw != width) || (rh > 0 && rh != height);
    if (part)
        r = CXRect(std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, width),
                   std::min(clip.bottom, height));
    const int pixelSize = GetPixelSize();
    char* colour = GetDataPtr();
    if (!file || !writable(kind) || !hasArea(r) || !colour ||
        (compression != COMPRESSION_NONE && compression != COMPRESSION_RLE2) ||
        ((kind == COMPRESSION_RLE2 || kind == COMPRESSION_LZO_RLE2) && blockBytes(r.Width(), r.Height(), pixelSize) % 2))
        return CFile::ERROR_OPEN;

    std::vector<char> colourBlock, alphaBlock;
    if (compression == kind && r == whole && kind == COMPRESSION_RLE2) {
        // Already packed as asked: the blocks as they are held.
        colourBlock.assign(colour, colour + packedSize);
        if (alpha)
            alphaBlock.assign(alpha, alpha + planeSize[3]);
    } else {
        // The plain pixels of the area, opened from the packed form when
        // the picture is held packed, then packed as asked.
        std::unique_ptr<char[]> openedColour, openedPlane;
        const char* plainColour = colour;
        const char* plainPlane = alpha;
        int64_t stride = int64_t(std::max(pitch, width)) * pixelSize;
        if (compression == COMPRESSION_RLE2) {
            openedColour.reset(
                CRLECompression::__decompress(colour, packedSize, int(blockBytes(width, height, pixelSize))));
            if (alpha)
                openedPlane.reset(
                    CRLECompression::__decompresschar(alpha, planeSize[3], int(blockBytes(width, height, 1))));
            plainColour = openedColour.get();
            plainPlane = openedPlane.get();
            stride = int64_t(width) * pixelSize;
        }
        colourBlock = packed(rowsOf(plainColour, stride, pixelSize, r), kind, true);
        if (plainPlane)
            alphaBlock = packed(rowsOf(plainPlane, width, 1, r), kind, false);
        if (colourBlock.empty() || (plainPlane && alphaBlock.empty()))
            return CFile::ERROR_OPEN;
    }

    std::vector<char> header = {'P', 'I', 'K', 0};
    putLE32(header, r.Width());
    putLE32(header, r.Height());
    putLE32(header, bpp);
    putLE32(header, int32_t(blockBytes(r.Width(), r.Height(), pixelSize)));
    putLE32(header, 0);
    putLE32(header, kind);
    putLE32(header, int32_t(alphaBlock.size()));
    putLE32(header, x + (part ? r.left : 0));
    putLE32(header, y + (part ? r.top : 0));
    bool written = file->Write(header.data(), int(header.size())) == 1 &&
                   file->Write(colourBlock.data(), int(colourBlock.size())) == 1;
    if (written && !alphaBlock.empty())
        written = file->Write(alphaBlock.data(), int(alphaBlock.size())) == 1;
    return written ? 0 : CFile::ERROR_OPEN;
}

void CGraphicsObject::copyPicture(CGraphicsObject* source)
{
    Flush();
    ownsPixels = true;
    unpacked = false;
    if (!source || source == this)
        return;
    // What the source shows (an animation answers with its frame).
    const char* colour = source->GetDataPtr();
    width = source->width;
    height = source->height;
    pitch = width;
    bpp = source->bpp;
    compression = source->compression;
    dataSize = source->dataSize;
    packedSize = source->packedSize;
    packedSize2 = source->packedSize2;
    for (int i = 0; i < 4; ++i)
        planeSize[i] = 0;
    if (compression == COMPRESSION_NONE) {
        // Plain rows are copied close together, whatever the source's pitch.
        const int pixelSize = GetPixelSize();
        if (colour && hasArea(CXRect(0, 0, width, height))) {
            std::vector<char> rows = rowsOf(colour, int64_t(std::max(source->pitch, width)) * pixelSize, pixelSize,
                                            CXRect(0, 0, width, height));
            data = copyOf(rows.data(), int64_t(rows.size()));
        }
        dataSize = data ? int32_t(blockBytes(width, height, pixelSize)) : 0;
        alpha = copyOf(source->alpha, blockBytes(width, height, 1));
        planeSize[3] = alpha ? int32_t(blockBytes(width, height, 1)) : 0;
    } else {
        // A packed picture is copied in its packed form.
        data = copyOf(colour, packedSize);
        alpha = copyOf(source->alpha, source->planeSize[3]);
        planeSize[3] = alpha ? source->planeSize[3] : 0;
    }
    CXPoint p = source->GetPosition();
    x = p.x;
    y = p.y;
    anchorX = source->anchorX;
    anchorY = source->anchorY;
    name = source->name;
    clip = source->clip;
    viewport = source->viewport;
    flags = source->flags;
    opacity = source->opacity;
    alphaAsMask = source->alphaAsMask;
    autoClip = source->autoClip;
    flippedH = source->flippedH;
    flippedV = source->flippedV;
    visible = source->visible;
}
