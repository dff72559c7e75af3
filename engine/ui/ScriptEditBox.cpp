#include "ui/ScriptEditBox.h"

#include "base/Archive.h"
#include "graphics/Color.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "platform/Debug.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "ui/EditBox6.h"
#include "ui/Unit6.h"

namespace {

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"SETTEXT", CMC_EditBox_Runner::SETTEXT},
    {"GETTEXT", CMC_EditBox_Runner::GETTEXT},
    {"ACTIVE", CMC_EditBox_Runner::ACTIVE},
    {"DEACTIVE", CMC_EditBox_Runner::DEACTIVE},
    {"ENABLE", CMC_EditBox_Runner::ENABLE},
    {"DISABLE", CMC_EditBox_Runner::DISABLE},
    {"ADDTEXT", CMC_EditBox_Runner::ADDTEXT},
    {"MOVE", CMC_EditBox_Runner::MOVE},
    {"SETPOSITION", CMC_EditBox_Runner::SETPOSITION},
    {"SETPRIORITY", CMC_EditBox_Runner::SETPRIORITY},
    {"SETCURSORPOS", CMC_EditBox_Runner::SETCURSORPOS},
    {"SETRECT", CMC_EditBox_Runner::SETRECT},
    {"SETCOLOR", CMC_EditBox_Runner::SETCOLOR},
    {"SETREADONLY", CMC_EditBox_Runner::SETREADONLY},
    {"ENABLENL", CMC_EditBox_Runner::ENABLENL},
};

} // namespace

CMC_EditBox::CMC_EditBox(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_EDITBOX), editBox(nullptr)
{
    CXRect rect;
    int priority = 0;
    CXString text;
    if (element) {
        const CXString rectText = element->getPropertyValue(CXString("RECT"));
        CGraphicsObject* named = container ? container->getGraphicsObject(rectText) : nullptr;
        rect = named ? named->GetBoundingBox() : element->getPropertyRectValue(CXString("RECT"));
        priority = element->getPropertyIntValue(CXString("PRIORITY"));
        text = element->getPropertyValue(CXString("TEXT"));
        fontName = element->getPropertyValue(CXString("FONT"));
        cursorName = element->getPropertyValue(CXString("CURSOR"));
    }
    createEditBox(rect, priority, text);
    initializeBehaviours(container, element);
}

CMC_EditBox::CMC_EditBox(CMC_ObjectsContainer*) : CMC_Object(CXString("temp"), MC_EDITBOX), editBox(nullptr) {}

CMC_EditBox::~CMC_EditBox() { deleteEditBox(); }

// The field leaves its unit's list as it goes.
void CMC_EditBox::deleteEditBox()
{
    if (!editBox)
        return;
    editBox->removeNotifier(this);
    delete editBox;
    editBox = nullptr;
}

void CMC_EditBox::createEditBox(CXRect rect, int priority, const CXString& text)
{
    deleteEditBox();
    CSimpleFont6* font = scene ? scene->getFont(fontName) : nullptr;
    // A field read from a snapshot looks again once the scene is complete.
    if (!font && !restored) {
        setErrorCode(ERROR_NO_FONT);
        platform::OutputDebugString(
            (CXString("EDITBOX ") + getName() + ": FONT \"" + fontName + "\" names no FONT object\n").c_str());
    }
    CUnit6* unit = CUnit6::getDefUnit();
    editBox = unit ? unit->addEditBox(font, rect, priority, text) : nullptr;
    if (!editBox)
        return;
    editBox->addNotifier(this);
    if (CGraphicsObject* image = scene ? scene->getGraphicsObject(cursorName) : nullptr)
        editBox->setCursor(image);
}

CXString** CMC_EditBox::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",  "ONDONE",  "ONSIGNAL", "ONFOCUSON", "ONFOCUSOFF",
                                        "ONCHANGED", "ONENTER", "ONESC",    nullptr};
    return makeEventList(names);
}

void CMC_EditBox::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << fontName << (editBox ? editBox->getBoundingRect() : CXRect())
                 << (editBox ? editBox->getText() : CXString()) << cursorName;
        return;
    }
    CXRect rect;
    CXString text;
    *archive >> &fontName;
    *archive >> &rect;
    *archive >> &text;
    *archive >> &cursorName;
    restored = true;
    createEditBox(rect, 0, text);
}

void CMC_EditBox::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element)
{
    CMC_Object::initializeBehaviours(container, element);
    if (!restored || element)
        return;
    restored = false;
    if (editBox)
        createEditBox(editBox->getBoundingRect(), 0, editBox->getText());
}

void CMC_EditBox::raise(int index, const char* event)
{
    if (isEventBound(index))
        onSignal(CXString(event));
}

void CMC_EditBox::onFocusOn(CEditBox6*) { raise(EVENT_ONFOCUSON, "ONFOCUSON"); }

void CMC_EditBox::onFocusOff(CEditBox6* box)
{
    if (box && box == editBox && box->isBeingDeleted()) {
        editBox = nullptr;
        return;
    }
    raise(EVENT_ONFOCUSOFF, "ONFOCUSOFF");
}

void CMC_EditBox::onChanged(CEditBox6*) { raise(EVENT_ONCHANGED, "ONCHANGED"); }
void CMC_EditBox::onEnter(CEditBox6*) { raise(EVENT_ONENTER, "ONENTER"); }
void CMC_EditBox::onEsc(CEditBox6*) { raise(EVENT_ONESC, "ONESC"); }

// The runner

void CMC_EditBox_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_EditBox_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_EDITBOX || id < SETTEXT || id > ENABLENL)
        return CMC_Runner::run(id, object, container, args);
    CEditBox6* box = static_cast<CMC_EditBox*>(object)->getEditBox();
    if (!box)
        return id == GETTEXT ? CMC_String::temporary(CXString()) : nullptr;
    auto integer = [&](int index) { return getParameterInteger(args, index)->getValue(); };
    switch (id) {
    case SETTEXT: box->setText(getParameterString(args, 0)->getValue()); return nullptr;
    case GETTEXT: return CMC_String::temporary(box->getText());
    case ACTIVE: box->activate(true); return nullptr;
    case DEACTIVE: box->activate(false); return nullptr;
    case ENABLE: box->enable(true); return nullptr;
    case DISABLE: box->enable(false); return nullptr;
    case ADDTEXT: box->setText(box->getText() + getParameterString(args, 0)->getValue()); return nullptr;
    case MOVE: box->move(CXPoint(integer(0), integer(1))); return nullptr;
    case SETPOSITION: box->setPosition(CXPoint(integer(0), integer(1))); return nullptr;
    case SETPRIORITY: box->setPriority(integer(0)); return nullptr;
    case SETCURSORPOS: box->setCursorPos(integer(0)); return nullptr;
    case SETRECT: box->setRect(CXRect(integer(0), integer(1), integer(2), integer(3))); return nullptr;
    case SETCOLOR: {
        CMC_ObjectsContainer* owner = object->getScene();
        CWindow* window = owner ? owner->getWindow() : nullptr;
        CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
        const CColor colour((unsigned char)integer(0), (unsigned char)integer(1), (unsigned char)integer(2));
        box->setColor(colour.GetInBPP(screen && screen->GetBpp() == 15 ? 15 : 16));
        return nullptr;
    }
    case SETREADONLY: box->setReadOnly(getParameterBool(args, 0)->getValue()); return nullptr;
    case ENABLENL: box->setNoNewLines(!getParameterBool(args, 0)->getValue()); return nullptr;
    default: return CMC_Runner::run(id, object, container, args);
    }
}
