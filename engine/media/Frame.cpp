#include "media/Frame.h"

#include "base/Compression.h"
#include "media/AnimoStream.h"

#include <climits>

namespace {

// The unpacked length an LZO block's header claims; -1 when the block is
// too short for its header or claims more than its bytes can make. LZO1X
// makes at most 255 bytes of one byte of input (long lengths are counted
// in zero bytes worth 255 each), so a larger claim is damage, and a small
// file cannot ask for a huge picture.
int64_t lzoUnpackedLength(const char* block, int length)
{
    if (!block || length < 8)
        return -1;
    const uint32_t unpacked = uint32_t(uint8_t(block[0])) | uint32_t(uint8_t(block[1])) << 8 |
                              uint32_t(uint8_t(block[2])) << 16 | uint32_t(uint8_t(block[3])) << 24;
    if (unpacked > uint32_t(CCompression::MaxUnpackedLength) || unpacked > int64_t(length) * 256 + 256)
        return -1;
    return unpacked;
}

// The fewest RLE2 bytes that make n values of `width` bytes: a run packet
// (a control byte and one value) stands for at most 127 of them.
int64_t rle2Minimum(int64_t n, int width) { return (n + 126) / 127 * (1 + width); }

// A JPEG image is far smaller than its pixels, but not without bound.
const int64_t JPEG_RATIO = 4096;
const int64_t JPEG_SLACK = 65536;

bool isFileForm(_compression kind)
{
    return kind == COMPRESSION_LZO || kind == COMPRESSION_LZO_RLE2 || kind == COMPRESSION_JPEG;
}

} // namespace

CFrame::CFrame(CWindow* w)
    : CGraphicsObject(w), version(0), offsetX(0), offsetY(0), ownX(0), ownY(0), descriptors(0)
{
}

CFrame::CFrame(CWindow* w, CGraphicsObject& source)
    : CGraphicsObject(w), version(0), offsetX(0), offsetY(0), ownX(0), ownY(0), descriptors(0)
{
    Copy(&source);
    const CXPoint at = source.GetPosition();
    SetPosition(at.x, at.y);
}

CFrame::CFrame(CFrame& other)
    : CGraphicsObject(other.GetWindow()), version(0), offsetX(0), offsetY(0), ownX(0), ownY(0), descriptors(0)
{
}

CFrame& CFrame::operator=(CFrame& other)
{
    if (&other == this)
        return *this;
    Copy(&other);
    version = other.version;
    offsetX = other.offsetX;
    offsetY = other.offsetY;
    ownX = other.ownX;
    ownY = other.ownY;
    descriptors = other.descriptors;
    return *this;
}

void CFrame::SetPosition(int px, int py)
{
    offsetX = offsetY = 0;
    ownX = px;
    ownY = py;
    CGraphicsObject::SetPosition(px, py);
}

void CFrame::Move(int dx, int dy)
{
    CGraphicsObject::Move(dx, dy);
    ownX += dx;
    ownY += dy;
    offsetX += dx;
    offsetY += dy;
}

void CFrame::redraw(CGraphicsObject* destination)
{
    if (isFileForm(compression))
        DeCompress();
    if (compression == COMPRESSION_RLE2)
        DeCompressRLE2();
    // Packed bytes drawn as pixels would be read past their end.
    if (isFileForm(compression) || compression == COMPRESSION_RLE2)
        return;
    CGraphicsObject::redraw(destination);
}

int CFrame::colourBytes()
{
    if (compression != COMPRESSION_NONE)
        return packedSize;
    return data ? int(int64_t(width) * height * GetPixelSize()) : 0;
}

int CFrame::alphaBytes()
{
    if (!alpha)
        return 0;
    if (compression == COMPRESSION_NONE || planeSize[3] == 0)
        return width * height;
    return planeSize[3];
}

bool CFrame::setPicture(int w, int h)
{
    if (w < 0 || h < 0 || int64_t(w) * h * GetPixelSize() > CCompression::MaxUnpackedLength)
        return false;
    width = w;
    height = h;
    pitch = w;
    dataSize = w * h * GetPixelSize();
    return true;
}

bool CFrame::readDescriptors(CAnimoReader& in, uint32_t count, uint32_t (&words)[MAX_DESCRIPTORS])
{
    if (count > MAX_DESCRIPTORS) {
        in.fail();
        return false;
    }
    for (uint32_t i = 0; i < count; ++i)
        words[i] = in.u32();
    descriptors = int(count);
    return true;
}

bool CFrame::takeHeader(CAnimoReader& in, const Place& place, uint32_t colour, const uint32_t (&words)[MAX_DESCRIPTORS])
{
    if (!in.ok() || colour > INT_MAX || words[3] > INT_MAX || !setPicture(place.w, place.h)) {
        in.fail();
        return false;
    }
    packedSize = packedSize2 = int(colour);
    for (int i = 0; i < MAX_DESCRIPTORS; ++i)
        planeSize[i] = int32_t(words[i]);
    SetPosition(place.x, place.y);
    return true;
}

bool CFrame::readHeader(CAnimoReader& in, int size)
{
    const int64_t start = in.tell();
    Place place;
    place.w = in.i16();
    place.h = in.i16();
    place.x = in.i16();
    place.y = in.i16();
    // Kinds beyond those the engine knows are no picture it could draw.
    const unsigned kind = in.u16();
    if (kind > COMPRESSION_JPEG) {
        in.fail();
        return false;
    }
    compression = _compression(kind);
    const uint32_t colour = in.u32();
    uint32_t words[MAX_DESCRIPTORS] = {0, 0, 0, 0};
    if (!readDescriptors(in, in.u16(), words))
        return false;
    in.seek(start + size);
    return takeHeader(in, place, colour, words);
}

bool CFrame::LoadHeader(CAnimoReader& in, int v)
{
    version = v;
    const int64_t start = in.tell();
    uint32_t colour = 0;
    uint32_t words[MAX_DESCRIPTORS] = {0, 0, 0, 0};
    Place place;
    if (v == VERSION_PIK) {
        colour = in.u32();
        words[3] = in.u32();
    }
    place.w = in.i16();
    place.x = in.i16();
    place.h = in.i16();
    place.y = in.i16();
    in.skip(2);
    bpp = GetRealBpp(in.i16());
    if (v != VERSION_PIK) {
        // The first word is the colour data's length here.
        if (!readDescriptors(in, in.u32(), words))
            return false;
        colour = words[0];
        in.seek(start + 32);
    }
    // "PIK" frames are plain, "PI2" frames of kind 1 (which nothing
    // unpacks) and "PI3" frames LZO blocks.
    compression = _compression(v - 1);
    return takeHeader(in, place, colour, words);
}

bool CFrame::dataFits()
{
    const int64_t plain = int64_t(width) * height * GetPixelSize();
    const int64_t plane = int64_t(width) * height;
    const int alphaLength = alpha ? planeSize[3] : 0;
    switch (compression) {
    case COMPRESSION_RLE2:
        return packedSize >= rle2Minimum(plain / 2, 2) && (!alpha || alphaLength >= rle2Minimum(plane, 1));
    case COMPRESSION_LZO:
        return lzoUnpackedLength(data, packedSize) >= plain &&
               (!alpha || lzoUnpackedLength(alpha, alphaLength) >= plane);
    case COMPRESSION_LZO_RLE2:
        return (plain == 0 || lzoUnpackedLength(data, packedSize) >= rle2Minimum(plain / 2, 2)) &&
               (!alpha || lzoUnpackedLength(alpha, alphaLength) >= rle2Minimum(plane, 1));
    case COMPRESSION_JPEG:
        return plain <= packedSize * JPEG_RATIO + JPEG_SLACK &&
               (!alpha || lzoUnpackedLength(alpha, alphaLength) >= plane);
    default:
        // Drawn as they are: plain pixels, and kinds nothing unpacks.
        return packedSize >= plain && (!alpha || alphaLength >= plane);
    }
}

bool CFrame::LoadNew(CAnimoReader& in)
{
    release(data);
    release(alpha);
    ownsPixels = true;
    data = in.block(uint32_t(packedSize));
    if (planeSize[3] > 0)
        alpha = in.block(uint32_t(planeSize[3]));
    if (in.ok() && dataFits())
        return true;
    release(data);
    release(alpha);
    in.fail();
    return false;
}

void CFrame::writeHeader(CAnimoWriter& out, int size)
{
    const size_t start = out.size();
    // A frame with an alpha plane tells its length in the fourth word.
    if (alpha) {
        descriptors = MAX_DESCRIPTORS;
        planeSize[3] = alphaBytes();
    }
    out.u16(uint16_t(width));
    out.u16(uint16_t(height));
    out.u16(uint16_t(ownX));
    out.u16(uint16_t(ownY));
    out.u16(uint16_t(compression));
    out.u32(uint32_t(colourBytes()));
    out.u16(uint16_t(descriptors));
    for (int i = 0; i < descriptors; ++i)
        out.u32(uint32_t(i == 3 ? alphaBytes() : planeSize[i]));
    out.padTo(start + size_t(size));
}

void CFrame::SaveHeader(CAnimoWriter& out, int v)
{
    const size_t start = out.size();
    if (v == VERSION_PIK) {
        out.u32(uint32_t(colourBytes()));
        out.u32(uint32_t(alphaBytes()));
    }
    out.u16(uint16_t(width));
    out.u16(uint16_t(ownX));
    out.u16(uint16_t(height));
    out.u16(uint16_t(ownY));
    out.u16(0);
    out.u16(uint16_t(GetFlagBpp(bpp)));
    if (v == VERSION_PIK)
        return;
    out.u32(MAX_DESCRIPTORS);
    out.u32(uint32_t(colourBytes()));
    out.zeros(8);
    out.u32(uint32_t(alphaBytes()));
    out.padTo(start + 32);
}

void CFrame::SaveNew(CAnimoWriter& out)
{
    out.put(data, colourBytes());
    if (alpha)
        out.put(alpha, alphaBytes());
}
