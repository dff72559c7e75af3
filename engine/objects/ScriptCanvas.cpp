#include "objects/ScriptCanvas.h"

#include "base/Archive.h"
#include "base/LoadBounds.h"
#include "graphics/Canvas.h"
#include "graphics/PixelBlock.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "objects/CanvasRunner.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"

#include <algorithm>

namespace {

// A canvas has no collision events.
const CMC_GraphicObject::EventSlots canvasSlots = {-1,
                                                   -1,
                                                   CMC_Canvas::EVENT_ONFOCUSON,
                                                   CMC_Canvas::EVENT_ONFOCUSOFF,
                                                   CMC_Canvas::EVENT_ONCLICK,
                                                   CMC_Canvas::EVENT_ONRELEASE};

} // namespace

CMC_Canvas::CMC_Canvas(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_GraphicObject(container, element, MC_CANVAS, canvasSlots), canvas(nullptr)
{
    asButton = true;
    int at = 0, w = 0, h = 0;
    bool alpha = false, background = false;
    if (element) {
        at = element->getPropertyIntValue(CXString("PRIORITY"));
        w = element->getPropertyIntValue(CXString("WIDTH"));
        h = element->getPropertyIntValue(CXString("HEIGHT"));
        alpha = element->getPropertyBoolValue(CXString("ALPHA"));
        background = element->getPropertyBoolValue(CXString("BACKGROUND"));
    }
    makeCanvas(w, h, at, alpha, background);
    initializeBehaviours(container, element);
}

CMC_Canvas::CMC_Canvas(CMC_ObjectsContainer* container, CCanvas* c)
    : CMC_GraphicObject(container, CXString("temp"), MC_CANVAS, canvasSlots), canvas(c)
{
    asButton = true;
    if (canvas)
        canvas->clear(false);
}

CMC_Canvas::~CMC_Canvas() { releaseCanvas(); }

void CMC_Canvas::makeCanvas(int w, int h, int at, bool alpha, bool background)
{
    CRefreshScreen* screen = refresh();
    const int depth = screen ? screen->GetBpp() : 16;
    // The pixels, the alpha plane and, with a background, both again.
    const int perPixel = (CGraphicsObject::__get_pixel_size(depth) + (alpha ? 1 : 0)) * (background ? 2 : 1);
    // A size that makes no picture (negative, past what memory holds, or
    // past what the file being loaded may ask for) is an empty canvas, as a
    // missing one is.
    if (w <= 0 || h <= 0 || !CLoadBounds::claim(int64_t(w) * h, perPixel) || blockBytes(w, h, 2) == 0)
        w = h = 0;
    canvas = new CCanvas(window, CXSize(w, h), depth, alpha, background);
    canvas->clear(false);
    if (screen)
        screen->put(canvas, at);
}

void CMC_Canvas::releaseCanvas()
{
    if (!canvas)
        return;
    // The window (and its screen) may have gone first.
    if (window && window == CWindow::getWindow())
        if (CRefreshScreen* screen = refresh())
            *screen >> canvas;
    // It may be drawing now (its script deleted by what it draws).
    CGraphicsObject::deleteWhenDrawn(canvas);
    canvas = nullptr;
}

void CMC_Canvas::done()
{
    releaseCanvas();
    added.clear();
}

CGraphicsObject* CMC_Canvas::getDrawable() { return canvas; }

std::vector<CMC_Object*> CMC_Canvas::getAddedObjects() const
{
    std::vector<CMC_Object*> out;
    for (const Added& a : added)
        out.push_back(a.object);
    return out;
}

void CMC_Canvas::add(const CXString& name, int at)
{
    CGraphicsObject* g = canvas && scene ? scene->getGraphicsObject(name) : nullptr;
    if (!g)
        return;
    CMC_Object* o = scene->getObject(name);
    const bool remembered =
        std::any_of(added.begin(), added.end(), [o](const Added& a) { return a.object == o; });
    if (o && (o->getType() == MC_IMAGE || o->getType() == MC_TEXT) && !remembered)
        added.push_back({o, o->getName()});
    canvas->add(g, at);
}

void CMC_Canvas::capture(bool removeObjects)
{
    if (!canvas)
        return;
    canvas->capture();
    std::vector<Added> list;
    list.swap(added);
    if (removeObjects)
        for (const Added& entry : list)
            destroyAdded(entry);
}

// Another canvas listing the same object (a clone), or a script, may have
// deleted it already: it is touched only when its scene still finds it,
// and it is finished and deleted as a script's REMOVE does.
void CMC_Canvas::destroyAdded(const Added& entry)
{
    CMC_Object* live = scene ? scene->getObject(entry.name) : nullptr;
    if (!live || live != entry.object)
        return;
    CMC_ObjectsContainer* holder = live->getScene();
    if (!(holder && holder->removeObject(live)) && !scene->removeObject(live))
        return;
    CMC_Disposal::dispose(live, CMC_Disposal::WITH_DONE);
}

void CMC_Canvas::setAsButton(bool enabled, bool cursor)
{
    asButton = enabled;
    changeCursor = cursor;
}

CXObject* CMC_Canvas::clone()
{
    if (!canvas)
        return nullptr;
    CMC_Canvas* made = new CMC_Canvas(scene, static_cast<CCanvas*>(canvas->clone()));
    made->added = added;
    return made;
}

CXString** CMC_Canvas::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",    "ONDONE",  "ONSIGNAL",  "ONFOCUSON",
                                        "ONFOCUSOFF", "ONCLICK", "ONRELEASE", nullptr};
    return makeEventList(names);
}

void CMC_Canvas::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        const int w = canvas ? canvas->Width() : 0, h = canvas ? canvas->Height() : 0;
        const bool alpha = canvas && canvas->GetChannelAlpha();
        const bool background = canvas && canvas->getBackground();
        *archive << w << h << refreshPriority(canvas) << alpha << background;
        return;
    }
    int w = 0, h = 0, at = -1;
    bool alpha = false, background = false;
    *archive >> &w;
    *archive >> &h;
    *archive >> &at;
    *archive >> &alpha;
    *archive >> &background;
    if (archive->LastError())
        return;
    if (!window && scene)
        window = scene->getWindow();
    releaseCanvas();
    makeCanvas(w, h, at, alpha, background);
}

// The mouse

bool CMC_Canvas::onMouseMove(CXPoint p) { return boxMouseMove(canvas, p); }

bool CMC_Canvas::onClick(int button, CXPoint p) { return boxClick(canvas, button, p); }

bool CMC_Canvas::onRelease(int button, CXPoint p) { return boxRelease(canvas, button, p); }

// Registration

namespace {

CMC_Object* makeCanvas(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Canvas(c, e); }
CMC_Object* restoreCanvas(CMC_Scene* scene) { return new CMC_Canvas(scene, static_cast<CCanvas*>(nullptr)); }
CGraphicsObject* canvasDrawable(CMC_Object* o, const CXString&) { return static_cast<CMC_Canvas*>(o)->getCanvas(); }

CMC_RegisterType typeRegistration("CANVAS", 6, &makeCanvas);
CMC_RegisterSnapshotType snapshotRegistration(MC_CANVAS, &restoreCanvas);
CMC_RegisterRunner<CMC_Canvas_Runner> runnerRegistration({MC_CANVAS});

struct Registration {
    Registration() { CMC_ObjectsContainer::setDrawableAccessor(MC_CANVAS, &canvasDrawable); }
} registration;

} // namespace
