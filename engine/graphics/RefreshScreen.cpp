#include "graphics/RefreshScreen.h"

#include "base/FileReport.h"
#include "graphics/ImageFile.h"
#include "graphics/ListSnapshot.h"
#include "graphics/Surface.h"
#include "graphics/ValidationQuene.h"
#include "graphics/Window.h"
#include "graphics/WindowLayers.h"
#include "script/Scene.h"

// CRefreshScreen

CRefreshScreen::CRefreshScreen(CWindow* owner, bool local)
    : CGraphicsObject(owner), currentDestination(nullptr), screenFlags(0), useLocalSurface(local), frameCounter(0),
      captured(nullptr), localSurface(nullptr), regions(new CRefreshRegion()), canvasObservers(nullptr),
      fileBackground(nullptr), notifyEnabled(false), backgroundManager(nullptr),
      refreshList(new CValidationQuene()), redrawing(0), wholeNextFrame(false)
{
    if (owner) {
        CXSize size = owner->GetScreenSize();
        width = size.cx;
        height = size.cy;
        bpp = owner->GetSurface() ? owner->GetSurface()->GetBPP() : 16;
    }
    pitch = width;
    if (CWindow::layers().makeBackground)
        backgroundManager = CWindow::layers().makeBackground(owner, this);
    if (useLocalSurface) {
        localSurface = new CDirectDrawSurface(owner, nullptr, CXSize(width, height), bpp);
        ownsPixels = false;
        data = localSurface->GetDataPtr();
        pitch = localSurface->GetPitch();
    }
}

CRefreshScreen::~CRefreshScreen()
{
    if (backgroundManager)
        backgroundManager->SetBackground(static_cast<CGraphicsObject*>(nullptr));
    _release();
    delete regions;
    regions = nullptr;
    delete backgroundManager;
    backgroundManager = nullptr;
    Empty();
    delete refreshList;
    refreshList = nullptr;
    delete canvasObservers;
    canvasObservers = nullptr;
    delete fileBackground;
    fileBackground = nullptr;
    data = nullptr;
    delete localSurface;
    localSurface = nullptr;
}

void CRefreshScreen::letGo(CGraphicsObject* drawable)
{
    if (drawable->GetCanvas() == this)
        drawable->SetCanvas(nullptr);
    // The frame's destination may go before the drawable (a new display
    // mode): a drawable off the screen no longer points at it.
    if (currentDestination && drawable->GetDestiny() == currentDestination)
        drawable->SetDestiny(nullptr);
}

void CRefreshScreen::put(CGraphicsObject* drawable, int priority)
{
    if (!drawable || refreshList->find(drawable))
        return;
    drawable->SetCanvas(this);
    refreshList->add(drawable, priority);
    Invalidate(drawable);
}

CRefreshScreen& CRefreshScreen::operator>>(CGraphicsObject* drawable)
{
    if (drawable && refreshList && refreshList->find(drawable)) {
        refreshList->remove(drawable);
        letGo(drawable);
    }
    return *this;
}

void CRefreshScreen::SetPriority(CGraphicsObject* drawable, int priority)
{
    if (!drawable || !refreshList->find(drawable))
        return;
    refreshList->remove(drawable);
    refreshList->add(drawable, priority);
}

int CRefreshScreen::GetPriority(CGraphicsObject* drawable)
{
    CValidationElement* e = drawable ? refreshList->find(drawable) : nullptr;
    return e ? e->priority : -1;
}

int CRefreshScreen::getIndex(CGraphicsObject* drawable) { return refreshList->getIndex(drawable); }

bool CRefreshScreen::SetFlags(CGraphicsObject* drawable, int value)
{
    if (!drawable) {
        screenFlags = value;
        return true;
    }
    CValidationElement* e = refreshList->find(drawable);
    if (!e)
        return false;
    e->flags = value;
    return true;
}

int CRefreshScreen::GetFlags(CGraphicsObject* drawable)
{
    if (!drawable)
        return screenFlags;
    CValidationElement* e = refreshList->find(drawable);
    return e ? e->flags : 0;
}

void CRefreshScreen::Invalidate(CXRect* rect)
{
    CXRect area(0, 0, width, height);
    if (rect) {
        area = rect->Common(area);
        if (area.IsEmpty())
            return;
    }
    regions->add(&area);
}

void CRefreshScreen::Invalidate(CGraphicsObject* drawable)
{
    if (!drawable || !drawable->IsVisible() || !refreshList->find(drawable))
        return;
    CXRect box = drawable->GetBoundingBox();
    Invalidate(&box);
}

void CRefreshScreen::Empty()
{
    if (!refreshList)
        return;
    for (int i = 0; i < refreshList->getSize(); ++i)
        letGo(refreshList->elementAt(i)->drawable);
    refreshList->removeAll();
}

void CRefreshScreen::Visible(bool on)
{
    for (int i = 0; i < refreshList->getSize(); ++i)
        refreshList->elementAt(i)->drawable->Visible(on);
}

namespace {
struct RedrawScope {
    explicit RedrawScope(int* d) : depth(d)
    {
        if (depth)
            ++*depth;
    }
    ~RedrawScope()
    {
        if (depth)
            --*depth;
    }
    RedrawScope(const RedrawScope&) = delete;
    RedrawScope& operator=(const RedrawScope&) = delete;
    int* depth;
};
} // namespace

void CRefreshScreen::Redraw()
{
    RedrawScope scope(&redrawing);
    if (localSurface)
        __redraw(localSurface);
}

bool CRefreshScreen::unitFrame(CRefreshScreen* screen, CWindow* window)
{
    CMC_ScreenUnit* unit = CMC_Scene::getDefUnit();
    if (!unit)
        return false;
    if (unit->wasInitiallyUpdated()) {
        unit->onFrameUpdate();
        return false;
    }
    RedrawScope scope(screen ? &screen->redrawing : nullptr);
    if (screen)
        screen->notify(NOTIFY_INITIAL_UPDATE);
    unit->onInitialUpdate();
    if (window)
        window->Invalidate();
    return true;
}

bool CRefreshScreen::Redraw(CDirectDrawSurface* destination, CSurface*, bool* fullRefresh)
{
    RedrawScope scope(&redrawing);
    const bool initial = unitFrame(this, window);
    if (initial && fullRefresh)
        *fullRefresh = true;
    CMC_ScreenUnit* unit = CMC_Scene::getDefUnit();
    bool drawn = false;
    if (destination && (!unit || unit->wasInitiallyUpdated()))
        drawn = __redraw(destination);
    if (initial)
        notify(NOTIFY_INITIAL_UPDATED);
    if (wholeNextFrame) {
        wholeNextFrame = false;
        if (fullRefresh)
            *fullRefresh = true;
        else
            Invalidate();
    }
    return drawn;
}

bool CRefreshScreen::__redraw(CDirectDrawSurface* destination)
{
    CGraphicsObject::Drawing drawing;
    const bool hadRegions = regions->getSize() > 0;
    const bool whole = regions->isWholeScreen();
    ++frameCounter;
    currentDestination = destination;
    if (backgroundManager)
        backgroundManager->Redraw(destination, regions);
    if (refreshList->getSize() > 0)
        notify(NOTIFY_UPDATE);
    destination->SetDataPtr(nullptr);
    destination->GetDataPtr();

    const CXRect screenArea(0, 0, width, height);
    // A drawable's Redraw may change the list: the walk keeps the element
    // it is at, and a drawable taken off is not drawn again.
    CValidationQuene::Walk walk = refreshList->walk();
    while (CValidationElement* element = walk.next()) {
        CGraphicsObject* d = element->drawable;
        if (d->IsVisible() && d->isInvalidated()) {
            // Changed since the last frame: drawn once, whole.
            CXRect box = d->GetBoundingBox().Common(screenArea);
            if (!box.IsEmpty()) {
                CXRect kept = d->GetClippingRect();
                d->SetClippingRect(box - d->GetPosition());
                d->SetDestiny(destination);
                d->Redraw();
                d->SetClippingRect(kept);
            }
            continue;
        }
        // Unchanged: drawn where the dirty regions meet it, until one
        // region covered it whole.
        for (int k = 0; k < regions->getSize() && !walk.isTakenOut() && d->IsVisible(); ++k) {
            CXRect* entry = regions->rectAt(k);
            CXRect box = d->GetBoundingBox();
            CXRect part = entry ? entry->Common(box) : box;
            if (element->mark || !(whole || !part.IsEmpty()))
                continue;
            // A clipping rectangle of the drawable's own is narrowed to the
            // region too: drawn whole, it would cover what lies over it
            // outside the region and blend again into regions already drawn.
            CXRect kept = d->GetClippingRect();
            CXRect clip = part - d->GetPosition();
            if (!kept.IsEmpty()) {
                clip = kept.Common(clip);
                if (clip.IsEmpty())
                    continue;
            }
            d->SetDestiny(destination);
            d->SetClippingRect(clip);
            d->Redraw();
            d->SetClippingRect(kept);
            if (d->Width() == part.Width() && d->Height() == part.Height())
                element->mark = true;
        }
    }

    if (refreshList->getSize() > 0)
        notify(NOTIFY_UPDATED);
    refreshList->clearMarks();
    if ((screenFlags & FLAG_GRAY_SCALE) && CWindow::layers().toGrayScale)
        CWindow::layers().toGrayScale(destination);
    return hadRegions;
}

CGraphicsObject* CRefreshScreen::getGraphicsAt(int px, int py, bool visibleOnly, int minPriority, int maxPriority,
                                               bool ignoreAlpha)
{
    CGraphicsObject* best = nullptr;
    int bestPriority = -1;
    for (CValidationElement* e = refreshList->first(); e; e = refreshList->next()) {
        if ((minPriority >= 0 && e->priority < minPriority) || (maxPriority >= 0 && e->priority > maxPriority))
            continue;
        CGraphicsObject* d = e->drawable;
        if (visibleOnly && !d->IsVisible())
            continue;
        if (!d->GetBoundingBox().IsInRect(px, py))
            continue;
        if (!ignoreAlpha && d->GetChannelAlpha() && d->GetPixel(CHANNEL_ALPHA, d->ClientCoords(CXPoint(px, py))) == 0)
            continue;
        if (e->priority >= bestPriority) {
            best = d;
            bestPriority = e->priority;
        }
    }
    return best;
}

void CRefreshScreen::addNotifier(CCanvasObserver* observer)
{
    if (!canvasObservers)
        canvasObservers = new CXArray(101, 0.75f);
    canvasObservers->add(observer);
}

void CRefreshScreen::removeNotifier(CCanvasObserver* observer)
{
    if (canvasObservers)
        canvasObservers->remove(observer);
}

void CRefreshScreen::notify(int code)
{
    if ((!notifyEnabled && code != NOTIFY_INITIAL_UPDATED) || !canvasObservers)
        return;
    CListSnapshot walk;
    CListSnapshot::of(*canvasObservers, walk);
    for (int i = 0; i < walk.size(); ++i) {
        if (!canvasObservers->contains(walk[i]))
            continue;
        CCanvasObserver* o = static_cast<CCanvasObserver*>(walk[i]);
        switch (code) {
        case NOTIFY_INITIAL_UPDATE:
            o->onInitialUpdate();
            break;
        case NOTIFY_UPDATE:
            o->onUpdate();
            break;
        case NOTIFY_UPDATED:
            o->onUpdated();
            break;
        case NOTIFY_FOCUS_ON:
            o->onFocusOn();
            break;
        case NOTIFY_FOCUS_OFF:
            o->onFocusOff();
            break;
        case NOTIFY_INITIAL_UPDATED:
            o->onInitialUpdated();
            break;
        default:
            break;
        }
    }
}

void CRefreshScreen::SetBackground(CGraphicsObject* drawable)
{
    if (backgroundManager)
        backgroundManager->SetBackground(drawable);
}

void CRefreshScreen::SetBackground(CColor* colour)
{
    if (backgroundManager)
        backgroundManager->SetBackground(colour);
}

void CRefreshScreen::SetBackground(CXString fileName)
{
    CImageFile file(window);
    const _filetype type = file.Load(fileName);
    if (type == FILETYPE_NONE && fileName.IsString())
        CFileReport::failed(window, "picture", fileName,
                            "cannot be shown: the engine reads .img, .jpg, .tga and .psd pictures");
    CGraphicsObject* image = file.getObject();
    dropFileBackground();
    fileBackground = image;
    // A document of layers shows its selected one.
    if (image && image->LastError() == 0)
        SetBackground(type == FILETYPE_PSD ? image->getDrawn() : image);
}

void CRefreshScreen::setBackground(CDirectDrawSurface* surface)
{
    if (backgroundManager)
        backgroundManager->setBackground(surface);
    else
        delete surface;
}

void CRefreshScreen::dropFileBackground()
{
    // The background surface must not be redrawn later from an image that
    // is gone.
    CDirectDrawSurface* shown = getBackgroundIfc();
    if (shown && fileBackground &&
        (shown->getApplied() == fileBackground || shown->getApplied() == fileBackground->getDrawn()))
        shown->applyToRestore(nullptr);
    delete fileBackground;
    fileBackground = nullptr;
}

void CRefreshScreen::flush() { dropFileBackground(); }

CDirectDrawSurface* CRefreshScreen::getBackgroundIfc()
{
    return backgroundManager ? backgroundManager->getBackground() : nullptr;
}

void CRefreshScreen::validate() { regions->clear(); }

int CRefreshScreen::Save(CXString fileName, _compression kind)
{
    return currentDestination ? currentDestination->Save(fileName, kind) : 0;
}

void CRefreshScreen::_release()
{
    delete captured;
    captured = nullptr;
}
