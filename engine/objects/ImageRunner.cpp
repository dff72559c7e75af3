#include "objects/ImageRunner.h"

#include "collections/Array.h"
#include "graphics/Image.h"
#include "objects/ScriptImage.h"
#include "script/ObjectsContainer.h"
#include "script/Values.h"

#include <climits>
#include <cmath>

namespace {

const struct {
    const char* name;
    int id;
} imageMethods[] = {
    {"SHOW", CMC_Image_Runner::SHOW},
    {"HIDE", CMC_Image_Runner::HIDE},
    {"SETPOSITION", CMC_Image_Runner::SETPOSITION},
    {"MOVE", CMC_Image_Runner::MOVE},
    {"LOAD", CMC_Image_Runner::LOAD},
    {"CLEARCLIPPING", CMC_Image_Runner::CLEARCLIPPING},
    {"SETCLIPPING", CMC_Image_Runner::SETCLIPPING},
    {"GETPOSITIONX", CMC_Image_Runner::GETPOSITIONX},
    {"GETPOSITIONY", CMC_Image_Runner::GETPOSITIONY},
    {"GETWIDTH", CMC_Image_Runner::GETWIDTH},
    {"GETHEIGHT", CMC_Image_Runner::GETHEIGHT},
    {"ISNEAR", CMC_Image_Runner::ISNEAR},
    {"ISINSIDE", CMC_Image_Runner::ISINSIDE},
    {"MONITORCOLLISION", CMC_Image_Runner::MONITORCOLLISION},
    {"REMOVEMONITORCOLLISION", CMC_Image_Runner::REMOVEMONITORCOLLISION},
    {"SETSCALEFACTOR", CMC_Image_Runner::SETSCALEFACTOR},
    {"SETPRIORITY", CMC_Image_Runner::SETPRIORITY},
    {"GETALPHA", CMC_Image_Runner::GETALPHA},
    {"GETPIXEL", CMC_Image_Runner::GETPIXEL},
    {"MERGEALPHA", CMC_Image_Runner::MERGEALPHA},
    {"INVALIDATE", CMC_Image_Runner::INVALIDATE},
    {"GETCENTERX", CMC_Image_Runner::GETCENTERX},
    {"GETCENTERY", CMC_Image_Runner::GETCENTERY},
    {"ISVISIBLE", CMC_Image_Runner::ISVISIBLE},
    {"LINK", CMC_Image_Runner::LINK},
    {"SETASBUTTON", CMC_Image_Runner::SETASBUTTON},
    {"SETOPACITY", CMC_Image_Runner::SETOPACITY},
    {"SAVE", CMC_Image_Runner::SAVE},
    {"SETANCHOR", CMC_Image_Runner::SETANCHOR},
    {"FLIPH", CMC_Image_Runner::FLIPH},
    {"FLIPV", CMC_Image_Runner::FLIPV},
    {"RESETFLIPS", CMC_Image_Runner::RESETFLIPS},
    {"DRAWONTO", CMC_Image_Runner::DRAWONTO},
    {"RESETPOSITION", CMC_Image_Runner::RESETPOSITION},
    {"SETRESETPOSITION", CMC_Image_Runner::SETRESETPOSITION},
    {"ISAT", CMC_Image_Runner::ISAT},
    {"GETOPACITY", CMC_Image_Runner::GETOPACITY},
    {"GETSLIDECOMPS", CMC_Image_Runner::GETSLIDECOMPS},
    {"GETCOLORAT", CMC_Image_Runner::GETCOLORAT},
    {"GETCOLORRAT", CMC_Image_Runner::GETCOLORRAT},
    {"GETCOLORGAT", CMC_Image_Runner::GETCOLORGAT},
    {"GETCOLORBAT", CMC_Image_Runner::GETCOLORBAT},
    {"MERGEALPHA2", CMC_Image_Runner::MERGEALPHA2},
    {"REPLACECOLOR", CMC_Image_Runner::REPLACECOLOR},
};

bool isImageMethod(int id)
{
    for (const auto& m : imageMethods)
        if (m.id == id)
            return id != CMC_Image_Runner::SETSCALEFACTOR;
    return false;
}

// What a method answers when the object has no picture: the empty value
// of its kind, or none.
CMC_Variable* emptyResult(int id)
{
    switch (id) {
    case CMC_Image_Runner::ISNEAR:
    case CMC_Image_Runner::ISINSIDE:
    case CMC_Image_Runner::ISVISIBLE:
    case CMC_Image_Runner::ISAT: return CMC_Bool::temporary(false);
    case CMC_Image_Runner::GETPOSITIONX:
    case CMC_Image_Runner::GETPOSITIONY:
    case CMC_Image_Runner::GETWIDTH:
    case CMC_Image_Runner::GETHEIGHT:
    case CMC_Image_Runner::GETALPHA:
    case CMC_Image_Runner::GETPIXEL:
    case CMC_Image_Runner::GETCENTERX:
    case CMC_Image_Runner::GETCENTERY:
    case CMC_Image_Runner::GETOPACITY:
    case CMC_Image_Runner::GETCOLORRAT:
    case CMC_Image_Runner::GETCOLORGAT:
    case CMC_Image_Runner::GETCOLORBAT: return CMC_Integer::temporary(0);
    default: return nullptr;
    }
}

// Whether the picture is opaque at (px, py) moved by (dx, dy) truncated; a
// point beyond the coordinates' range is off the picture.
bool opaqueAt(CImage* picture, int px, int py, double dx, double dy)
{
    const double x = double(px) + std::trunc(dx), y = double(py) + std::trunc(dy);
    if (!(x >= INT_MIN && x <= INT_MAX && y >= INT_MIN && y <= INT_MAX))
        return false;
    return picture->isAt(CXPoint(int(x), int(y)), true);
}

} // namespace

void CMC_Image_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : imageMethods)
        registerMethod(m.name, m.id);
}

void CMC_Image_Runner::slideComponents(CImage* picture, double vx, double vy, int px, int py, double* rx,
                                       double* ry)
{
    // 180 / pi taken as an angle in radians.
    const double turn = 57.29577951307855;
    const double c = std::cos(turn), s = std::sin(turn);
    double ax = vx, ay = vy, bx = vx, by = vy;
    for (int n = 1;; ++n) {
        const double nax = (c * ax + s * ay) * 5.0 / 6.0, nay = (c * ay - s * ax) * 5.0 / 6.0;
        ax = nax;
        ay = nay;
        if (!opaqueAt(picture, px, py, ax, ay))
            break;
        const double nbx = (c * bx - s * by) * 5.0 / 6.0, nby = (c * by + s * bx) * 5.0 / 6.0;
        bx = nbx;
        by = nby;
        if (!opaqueAt(picture, px, py, bx, by)) {
            ax = bx;
            ay = by;
            break;
        }
        if (n >= 90)
            break;
    }
    *rx = ax;
    *ry = ay;
}

void CMC_Image_Runner::link(CImage* picture, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    CMC_ObjectsContainer* c = names(object, container);
    CMC_Object* found = c ? c->getObject(stringArg(args, 0)) : nullptr;
    if (!found || found->getType() != MC_IMAGE)
        return;
    CImage* source = static_cast<CMC_Image*>(found)->getImage();
    if (!source || source == picture)
        return;
    picture->SetPosition(source->GetPosition());
    picture->link(source);
    picture->Invalidate();
}

void CMC_Image_Runner::appendTo(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args, int index,
                                std::initializer_list<CMC_Variable*> values)
{
    CMC_ObjectsContainer* c = names(object, container);
    CMC_Object* target = c ? c->getObject(stringArg(args, index)) : nullptr;
    for (CMC_Variable* v : values) {
        // The array stores copies.
        if (target && target->getType() == MC_ARRAY)
            static_cast<CMC_Array*>(target)->add(v);
        CMC_Object::flush(v);
    }
}

CMC_Variable* CMC_Image_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_IMAGE || !isImageMethod(id))
        return CMC_Runner::run(id, object, container, args);
    CMC_Image* owner = static_cast<CMC_Image*>(object);
    if (id == LOAD) {
        owner->load(stringArg(args, 0), true);
        return nullptr;
    }
    CImage* g = owner->getImage();
    if (!g)
        return emptyResult(id);
    CWindow* window = g->GetWindow();
    switch (id) {
    case SHOW:
        // A picture named but not read yet is read as it is shown.
        if (!g->GetDataPtr() && !g->isLoaded() && g->getFileName().IsString())
            g->Load(g->getFileName(), true);
        g->Visible(true);
        return nullptr;
    case HIDE: g->Visible(false); return nullptr;
    case SETPOSITION: setPosition(g, args); return nullptr;
    case MOVE: g->Move(intArg(args, 0), intArg(args, 1)); return nullptr;
    case CLEARCLIPPING: g->SetClippingRect(CXRect(0, 0, 0, 0)); return nullptr;
    case SETCLIPPING: setClipping(g, object, container, args); return nullptr;
    case GETPOSITIONX: return CMC_Integer::temporary(g->GetPosition().x);
    case GETPOSITIONY: return CMC_Integer::temporary(g->GetPosition().y);
    case GETWIDTH: return CMC_Integer::temporary(g->Width());
    case GETHEIGHT: return CMC_Integer::temporary(g->Height());
    case ISNEAR: return isNear(g, object, container, args);
    case ISINSIDE: return CMC_Bool::temporary(g->isInside(intArg(args, 0), intArg(args, 1), boolArg(args, 2)));
    case ISAT: return CMC_Bool::temporary(g->isAt(CXPoint(intArg(args, 0), intArg(args, 1)), boolArg(args, 2)));
    case MONITORCOLLISION: monitorCollision(owner, g, args); return nullptr;
    case REMOVEMONITORCOLLISION: removeMonitorCollision(owner, g); return nullptr;
    case SETPRIORITY: setPriority(g, window, args); return nullptr;
    case GETALPHA: return alphaAt(g, g->GetPosition(), args);
    case GETPIXEL: return pixelAt(g, g->GetPosition(), args);
    case MERGEALPHA: mergeAlpha(g, g, object, container, args); return nullptr;
    case INVALIDATE: g->Invalidate(); return nullptr;
    case GETCENTERX: return center(g, g->GetPosition(), true);
    case GETCENTERY: return center(g, g->GetPosition(), false);
    case ISVISIBLE: return CMC_Bool::temporary(g->IsVisible());
    case LINK: link(g, object, container, args); return nullptr;
    case SETASBUTTON: owner->setAsButton(boolArg(args, 0), boolArg(args, 1)); return nullptr;
    case SETOPACITY: g->SetOpacity((unsigned char)intArg(args, 0)); return nullptr;
    case SAVE: g->Save(stringArg(args, 0), COMPRESSION_NONE); return nullptr;
    case SETANCHOR: setAnchor(g, g->GetPosition(), args); return nullptr;
    case FLIPH: g->FlipH(); g->Invalidate(); return nullptr;
    case FLIPV: g->FlipV(); g->Invalidate(); return nullptr;
    case RESETFLIPS: g->resetFlips(); g->Invalidate(); return nullptr;
    case DRAWONTO: drawOnto(g, object, container, args); return nullptr;
    case RESETPOSITION: {
        const CXPoint p = owner->GetStartingPosition();
        g->Invalidate();
        g->SetPosition(p.x, p.y);
        g->Invalidate();
        return nullptr;
    }
    case SETRESETPOSITION: owner->SetStartingPosition(intArg(args, 0), intArg(args, 1)); return nullptr;
    case GETOPACITY: return CMC_Integer::temporary(g->GetOpacity());
    case GETSLIDECOMPS: {
        double x = 0, y = 0;
        slideComponents(g, getParameterDouble(args, 0)->getValue(), getParameterDouble(args, 1)->getValue(),
                        intArg(args, 2), intArg(args, 3), &x, &y);
        appendTo(object, container, args, 4, {CMC_Double::temporary(x), CMC_Double::temporary(y)});
        return nullptr;
    }
    case GETCOLORAT:
        appendTo(object, container, args, 2,
                 {CMC_Integer::temporary(0), CMC_Integer::temporary(0), CMC_Integer::temporary(0),
                  CMC_Integer::temporary(0)});
        return nullptr;
    // The colour components are not read: these answer 0.
    case GETCOLORRAT:
    case GETCOLORGAT:
    case GETCOLORBAT: return CMC_Integer::temporary(0);
    case MERGEALPHA2: {
        CGraphicsObject* stamp = namedDrawable(object, container, args, 2);
        const bool reset = getArgCount(args) > 3 && boolArg(args, 3);
        if (stamp)
            g->mergeAlpha2(CXPoint(intArg(args, 0), intArg(args, 1)), stamp, reset);
        return nullptr;
    }
    case REPLACECOLOR: {
        short from = 0, to = 0;
        replacedColours(window, args, &from, &to);
        g->replace_color(from, to);
        return nullptr;
    }
    default: return nullptr;
    }
}
