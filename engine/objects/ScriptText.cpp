#include "objects/ScriptText.h"

#include "base/Archive.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "objects/TextRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "ui/MultilineText6.h"

CMC_Text::CMC_Text(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_TEXT), text(nullptr), priority(0), window(nullptr), restored(false)
{
    auto value = [element](const char* key) {
        return element ? element->getPropertyValue(CXString(key)) : CXString();
    };
    auto flag = [element](const char* key) { return element && element->getPropertyBoolValue(CXString(key)); };
    const bool toCanvas = flag("TOCANVAS");
    const bool visible = flag("VISIBLE");
    const CXString initial = value("TEXT");
    const bool hypertext = flag("HYPERTEXT");
    vJustify = value("VJUSTIFY");
    hJustify = value("HJUSTIFY");
    rect = value("RECT");
    priority = element ? element->getPropertyIntValue(CXString("PRIORITY")) : 0;
    font = value("FONT");
    build(container, toCanvas, visible, initial, hypertext);
    initializeBehaviours(container, element);
}

CMC_Text::CMC_Text(CMC_ObjectsContainer*)
    : CMC_Object(CXString("temp"), MC_TEXT), text(nullptr), priority(0), window(nullptr), restored(false)
{
}

CMC_Text::~CMC_Text()
{
    if (!text)
        return;
    // A window that went first took its screen with it.
    const bool windowLives = window && window == CWindow::getWindow();
    if (windowLives)
        text->Invalidate();
    if (CRefreshScreen* s = windowLives ? screen() : nullptr)
        *s >> text;
    delete text;
    text = nullptr;
}

CRefreshScreen* CMC_Text::screen() const { return window ? window->GetRefreshScreenInterface() : nullptr; }

_justify CMC_Text::resolveJustify(const CXString& word)
{
    const struct {
        const char* word;
        _justify value;
    } words[] = {{"LEFT", LEFT}, {"RIGHT", RIGHT}, {"TOP", TOP}, {"BOTTOM", BOTTOM}, {"CENTER", CENTER}};
    for (const auto& w : words)
        if (word == w.word)
            return w.value;
    return CENTER;
}

void CMC_Text::build(CMC_ObjectsContainer* container, bool toCanvas, bool visible, const CXString& initialText,
                     bool hypertext)
{
    window = container ? container->getWindow() : nullptr;
    text = new CMultilineText6(window, hypertext, nullptr);
    layOut(container);
    text->setText(initialText);
    if (toCanvas)
        if (CRefreshScreen* s = screen())
            s->put(text, priority);
    text->Visible(visible);
}

void CMC_Text::layOut(CMC_ObjectsContainer* container)
{
    CGraphicsObject* frame = container ? container->getGraphicsObject(rect) : nullptr;
    const CXRect area = frame ? frame->GetBoundingBox() : CMProperty(CXString("RECT"), rect).getRectValue();
    text->setJustify(area, resolveJustify(hJustify), resolveJustify(vJustify));
    // A name that finds no FONT object keeps the font the text has (none
    // at first): the text is then laid out empty rather than measured
    // with nothing.
    if (CSimpleFont6* typeface = container ? container->getFont(font) : nullptr)
        text->setFont(typeface);
}

CXString** CMC_Text::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", "ONCOLLISION", "ONCOLLISIONFINISHED",
                                        nullptr};
    return makeEventList(names);
}

void CMC_Text::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        CRefreshScreen* s = screen();
        const bool onScreen = text && s && s->GetPriority(text) != -1;
        *archive << vJustify << hJustify << rect << priority << font << onScreen << (text && text->IsVisible())
                 << (text ? text->getText() : CXString());
        return;
    }
    bool onScreen = false, visible = false;
    CXString stored;
    *archive >> &vJustify;
    *archive >> &hJustify;
    *archive >> &rect;
    *archive >> &priority;
    *archive >> &font;
    *archive >> &onScreen;
    *archive >> &visible;
    *archive >> &stored;
    // A record read again (or cut short) replaces the drawable it built.
    if (text) {
        if (CRefreshScreen* s = screen())
            *s >> text;
        delete text;
        text = nullptr;
    }
    build(getScene(), onScreen, visible, stored, false);
    restored = true;
}

void CMC_Text::init()
{
    if (restored && text)
        layOut(getScene());
    restored = false;
    CMC_Object::init();
}

// Registration

namespace {

CMC_Object* makeText(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Text(c, e); }
CMC_Object* restoreText(CMC_Scene* scene) { return new CMC_Text(scene); }
CGraphicsObject* textDrawable(CMC_Object* o, const CXString&) { return static_cast<CMC_Text*>(o)->getText(); }

CMC_RegisterType typeRegistration("TEXT", 6, &makeText);
CMC_RegisterSnapshotType snapshotRegistration(MC_TEXT, &restoreText);
CMC_RegisterRunner<CMC_Text_Runner> runnerRegistration({MC_TEXT});

struct Registration {
    Registration() { CMC_ObjectsContainer::setDrawableAccessor(MC_TEXT, &textDrawable); }
} registration;

} // namespace
