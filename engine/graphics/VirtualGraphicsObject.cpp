#include "graphics/VirtualGraphicsObject.h"

#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Animo.h"
#include "media/Frame.h"

#include <cstdint>
#include <cstring>

int CVirtualGraphicsObject::passNumber = -1;

CVirtualGraphicsObject::CVirtualGraphicsObject(CWindow* w)
    : CGraphicsObject(w), refreshScreen(w ? w->GetRefreshScreenInterface() : nullptr), source(nullptr),
      maskOwner(nullptr), maskImage(nullptr), maskAnimo(nullptr), maskFrame(-1)
{
}

CVirtualGraphicsObject::~CVirtualGraphicsObject()
{
    release(source, maskOwner);
    release(maskOwner, nullptr);
    source = maskOwner = maskImage = nullptr;
    maskAnimo = nullptr;
    width = height = 0;
}

void CVirtualGraphicsObject::release(CGraphicsObject* old, CGraphicsObject* other)
{
    if (old && old != other)
        old->removeInvalidateObserver(this);
}

CGraphicsObject* CVirtualGraphicsObject::getMaskImage()
{
    return maskAnimo ? maskAnimo->GetFrame(maskFrame) : maskImage;
}

void CVirtualGraphicsObject::setSource(CGraphicsObject* s)
{
    if (s == source)
        return;
    release(source, maskOwner);
    source = s;
    if (source) {
        if (source != maskOwner)
            source->addInvalidateObserver(this);
        bpp = source->GetBpp();
    }
    updateSize();
    Invalidate();
}

void CVirtualGraphicsObject::setMask(CGraphicsObject* mask)
{
    if (mask == getMaskImage() && !maskAnimo)
        return;
    release(maskOwner, source);
    maskOwner = maskImage = mask;
    maskAnimo = nullptr;
    maskFrame = -1;
    if (mask) {
        if (mask != source)
            mask->addInvalidateObserver(this);
        mask->DeCompress();
    }
    updateSize();
    Invalidate();
}

void CVirtualGraphicsObject::setMaskAnimo(CAnimo* animo)
{
    if (animo && animo == maskOwner)
        return;
    release(maskOwner, source);
    maskOwner = animo;
    maskAnimo = animo;
    maskImage = nullptr;
    maskFrame = animo ? animo->Current() : -1;
    if (animo) {
        if (static_cast<CGraphicsObject*>(animo) != source)
            animo->addInvalidateObserver(this);
        animo->DeCompress();
    }
    updateSize();
    Invalidate();
}

void CVirtualGraphicsObject::updateSize()
{
    CGraphicsObject* mask = getMaskImage();
    int w = 0, h = 0;
    if (source && mask) {
        w = std::min(source->getWidth(), mask->getWidth());
        h = std::min(source->getHeight(), mask->getHeight());
    } else if (CGraphicsObject* one = source ? source : mask) {
        w = one->getWidth();
        h = one->getHeight();
    }
    width = w;
    height = h;
    pitch = GetPixelSize() * w;
}

CXObject* CVirtualGraphicsObject::clone()
{
    CVirtualGraphicsObject* copy = new CVirtualGraphicsObject(window);
    copy->x = x;
    copy->y = y;
    copy->clip = clip;
    copy->visible = visible;
    copy->bpp = bpp;
    copy->flags = flags;
    copy->opacity = opacity;
    copy->destiny = destiny;
    copy->monitorCollisions = monitorCollisions;
    return copy;
}

int CVirtualGraphicsObject::Width()
{
    CGraphicsObject* mask = getMaskImage();
    return mask ? mask->Width() : width;
}

int CVirtualGraphicsObject::Height()
{
    CGraphicsObject* mask = getMaskImage();
    return mask ? mask->Height() : height;
}

void CVirtualGraphicsObject::Invalidate() { CGraphicsObject::Invalidate(); }

void CVirtualGraphicsObject::Invalidate(CXRect* r)
{
    CGraphicsObject* mask = getMaskImage();
    if (!mask || !r) {
        Invalidate();
        return;
    }
    const CXRect common = mask->GetBoundingBox().Common(*r);
    if (common.Width() > 0 && common.Height() > 0)
        Invalidate();
}

void CVirtualGraphicsObject::onDestroy(CGraphicsObject* gone)
{
    if (!gone)
        return;
    if (gone == source)
        source = nullptr;
    if (gone == maskOwner) {
        maskOwner = maskImage = nullptr;
        maskAnimo = nullptr;
        maskFrame = -1;
    }
    updateSize();
    Invalidate();
    CGraphicsObject::onDestroy(gone);
}

int CVirtualGraphicsObject::maskByte(CGraphicsObject* mask, int mx, int my)
{
    const char* plane = mask->GetChannelAlpha();
    // A mask without an alpha plane shows its whole rectangle.
    if (!plane)
        return 255;
    // A packed plane is read through the drawable's own pixel access.
    if (mask->GetCompression() != COMPRESSION_NONE)
        return mask->GetPixel(CHANNEL_ALPHA, CXPoint(mx, my));
    return static_cast<unsigned char>(plane[size_t(my) * size_t(mask->getWidth()) + size_t(mx)]);
}

bool CVirtualGraphicsObject::testHit(CXPoint p)
{
    CGraphicsObject* mask = getMaskImage();
    if (!mask)
        return source ? source->testHit(p) : true;
    if (!GetBoundingBox().IsInRect(p))
        return false;
    const int mx = p.x - x, my = p.y - y;
    if (mx < 0 || my < 0 || mx >= mask->getWidth() || my >= mask->getHeight())
        return false;
    return maskByte(mask, mx, my) != 0;
}

void CVirtualGraphicsObject::redraw(CGraphicsObject* destination)
{
    if (!source || !destination)
        return;
    if (!source->GetDestiny() && refreshScreen && refreshScreen->getFrameCounter() != passNumber) {
        passNumber = refreshScreen->getFrameCounter();
        source->Redraw();
    }
    CGraphicsObject* mask = getMaskImage();
    if (!mask) {
        source->redraw(destination);
        return;
    }
    mask->DeCompressRLE2();
    drawMasked(destination, mask);
    mask->bringBackCompressed();
}

void CVirtualGraphicsObject::drawMasked(CGraphicsObject* destination, CGraphicsObject* mask)
{
    // Only unpacked 16-bit words can be read and written here.
    auto plain = [](CGraphicsObject* g) {
        return g->GetDataPtr() && g->GetCompression() == COMPRESSION_NONE && g->GetPixelSize() == 2;
    };
    if (!plain(destination) || !plain(source) || mask->GetCompression() != COMPRESSION_NONE)
        return;
    CXRect local(0, 0, width, height);
    if (!clip.IsEmpty())
        local = local.Common(clip);
    const uint16_t* from = reinterpret_cast<const uint16_t*>(source->GetDataPtr());
    uint16_t* to = reinterpret_cast<uint16_t*>(destination->GetDataPtr());
    const CXPoint at = mask->GetPosition();
    const int sourceRow = source->getWidth(), sourceRows = source->getHeight();
    const int destRow = std::max(destination->getWidth(), destination->GetPitch());
    const int destW = destination->getWidth(), destH = destination->getHeight();
    const int maskW = mask->getWidth(), maskH = mask->getHeight();
    for (int ly = std::max(local.top, 0); ly < local.bottom && ly < maskH; ++ly) {
        for (int lx = std::max(local.left, 0); lx < local.right && lx < maskW; ++lx) {
            const int dx = x + lx, dy = y + ly, sx = at.x + lx, sy = at.y + ly;
            if (dx < 0 || dy < 0 || dx >= destW || dy >= destH || sx < 0 || sy < 0 || sx >= sourceRow ||
                sy >= sourceRows)
                continue;
            const int a = maskByte(mask, lx, ly);
            const uint16_t pixel = from[size_t(sy) * size_t(sourceRow) + size_t(sx)];
            if (a == 255)
                to[size_t(dy) * size_t(destRow) + size_t(dx)] = pixel;
            else if (a > 0)
                destination->putPixel(dx, dy, short(pixel), a, false);
        }
    }
}
