#include "graphics/Background.h"

#include "graphics/Color.h"
#include "graphics/PixelBlock.h"
#include "graphics/Surface.h"
#include "graphics/Window.h"

#include <algorithm>

namespace {

// One stretch of the background along an axis: background coordinates
// from..to land on the screen from at on.
struct Span {
    int from, to, at;
};

// The stretches that fill the screen's length along an axis from the
// offset: one, or two when the window passes the background's far edge
// (then the second begins at the background's start). `turn` is the
// offset past which the window is split.
int spans(Span* out, bool wraps, int offset, int length, int screenLength, int turn)
{
    if (!wraps)
        return out[0] = Span{offset, offset + screenLength, 0}, 1;
    if (offset > turn) {
        out[0] = Span{offset, length, 0};
        out[1] = Span{0, offset - length + screenLength, length - offset};
        return 2;
    }
    out[0] = Span{offset, offset + screenLength, 0};
    return 1;
}

// The offset as a place on a length that repeats: 0 .. length - 1.
int wrapped(int offset, int length)
{
    int r = offset % length;
    return r < 0 ? r + length : r;
}

} // namespace

CRefreshScreen::CBackgroundManager::CBackgroundManager(CWindow* owner, CRefreshScreen* refreshScreen)
    : background(nullptr), screen(refreshScreen), window(owner), scrollMode(SCROLL_BOTH)
{
}

CRefreshScreen::CBackgroundManager::~CBackgroundManager() { drop(); }

void CRefreshScreen::CBackgroundManager::drop()
{
    if (!background)
        return;
    if (CGraphicsObject* source = background->getApplied()) {
        source->removeInvalidateObserver(this);
        // Redrawn into the surface after a loss, it was left pointing there.
        if (source->GetDestiny() == background)
            source->SetDestiny(nullptr);
    }
    delete background;
    background = nullptr;
}

void CRefreshScreen::CBackgroundManager::onDestroy(CGraphicsObject* source)
{
    if (background && background->getApplied() == source)
        background->applyToRestore(nullptr);
}

void CRefreshScreen::CBackgroundManager::SetBackground(CColor* colour)
{
    drop();
    const CXSize size = window ? window->GetScreenSize() : CXSize(screen->Width(), screen->Height());
    const int depth = window && window->GetBpp() ? window->GetBpp() : screen->GetBpp();
    background = new CDirectDrawSurface(window, size, depth, false);
    if (!background->GetDirectDrawSurfaceInterface()) {
        drop();
        return;
    }
    CColor grey(7, 7, 7);
    background->Fill(colour ? colour : &grey);
    scrollMode = SCROLL_NONE;
}

void CRefreshScreen::CBackgroundManager::SetBackground(CGraphicsObject* drawable)
{
    drop();
    if (!drawable)
        return;
    const int depth = window && window->GetBpp() ? window->GetBpp() : screen->GetBpp();
    background = new CDirectDrawSurface(window, CXSize(drawable->Width(), drawable->Height()), depth, true);
    if (!background->GetDirectDrawSurfaceInterface()) {
        drop();
        return;
    }
    // The drawable keeps its own destiny: the surface may go before it.
    CGraphicsObject* destiny = drawable->GetDestiny();
    drawable->SetDestiny(background);
    drawable->Redraw();
    drawable->SetDestiny(destiny);
    background->applyToRestore(drawable);
    drawable->addInvalidateObserver(this);
    checkScrollMode();
}

void CRefreshScreen::CBackgroundManager::setBackground(CDirectDrawSurface* surface)
{
    if (surface == background)
        return;
    drop();
    background = surface;
    checkScrollMode();
}

void CRefreshScreen::CBackgroundManager::checkScrollMode()
{
    scrollMode = SCROLL_NONE;
    if (!background)
        return;
    const int bw = background->Width(), bh = background->Height();
    const int sw = screen->Width(), sh = screen->Height();
    if (bw > sw && bh > sh)
        scrollMode = SCROLL_BOTH;
    else if (bh == sh)
        scrollMode = SCROLL_HORIZONTAL;
    else if (bw == sw)
        scrollMode = SCROLL_VERTICAL;
}

void CRefreshScreen::CBackgroundManager::Redraw(CDirectDrawSurface* destination, CRefreshRegion* regions)
{
    if (!background || !destination || !regions)
        return;
    const int bw = background->Width(), bh = background->Height();
    if (bw <= 0 || bh <= 0)
        return;
    const CXPoint position = background->GetPosition();
    const int ox = wrapped(position.x, bw), oy = wrapped(position.y, bh);
    background->SetPosition(ox, oy);
    // A background that does not wrap starts wrapping once it is moved.
    if (scrollMode == SCROLL_NONE) {
        if (ox != 0)
            scrollMode = SCROLL_HORIZONTAL;
        else if (oy != 0)
            scrollMode = SCROLL_VERTICAL;
    }
    const int destinationHeight = destination->Height();
    for (int i = 0; i < regions->getSize(); ++i) {
        CXRect* entry = regions->rectAt(i);
        copyParts(destination, entry ? *entry : CXRect(0, 0, screen->Width(), screen->Height()), ox, oy,
                  destinationHeight);
    }
}

void CRefreshScreen::CBackgroundManager::copyParts(CDirectDrawSurface* destination, const CXRect& dirty, int ox,
                                                   int oy, int destinationHeight)
{
    const int bw = background->Width(), bh = background->Height();
    const int sw = screen->Width(), sh = screen->Height();
    const bool horizontal = scrollMode == SCROLL_HORIZONTAL || scrollMode == SCROLL_BOTH;
    const bool vertical = scrollMode == SCROLL_VERTICAL || scrollMode == SCROLL_BOTH;
    // The offset along an axis that does not wrap is not used, except when
    // the background does not wrap at all.
    Span columns[2], rows[2];
    const int nc = spans(columns, horizontal, scrollMode == SCROLL_VERTICAL ? 0 : ox, bw, sw, bw - sw);
    const int nr = spans(rows, vertical, scrollMode == SCROLL_HORIZONTAL ? 0 : oy, bh, sh, bh - destinationHeight);
    for (int c = 0; c < nc; ++c)
        for (int r = 0; r < nr; ++r) {
            // A background smaller than the screen covers only its own size.
            const int right = std::min(columns[c].to, bw), bottom = std::min(rows[r].to, bh);
            const CXRect placed(columns[c].at, rows[r].at, columns[c].at + right - columns[c].from,
                                rows[r].at + bottom - rows[r].from);
            const CXRect part = placed.Common(dirty);
            if (!hasArea(part))
                continue;
            CXRect source(part - CXPoint(columns[c].at - columns[c].from, rows[r].at - rows[r].from));
            destination->Blt(background, part.left, part.top, &source);
        }
}

namespace {
struct Registration {
    Registration()
    {
        CWindow::layers().makeBackground = [](CWindow* window, CRefreshScreen* screen) -> CScreenBackgroundIfc* {
            return new CRefreshScreen::CBackgroundManager(window, screen);
        };
    }
} registration;
} // namespace
