#include "objects/ScriptScroll.h"

#include "base/Archive.h"
#include "graphics/Window.h"
#include "objects/ScrollRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"

#include <algorithm>

CMC_Scroll::CMC_Scroll(CMC_ObjectsContainer* container, CMElement* element) : CMC_Object(container, element, MC_SCROLL)
{
    if (element)
        viewport = element->getPropertyRectValue(CXString("VIEWPORT"));
    initializeBehaviours(container, element);
}

CMC_Scroll::CMC_Scroll() : CMC_Object(CXString("temp"), MC_SCROLL) {}

CMC_Scroll::~CMC_Scroll()
{
    for (CGraphicsObject* g : graphics)
        g->removeInvalidateObserver(this);
}

CXString** CMC_Scroll::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",   "ONDONE", "ONSIGNAL", "ONTOP",
                                        "ONBOTTOM", "ONLEFT", "ONRIGHT",  nullptr};
    return makeEventList(names);
}

void CMC_Scroll::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << viewport.left << viewport.top << viewport.right << viewport.bottom;
        return;
    }
    CXRect r;
    *archive >> &r.left >> &r.top >> &r.right >> &r.bottom;
    if (!archive->LastError())
        viewport = r;
}

CGraphicsObject* CMC_Scroll::getAt(int index) const
{
    return index >= 0 && index < getSize() ? graphics[size_t(index)] : nullptr;
}

void CMC_Scroll::clip(CGraphicsObject* g)
{
    const CXRect common = g->GetBoundingBox().Common(viewport);
    if (common.IsEmpty()) {
        if (g->IsVisible())
            g->Visible(false);
        return;
    }
    const CXPoint at = g->GetPosition();
    g->SetClippingRect(CXRect(common.left - at.x, common.top - at.y, common.right - at.x, common.bottom - at.y));
    if (!g->IsVisible())
        g->Visible(true);
}

void CMC_Scroll::add(CGraphicsObject* g)
{
    if (!g)
        return;
    clip(g);
    g->addInvalidateObserver(this);
    graphics.push_back(g);
}

void CMC_Scroll::remove(const CXString& name)
{
    CGraphicsObject* g = scene ? scene->getGraphicsObject(name) : nullptr;
    if (!g)
        return;
    auto at = std::find(graphics.begin(), graphics.end(), g);
    if (at != graphics.end()) {
        graphics.erase(at);
        if (std::find(graphics.begin(), graphics.end(), g) == graphics.end())
            g->removeInvalidateObserver(this);
    }
    g->SetClippingRect(0, 0, 0, 0);
}

void CMC_Scroll::onDestroy(CGraphicsObject* source)
{
    // The drawable has taken this scroll out of its observers already.
    graphics.erase(std::remove(graphics.begin(), graphics.end(), source), graphics.end());
}

void CMC_Scroll::scrollBy(int dx, int dy)
{
    if (graphics.empty())
        return;
    // Walked on a copy: moving, showing or hiding a drawable tells its
    // observers, and a drawable destroyed meanwhile leaves the list.
    const std::vector<CGraphicsObject*> listed = graphics;
    for (CGraphicsObject* g : listed) {
        if (std::find(graphics.begin(), graphics.end(), g) == graphics.end())
            continue;
        g->SetClippingRect(0, 0, 0, 0);
        g->Move(dx, dy);
        clip(g);
    }
    invalidateScreen();
}

void CMC_Scroll::invalidate()
{
    const std::vector<CGraphicsObject*> listed = graphics;
    for (CGraphicsObject* g : listed) {
        if (std::find(graphics.begin(), graphics.end(), g) == graphics.end())
            continue;
        g->SetClippingRect(0, 0, 0, 0);
        clip(g);
    }
}

void CMC_Scroll::setViewport(const CXRect& r)
{
    viewport = r;
    invalidate();
}

void CMC_Scroll::moveViewport(int dx, int dy)
{
    viewport = CXRect(viewport.left + dx, viewport.top + dy, viewport.right + dx, viewport.bottom + dy);
    invalidate();
}

void CMC_Scroll::move(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    viewport = CXRect(viewport.left + dx, viewport.top + dy, viewport.right + dx, viewport.bottom + dy);
    const std::vector<CGraphicsObject*> listed = graphics;
    for (CGraphicsObject* g : listed)
        if (std::find(graphics.begin(), graphics.end(), g) != graphics.end())
            g->Move(dx, dy);
}

void CMC_Scroll::invalidateScreen()
{
    if (CWindow* w = scene ? scene->getWindow() : nullptr)
        w->Invalidate();
}

// Registration

namespace {

CMC_Object* makeScroll(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Scroll(c, e); }
CMC_Object* restoreScroll(CMC_Scene*) { return new CMC_Scroll(); }

CMC_RegisterType typeRegistration("SCROLL", 6, &makeScroll);
CMC_RegisterSnapshotType snapshotRegistration(MC_SCROLL, &restoreScroll);
CMC_RegisterRunner<CMC_Scroll_Runner> runnerRegistration({MC_SCROLL});

} // namespace
