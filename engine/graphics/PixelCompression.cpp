// The compression kinds of a drawable's pixels: the file forms (LZO, LZO
// over RLE2, JPEG colour) that images and animation frames arrive in, and
// the RLE2 form in which frames stay in memory, opened one at a time while
// they are shown.
//
// RLE2 is the run-length codec of the foundation (CRLECompression): 16-bit
// words for colour data, bytes for alpha planes.
#include "graphics/GraphicsObject.h"

#include "base/Compression.h"
#include "graphics/Jpeg.h"
#include "graphics/PixelBlock.h"

#include <memory>

namespace {

// The unpacked length an LZO block's header states.
int64_t lzoContentLength(const char* block)
{
    const unsigned char* h = reinterpret_cast<const unsigned char*>(block);
    return int64_t(uint32_t(h[0]) | uint32_t(h[1]) << 8 | uint32_t(h[2]) << 16 | uint32_t(h[3]) << 24);
}

// The content of the LZO block of length bytes when it unpacks whole to
// exactly expected bytes, or with exact false to at most that many; null
// otherwise (a damaged or cut stream too). length bounds what is read: a
// block is never trusted past its own end, nor its header past what the
// picture can hold.
char* unpackLZO(char* block, int length, int64_t expected, bool exact)
{
    if (!block || length < 8)
        return nullptr;
    const int64_t content = lzoContentLength(block);
    if (exact ? content != expected : content > expected)
        return nullptr;
    CLZWCompression2 codec(block, length);
    std::unique_ptr<char[]> out(codec.decompress());
    return codec.isComplete() ? out.release() : nullptr;
}

// The longest RLE2 form of n bytes: the packets never take twice the data.
int64_t longestRLE2(int64_t n) { return 2 * n + 2; }

} // namespace

void CGraphicsObject::Compress(_compression kind)
{
    // Only plain pixels are packed; a view's pixels are its source's. The
    // packets hold whole words, so an odd number of bytes (some 24-bit
    // images) cannot be packed without losing the last one.
    const int64_t bytes = blockBytes(width, height, GetPixelSize());
    if (kind != COMPRESSION_RLE2 || compression != COMPRESSION_NONE || !data || !ownsPixels || bytes % 2)
        return;
    dataSize = packedSize = packedSize2 = int32_t(bytes);
    int length = 0;
    char* packed = CRLECompression::__compress(data, dataSize, length);
    release(data);
    data = packed;
    packedSize = packedSize2 = length;
    if (alpha) {
        char* plane = CRLECompression::__compresschar(alpha, int(blockBytes(width, height, 1)), length);
        release(alpha);
        alpha = plane;
        planeSize[3] = length;
    }
    compression = COMPRESSION_RLE2;
}

void CGraphicsObject::DeCompress()
{
    if (!data || !ownsPixels)
        return;
    if (compression != COMPRESSION_LZO && compression != COMPRESSION_LZO_RLE2 && compression != COMPRESSION_JPEG)
        return;
    // Both planes are decoded before either replaces its block, so that a
    // damaged one leaves the drawable as it was.
    const int64_t pixels = blockBytes(width, height, 1);
    std::unique_ptr<char[]> colour, plane;
    int colourBpp = bpp;
    if (compression == COMPRESSION_JPEG) {
        JPEG reader(data, packedSize);
        if (reader.getWidth() == width && reader.getHeight() == height)
            colour.reset(reinterpret_cast<char*>(reader.decompress(bpp)));
        // The reader gives 5-6-5 words for every depth but 15.
        if (bpp != 15)
            colourBpp = 16;
    } else if (compression == COMPRESSION_LZO) {
        colour.reset(unpackLZO(data, packedSize, blockBytes(width, height, GetPixelSize()), true));
    } else {
        colour.reset(unpackLZO(data, packedSize, longestRLE2(blockBytes(width, height, GetPixelSize())), false));
    }
    const bool withAlpha = alpha && planeSize[3] > 0;
    if (withAlpha) {
        if (compression == COMPRESSION_LZO_RLE2)
            plane.reset(unpackLZO(alpha, planeSize[3], longestRLE2(pixels), false));
        else
            plane.reset(unpackLZO(alpha, planeSize[3], pixels, true));
    }
    if (!colour || (pixels == 0 && compression != COMPRESSION_LZO_RLE2) || (withAlpha && !plane)) {
        setErrorCode(ERROR_DAMAGED);
        return;
    }
    if (compression == COMPRESSION_LZO_RLE2) {
        // The RLE2 forms stay packed; their lengths bound their unpacking.
        packedSize = packedSize2 = int32_t(lzoContentLength(data));
        if (withAlpha)
            planeSize[3] = int32_t(lzoContentLength(alpha));
    } else {
        bpp = colourBpp;
        dataSize = int32_t(blockBytes(width, height, GetPixelSize()));
        if (compression == COMPRESSION_JPEG)
            packedSize = 0;
        if (withAlpha)
            planeSize[3] = int32_t(pixels);
    }
    release(data);
    data = colour.release();
    // A plane without a block holds no alpha: it goes rather than stand as
    // a plane shorter than the picture.
    release(alpha);
    alpha = plane.release();
    if (!alpha)
        planeSize[3] = 0;
    compression = compression == COMPRESSION_LZO_RLE2 ? COMPRESSION_RLE2 : COMPRESSION_NONE;
}

void CGraphicsObject::DeCompressRLE2()
{
    // A view cannot keep what it would unpack.
    if (compression != COMPRESSION_RLE2 || !data || !ownsPixels)
        return;
    const int64_t plain = blockBytes(width, height, GetPixelSize());
    if (plain == 0)
        return;
    // Copies of an earlier opening are not this image's packed form.
    dropPacked();
    packedData = data;
    packedAlpha = alpha;
    packedAlphaSize = planeSize[3];
    packedBpp = bpp;
    dataSize = int32_t(plain);
    data = CRLECompression::__decompress(packedData, packedSize, dataSize);
    if (packedAlpha) {
        planeSize[3] = int32_t(blockBytes(width, height, 1));
        alpha = CRLECompression::__decompresschar(packedAlpha, packedAlphaSize, planeSize[3]);
    }
    compression = COMPRESSION_NONE;
}

void CGraphicsObject::unpack()
{
    if (unpacked)
        return;
    DeCompressRLE2();
    unpacked = true;
}

void CGraphicsObject::pack(bool freeUnpacked)
{
    if (!unpacked)
        return;
    restorePacked(freeUnpacked);
    unpacked = false;
}

void CGraphicsObject::bringBackCompressed()
{
    if (!unpacked && (packedData || packedAlpha))
        restorePacked(true);
}

void CGraphicsObject::restorePacked(bool freeUnpacked)
{
    if (packedData) {
        bpp = packedBpp;
        if (freeUnpacked)
            release(data);
        data = packedData;
        compression = COMPRESSION_RLE2;
    }
    if (packedAlpha) {
        if (freeUnpacked)
            release(alpha);
        alpha = packedAlpha;
        planeSize[3] = packedAlphaSize;
    }
    packedData = packedAlpha = nullptr;
    packedAlphaSize = 0;
}

void CGraphicsObject::dropPacked()
{
    release(packedData);
    release(packedAlpha);
    packedAlphaSize = 0;
}
