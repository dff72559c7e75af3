#include "ui/ScriptButton.h"

#include "base/Archive.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "script/Element.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/Values.h"
#include "ui/Button.h"
#include "ui/ControlUnit.h"

namespace {

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"SETRECT", CMC_Button_Runner::SETRECT},
    {"ENABLE", CMC_Button_Runner::ENABLE},
    {"DISABLE", CMC_Button_Runner::DISABLE},
    {"ENABLEDRAGGING", CMC_Button_Runner::ENABLEDRAGGING},
    {"DISABLEDRAGGING", CMC_Button_Runner::DISABLEDRAGGING},
    {"DISABLEBUTVISIBLE", CMC_Button_Runner::DISABLEBUTVISIBLE},
    {"ACCENT", CMC_Button_Runner::ACCENT},
    {"SETSTD", CMC_Button_Runner::SETSTD},
    {"SETONMOVE", CMC_Button_Runner::SETONMOVE},
    {"SETONCLICK", CMC_Button_Runner::SETONCLICK},
    {"SETPRIORITY", CMC_Button_Runner::SETPRIORITY},
    {"GETPRIORITY", CMC_Button_Runner::GETPRIORITY},
    {"GETSTD", CMC_Button_Runner::GETSTD},
    {"GETONMOVE", CMC_Button_Runner::GETONMOVE},
    {"GETONCLICK", CMC_Button_Runner::GETONCLICK},
    {"SYN", CMC_Button_Runner::SYN},
};

bool isScene(CMC_Object* o)
{
    const int t = o->getType();
    return t == MC_SCENE || t == MC_EPISODE || t == MC_APPLICATION;
}

} // namespace

CMC_Button::CMC_Button(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_BUTTON), button(nullptr), enabled(false), draggable(false), priority(0)
{
    if (element) {
        accent = element->getPropertyValue(CXString("ACCENT"));
        gfxStandard = element->getPropertyValue(CXString("GFXSTANDARD"));
        gfxOnMove = element->getPropertyValue(CXString("GFXONMOVE"));
        gfxOnClick = element->getPropertyValue(CXString("GFXONCLICK"));
        sndStandard = element->getPropertyValue(CXString("SNDSTANDARD"));
        sndOnMove = element->getPropertyValue(CXString("SNDONMOVE"));
        sndOnClick = element->getPropertyValue(CXString("SNDONCLICK"));
        drag = element->getPropertyValue(CXString("DRAG"));
        rect = element->getPropertyValue(CXString("RECT"));
        enabled = element->getPropertyBoolValue(CXString("ENABLE"));
        draggable = element->getPropertyBoolValue(CXString("DRAGGABLE"));
        priority = element->getPropertyIntValue(CXString("PRIORITY"));
    }
    createButton();
    if (button)
        button->SYN();
    initializeBehaviours(container, element);
}

CMC_Button::CMC_Button(CMC_ObjectsContainer*)
    : CMC_Object(CXString(""), MC_BUTTON), button(nullptr), enabled(false), draggable(false), priority(0)
{
}

// A button made here never deletes what other objects own.
CMC_Button::CMC_Button(CMC_ObjectsContainer* container, CButton* b, const CXString& n)
    : CMC_Object(n, MC_BUTTON), button(b), enabled(false), draggable(false), priority(0)
{
    scene = container;
    if (button) {
        button->addNotifier(this);
        button->setMCButton(this);
        button->SetDeleteFlags(false, false);
    }
}

CMC_Button::~CMC_Button()
{
    delete button;
    button = nullptr;
}

CXObject* CMC_Button::clone()
{
    if (!button)
        return nullptr;
    return new CMC_Button(scene, static_cast<CButton*>(button->clone()), CXString("cloned"));
}

CXString** CMC_Button::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",      "ONDONE",          "ONSIGNAL",   "ONFOCUSON",
                                        "ONFOCUSOFF",  "ONPAUSED",        "ONCLICKED",  "ONRELEASED",
                                        "ONACTION",    "ONSTARTDRAGGING", "ONDRAGGING", "ONENDDRAGGING",
                                        nullptr};
    return makeEventList(names);
}

CControlUnit* CMC_Button::defaultControlUnit()
{
    CMC_ScreenUnit* unit = CMC_Scene::getDefUnit();
    return unit ? unit->getControlUnit() : nullptr;
}

CGraphicsObject* CMC_Button::graphics(const CXString& objectName)
{
    return scene && objectName.IsString() ? scene->getGraphicsObject(objectName) : nullptr;
}

CSound4* CMC_Button::sound(const CXString& objectName) { return scene ? scene->getSound(objectName) : nullptr; }

void CMC_Button::createButton()
{
    delete button;
    button = nullptr;
    CWindow* window = scene ? scene->getWindow() : nullptr;
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    CXRect area;
    if (rect.IsString()) {
        if (CGraphicsObject* g = graphics(rect)) {
            area = g->GetBoundingBox();
            if (screen)
                priority = screen->GetPriority(g);
        } else {
            area = rect.toRect();
        }
    }
    button = new CButton(window, area, -1, this);
    button->addNotifier(this);
    CControlUnit* unit = defaultControlUnit();
    if (unit) {
        button->addNotifier(unit);
        button->setUnit(unit);
    }
    button->EnableDragging(draggable);
    button->setPriority(priority);
    if (draggable)
        button->SetDragging(graphics(drag));
    if (gfxStandard.IsString())
        button->Set(graphics(gfxStandard), nullptr, true);
    CSound4* moveSound = sound(sndOnMove);
    if (gfxOnMove.IsString() || moveSound)
        button->SetOnMove(graphics(gfxOnMove), moveSound);
    button->SetOnClick(graphics(gfxOnClick), sound(sndOnClick));
    button->SetDeleteFlags(false, false);
    button->Enable(enabled);
    if (accent.IsString())
        button->Accent(graphics(accent));
}

void CMC_Button::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << accent << gfxStandard << gfxOnMove << gfxOnClick << sndStandard << sndOnMove << sndOnClick << drag
                 << rect << enabled << draggable << priority;
        return;
    }
    for (CXString* text : {&accent, &gfxStandard, &gfxOnMove, &gfxOnClick, &sndStandard, &sndOnMove, &sndOnClick, &drag,
                           &rect})
        *archive >> text;
    *archive >> &enabled;
    *archive >> &draggable;
    *archive >> &priority;
    createButton();
    restored = true;
}

void CMC_Button::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element)
{
    CMC_Object::initializeBehaviours(container, element);
    if (restored && !element) {
        restored = false;
        createButton();
    }
}

void CMC_Button::raise(int index, const char* event)
{
    if (isEventBound(index))
        onSignal(CXString(event));
}

void CMC_Button::onControlFocusOn(CControl*, CXPoint) { raise(EVENT_ONFOCUSON, "ONFOCUSON"); }
void CMC_Button::onControlFocusOff(CControl*, CXPoint) { raise(EVENT_ONFOCUSOFF, "ONFOCUSOFF"); }
void CMC_Button::onControlClicked(CControl*, CXPoint) { raise(EVENT_ONCLICKED, "ONCLICKED"); }
void CMC_Button::onControlReleased(CControl*, CXPoint) { raise(EVENT_ONRELEASED, "ONRELEASED"); }
void CMC_Button::onControlAction(CControl*, CXPoint) { raise(EVENT_ONACTION, "ONACTION"); }
void CMC_Button::onDragging(CControl*, CXPoint) { raise(EVENT_ONDRAGGING, "ONDRAGGING"); }

// The scene of the button's container: the container itself, or the scene
// of the class instance that holds the button.
void CMC_Button::setDraggedName(const CXString& n)
{
    CMC_Object* c = scene;
    for (int depth = 0; c && !isScene(c) && depth < 64; ++depth)
        c = c->getScene();
    if (c && isScene(c))
        static_cast<CMC_Scene*>(c)->setDraggedName(n);
}

void CMC_Button::onStartDragging(CControl*, CXPoint)
{
    if (button && scene) {
        CGraphicsObject* image = button->GetDragging() ? button->GetDragging() : button->GetStandard();
        setDraggedName(scene->getGraphicsObjectName(image, true));
    }
    raise(EVENT_ONSTARTDRAGGING, "ONSTARTDRAGGING");
}

void CMC_Button::onEndDragging(CControl*, CXPoint)
{
    raise(EVENT_ONENDDRAGGING, "ONENDDRAGGING");
    setDraggedName(CXString());
}

// The runner

void CMC_Button_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_Button_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_BUTTON || id < SETRECT || id > SYN)
        return CMC_Runner::run(id, object, container, args);
    CButton* button = static_cast<CMC_Button*>(object)->getButton();
    CMC_ObjectsContainer* names = container ? container : object->getScene();
    auto named = [&](int index) -> CGraphicsObject* {
        return names ? names->getGraphicsObject(getParameterString(args, index)->getValue()) : nullptr;
    };
    auto nameOf = [&](CGraphicsObject* image) {
        return CMC_String::temporary(names ? names->getGraphicsObjectName(image, true) : CXString("UNKNOWN"));
    };
    if (!button) {
        if (id == GETPRIORITY)
            return CMC_Integer::temporary(0);
        return id >= GETSTD && id <= GETONCLICK ? nameOf(nullptr) : nullptr;
    }
    switch (id) {
    case SETRECT: {
        CXRect area;
        if (getArgCount(args) == 1) {
            if (CGraphicsObject* g = named(0))
                area = g->GetBoundingBox();
        } else {
            area = CXRect(getParameterInteger(args, 0)->getValue(), getParameterInteger(args, 1)->getValue(),
                          getParameterInteger(args, 2)->getValue(), getParameterInteger(args, 3)->getValue());
        }
        button->SetActiveRect(area);
        return nullptr;
    }
    case ENABLE: button->Enable(true); return nullptr;
    case DISABLE: button->Enable(false); return nullptr;
    case ENABLEDRAGGING: button->EnableDragging(true); return nullptr;
    case DISABLEDRAGGING: button->EnableDragging(false); return nullptr;
    case DISABLEBUTVISIBLE: button->DisableButVisible(); return nullptr;
    case ACCENT: button->Accent(named(0)); return nullptr;
    case SETSTD:
        button->Set(named(0), nullptr, getArgCount(args) < 2 || getParameterBool(args, 1)->getValue());
        return nullptr;
    case SETONMOVE: button->SetOnMove(named(0), button->GetSOOnMove()); return nullptr;
    case SETONCLICK: button->SetOnClick(named(0), button->GetSOOnClick()); return nullptr;
    case SETPRIORITY: button->setPriority(getParameterInteger(args, 0)->getValue()); return nullptr;
    case GETPRIORITY: return CMC_Integer::temporary(button->getPriority());
    case GETSTD: return nameOf(button->GetStandard());
    case GETONMOVE: return nameOf(button->GetOnMove());
    case GETONCLICK: return nameOf(button->GetOnClick());
    case SYN: button->SYN(); return nullptr;
    default: return CMC_Runner::run(id, object, container, args);
    }
}
