#include "objects/PatternRunner.h"

#include "collections/Array.h"
#include "graphics/Pattern.h"
#include "objects/ScriptPattern.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdint>

namespace {

const char* const methodNames[] = {"ADD",        "SETGRID",      "MOVE",        "GETGRAPHICSAT",
                                   "REMOVE",     "GETALIASAT",   "GETINFOAT",   "GETALIASINFO",
                                   "GETCELLCORD", "GETALIASATCELL", "SETPOSITION"};
static_assert(sizeof methodNames / sizeof methodNames[0] == CMC_Pattern_Runner::SETPOSITION, "one name per id");

// The arguments each method needs; with fewer it does nothing.
int required(int id)
{
    switch (id) {
    case CMC_Pattern_Runner::ADD: return 5;
    case CMC_Pattern_Runner::GETINFOAT: return 5;
    case CMC_Pattern_Runner::GETGRAPHICSAT:
    case CMC_Pattern_Runner::GETALIASAT: return 4;
    case CMC_Pattern_Runner::GETCELLCORD: return 3;
    case CMC_Pattern_Runner::REMOVE: return 1;
    default: return 2;
    }
}

CMC_String* aliasOrNull(const CXString& alias) { return CMC_String::temporary(alias.IsString() ? alias : CXString("NULL")); }

void appendInt(CMC_Array* array, int v)
{
    CMC_Integer* value = CMC_Integer::temporary(v);
    array->add(value);
    CMC_Object::flush(value);
}

} // namespace

void CMC_Pattern_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (int id = ADD; id <= SETPOSITION; ++id)
        registerMethod(methodNames[id - 1], id);
}

CMC_Variable* CMC_Pattern_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_PATTERN || id < ADD || id > SETPOSITION)
        return CMC_Runner::run(id, object, container, args);
    CPattern* pattern = static_cast<CMC_Pattern*>(object)->getPattern();
    const int argc = getArgCount(args);
    if (!pattern || argc < required(id))
        return nullptr;
    switch (id) {
    case ADD:
        // A name that names no drawable adds nothing.
        if (CGraphicsObject* g = namedDrawable(object, container, args, 3))
            pattern->add(stringArg(args, 0), intArg(args, 1), intArg(args, 2), argc > 5 ? intArg(args, 5) : 0, g,
                         intArg(args, 4), CXString());
        break;
    case SETGRID:
        // A step below 1 has no cells to show.
        if (intArg(args, 0) >= 1 && intArg(args, 1) >= 1)
            pattern->setGrid(CXSize(intArg(args, 0), intArg(args, 1)));
        break;
    case MOVE: pattern->Move(intArg(args, 0), intArg(args, 1)); break;
    case GETGRAPHICSAT: return graphicsAt(pattern, object, container, args);
    case REMOVE: remove(pattern, args); break;
    case GETALIASAT:
        return aliasOrNull(
            pattern->getGraphicsObjectAlias(intArg(args, 0), intArg(args, 1), boolArg(args, 2), boolArg(args, 3)));
    case GETINFOAT:
        if (CMC_Array* array = namedArray(object, container, args, 4))
            if (CPatternEntry* e =
                    pattern->getEntryAt(intArg(args, 0), intArg(args, 1), 0, boolArg(args, 2), boolArg(args, 3)))
                appendInfo(array, pattern, e);
        break;
    case GETALIASINFO:
        if (CMC_Array* array = namedArray(object, container, args, 1))
            if (CPatternEntry* e = pattern->getAliasEntry(stringArg(args, 0)))
                appendInfo(array, pattern, e);
        break;
    case GETCELLCORD: return cellCord(pattern, object, container, args);
    case GETALIASATCELL: {
        CPatternEntry* e = pattern->get(intArg(args, 0), intArg(args, 1), argc > 2 ? intArg(args, 2) : 0);
        return aliasOrNull(e ? e->alias : CXString());
    }
    case SETPOSITION: setPosition(pattern, args); break;
    default: break;
    }
    return nullptr;
}

// The top layer's number searches every layer from the top down, as a
// negative one does; a layer past the top finds nothing.
CMC_Variable* CMC_Pattern_Runner::graphicsAt(CPattern* pattern, CMC_Object* object, CMC_ObjectsContainer* container,
                                             CXVector* args)
{
    int layer = getArgCount(args) > 4 ? intArg(args, 4) : -1;
    if (layer == pattern->getLayers() - 1)
        layer = -1;
    CGraphicsObject* g =
        pattern->getGraphicsObject(intArg(args, 0), intArg(args, 1), boolArg(args, 2), boolArg(args, 3), layer, 0);
    if (!g)
        return CMC_String::temporary(CXString("NULL"));
    CMC_ObjectsContainer* c = names(object, container);
    return CMC_String::temporary(c ? c->getGraphicsObjectName(g, true) : CXString("UNKNOWN"));
}

// An integer first argument names a cell, anything else an alias; every
// entry with the alias goes.
void CMC_Pattern_Runner::remove(CPattern* pattern, CXVector* args)
{
    const int argc = getArgCount(args);
    CMC_Variable* first = getParameter(args, 0);
    if (first && first->getType() == MC_INTEGER) {
        if (argc > 1)
            pattern->remove(intArg(args, 0), intArg(args, 1), argc > 2 ? intArg(args, 2) : 0);
        return;
    }
    const CXString alias = stringArg(args, 0);
    while (pattern->getAliasEntry(alias))
        pattern->remove(alias);
}

CMC_Array* CMC_Pattern_Runner::namedArray(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args,
                                          int index)
{
    CMC_ObjectsContainer* c = names(object, container);
    CMC_Object* target = c ? c->getObject(stringArg(args, index)) : nullptr;
    return target && target->getType() == MC_ARRAY ? static_cast<CMC_Array*>(target) : nullptr;
}

void CMC_Pattern_Runner::appendInfo(CMC_Array* array, CPattern* pattern, CPatternEntry* e)
{
    CMC_String* alias = CMC_String::temporary(e->alias);
    array->add(alias);
    CMC_Object::flush(alias);
    const CXSize grid = pattern->getGrid();
    const CXPoint at = pattern->GetPosition();
    const int w = e->object->Width(), h = e->object->Height();
    // Far cells of a wide step leave the int range: the sums wrap, as the
    // script's integers do.
    const int64_t cx = int64_t(at.x) + int64_t(e->column) * grid.cx + w / 2;
    const int64_t cy = int64_t(at.y) + int64_t(e->row) * grid.cy + h / 2;
    for (int v : {e->column, e->row, w, h, int(uint32_t(cx)), int(uint32_t(cy))})
        appendInt(array, v);
}

// The cell of a screen point, appended whether or not the point is on the
// pattern; true when it is, both far edges included.
CMC_Variable* CMC_Pattern_Runner::cellCord(CPattern* pattern, CMC_Object* object, CMC_ObjectsContainer* container,
                                           CXVector* args)
{
    const CXPoint at = pattern->GetPosition();
    const int64_t dx = int64_t(intArg(args, 0)) - at.x, dy = int64_t(intArg(args, 1)) - at.y;
    const CXSize grid = pattern->getGrid();
    if (CMC_Array* array = namedArray(object, container, args, 2)) {
        appendInt(array, int(dx / grid.cx));
        appendInt(array, int(dy / grid.cy));
    }
    CMC_Pattern* owner = static_cast<CMC_Pattern*>(object);
    return CMC_Bool::temporary(dx >= 0 && dx <= owner->getWidth() && dy >= 0 && dy <= owner->getHeight());
}
