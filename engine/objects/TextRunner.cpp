#include "objects/TextRunner.h"

#include "graphics/Color.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "objects/ScriptText.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "ui/MultilineText6.h"

#include <cstdint>

namespace {

const struct {
    const char* name;
    int id;
} textMethods[] = {
    {"SETTEXT", CMC_Text_Runner::SETTEXT},
    {"SETJUSTIFY", CMC_Text_Runner::SETJUSTIFY},
    {"SHOW", CMC_Text_Runner::SHOW},
    {"HIDE", CMC_Text_Runner::HIDE},
    {"SETPOSITION", CMC_Text_Runner::SETPOSITION},
    {"MOVE", CMC_Text_Runner::MOVE},
    {"LOAD", CMC_Text_Runner::LOAD},
    {"CLEARCLIPPING", CMC_Text_Runner::CLEARCLIPPING},
    {"SETCLIPPING", CMC_Text_Runner::SETCLIPPING},
    {"GETPOSITIONX", CMC_Text_Runner::GETPOSITIONX},
    {"GETPOSITIONY", CMC_Text_Runner::GETPOSITIONY},
    {"GETWIDTH", CMC_Text_Runner::GETWIDTH},
    {"GETHEIGHT", CMC_Text_Runner::GETHEIGHT},
    {"ISNEAR", CMC_Text_Runner::ISNEAR},
    {"SETPRIORITY", CMC_Text_Runner::SETPRIORITY},
    {"SETCOLOR", CMC_Text_Runner::SETCOLOR},
    {"DRAWONTO", CMC_Text_Runner::DRAWONTO},
    {"SETRECT", CMC_Text_Runner::SETRECT},
    {"SETTEXTDOUBLE", CMC_Text_Runner::SETTEXTDOUBLE},
    {"SETOPACITY", CMC_Text_Runner::SETOPACITY},
    {"SETFONT", CMC_Text_Runner::SETFONT},
    {"GETWORDAT", CMC_Text_Runner::GETWORDAT},
    {"GETWORDATXY", CMC_Text_Runner::GETWORDATXY},
    {"GETWORDPOSX", CMC_Text_Runner::GETWORDPOSX},
    {"GETWORDPOSY", CMC_Text_Runner::GETWORDPOSY},
    {"SEARCH", CMC_Text_Runner::SEARCH},
    {"SETWORDCOLOR", CMC_Text_Runner::SETWORDCOLOR},
    {"INVALIDATE", CMC_Text_Runner::INVALIDATE},
    {"GETWORDWIDTH", CMC_Text_Runner::GETWORDWIDTH},
    {"GETNUMWORDS", CMC_Text_Runner::GETNUMWORDS},
};

// What a method answers when it cannot act: the queries the value they
// give for no word or no drawable, the others no value.
CMC_Variable* emptyResult(int id)
{
    switch (id) {
    case CMC_Text_Runner::ISNEAR: return CMC_Bool::temporary(false);
    case CMC_Text_Runner::GETWORDAT: return CMC_String::temporary(CXString());
    case CMC_Text_Runner::GETWORDATXY:
    case CMC_Text_Runner::GETWORDPOSX:
    case CMC_Text_Runner::GETWORDPOSY:
    case CMC_Text_Runner::SEARCH: return CMC_Integer::temporary(-1);
    case CMC_Text_Runner::GETPOSITIONX:
    case CMC_Text_Runner::GETPOSITIONY:
    case CMC_Text_Runner::GETWIDTH:
    case CMC_Text_Runner::GETHEIGHT:
    case CMC_Text_Runner::GETWORDWIDTH:
    case CMC_Text_Runner::GETNUMWORDS: return CMC_Integer::temporary(0);
    default: return nullptr;
    }
}

} // namespace

void CMC_Text_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : textMethods)
        registerMethod(m.name, m.id);
}

int CMC_Text_Runner::needed(int id, int count)
{
    switch (id) {
    case SETTEXT:
    case LOAD:
    case SETPRIORITY:
    case DRAWONTO:
    case SETOPACITY:
    case SETFONT:
    case GETWORDAT:
    case GETWORDPOSX:
    case GETWORDPOSY:
    case GETWORDWIDTH: return 1;
    case SETPOSITION:
    case MOVE:
    case GETWORDATXY:
    case SEARCH:
    case SETTEXTDOUBLE: return 2;
    case SETCOLOR: return 3;
    case SETWORDCOLOR: return 4;
    case SETJUSTIFY: return count == 6 ? 6 : 3;
    case SETCLIPPING: return count == 1 ? 1 : 4;
    case ISNEAR: return count == 2 ? 2 : 5;
    // Any count but these two does nothing.
    case SETRECT: return count == 1 || count == 4 ? count : INT32_MAX;
    default: return 0;
    }
}

int CMC_Text_Runner::packColour(int depth, int red, int green, int blue)
{
    const CColor colour((unsigned char)red, (unsigned char)green, (unsigned char)blue);
    return int16_t(uint16_t(colour.GetInBPP(depth == 15 ? 15 : 16)));
}

CXString CMC_Text_Runner::cutDecimals(const CXString& value, int decimals)
{
    const int point = value.Find('.');
    if (decimals < 0 || point < 0 || int64_t(point) + decimals + 1 >= value.getLength())
        return value;
    return value.Left(point + decimals + 1);
}

int CMC_Text_Runner::colourArg(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args, int first)
{
    CMC_ObjectsContainer* c = names(object, container);
    CWindow* window = c ? c->getWindow() : nullptr;
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    return packColour(screen ? screen->GetBpp() : 16, intArg(args, first), intArg(args, first + 1),
                      intArg(args, first + 2));
}

void CMC_Text_Runner::setJustify(CMultilineText6* t, CMC_Object* object, CMC_ObjectsContainer* container,
                                 CXVector* args)
{
    CXRect area;
    int words = 1;
    if (getArgCount(args) == 6) {
        area = CXRect(intArg(args, 0), intArg(args, 1), intArg(args, 2), intArg(args, 3));
        words = 4;
    } else if (CGraphicsObject* frame = namedDrawable(object, container, args, 0)) {
        area = frame->GetBoundingBox();
    }
    t->setJustify(area, CMC_Text::resolveJustify(stringArg(args, words)),
                  CMC_Text::resolveJustify(stringArg(args, words + 1)));
}

void CMC_Text_Runner::setRect(CMultilineText6* t, CMC_Object* object, CMC_ObjectsContainer* container,
                              CXVector* args)
{
    CXRect area;
    if (getArgCount(args) == 4) {
        area = CXRect(intArg(args, 0), intArg(args, 1), intArg(args, 2), intArg(args, 3));
    } else {
        // The named drawable's own rectangle, not its bounding box.
        CGraphicsObject* frame = namedDrawable(object, container, args, 0);
        if (!frame)
            return;
        area = frame->getRect();
    }
    t->setJustify(area, t->getHJustify(), t->getVJustify());
}

CMC_Variable* CMC_Text_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_TEXT || id < SETTEXT || id > GETNUMWORDS)
        return CMC_Runner::run(id, object, container, args);
    CMultilineText6* t = static_cast<CMC_Text*>(object)->getText();
    if (!t || getArgCount(args) < needed(id, getArgCount(args)))
        return emptyResult(id);
    switch (id) {
    case SETTEXT: t->setText(stringArg(args, 0)); return nullptr;
    case SETJUSTIFY: setJustify(t, object, container, args); return nullptr;
    case SHOW: t->Visible(true); return nullptr;
    case HIDE: t->Visible(false); return nullptr;
    case SETPOSITION: setPosition(t, args); return nullptr;
    case MOVE: t->Move(intArg(args, 0), intArg(args, 1)); return nullptr;
    case LOAD: t->Load(stringArg(args, 0)); return nullptr;
    case CLEARCLIPPING: t->SetClippingRect(CXRect(0, 0, 0, 0)); return nullptr;
    case SETCLIPPING:
        if (getArgCount(args) != 1)
            t->SetClippingRect(CXRect(intArg(args, 0), intArg(args, 1), intArg(args, 2), intArg(args, 3)));
        else if (CGraphicsObject* frame = namedDrawable(object, container, args, 0))
            t->SetClippingRect(frame->GetBoundingBox());
        return nullptr;
    case GETPOSITIONX: return CMC_Integer::temporary(t->GetPosition().x);
    case GETPOSITIONY: return CMC_Integer::temporary(t->GetPosition().y);
    case GETWIDTH: return CMC_Integer::temporary(t->Width());
    case GETHEIGHT: return CMC_Integer::temporary(t->Height());
    case ISNEAR: return isNear(t, object, container, args);
    case SETPRIORITY: {
        CMC_ObjectsContainer* c = names(object, container);
        setPriority(t, c ? c->getWindow() : nullptr, args);
        return nullptr;
    }
    case SETCOLOR: t->setColor(colourArg(object, container, args, 0)); return nullptr;
    case DRAWONTO: drawOnto(t, object, container, args); return nullptr;
    case SETRECT: setRect(t, object, container, args); return nullptr;
    case SETTEXTDOUBLE: t->setText(cutDecimals(stringArg(args, 0), intArg(args, 1))); return nullptr;
    case SETOPACITY: t->SetOpacity((unsigned char)intArg(args, 0)); return nullptr;
    case SETFONT: {
        CMC_ObjectsContainer* c = names(object, container);
        // A name that finds no FONT object keeps the font the text has.
        if (CSimpleFont6* font = c ? c->getFont(stringArg(args, 0)) : nullptr)
            t->setFont(font);
        return nullptr;
    }
    case GETWORDAT: return CMC_String::temporary(t->getWordAt(intArg(args, 0)));
    case GETWORDATXY: return CMC_Integer::temporary(t->getWordAtXY(CXPoint(intArg(args, 0), intArg(args, 1))));
    case GETWORDPOSX: return CMC_Integer::temporary(t->getWordPosition(intArg(args, 0)).x);
    case GETWORDPOSY: return CMC_Integer::temporary(t->getWordPosition(intArg(args, 0)).y);
    case SEARCH: return CMC_Integer::temporary(t->search(stringArg(args, 0), intArg(args, 1)));
    case SETWORDCOLOR: t->setWordColor(intArg(args, 0), colourArg(object, container, args, 1)); return nullptr;
    case INVALIDATE: t->Invalidate(); return nullptr;
    case GETWORDWIDTH: return CMC_Integer::temporary(t->getWordWidth(intArg(args, 0)));
    default: return CMC_Integer::temporary(t->getNumWords());
    }
}
