// Linked images: one image shows the buffers of another without owning
// them. Only the source (the root: an image that shows its own pixels)
// frees them, so links always point at a root; the linked images are
// listed with it, take up its buffers before they are drawn or read, drop
// them when it frees them, and keep a copy when it is deleted.
#include "graphics/Image.h"
#include "graphics/PixelBlock.h"

#include <algorithm>
#include <cstring>

namespace {

char* copied(const char* from, int64_t n)
{
    if (!from || n <= 0)
        return nullptr;
    char* to = new char[size_t(n)];
    std::memcpy(to, from, size_t(n));
    return to;
}

} // namespace

void CImage::link(CImage* source)
{
    CImage* root = source;
    for (int depth = 0; root && root->linkSource && depth < 64; ++depth)
        root = root->linkSource;
    if (!root || root == this || root->linkSource)
        return;
    // The images that show this one's pixels follow it to the root.
    std::vector<CImage*> followers;
    followers.swap(viewers);
    Flush();
    ownsPixels = false;
    unpacked = false;
    linkSource = root;
    root->viewers.push_back(this);
    syncLink();
    for (CImage* v : followers) {
        v->linkSource = root;
        root->viewers.push_back(v);
        v->syncLink();
    }
}

void CImage::syncLink()
{
    CImage* s = linkSource;
    if (!s)
        return;
    if (ownsPixels) {
        // Given pixels of its own since: the link is over.
        s->viewers.erase(std::remove(s->viewers.begin(), s->viewers.end(), this), s->viewers.end());
        linkSource = nullptr;
        return;
    }
    // Opened as drawing it would open it: a linked image cannot open
    // packed pixels it does not own.
    if (s->compression == COMPRESSION_RLE2)
        s->unpack();
    data = s->data;
    alpha = s->alpha;
    width = s->width;
    height = s->height;
    pitch = s->pitch;
    bpp = s->bpp;
    compression = s->compression;
    dataSize = s->dataSize;
    packedSize = s->packedSize;
    packedSize2 = s->packedSize2;
    for (int i = 0; i < 4; ++i)
        planeSize[i] = s->planeSize[i];
}

void CImage::unlink()
{
    if (!linkSource)
        return;
    linkSource->viewers.erase(std::remove(linkSource->viewers.begin(), linkSource->viewers.end(), this),
                              linkSource->viewers.end());
    linkSource = nullptr;
    data = alpha = nullptr;
    compression = COMPRESSION_NONE;
    dataSize = packedSize = packedSize2 = 0;
    for (int& s : planeSize)
        s = 0;
    ownsPixels = true;
}

void CImage::keepCopy()
{
    syncLink();
    linkSource = nullptr;
    const bool plain = compression == COMPRESSION_NONE;
    // Plain rows lie pitch pixels apart; packed blocks have their lengths.
    const int64_t colourBytes =
        plain ? blockBytes(std::max(pitch, width), height, GetPixelSize()) : int64_t(packedSize);
    const int64_t alphaBytes = plain ? blockBytes(width, height, 1) : int64_t(planeSize[3]);
    data = copied(data, colourBytes);
    alpha = copied(alpha, alphaBytes);
    ownsPixels = true;
}

void CImage::tellViewers(bool sync)
{
    for (CImage* v : viewers)
        if (sync) {
            v->syncLink();
        } else {
            v->data = nullptr;
            v->alpha = nullptr;
        }
}

void CImage::Flush()
{
    unlink();
    tellViewers(false);
    CGraphicsObject::Flush();
}

void CImage::invalidateViewers()
{
    // An observer of a linked image may end links while it hears of this.
    const std::vector<CImage*> linked = viewers;
    for (CImage* v : linked)
        if (std::find(viewers.begin(), viewers.end(), v) != viewers.end())
            v->CGraphicsObject::Invalidate();
}

void CImage::Invalidate()
{
    syncLink();
    tellViewers(true);
    CGraphicsObject::Invalidate();
    invalidateViewers();
}

void CImage::Invalidate(CXRect* r)
{
    syncLink();
    tellViewers(true);
    CGraphicsObject::Invalidate(r);
    invalidateViewers();
}

bool CImage::testHit(CXPoint p)
{
    syncLink();
    return CGraphicsObject::testHit(p);
}

CGraphicsObject* CImage::getDrawn()
{
    syncLink();
    return this;
}

unsigned char CImage::GetPixel(_channel channel, CXPoint p)
{
    syncLink();
    return CGraphicsObject::GetPixel(channel, p);
}

CColor CImage::GetPixel(int px, int py)
{
    syncLink();
    return CGraphicsObject::GetPixel(px, py);
}
