#include "collections/ArrayRunner.h"

#include "base/File.h"
#include "base/Folder.h"
#include "base/Path.h"
#include "base/XRandom.h"
#include "collections/Array.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstdint>
#include <vector>

namespace {

CMC_RegisterRunner<CMC_Array_Runner> registration({MC_ARRAY});

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"ADD", CMC_Array_Runner::ADD},
    {"GETSIZE", CMC_Array_Runner::GETSIZE},
    {"INSERTAT", CMC_Array_Runner::INSERTAT},
    {"REMOVEAT", CMC_Array_Runner::REMOVEAT},
    {"CHANGEAT", CMC_Array_Runner::CHANGEAT},
    {"REMOVEALL", CMC_Array_Runner::REMOVEALL},
    {"GET", CMC_Array_Runner::GET},
    {"REMOVE", CMC_Array_Runner::REMOVE},
    {"FIND", CMC_Array_Runner::FIND},
    {"CONTAINS", CMC_Array_Runner::CONTAINS},
    {"SAVEINI", CMC_Array_Runner::SAVEINI},
    {"LOADINI", CMC_Array_Runner::LOADINI},
    {"PREV", CMC_Array_Runner::PREV},
    {"NEXT", CMC_Array_Runner::NEXT},
    {"ADDCLONES", CMC_Array_Runner::ADDCLONES},
    {"RESETMARKER", CMC_Array_Runner::RESETMARKER},
    {"GETMARKERPOS", CMC_Array_Runner::GETMARKERPOS},
    {"SETMARKERPOS", CMC_Array_Runner::SETMARKERPOS},
    {"SUM", CMC_Array_Runner::SUM},
    {"SUMA", CMC_Array_Runner::SUMA},
    {"SUB", CMC_Array_Runner::SUB},
    {"SUBA", CMC_Array_Runner::SUBA},
    {"MUL", CMC_Array_Runner::MUL},
    {"MULA", CMC_Array_Runner::MULA},
    {"DIV", CMC_Array_Runner::DIV},
    {"DIVA", CMC_Array_Runner::DIVA},
    {"MIN", CMC_Array_Runner::MIN},
    {"MAX", CMC_Array_Runner::MAX},
    {"GETSUMVALUE", CMC_Array_Runner::GETSUMVALUE},
    {"SORT", CMC_Array_Runner::SORT},
    {"LOAD", CMC_Array_Runner::LOAD},
    {"SAVE", CMC_Array_Runner::SAVE},
    {"REVERSEFIND", CMC_Array_Runner::REVERSEFIND},
    {"MULAT", CMC_Array_Runner::MULAT},
    {"DIVAT", CMC_Array_Runner::DIVAT},
    {"ADDAT", CMC_Array_Runner::ADDAT},
    {"SUBAT", CMC_Array_Runner::SUBAT},
    {"MODAT", CMC_Array_Runner::MODAT},
    {"CLAMPAT", CMC_Array_Runner::CLAMPAT},
    {"DIR", CMC_Array_Runner::DIR},
    {"COMPARE", CMC_Array_Runner::COMPARE},
    {"SENDONCHANGE", CMC_Array_Runner::SENDONCHANGE},
    {"SHIFTLEFT", CMC_Array_Runner::SHIFTLEFT},
    {"SHIFTRIGHT", CMC_Array_Runner::SHIFTRIGHT},
    {"ROTATELEFT", CMC_Array_Runner::ROTATELEFT},
    {"ROTATERIGHT", CMC_Array_Runner::ROTATERIGHT},
    {"SWAP", CMC_Array_Runner::SWAP},
    {"FINDALL", CMC_Array_Runner::FINDALL},
    {"SORTMANY", CMC_Array_Runner::SORTMANY},
    {"MAXD", CMC_Array_Runner::MAXD},
    {"MIND", CMC_Array_Runner::MIND},
    {"COPYTO", CMC_Array_Runner::COPYTO},
    {"FILL", CMC_Array_Runner::FILL},
    {"RANDOMFILL", CMC_Array_Runner::RANDOMFILL},
};

bool inRange(CMC_Array* a, int index) { return index >= 0 && index < a->getSize(); }

// What a method without a value gives.
CMC_Variable* const none = nullptr;

} // namespace

void CMC_Array_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

int CMC_Array_Runner::integerArg(CXVector* args, int index) { return getParameterInteger(args, index)->getValue(); }

CXString CMC_Array_Runner::stringArg(CXVector* args, int index) { return getParameterString(args, index)->getValue(); }

CMC_Array* CMC_Array_Runner::namedArray(CMC_ObjectsContainer* container, CXVector* args, int index)
{
    CMC_Object* found = container ? container->getObject(stringArg(args, index)) : nullptr;
    return found && found->getType() == MC_ARRAY ? static_cast<CMC_Array*>(found) : nullptr;
}

CMC_Variable* CMC_Array_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_ARRAY)
        return CMC_Runner::run(id, object, container, args);
    CMC_Array* a = static_cast<CMC_Array*>(object);
    int argc = getArgCount(args);
    switch (id) {
    case ADD: return add(a, args);
    case GETSIZE: return CMC_Integer::temporary(a->getSize());
    case INSERTAT:
    case REMOVEAT:
    case CHANGEAT:
    case SWAP: return indexed(id, a, args);
    case REMOVEALL: a->removeAll(); return none;
    case GET: return get(a, args);
    case REMOVE:
    case FIND:
    case CONTAINS:
    case REVERSEFIND: return search(id, a, args);
    case SAVEINI: a->saveINI(); return none;
    case LOADINI: a->loadINI(); return none;
    case PREV:
    case NEXT: return step(id, a, args);
    case ADDCLONES: return addClones(a, container, args);
    case RESETMARKER: a->resetMarker(); return none;
    case GETMARKERPOS: return CMC_Integer::temporary(a->getMarkerPos());
    case SETMARKERPOS:
        if (argc >= 1)
            a->setMarkerPos(integerArg(args, 0));
        return none;
    case SUM:
    case SUB:
    case MUL:
    case DIV:
    case MULAT:
    case DIVAT:
    case ADDAT:
    case SUBAT:
    case MODAT: return arithmetic(id, a, args);
    case SUMA:
    case SUBA:
    case MULA:
    case DIVA: return range(id, a, args);
    case MIN:
    case MAX:
    case GETSUMVALUE:
    case MIND:
    case MAXD: return aggregate(id, a);
    case SORT:
        if (argc >= 1)
            a->sort(getParameterBool(args, 0)->getValue());
        return none;
    case LOAD:
        if (argc >= 1)
            a->load(stringArg(args, 0));
        return none;
    case SAVE:
        if (argc >= 1)
            a->save(stringArg(args, 0));
        return none;
    case CLAMPAT: return clampAt(a, args);
    case DIR: return dir(a, container, args);
    case COMPARE: {
        if (argc < 1)
            return none;
        CMC_Array* other = namedArray(container, args, 0);
        return CMC_Bool::temporary(other && a->compareArr(other));
    }
    case SENDONCHANGE: a->setSendOnChange(argc >= 1 ? getParameterBool(args, 0)->getValue() : true); return none;
    case SHIFTLEFT: a->shiftLeft(); return none;
    case SHIFTRIGHT: a->shiftRight(); return none;
    case ROTATELEFT: a->rotateLeft(); return none;
    case ROTATERIGHT: a->rotateRight(); return none;
    case FINDALL: return findAll(a, container, args);
    case SORTMANY: return none;
    case COPYTO: return copyTo(a, container, args);
    case FILL: return fill(a, args);
    case RANDOMFILL: return randomFill(a, args);
    default: return CMC_Runner::run(id, object, container, args);
    }
}

CMC_Variable* CMC_Array_Runner::add(CMC_Array* a, CXVector* args)
{
    for (int i = 0; i < getArgCount(args); ++i) {
        CMC_Variable* v = getParameter(args, i);
        if (v)
            a->add(v);
    }
    return none;
}

// An index equal to the size does not append.
CMC_Variable* CMC_Array_Runner::indexed(int id, CMC_Array* a, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc < (id == REMOVEAT ? 1 : 2))
        return none;
    int index = integerArg(args, 0);
    if (!inRange(a, index))
        return none;
    switch (id) {
    case INSERTAT: a->insertAt(index, getParameter(args, 1)); break;
    case REMOVEAT: a->removeAt(index); break;
    case CHANGEAT: a->changeAt(index, getParameter(args, 1)); break;
    default: {
        int other = integerArg(args, 1);
        if (inRange(a, other))
            a->swap(index, other);
        break;
    }
    }
    return none;
}

CMC_Variable* CMC_Array_Runner::get(CMC_Array* a, CXVector* args)
{
    if (getArgCount(args) < 1)
        return none;
    int index = integerArg(args, 0);
    if (!inRange(a, index))
        return CMC_String::temporary(CXString("NULL"));
    return CMC_VariableFactory::copyVariable(a->get(index));
}

CMC_Variable* CMC_Array_Runner::search(int id, CMC_Array* a, CXVector* args)
{
    if (getArgCount(args) < 1)
        return none;
    CMC_Variable* value = getParameter(args, 0);
    switch (id) {
    case REMOVE: a->remove(value); return none;
    case FIND: return CMC_Integer::temporary(a->find(value));
    case CONTAINS: return CMC_Bool::temporary(a->contains(value));
    default: return CMC_Integer::temporary(a->reversefind(value));
    }
}

// A copy the caller owns (it is a clone, not a temporary); on an empty
// array, where there is no element to land on, the String "NULL".
CMC_Variable* CMC_Array_Runner::step(int id, CMC_Array* a, CXVector* args)
{
    int by = getArgCount(args) >= 1 ? integerArg(args, 0) : 1;
    CMC_Variable* e = id == NEXT ? a->next(by) : a->prev(by);
    if (!e)
        return CMC_String::temporary(CXString("NULL"));
    return static_cast<CMC_Variable*>(e->clone());
}

CMC_Variable* CMC_Array_Runner::addClones(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc < 1)
        return none;
    CXString n = stringArg(args, 0);
    CMC_Object* found = container ? container->getObject(n) : nullptr;
    if (!found)
        return none;
    int first = argc > 1 ? integerArg(args, 1) : 1;
    int last = argc > 2 ? integerArg(args, 2) : found->getClonesNo();
    a->addClones(n, first, last);
    return none;
}

CMC_Variable* CMC_Array_Runner::arithmetic(int id, CMC_Array* a, CXVector* args)
{
    int argc = getArgCount(args);
    switch (id) {
    case SUM:
    case SUB:
    case MUL:
    case DIV: {
        if (argc < 1)
            return none;
        CMC_Variable* value = getParameter(args, 0);
        if (id == SUM)
            a->sum(value);
        else if (id == SUB)
            a->sub(value);
        else if (id == MUL)
            a->mul(value);
        else
            a->div(value);
        return none;
    }
    default:
        break;
    }
    if (argc < 2)
        return none;
    int index = integerArg(args, 0);
    if (!inRange(a, index))
        return none;
    CMC_Variable* value = getParameter(args, 1);
    switch (id) {
    case MULAT: a->mulat(index, value); break;
    case DIVAT: a->divat(index, value); break;
    case ADDAT: a->addat(index, value); break;
    case SUBAT: a->subat(index, value); break;
    default: a->modat(index, value); break;
    }
    return none;
}

// -1 for a bound means the end of the array on that side.
CMC_Variable* CMC_Array_Runner::range(int id, CMC_Array* a, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc < 1)
        return none;
    int first = 0;
    int last = a->getSize() - 1;
    if (argc > 1) {
        int v = integerArg(args, 1);
        if (v != -1)
            first = v;
    }
    if (argc > 2) {
        int v = integerArg(args, 2);
        if (v != -1)
            last = v;
    }
    // A plain string: the array looks the name up while temporaries move.
    CMC_String s(CXString("temp"), stringArg(args, 0));
    switch (id) {
    case SUMA: a->suma(&s, first, last); break;
    case SUBA: a->suba(&s, first, last); break;
    case MULA: a->mula(&s, first, last); break;
    default: a->diva(&s, first, last); break;
    }
    return none;
}

CMC_Variable* CMC_Array_Runner::aggregate(int id, CMC_Array* a)
{
    bool integers = id == MIN || id == MAX || id == GETSUMVALUE;
    int type = integers ? MC_INTEGER : MC_DOUBLE;
    uint32_t total = 0; // wraps as 32-bit script integers do
    int low = 1000000, high = 0;
    double lowD = 1000000.0, highD = 0.0;
    for (int i = 0; i < a->getSize(); ++i) {
        CMC_Variable* e = a->get(i);
        if (e->getType() != type)
            continue;
        if (integers) {
            int v = static_cast<CMC_Integer*>(e)->getValue();
            total += uint32_t(v);
            if (v < low)
                low = v;
            if (v > high)
                high = v;
        } else {
            double v = static_cast<CMC_Double*>(e)->getValue();
            if (v < lowD)
                lowD = v;
            if (v > highD)
                highD = v;
        }
    }
    switch (id) {
    case MIN: return CMC_Integer::temporary(low);
    case MAX: return CMC_Integer::temporary(high);
    case GETSUMVALUE: return CMC_Integer::temporary(int32_t(total));
    case MIND: return CMC_Double::temporary(lowD);
    default: return CMC_Double::temporary(highD);
    }
}

// Sets the element itself, so the array raises no change event; the low
// bound is tested first.
CMC_Variable* CMC_Array_Runner::clampAt(CMC_Array* a, CXVector* args)
{
    if (getArgCount(args) < 3)
        return none;
    CMC_Variable* e = a->get(integerArg(args, 0));
    if (!e)
        return none;
    if (e->getType() == MC_INTEGER) {
        CMC_Integer* i = static_cast<CMC_Integer*>(e);
        int low = integerArg(args, 1), high = integerArg(args, 2);
        if (i->getValue() < low)
            i->setValue(low);
        else if (i->getValue() > high)
            i->setValue(high);
    } else if (e->getType() == MC_DOUBLE) {
        CMC_Double* d = static_cast<CMC_Double*>(e);
        double low = getParameterDouble(args, 1)->getValue();
        double high = getParameterDouble(args, 2)->getValue();
        if (d->getValue() < low)
            d->setValue(low);
        else if (d->getValue() > high)
            d->setValue(high);
    }
    return none;
}

// Appends the folder text followed directly by each matching name. A
// folder that does not exist adds nothing (entering it would fail and list
// the current directory instead); an empty folder means the current one.
CMC_Variable* CMC_Array_Runner::dir(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args)
{
    if (getArgCount(args) < 2)
        return none;
    CXString folderText = stringArg(args, 0);
    CXString pattern = stringArg(args, 1);
    CWindow* window = container ? container->getWindow() : nullptr;
    CXString resolved = CPath::resolveFileName(window, folderText);
    if (resolved.IsString() && !CFile::dirExists(resolved))
        return none;
    CXString current = CFile::getCurrentDirectory();
    CXArray* names;
    {
        CFolder folder(window, resolved);
        names = folder.list(pattern);
    }
    CMC_String* entry = CMC_VariableFactory::allocString();
    for (int i = 0; i < names->getSize(); ++i) {
        entry->setValue(resolved + *names->stringAt(i));
        a->add(entry);
    }
    CFile::chDir(current);
    CFolder::releaseFilesList(names);
    CMC_Object::flush(entry);
    return none;
}

CMC_Variable* CMC_Array_Runner::findAll(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc < 1)
        return none;
    CMC_Array* target = namedArray(container, args, 0);
    int total = 0;
    if (target) {
        CMC_Integer position(CXString("temp"));
        for (int k = 1; k < argc; ++k) {
            CMC_Variable* value = getParameter(args, k);
            std::vector<int> found(size_t(a->getSize()) + 1);
            int n = a->findAll(value, found.data());
            total += n;
            for (int i = 0; i < n; ++i) {
                position.setValue(found[size_t(i)]);
                target->add(&position);
            }
        }
    }
    return CMC_Integer::temporary(total);
}

// The count is taken first, so copying an array onto itself ends.
CMC_Variable* CMC_Array_Runner::copyTo(CMC_Array* a, CMC_ObjectsContainer* container, CXVector* args)
{
    if (getArgCount(args) < 1)
        return none;
    CMC_Array* target = namedArray(container, args, 0);
    int n = a->getSize();
    for (int i = 0; target && i < n && i < a->getSize(); ++i)
        target->add(a->get(i));
    return none;
}

CMC_Variable* CMC_Array_Runner::fill(CMC_Array* a, CXVector* args)
{
    if (getArgCount(args) < 2)
        return none;
    a->removeAll();
    int count = integerArg(args, 0);
    CMC_Variable* value = getParameter(args, 1);
    for (int i = 0; i < count; ++i)
        a->add(value);
    return none;
}

// Appends only what the random service really drew: nothing for a count
// outside 1..10000, and no more distinct values than the span holds.
CMC_Variable* CMC_Array_Runner::randomFill(CMC_Array* a, CXVector* args)
{
    if (getArgCount(args) < 4)
        return none;
    a->removeAll();
    int count = integerArg(args, 0);
    int low = integerArg(args, 1);
    int span = integerArg(args, 2);
    bool distinct = getParameterBool(args, 3)->getValue();
    if (count < 1)
        return none;
    int* values = CXRandom::random_vector(low, span, count, distinct);
    if (count > CXRandom::MAX_VECTOR)
        return none;
    int drawn = count;
    if (distinct && drawn > span)
        drawn = span > 0 ? span : 0;
    CMC_Integer value(CXString("temp"));
    for (int i = 0; i < drawn; ++i) {
        value.setValue(values[i]);
        a->add(&value);
    }
    return none;
}
