#include "objects/ScrollRunner.h"

#include "objects/ScriptScroll.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"

void CMC_Scroll_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("ADD", ADD);
    registerMethod("REMOVE", REMOVE);
    registerMethod("SCROLLUP", SCROLLUP);
    registerMethod("SCROLLDOWN", SCROLLDOWN);
    registerMethod("SCROLLLEFT", SCROLLLEFT);
    registerMethod("SCROLLRIGHT", SCROLLRIGHT);
    registerMethod("SETVIEWPORT", SETVIEWPORT);
    registerMethod("MOVEVIEWPORT", MOVEVIEWPORT);
    registerMethod("MOVE", MOVE);
    registerMethod("INVALIDATE", INVALIDATE);
}

namespace {

int required(int id)
{
    switch (id) {
    case CMC_Scroll_Runner::SETVIEWPORT: return 4;
    case CMC_Scroll_Runner::MOVEVIEWPORT:
    case CMC_Scroll_Runner::MOVE: return 2;
    case CMC_Scroll_Runner::INVALIDATE: return 0;
    default: return 1;
    }
}

} // namespace

CMC_Variable* CMC_Scroll_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_SCROLL || id < ADD || id > INVALIDATE)
        return CMC_Runner::run(id, object, container, args);
    CMC_Scroll* scroll = static_cast<CMC_Scroll*>(object);
    if (getArgCount(args) < required(id))
        return nullptr;
    auto integer = [&](int index) { return getParameterInteger(args, index)->getValue(); };
    switch (id) {
    case ADD: {
        CMC_ObjectsContainer* from = container ? container : scroll->getScene();
        if (from)
            scroll->add(from->getGraphicsObject(getParameterString(args, 0)->getValue()));
        return nullptr;
    }
    case REMOVE: scroll->remove(getParameterString(args, 0)->getValue()); return nullptr;
    case SCROLLUP: scroll->scrollUp(integer(0)); return nullptr;
    case SCROLLDOWN: scroll->scrollDown(integer(0)); return nullptr;
    case SCROLLLEFT: scroll->scrollLeft(integer(0)); return nullptr;
    case SCROLLRIGHT: scroll->scrollRight(integer(0)); return nullptr;
    case SETVIEWPORT: scroll->setViewport(CXRect(integer(0), integer(1), integer(2), integer(3))); break;
    case MOVEVIEWPORT: scroll->moveViewport(integer(0), integer(1)); break;
    case MOVE: scroll->move(integer(0), integer(1)); break;
    default: scroll->invalidate(); break;
    }
    scroll->invalidateScreen();
    return nullptr;
}
