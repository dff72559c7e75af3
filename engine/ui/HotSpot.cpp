#include "ui/HotSpot.h"

#include "base/PriorityList.h"
#include "graphics/GraphicsObject.h"
#include "graphics/ListSnapshot.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "ui/ControlUnit.h"

CHotSpotList* CHotSpot::registry = nullptr;
CWindow* CHotSpot::window = nullptr;
int CHotSpot::minPriority = 0;
int CHotSpot::maxPriority = 10000000;
unsigned CHotSpot::removals = 0;

CHotSpot::CHotSpot(CWindow* w) : activeRect(nullptr)
{
    initialize(w);
    setUp(0, 0, nullptr, true);
}

CHotSpot::CHotSpot(CWindow* w, _event mask, int argument) : activeRect(nullptr)
{
    initialize(w);
    setUp(mask, argument, nullptr, true);
}

CHotSpot::CHotSpot(CWindow* w, CHotSpot* spot, _event mask, int argument, CMC_Button* b) : activeRect(nullptr)
{
    initialize(w);
    setUp(mask, argument, b, spot == nullptr);
}

void CHotSpot::setUp(_event mask, int argument, CMC_Button* b, bool registered)
{
    userData = nullptr;
    id = -1;
    activeRect = new CXRect();
    shape = nullptr;
    eventArgument = argument;
    eventMask = mask;
    enabled = true;
    cursor = true;
    focus = false;
    unit = nullptr;
    priority = 0;
    button = b;
    if (registered)
        add(this);
}

CHotSpot::~CHotSpot()
{
    delete activeRect;
    remove(this);
    ++removals;
}

void CHotSpot::initialize(CWindow* w)
{
    if (!window)
        window = w;
    if (!registry)
        registry = new CHotSpotList();
}

void CHotSpot::done()
{
    delete registry;
    registry = nullptr;
    // The window's release comes here: the window is going.
    window = nullptr;
}

bool CHotSpot::add(CHotSpot* spot)
{
    if (registry)
        registry->add(spot, 0, spot);
    return true;
}

bool CHotSpot::remove(CHotSpot* spot)
{
    if (registry) {
        registry->remove(spot);
        ++removals;
    }
    return true;
}

bool CHotSpot::stillThere(CHotSpotList* list, CHotSpot* spot, unsigned removalsAtStart)
{
    return removals == removalsAtStart || (list && list->contains(spot));
}

// The handlers of the base: nothing takes an event.

int CHotSpot::OnMouseMove(CXPoint, int, void*) { return 0; }
int CHotSpot::OnLButtonDown(CXPoint, int, void*) { return 0; }
int CHotSpot::OnLButtonUp(CXPoint, int, void*) { return 0; }
int CHotSpot::OnRButtonDown(CXPoint, int, void*) { return 0; }
int CHotSpot::OnRButtonUp(CXPoint, int, void*) { return 0; }
int CHotSpot::OnMButtonDown(CXPoint, int, void*) { return 0; }
int CHotSpot::OnMButtonUp(CXPoint, int, void*) { return 0; }
int CHotSpot::OnLButtonDblClk(CXPoint, int, void*) { return 0; }
int CHotSpot::OnChar(int, int, void*) { return 0; }
int CHotSpot::OnKeyDown(int, int, void*) { return 0; }
int CHotSpot::OnKeyUp(int, int, void*) { return 0; }
int CHotSpot::OnDrag(CXPoint, int, void*) { return 0; }
int CHotSpot::OnFocusOn(CXPoint, int, void*) { return 0; }
int CHotSpot::OnFocusOff(CXPoint, int, void*) { return 0; }
int CHotSpot::OnKeyTyped(int, void*) { return 0; }

int CHotSpot::getPriority()
{
    if (!shape)
        return priority;
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    return screen ? screen->GetPriority(shape) : -1;
}

int CHotSpot::Set(CGraphicsObject* s, _event, int)
{
    shape = s;
    *activeRect = CXRect();
    return 0;
}

int CHotSpot::SetActiveRect(CXRect rect, _event, int)
{
    *activeRect = rect;
    shape = nullptr;
    return 0;
}

bool CHotSpot::TestHit(CXPoint p)
{
    if (!enabled)
        return false;
    if (!activeRect->IsEmpty())
        return activeRect->IsInRect(p);
    return shape && shape->testHit(p);
}

void CHotSpot::Enable(bool on)
{
    if (enabled && !on && !focus && cursor && window)
        window->EndActiveCursor();
    enabled = on;
}

void CHotSpot::endCursor()
{
    if (cursor && window)
        window->EndActiveCursor();
    focus = false;
}

bool CHotSpot::inWindow()
{
    const int p = getPriority();
    return minPriority <= p && p <= maxPriority;
}

// The dispatch

int CHotSpot::OnMouseEvent(_event kind, CXPoint p, int flags)
{
    switch (kind) {
    case CWindow::HOTSPOT_MOVE: return OnMouseMove(registry, p, flags, true);
    case CWindow::HOTSPOT_LDOWN: return OnLButtonDown(registry, p, flags, true);
    case CWindow::HOTSPOT_LUP: return OnLButtonUp(registry, p, flags, true);
    case CWindow::HOTSPOT_RDOWN: return OnRButtonDown(registry, p, flags, true);
    case CWindow::HOTSPOT_RUP:
    case CWindow::HOTSPOT_MDOWN:
    case CWindow::HOTSPOT_MUP:
    case CWindow::HOTSPOT_LDBLCLK: return 0;
    default: return flags;
    }
}

int CHotSpot::OnChar(int, int) { return 0; }
int CHotSpot::OnKeyDown(int, int) { return 0; }
int CHotSpot::OnKeyUp(int, int) { return 0; }

// No handler runs here, so the list is read as it is.
CHotSpot* CHotSpot::findAt(CHotSpotList* list, CXPoint p)
{
    if (!list)
        return nullptr;
    int best = -1;
    CHotSpot* found = nullptr;
    for (int i = 0; i < list->getSize(); ++i) {
        CHotSpot* spot = list->at(i);
        if (!spot->TestHit(p) || (spot->unit && !spot->unit->isActive()))
            continue;
        const int priority = spot->getPriority();
        if (priority < minPriority || priority > maxPriority)
            continue;
        if (priority > best) {
            best = priority;
            found = spot;
        }
    }
    return found;
}

// The walks run over a copy of the list, so that a handler may add or
// remove spots; a spot removed meanwhile is not visited. Each spot that
// pick accepts is told, until one answers above 0; the last answer.
template <class Pick, class Tell>
int CHotSpot::walkUntilTaken(CHotSpotList* list, Pick pick, Tell tell)
{
    const bool isRegistry = list == registry;
    int result = 0;
    CListSnapshot walk;
    CListSnapshot::of(*list, walk);
    const unsigned start = removals;
    for (int i = 0; i < walk.size(); ++i) {
        CHotSpot* spot = static_cast<CHotSpot*>(walk[i]);
        if (!stillThere(live(list, isRegistry), spot, start) || !pick(spot))
            continue;
        result = tell(spot);
        if (result > 0)
            break;
    }
    return result;
}

int CHotSpot::OnMouseMove(CHotSpotList* list, CXPoint p, int flags, bool)
{
    if (!list)
        return 0;
    const bool isRegistry = list == registry;
    // The spots the cursor left lose their focus first.
    const int result = walkUntilTaken(
        list, [p](CHotSpot* s) { return s->enabled && s->focus && s->inWindow() && !s->TestHit(p); },
        [p, flags](CHotSpot* s) {
            s->endCursor();
            return s->OnFocusOff(p, flags, s->userData);
        });
    // The focus handlers may have changed the list meanwhile.
    list = live(list, isRegistry);
    CHotSpot* spot = findAt(list, p);
    if (!spot || !spot->TestHit(p))
        return result;
    if ((!spot->unit || spot->unit->isActive()) && spot->cursor && window)
        window->BeginActiveCursor();
    if (!spot->enabled)
        return result;
    if (spot->focus)
        return spot->OnMouseMove(p, flags, spot->userData);
    spot->focus = true;
    const unsigned before = removals;
    spot->OnMouseMove(p, flags, spot->userData);
    if (!stillThere(live(list, isRegistry), spot, before))
        return 0;
    return spot->OnFocusOn(p, flags, spot->userData);
}

int CHotSpot::OnLButtonDown(CHotSpotList* list, CXPoint p, int flags, bool) { return leftButton(list, p, flags, true); }

int CHotSpot::OnLButtonUp(CHotSpotList* list, CXPoint p, int flags, bool) { return leftButton(list, p, flags, false); }

// A press gives the spot the focus, a release ends it.
int CHotSpot::leftButton(CHotSpotList* list, CXPoint p, int flags, bool down)
{
    CHotSpot* spot = findAt(list, p);
    if (!spot || !spot->enabled || !spot->TestHit(p))
        return 0;
    spot->focus = down;
    return down ? spot->OnLButtonDown(p, flags, spot->userData) : spot->OnLButtonUp(p, flags, spot->userData);
}

int CHotSpot::OnRButtonDown(CHotSpotList* list, CXPoint p, int flags, bool)
{
    if (!list)
        return 0;
    return walkUntilTaken(
        list, [p](CHotSpot* s) { return s->enabled && s->TestHit(p); },
        [p, flags](CHotSpot* s) {
            if (s->cursor && window)
                window->EndActiveCursor();
            s->focus = true;
            return s->OnRButtonDown(p, flags, s->userData);
        });
}
