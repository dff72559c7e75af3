#include "graphics/GraphicsObject.h"

#include "base/Compression.h"
#include "base/DataBuffer.h"
#include "base/XArray.h"
#include "graphics/PixelBlock.h"
#include "graphics/ValidationQuene.h"
#include "graphics/Window.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

void CGraphicsObject::construct(CWindow* owner)
{
    window = owner;
    screen = nullptr;
    destiny = nullptr;
    background = nullptr;
    width = height = 0;
    pitch = 0;
    data = nullptr;
    bpp = 16;
    flags = 0;
    autoClip = true;
    x = y = 0;
    anchorX = anchorY = 0;
    flippedH = flippedV = false;
    copyFlag = 0;
    for (int& s : planeSize)
        s = 0;
    red = green = blue = alpha = nullptr;
    alphaAsMask = false;
    ownsPixels = true;
    dataSize = 0;
    packedSize = packedSize2 = 0;
    compression = COMPRESSION_NONE;
    opacity = 255;
    fillCount = 0;
    fillArray = nullptr;
    savedAlpha = nullptr;
    invalidated = false;
    observers = nullptr;
    packedData = packedAlpha = nullptr;
    packedBpp = 0;
    packedAlphaSize = 0;
    fillCapacity = 0;
    monitorCollisions = false;
    unpacked = false;
    children = nullptr;
    visible = true;
    initialize();
}

CGraphicsObject::CGraphicsObject(CWindow* owner) { construct(owner); }

CGraphicsObject::CGraphicsObject(CWindow* owner, CXSize size, int depth)
{
    construct(owner);
    bpp = depth;
    width = size.cx;
    height = size.cy;
    pitch = width;
    int64_t bytes = blockBytes(width, height, __get_pixel_size(bpp));
    data = zeroedBlock(bytes);
    dataSize = int32_t(bytes);
}

CGraphicsObject::CGraphicsObject(CWindow* owner, CXSize size, int depth, char* pixels)
{
    construct(owner);
    bpp = depth;
    width = size.cx;
    height = size.cy;
    pitch = width;
    data = pixels;
}

CGraphicsObject::CGraphicsObject(CWindow* owner, CGraphicsObject& source)
{
    construct(owner);
    // The source is not changed: what it answers is only shown here.
    data = source.GetDataPtr();
    alpha = source.alpha;
    width = source.width;
    height = source.height;
    pitch = source.pitch;
    bpp = source.bpp;
    compression = source.compression;
    dataSize = source.dataSize;
    packedSize = source.packedSize;
    packedSize2 = source.packedSize2;
    clip = source.clip;
    viewport = source.viewport;
    CXPoint p = source.GetPosition();
    x = p.x;
    y = p.y;
    name = source.name;
    destiny = source.destiny;
    for (int i = 0; i < 4; ++i)
        planeSize[i] = source.planeSize[i];
    alphaAsMask = source.alphaAsMask;
    flags = source.flags;
    opacity = source.opacity;
    visible = source.visible;
    ownsPixels = false;
}

CGraphicsObject::~CGraphicsObject()
{
    if (screen)
        screen->removeDrawable(this);
    if (children) {
        for (int i = 0; i < children->getSize(); ++i)
            children->elementAt(i)->drawable->removeInvalidateObserver(this);
        delete children;
        children = nullptr;
    }
    // An observer may take itself or another one out while it is told.
    while (observers->getSize() > 0) {
        CInvalidateObserver* o = static_cast<CInvalidateObserver*>(observers->takeAt(0));
        o->onDestroy(this);
    }
    delete observers;
    observers = nullptr;
    Flush();
    delete[] fillArray;
}

CXObject* CGraphicsObject::clone() { return new CGraphicsObject(window, *this); }

void CGraphicsObject::initialize()
{
    if (!observers)
        observers = new CXArray(101, 0.75f);
    if (!__get_mul_array())
        __initialize_mul_array();
}

void CGraphicsObject::release(char*& buffer)
{
    if (ownsPixels)
        delete[] buffer;
    buffer = nullptr;
}

void CGraphicsObject::Flush()
{
    delete background;
    background = nullptr;
    pack(true);
    // A view lets go of the pointers too: they belong to its source.
    release(data);
    release(red);
    release(green);
    release(blue);
    release(alpha);
    // A stamp's saved alpha is its own even in a view.
    delete[] savedAlpha;
    savedAlpha = nullptr;
    release(packedData);
    release(packedAlpha);
}

void CGraphicsObject::alloc(CXSize size, int, bool)
{
    Flush();
    width = size.cx;
    height = size.cy;
    pitch = width;
    for (int& s : planeSize)
        s = 0;
    ownsPixels = true;
    compression = COMPRESSION_NONE;
    int64_t bytes = blockBytes(width, height, GetPixelSize());
    data = zeroedBlock(bytes);
    dataSize = int32_t(bytes);
    alpha = zeroedBlock(blockBytes(width, height, 1));
}

void CGraphicsObject::Alloc()
{
    Flush();
    ownsPixels = true;
    compression = COMPRESSION_NONE;
    int64_t bytes = blockBytes(width, height, GetPixelSize());
    data = zeroedBlock(bytes);
    dataSize = int32_t(bytes);
}

void CGraphicsObject::setSize(CXSize size)
{
    width = size.cx;
    height = size.cy;
}

char* CGraphicsObject::RedChannel(char* plane)
{
    if (plane)
        red = plane;
    return red;
}

char* CGraphicsObject::GreenChannel(char* plane)
{
    if (plane)
        green = plane;
    return green;
}

char* CGraphicsObject::BlueChannel(char* plane)
{
    if (plane)
        blue = plane;
    return blue;
}

void CGraphicsObject::AddOpacity(short delta)
{
    int v = int(opacity) + delta;
    opacity = (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Geometry

void CGraphicsObject::reportPosition()
{
    if (monitorCollisions && window)
        if (CPositionObserver* inspector = window->getCollisionInspectorIfc())
            inspector->onPositionChanged(this);
}

void CGraphicsObject::SetPosition(int px, int py)
{
    x = px - anchorX;
    y = py - anchorY;
    reportPosition();
}

void CGraphicsObject::Move(int dx, int dy)
{
    CXRect before = GetBoundingBox();
    x += dx;
    y += dy;
    CXRect area = GetBoundingBox();
    // A box without area (the drawable off its destiny) adds nothing.
    if (!hasArea(area))
        area = before;
    else if (hasArea(before))
        area.Sum(before);
    if (screen && hasArea(area))
        screen->invalidateArea(&area);
    invalidated = true;
    reportPosition();
}

void CGraphicsObject::setAnchor(CXPoint p)
{
    anchorX = p.x;
    anchorY = p.y;
}

CXRect CGraphicsObject::getRect()
{
    // A script may place a drawable anywhere: the far edges stop at the
    // ends of int instead of wrapping.
    auto edge = [](int from, int size) { return int(std::clamp<int64_t>(int64_t(from) + size, INT_MIN, INT_MAX)); };
    return CXRect(x, y, edge(x, width), edge(y, height));
}

CXRect CGraphicsObject::GetAbsoluteBoundingBox()
{
    CXRect box = getRect();
    if (!clip.IsEmpty())
        box = box.Common(clip + CXPoint(x, y));
    return box;
}

CXRect CGraphicsObject::GetBoundingBox()
{
    CXRect box = getRect();
    if (box.left < 0)
        box.left = 0;
    if (box.top < 0)
        box.top = 0;
    if (destiny) {
        int dw = destiny->Width(), dh = destiny->Height();
        if (box.right > dw)
            box.right = dw;
        if (box.bottom > dh)
            box.bottom = dh;
    }
    if (!clip.IsEmpty())
        box = box.Common(clip + CXPoint(x, y));
    return box;
}

bool CGraphicsObject::isNear(CXRect r, int percent)
{
    CXRect box = GetBoundingBox();
    if (!hasArea(box))
        return false;
    CXRect common = box.Common(r);
    double inside = hasArea(common) ? double(common.Width()) * common.Height() : 0.0;
    return 100.0 * inside / (double(box.Width()) * box.Height()) >= percent;
}

bool CGraphicsObject::isNear(CGraphicsObject* other, int percent)
{
    return other ? isNear(other->GetBoundingBox(), percent) : false;
}

bool CGraphicsObject::testHit(CXPoint p)
{
    if (!GetBoundingBox().IsInRect(p))
        return false;
    if (!alpha)
        return true;
    return GetPixel(CHANNEL_ALPHA, ClientCoords(p)) != 0;
}

bool CGraphicsObject::isAt(CXPoint p, bool pixelExact)
{
    if (!GetBoundingBox().IsInRect(p))
        return false;
    return !pixelExact || testHit(p);
}

bool CGraphicsObject::isInside(int px, int py, bool pixelExact)
{
    CXRect box = GetBoundingBox();
    if (!box.IsInRect(px, py))
        return false;
    if (!pixelExact || !alpha)
        return true;
    return GetPixel(CHANNEL_ALPHA, CXPoint(px - box.left, py - box.top)) > 0;
}

// Visibility and invalidation

void CGraphicsObject::Visible(bool on)
{
    if (!window)
        return;
    visible = on;
    Invalidate();
}

void CGraphicsObject::Invalidate()
{
    CXRect box = GetBoundingBox();
    if (screen)
        screen->invalidateArea(&box);
    notifyInvalidate(&box);
    invalidated = true;
}

void CGraphicsObject::Invalidate(CXRect* r)
{
    if (!r) {
        Invalidate();
        return;
    }
    CXRect box = GetBoundingBox().Common(*r);
    if (box.IsEmpty())
        return;
    if (screen)
        screen->invalidateArea(&box);
    notifyInvalidate(&box);
    invalidated = true;
}

void CGraphicsObject::notifyInvalidate(CXRect* r)
{
    for (int i = 0; observers && i < observers->getSize(); ++i) {
        CInvalidateObserver* o = static_cast<CInvalidateObserver*>((*observers)[i]);
        o->onInvalidate(this, r);
        // An observer that took itself out moved the next one to i.
        if (observers && i < observers->getSize() && (*observers)[i] != o)
            --i;
    }
}

void CGraphicsObject::addInvalidateObserver(CInvalidateObserver* observer)
{
    if (observer && observers && !observers->contains(observer))
        observers->add(observer);
}

void CGraphicsObject::removeInvalidateObserver(CInvalidateObserver* observer)
{
    if (observers)
        observers->remove(observer);
}

bool CGraphicsObject::isInvalidated()
{
    bool was = invalidated;
    invalidated = false;
    return was;
}

// Children

void CGraphicsObject::addObject(CGraphicsObject* child, int)
{
    // A drawable drawn onto itself would hear of its own invalidations
    // without end.
    if (!child || child == this)
        return;
    if (!children)
        children = new CValidationQuene();
    if (!children->find(child)) {
        // Children are drawn in the order they were added.
        children->add(child, 0);
        child->addInvalidateObserver(this);
    }
    // Only plain 15/16-bit pixels are copied: packed data or other depths
    // are not width x height words long.
    if (!background && data && compression == COMPRESSION_NONE && (bpp == 15 || bpp == 16) &&
        blockBytes(width, height, 2) > 0)
        background = new CDataBuffer2Dim(data, CXSize(width, height), 2);
}

void CGraphicsObject::removeObject(CGraphicsObject* child)
{
    if (!children || !children->find(child))
        return;
    children->remove(child);
    // A child let go of no longer reports to this drawable, which may be
    // gone before it.
    child->removeInvalidateObserver(this);
    if (children->getSize() == 0) {
        delete children;
        children = nullptr;
        delete background;
        background = nullptr;
    }
}

void CGraphicsObject::removeAllObjects()
{
    if (!children)
        return;
    for (int i = 0; i < children->getSize(); ++i)
        children->elementAt(i)->drawable->removeInvalidateObserver(this);
    delete children;
    children = nullptr;
}

void CGraphicsObject::onInvalidate(CGraphicsObject*, CXRect* rect) { Invalidate(rect); }

void CGraphicsObject::onDestroy(CGraphicsObject* source)
{
    removeInvalidateObserver(source);
    removeObject(source);
}

void CGraphicsObject::restoreImage()
{
    // The copy is put back only over pixels of the size and form it was
    // taken from.
    if (background && data && compression == COMPRESSION_NONE && (bpp == 15 || bpp == 16) &&
        background->getWidth() == width && background->getHeight() == height)
        std::memcpy(data, background->getBuffer(), size_t(width) * height * 2);
}

void CGraphicsObject::Redraw()
{
    restoreImage();
    if (children)
        for (int i = 0; i < children->getSize(); ++i)
            children->elementAt(i)->drawable->redraw(this);
    if (destiny)
        redraw(destiny);
}

namespace {
int drawsUnderWay = 0;
std::vector<CGraphicsObject*>& drawnToDelete()
{
    static auto* list = new std::vector<CGraphicsObject*>;
    return *list;
}
} // namespace

CGraphicsObject::Drawing::Drawing() { ++drawsUnderWay; }

// Deleting one may end draws of its own (a canvas's children): each is taken
// from the list before it goes.
CGraphicsObject::Drawing::~Drawing()
{
    if (--drawsUnderWay > 0)
        return;
    std::vector<CGraphicsObject*>& waiting = drawnToDelete();
    while (!waiting.empty()) {
        CGraphicsObject* drawable = waiting.back();
        waiting.pop_back();
        delete drawable;
    }
}

void CGraphicsObject::deleteWhenDrawn(CGraphicsObject* drawable)
{
    if (!drawable)
        return;
    if (drawsUnderWay == 0) {
        delete drawable;
        return;
    }
    drawable->Visible(false);
    drawnToDelete().push_back(drawable);
}
