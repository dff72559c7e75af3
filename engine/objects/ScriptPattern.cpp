#include "objects/ScriptPattern.h"

#include "base/Archive.h"
#include "base/FileReport.h"
#include "base/LoadBounds.h"
#include "graphics/Pattern.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "objects/PatternRunner.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"

#include <cstdio>

namespace {

// A pattern has no collision events.
const CMC_GraphicObject::EventSlots patternSlots = {-1,
                                                    -1,
                                                    CMC_Pattern::EVENT_ONFOCUSON,
                                                    CMC_Pattern::EVENT_ONFOCUSOFF,
                                                    CMC_Pattern::EVENT_ONCLICK,
                                                    CMC_Pattern::EVENT_ONRELEASE};

// A cell step below 1 would divide by zero (GETCELLCORD) or lay the cells
// out backwards; it is 1.
int step(int value) { return value < 1 ? 1 : value; }

} // namespace

CMC_Pattern::CMC_Pattern(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_GraphicObject(container, element, MC_PATTERN, patternSlots), pattern(nullptr), width(0), height(0),
      gridX(0), gridY(0), askedLayers(1)
{
    asButton = true;
    bool toCanvas = false, visible = false;
    int layers = 0, at = 0;
    if (element) {
        toCanvas = element->getPropertyBoolValue(CXString("TOCANVAS"));
        visible = element->getPropertyBoolValue(CXString("VISIBLE"));
        layers = element->getPropertyIntValue(CXString("LAYERS"));
        at = element->getPropertyIntValue(CXString("PRIORITY"));
        width = element->getPropertyIntValue(CXString("WIDTH"));
        height = element->getPropertyIntValue(CXString("HEIGHT"));
        gridX = step(element->getPropertyIntValue(CXString("GRIDX")));
        gridY = step(element->getPropertyIntValue(CXString("GRIDY")));
    }
    makePattern(layers < 1 ? 1 : layers, visible, toCanvas, at);
    initializeBehaviours(container, element);
}

CMC_Pattern::CMC_Pattern(CMC_ObjectsContainer* container)
    : CMC_GraphicObject(container, CXString("temp"), MC_PATTERN, patternSlots), pattern(nullptr), width(0),
      height(0), gridX(0), gridY(0), askedLayers(1)
{
    asButton = true;
}

CMC_Pattern::~CMC_Pattern() { releasePattern(); }

// A negative size gives a table without cells; a table too large to make
// is refused, and the title's author is told. One past what the file being
// loaded may ask for is made without layers (the loader leaves it out).
void CMC_Pattern::makePattern(int layers, bool visible, bool onScreen, int at)
{
    askedLayers = layers;
    const CXSize size(width, height), cell(step(gridX), step(gridY));
    const bool bounded = CLoadBounds::claim(CPattern::tableBytes(size, cell, layers));
    pattern = new CPattern(window, size, cell, bounded ? layers : 0);
    if (pattern->LastError() != 0) {
        char sizes[160];
        std::snprintf(sizes, sizeof sizes,
                      " (%d x %d pixels, cells of %d x %d, %d layers) is too large; it holds nothing", width, height,
                      step(gridX), step(gridY), layers);
        CFileReport::tell(CXString("the pattern ") + getName() + sizes);
    }
    pattern->Visible(visible);
    if (onScreen)
        putOnRefresh(pattern, at);
}

void CMC_Pattern::releasePattern()
{
    if (!pattern)
        return;
    // The window (and its screen) may have gone first.
    if (window && window == CWindow::getWindow())
        if (CRefreshScreen* screen = refresh())
            *screen >> pattern;
    // It may be drawing now (its script deleted by what it draws).
    CGraphicsObject::deleteWhenDrawn(pattern);
    pattern = nullptr;
}

bool CMC_Pattern::done(bool final)
{
    if (pattern)
        pattern->removeAll();
    return CMC_Object::done(final);
}

void CMC_Pattern::setAsButton(bool enabled, bool cursor)
{
    asButton = enabled;
    changeCursor = cursor;
}

CXString** CMC_Pattern::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",    "ONDONE",  "ONSIGNAL",  "ONFOCUSON",
                                        "ONFOCUSOFF", "ONCLICK", "ONRELEASE", nullptr};
    return makeEventList(names);
}

void CMC_Pattern::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        const bool visible = pattern && pattern->IsVisible();
        // A refused pattern keeps the count it was asked for, so that the
        // record is the title's and a restore refuses it again.
        const int layers = !pattern ? 1 : pattern->LastError() != 0 ? askedLayers : pattern->getLayers();
        *archive << visible << refreshPriority(pattern) << width << height << gridX << gridY << layers;
        return;
    }
    bool visible = false;
    int at = -1, layers = 1;
    *archive >> &visible;
    *archive >> &at;
    *archive >> &width;
    *archive >> &height;
    *archive >> &gridX;
    *archive >> &gridY;
    *archive >> &layers;
    if (archive->LastError())
        return;
    if (!window && scene)
        window = scene->getWindow();
    releasePattern();
    makePattern(layers, visible, at >= 0, at);
}

CGraphicsObject* CMC_Pattern::getDrawable() { return pattern; }

bool CMC_Pattern::onMouseMove(CXPoint p) { return boxMouseMove(pattern, p); }

bool CMC_Pattern::onClick(int button, CXPoint p) { return boxClick(pattern, button, p); }

bool CMC_Pattern::onRelease(int button, CXPoint p) { return boxRelease(pattern, button, p); }

// Registration

namespace {

CMC_Object* makePattern(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Pattern(c, e); }
CMC_Object* restorePattern(CMC_Scene* scene) { return new CMC_Pattern(scene); }
CGraphicsObject* patternDrawable(CMC_Object* o, const CXString&) { return static_cast<CMC_Pattern*>(o)->getPattern(); }

CMC_RegisterType typeRegistration("PATTERN", 6, &makePattern);
CMC_RegisterSnapshotType snapshotRegistration(MC_PATTERN, &restorePattern);
CMC_RegisterRunner<CMC_Pattern_Runner> runnerRegistration({MC_PATTERN});

struct Registration {
    Registration() { CMC_ObjectsContainer::setDrawableAccessor(MC_PATTERN, &patternDrawable); }
} registration;

} // namespace
