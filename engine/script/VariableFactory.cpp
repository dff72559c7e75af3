#include "script/VariableFactory.h"

#include "base/Archive.h"
#include "platform/Debug.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdio>

namespace {

// A ring of temporaries. Plain data, so that it needs no construction order
// and no destruction at exit.
template <class T>
struct Ring {
    T** items;
    bool* taken;
    int size;
    int cursor; // the index handed out last
    bool warned;
};

Ring<CMC_Bool> bools;
Ring<CMC_Double> doubles;
Ring<CMC_Integer> integers;
Ring<CMC_String> strings;
unsigned generation = 0;

template <class T>
void build(Ring<T>& r)
{
    if (r.items)
        return;
    r.size = CMC_VariableFactory::POOL_SIZE;
    r.items = new T*[r.size];
    r.taken = new bool[r.size];
    for (int i = 0; i < r.size; ++i) {
        r.items[i] = new T(CXString("f"), i);
        r.taken[i] = false;
    }
}

template <class T>
void destroy(Ring<T>& r)
{
    for (int i = 0; r.items && i < r.size; ++i)
        delete r.items[i];
    delete[] r.items;
    delete[] r.taken;
    r.items = nullptr;
    r.taken = nullptr;
    r.size = 0;
}

// Another ring's worth of temporaries behind the old ones; the old ones stay
// where they are, since their users hold pointers to them. Kept out of take,
// whose common case is short.
template <class T>
[[gnu::noinline]] void grow(Ring<T>& r, const char* typeName)
{
    int old = r.size;
    int size = old + CMC_VariableFactory::POOL_SIZE;
    T** items = new T*[size];
    bool* taken = new bool[size];
    for (int i = 0; i < old; ++i) {
        items[i] = r.items[i];
        taken[i] = r.taken[i];
    }
    for (int i = old; i < size; ++i) {
        items[i] = new T(CXString("f"), i);
        taken[i] = false;
    }
    delete[] r.items;
    delete[] r.taken;
    r.items = items;
    r.taken = taken;
    r.size = size;
    r.cursor = old - 1;
    if (!r.warned) {
        r.warned = true;
        char line[128];
        std::snprintf(line, sizeof line, "Variable pool %s full: grown to %d temporaries\n", typeName, size);
        platform::OutputDebugString(line);
    }
}

// The cursor moves before it tests, so the first hand-out is index 1.
template <class T>
T* take(Ring<T>& r, const char* typeName)
{
    if (!r.items)
        CMC_VariableFactory::initialize();
    // The cursor is kept in a local while it searches.
    int size = r.size;
    int cursor = r.cursor;
    for (int tries = 0; tries < size; ++tries) {
        cursor = cursor >= size - 1 || cursor < 0 ? 0 : cursor + 1;
        if (!r.taken[cursor]) {
            r.cursor = cursor;
            r.taken[cursor] = true;
            return r.items[cursor];
        }
    }
    r.cursor = cursor;
    grow(r, typeName);
    r.cursor += 1;
    r.taken[r.cursor] = true;
    return r.items[r.cursor];
}

template <class T>
void release(Ring<T>& r, CMC_Variable* v)
{
    int id = v->getId();
    if (r.items && id >= 0 && id < r.size && r.items[id] == v)
        r.taken[id] = false;
}

template <class T>
void freeAll(Ring<T>& r)
{
    for (int i = 0; r.items && i < r.size; ++i)
        r.taken[i] = false;
}

template <class T>
int takenCount(const Ring<T>& r)
{
    int n = 0;
    for (int i = 0; r.items && i < r.size; ++i)
        n += r.taken[i] ? 1 : 0;
    return n;
}

// Statements hand on any object as a value; only values have a pool id.
void releaseHook(CMC_Variable* v)
{
    if (CMC_Variable::isBasicType(v->getType()) && v->getId() >= 0)
        CMC_VariableFactory::free(v);
}

CMC_Variable* takeOfType(int type)
{
    switch (type) {
    case MC_INTEGER: return CMC_VariableFactory::allocInteger();
    case MC_STRING: return CMC_VariableFactory::allocString();
    case MC_BOOL: return CMC_VariableFactory::allocBool();
    case MC_DOUBLE: return CMC_VariableFactory::allocDouble();
    default: return nullptr;
    }
}

} // namespace

void CMC_VariableFactory::initialize()
{
    build(bools);
    build(doubles);
    build(integers);
    build(strings);
    CMC_Object::setVariableRelease(&releaseHook);
}

void CMC_VariableFactory::done()
{
    ++generation;
    CMC_Object::setVariableRelease(nullptr);
    destroy(bools);
    destroy(doubles);
    destroy(integers);
    destroy(strings);
}

CMC_Bool* CMC_VariableFactory::allocBool() { return take(bools, "BOOL"); }
CMC_Double* CMC_VariableFactory::allocDouble() { return take(doubles, "DOUBLE"); }
CMC_Integer* CMC_VariableFactory::allocInteger() { return take(integers, "INTEGER"); }
CMC_String* CMC_VariableFactory::allocString() { return take(strings, "STRING"); }

void CMC_VariableFactory::free(CMC_Variable* v)
{
    if (!v || isStopValue(v))
        return;
    switch (v->getType()) {
    case MC_INTEGER: release(integers, v); break;
    case MC_STRING: release(strings, v); break;
    case MC_BOOL: release(bools, v); break;
    case MC_DOUBLE: release(doubles, v); break;
    default: break;
    }
}

unsigned CMC_VariableFactory::getGeneration() { return generation; }

void CMC_VariableFactory::clearPool()
{
    ++generation;
    freeAll(bools);
    freeAll(doubles);
    freeAll(integers);
    freeAll(strings);
}

CMC_Variable* CMC_VariableFactory::copyVariable(CMC_Variable* v)
{
    if (!v || isStopValue(v))
        return nullptr;
    CMC_Variable* copy = takeOfType(v->getType());
    if (copy)
        copy->set(v);
    return copy;
}

CMC_Variable* CMC_VariableFactory::restore(CXArchive* ar)
{
    if (!ar)
        return nullptr;
    uint32_t type = 0;
    *ar >> &type;
    if (ar->LastError() || type < MC_INTEGER || type > MC_DOUBLE)
        return nullptr;
    CMC_Variable* v = takeOfType(int(type));
    v->restore(ar);
    if (ar->LastError()) {
        free(v);
        return nullptr;
    }
    return v;
}

CMC_Variable* CMC_VariableFactory::netrestore(const void* data, int length)
{
    if (!data || length < 4)
        return nullptr;
    const unsigned char* b = static_cast<const unsigned char*>(data);
    uint32_t type = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    if (type < MC_INTEGER || type > MC_DOUBLE)
        return nullptr;
    CMC_Variable* v = takeOfType(int(type));
    if (!v->netrestore(data, length)) {
        free(v);
        return nullptr;
    }
    return v;
}

int CMC_VariableFactory::getTakenCount(int type)
{
    switch (type) {
    case MC_INTEGER: return takenCount(integers);
    case MC_STRING: return takenCount(strings);
    case MC_BOOL: return takenCount(bools);
    case MC_DOUBLE: return takenCount(doubles);
    default: return 0;
    }
}

int CMC_VariableFactory::getPoolSize(int type)
{
    switch (type) {
    case MC_INTEGER: return integers.size;
    case MC_STRING: return strings.size;
    case MC_BOOL: return bools.size;
    case MC_DOUBLE: return doubles.size;
    default: return 0;
    }
}
