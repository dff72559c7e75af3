#include "graphics/Canvas.h"

#include "graphics/DrawableState.h"
#include "graphics/PixelBlock.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ValidationQuene.h"
#include "graphics/Window.h"

#include <algorithm>
#include <cstring>

int CCanvas::invalidationLimit = 10;

namespace {

CRefreshScreen* refreshScreenOf(CWindow* window) { return window ? window->GetRefreshScreenInterface() : nullptr; }

// The alpha byte of a brush at (bx, by) of its own pixels.
unsigned char brushAlpha(CGraphicsObject* brush, int bx, int by)
{
    if (brush->GetCompression() == COMPRESSION_NONE)
        return static_cast<unsigned char>(brush->GetChannelAlpha()[int64_t(by) * brush->Width() + bx]);
    return brush->GetPixel(CHANNEL_ALPHA, CXPoint(bx, by));
}

} // namespace

CCanvas::CCanvas(CWindow* owner, CXSize size, int depth, bool withAlpha, bool withBackground)
    : CGraphicsObject(owner, size, depth), entries(new CValidationQuene()), backgroundObject(nullptr), invalidations(0)
{
    if (withAlpha)
        alpha = zeroedBlock(blockBytes(width, height, 1));
    if (withBackground) {
        backgroundObject = new CGraphicsObject(owner, size, depth);
        if (withAlpha)
            backgroundObject->AlphaChannel(zeroedBlock(blockBytes(width, height, 1)));
        add(backgroundObject, 0);
    }
}

CCanvas::~CCanvas()
{
    // Its destruction reaches onDestroy, which lets go of its entry.
    delete backgroundObject;
    backgroundObject = nullptr;
    letGoOfAll();
    delete entries;
    entries = nullptr;
}

void CCanvas::add(CGraphicsObject* o, int priority)
{
    if (!o || o == this || entries->find(o))
        return;
    entries->add(o, priority);
    o->addInvalidateObserver(this);
    o->SetDestiny(this);
    o->SetAutoClip(true);
    o->Invalidate();
}

void CCanvas::remove(CGraphicsObject* o)
{
    if (!o || !entries->find(o))
        return;
    entries->remove(o);
    letGo(o);
}

// The canvas may go before the drawable, which must not keep pointing at it.
void CCanvas::letGo(CGraphicsObject* o)
{
    o->removeInvalidateObserver(this);
    if (o->GetDestiny() == this)
        o->SetDestiny(nullptr);
}

// One pass over the entries, then the list emptied at once: the cost of
// each entry does not grow with their number. Letting go calls nothing
// back, so the pass need not be in drawing order.
void CCanvas::letGoOfAll()
{
    entries->forEachUnordered([this](CValidationElement& element) { letGo(element.drawable); });
    entries->removeAll();
}

void CCanvas::removeAll()
{
    letGoOfAll();
    if (backgroundObject)
        add(backgroundObject, -1);
}

void CCanvas::clearArea(CGraphicsObject* target, const CXRect& area)
{
    const CXRect r = area.Common(CXRect(0, 0, target->Width(), target->Height()));
    if (!hasArea(r) || target->GetCompression() != COMPRESSION_NONE)
        return;
    if (char* pixels = target->GetDataPtr()) {
        const int size = __get_pixel_size(target->GetBpp());
        const int64_t pitch = int64_t(std::max(target->GetPitch(), target->Width())) * size;
        for (int row = r.top; row < r.bottom; ++row)
            std::memset(pixels + row * pitch + int64_t(r.left) * size, 0, size_t(r.Width()) * size);
    }
    if (char* plane = target->GetChannelAlpha())
        for (int row = r.top; row < r.bottom; ++row)
            std::memset(plane + int64_t(row) * target->Width() + r.left, 0, size_t(r.Width()));
}

void CCanvas::clear(bool alsoBackground)
{
    const CXRect area = clip.IsEmpty() ? CXRect(0, 0, width, height) : clip;
    clearArea(this, area);
    if (alsoBackground && backgroundObject)
        clearArea(backgroundObject, area);
}

void CCanvas::Redraw()
{
    if (drawing)
        return;
    Drawing underWay;
    drawing = true;
    clear(false);
    const bool clipped = !clip.IsEmpty();
    // A drawable's Redraw may change the list (a listed canvas going away):
    // the walk goes on from the element it is at.
    CValidationQuene::Walk walk = entries->walk();
    while (CValidationElement* element = walk.next()) {
        CGraphicsObject* d = element->drawable;
        if (!d->IsVisible())
            continue;
        d->SetDestiny(this);
        const CXRect part = d->GetBoundingBox().Common(clip);
        if (clipped && !hasArea(part))
            continue;
        const CXRect kept = d->GetClippingRect();
        if (clipped)
            d->SetClippingRect(part - d->GetPosition());
        d->Redraw();
        d->SetClippingRect(kept);
    }
    CGraphicsObject::Redraw();
    invalidations = 0;
    drawing = false;
}

void CCanvas::invalidateOnScreen(CXRect area)
{
    if (CRefreshScreen* screenNow = refreshScreenOf(window))
        screenNow->Invalidate(&area);
}

void CCanvas::onInvalidate(CGraphicsObject*, CXRect* rect)
{
    ++invalidations;
    if (invalidations < invalidationLimit) {
        invalidateOnScreen((rect ? *rect : CXRect(0, 0, width, height)) + CXPoint(x, y));
    } else if (!invalidated) {
        // A busy canvas is drawn again whole once rather than flooding the
        // dirty regions with small rectangles.
        Invalidate();
    }
}

void CCanvas::onDestroy(CGraphicsObject* source)
{
    remove(source);
    CGraphicsObject::onDestroy(source);
}

void CCanvas::draw(CGraphicsObject* o, int px, int py)
{
    if (!o || o == this || !backgroundObject || o == backgroundObject)
        return;
    CDrawableState kept(o);
    o->SetAutoClip(true);
    o->SetClippingRect(CXRect());
    o->setPosition(px, py);
    o->SetDestiny(backgroundObject);
    o->Redraw();
    kept.restore();
    invalidateOnScreen(CXRect(x + px, y + py, x + px + o->Width(), y + py + o->Height()));
}

void CCanvas::erase(CGraphicsObject* brush, int px, int py)
{
    if (!brush || !brush->GetChannelAlpha())
        return;
    const int64_t right = std::min<int64_t>(int64_t(px) + brush->Width(), width);
    const int64_t bottom = std::min<int64_t>(int64_t(py) + brush->Height(), height);
    const CXRect area(std::max(px, 0), std::max(py, 0), int(std::max<int64_t>(right, 0)),
                      int(std::max<int64_t>(bottom, 0)));
    if (!hasArea(area))
        return;
    char* planes[2] = {alpha, nullptr};
    if (backgroundObject && backgroundObject->Width() == width && backgroundObject->Height() == height &&
        backgroundObject->GetCompression() == COMPRESSION_NONE)
        planes[1] = backgroundObject->GetChannelAlpha();
    for (int cy = area.top; cy < area.bottom; ++cy)
        for (int cx = area.left; cx < area.right; ++cx) {
            const unsigned char b = brushAlpha(brush, cx - px, cy - py);
            for (char* plane : planes) {
                if (!plane)
                    continue;
                unsigned char& a = reinterpret_cast<unsigned char&>(plane[int64_t(cy) * width + cx]);
                a = a > b ? static_cast<unsigned char>(a - b) : 0;
            }
        }
    invalidateOnScreen(area + CXPoint(x, y));
}

void CCanvas::capture()
{
    if (!backgroundObject)
        return;
    const unsigned char keptOpacity = opacity;
    const CXPoint keptPosition(x, y);
    remove(backgroundObject);
    SetDestiny(backgroundObject);
    x = y = 0;
    opacity = 255;
    Redraw();
    x = keptPosition.x;
    y = keptPosition.y;
    opacity = keptOpacity;
    SetDestiny(refreshScreenOf(window));
    removeAll();
}

CXObject* CCanvas::clone()
{
    CCanvas* copy = new CCanvas(window, CXSize(width, height), bpp, alpha != nullptr, backgroundObject != nullptr);
    for (int i = 0; i < entries->getSize(); ++i) {
        CValidationElement* e = entries->elementAt(i);
        if (e->drawable != backgroundObject)
            copy->add(e->drawable, e->priority);
    }
    CRefreshScreen* screenNow = refreshScreenOf(window);
    if (screenNow && screenNow->getIndex(this) >= 0)
        screenNow->put(copy, screenNow->GetPriority(this));
    return copy;
}
