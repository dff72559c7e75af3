#include "objects/CanvasRunner.h"

#include "graphics/Canvas.h"
#include "graphics/GraphicsObject.h"
#include "objects/ScriptCanvas.h"
#include "script/String.h"
#include "script/Values.h"

namespace {

const char* const methodNames[] = {"ADD",  "REMOVE",  "SHOW",       "HIDE",        "SETPRIORITY",
                                   "SETPOSITION", "MOVE", "CLEAR", "CAPTURE", "SETOPACITY",
                                   "SETASBUTTON", "ERASE", "DRAW", "SAVE"};
static_assert(sizeof methodNames / sizeof methodNames[0] == CMC_Canvas_Runner::SAVE, "one name per id");

// The arguments each method needs; with fewer it does nothing.
int required(int id)
{
    switch (id) {
    case CMC_Canvas_Runner::ADD:
    case CMC_Canvas_Runner::REMOVE:
    case CMC_Canvas_Runner::SETPRIORITY:
    case CMC_Canvas_Runner::SETOPACITY:
    case CMC_Canvas_Runner::SETASBUTTON:
    case CMC_Canvas_Runner::SAVE: return 1;
    case CMC_Canvas_Runner::SETPOSITION:
    case CMC_Canvas_Runner::MOVE: return 2;
    case CMC_Canvas_Runner::ERASE:
    case CMC_Canvas_Runner::DRAW: return 3;
    default: return 0;
    }
}

} // namespace

void CMC_Canvas_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (int id = ADD; id <= SAVE; ++id)
        registerMethod(methodNames[id - 1], id);
}

CMC_Variable* CMC_Canvas_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_CANVAS || id < ADD || id > SAVE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Canvas* owner = static_cast<CMC_Canvas*>(object);
    CCanvas* canvas = owner->getCanvas();
    const int argc = getArgCount(args);
    if (!canvas || argc < required(id))
        return nullptr;
    switch (id) {
    case ADD: owner->add(stringArg(args, 0), argc > 1 ? intArg(args, 1) : 0); break;
    case REMOVE: canvas->remove(namedDrawable(object, container, args, 0)); break;
    case SHOW: canvas->Visible(true); break;
    case HIDE: canvas->Visible(false); break;
    case SETPRIORITY:
        setPriority(canvas, canvas->GetWindow(), args);
        canvas->Invalidate();
        break;
    case SETPOSITION: setPosition(canvas, args); break;
    case MOVE: canvas->Move(intArg(args, 0), intArg(args, 1)); break;
    case CLEAR:
        // The added objects stay listed: CAPTURE may still delete them.
        canvas->removeAll();
        canvas->clear(true);
        canvas->Invalidate();
        break;
    case CAPTURE: owner->capture(argc < 1 || boolArg(args, 0)); break;
    case SETOPACITY: canvas->SetOpacity((unsigned char)(intArg(args, 0) & 0xFF)); break;
    case SETASBUTTON: owner->setAsButton(boolArg(args, 0), argc < 2 || boolArg(args, 1)); break;
    case ERASE:
        if (CGraphicsObject* brush = namedDrawable(object, container, args, 0))
            canvas->erase(brush, intArg(args, 1), intArg(args, 2));
        break;
    case DRAW:
        if (CGraphicsObject* g = namedDrawable(object, container, args, 0))
            canvas->draw(g->getDrawn(), intArg(args, 1), intArg(args, 2));
        break;
    case SAVE: saveCopy(this, canvas, canvas->GetWindow(), args); break;
    default: break;
    }
    return nullptr;
}

void CMC_Canvas_Runner::saveCopy(CMC_Runner* runner, CGraphicsObject* source, CWindow* window, CXVector* args)
{
    const int argc = getArgCount(args);
    if (!source || argc < 1)
        return;
    const CXString file = runner->getParameterString(args, 0)->getValue();
    const double sx = argc > 1 ? runner->getParameterDouble(args, 1)->getValue() : 1.0;
    const double sy = argc > 2 ? runner->getParameterDouble(args, 2)->getValue() : 1.0;
    // A rectangle is all four of its sides or none.
    CXRect r;
    if (argc > 6)
        r = CXRect(runner->getParameterInteger(args, 3)->getValue(), runner->getParameterInteger(args, 4)->getValue(),
                   runner->getParameterInteger(args, 5)->getValue(), runner->getParameterInteger(args, 6)->getValue());
    CGraphicsObject copy(window);
    copy.Copy(source);
    if (r.right != r.left && r.bottom != r.top)
        copy.crop(r);
    if (sx != 1.0 || sy != 1.0)
        copy.Scale(sx, sy);
    copy.Save(file, COMPRESSION_NONE);
}
